#pragma once
// The program's one window. It owns every page and all state of a run.
#include "shared_paths.h"
#include "ui/action_commit.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace korvane {

struct System;
struct PageContext;
class FirstPage;
class CheckupPage;
class CommonProblemsPage;
class HelpPage;
class ArtPage;
class InternetPage;
class TenPercentPage;
class HealthPage;
class PrivacyPage;
class HealthCommands;
class RenewalPage;
class CommonCommands;
namespace ui {
class PageControl;
} // namespace ui

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
    void buildPages();
    void bindNavigation();
    void FormCreate();
    void RunStartupDuties();
    void FormClose();
    // Whether the restore armed at the last run took place, told once after start-up.
    void TakeRestoreOutcome();
    void ShowRestoreOutcome();

    // Opens a top-level page first, so that its on-show behaviour runs, then acts inside it.
    void JumpTo(QWidget* page, const std::function<void()>& inside);
    void Label234Click();
    void Label244Click();
    void LabelLowerHangsClick();
    void OpenTenPercentPage();
    void CloseTenPercentPage();

    System& system_;
    ui::CommitBeforeTelling dialogs_;
    std::unique_ptr<PageContext> ctx_;
    SharedPaths paths_;
    bool closed_ = false;
    bool restoreOutcomeKnown_ = false;
    bool restored_ = false;
    std::string restoreOutcome_;

    ui::PageControl* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QWidget* TabSheet5 = nullptr;
    QWidget* TabSheet6 = nullptr;
    QWidget* TabSheet7 = nullptr;
    QWidget* TabSheet8 = nullptr;
    QWidget* TabSheet9 = nullptr;
    QWidget* TabSheet19 = nullptr;
    QWidget* TabSheet46 = nullptr;

    std::unique_ptr<FirstPage> firstPage_;
    std::unique_ptr<CheckupPage> checkupPage_;
    std::unique_ptr<CommonProblemsPage> commonPage_;
    std::unique_ptr<HelpPage> helpPage_;
    std::unique_ptr<ArtPage> artPage_;
    std::unique_ptr<InternetPage> internetPage_;
    std::unique_ptr<TenPercentPage> tenPercentPage_;
    std::unique_ptr<HealthPage> healthPage_;
    std::unique_ptr<PrivacyPage> privacyPage_;
    std::unique_ptr<HealthCommands> healthCommands_;
    std::unique_ptr<RenewalPage> renewalPage_;
    std::unique_ptr<CommonCommands> commonCommands_;
};

} // namespace korvane
