#pragma once
// The first page: the info memo, the feature panel with its hover help, the date line, the
// way to the "10%" page and the restore-point table.
#include "page_kit.h"

#include "restore/restore_point.h"

class QFrame;
class QLabel;

namespace korvane {

namespace ui {
class Memo;
class TextGrid;
} // namespace ui

class FirstPage {
  public:
    FirstPage(const PageContext& ctx, QWidget* sheet);

    ui::Memo* Memo4;
    QFrame* FeaturePanel;
    ui::CommandLabel* Label3;
    ui::CommandLabel* Label9;
    ui::CommandLabel* Label14;
    ui::CommandLabel* Label21;
    ui::CommandLabel* Label217;
    ui::CommandLabel* Label1;
    // The link to the "10%" page; the window decides where it leads.
    ui::CommandLabel* LabelTenPercent;
    ui::TextGrid* StringGrid1;

    void Label3MouseMove();
    void Label9MouseMove();
    void Label14MouseMove();
    void Label21MouseMove();
    void Label217MouseMove();

    // Restore points: the table's set-up and fill at start-up, making one now, restoring one.
    void FillRestorePoints(const RestoreCatalogue& catalogue);
    void Label21Click();
    void StringGrid1Click(int row);

  private:
    void buildFeaturePanel();
    void showFeatureHelp(ui::CommandLabel* label, const QStringList& lines);

    PageContext ctx_;
};

} // namespace korvane
