#pragma once
// The program's one window. It owns every page and all state of a run.
#include "shared_paths.h"

#include <QWidget>

class QLabel;
class QTabWidget;

namespace korvane {

struct System;
namespace ui {
class Dialogs;
}

class TForm1 : public QWidget {
    Q_OBJECT

public:
    // Builds the window and runs the start-up sequence.
    TForm1(System& system, ui::Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;

    const SharedPaths& paths() const { return paths_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void FormCreate();
    void RunStartupDuties();
    void FormClose();

    System& system_;
    ui::Dialogs& dialogs_;
    SharedPaths paths_;
    bool closed_ = false;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QLabel* Label1 = nullptr;
};

} // namespace korvane
