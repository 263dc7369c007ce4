#pragma once
// The first page: the info memo, the feature panel with its hover help, the date line, the
// way to the "10%" page and the restore-point table.
#include "page_kit.h"

#include "restore/restore_listing.h"
#include "restore/restore_point.h"

#include <cstdint>
#include <memory>

class QFrame;
class QLabel;

namespace korvane {

class PreviewWorker;
struct OfflineRestore;

namespace ui {
class Memo;
class TextGrid;
} // namespace ui

class FirstPage {
  public:
    FirstPage(const PageContext& ctx, QWidget* sheet);
    ~FirstPage();

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
    // What restoring the selected row's point would change, below the table.
    ui::Memo* MemoPreview;

    void Label3MouseMove();
    void Label9MouseMove();
    void Label14MouseMove();
    void Label21MouseMove();
    void Label217MouseMove();

    // Restore points: the table's set-up and fill at start-up, making one now, restoring one.
    // The page lists the scanned points in its listing and fills StringGrid1 from it; a row
    // of the grid is the listing's point at row - 1, never rebuilt from the grid's text.
    void FillRestorePoints(RestoreCatalogue catalogue);
    const RestoreListing& RestorePoints() const { return restorePoints_; }
    // The newest point listed (the first row); an empty point when none is.
    RestorePoint NewestRestorePoint() const { return restorePoints_.newest(); }
    // Start-up: points dated after now moved aside and marked, in the listing and the grid.
    void MoveFutureRestorePoints();
    void Label21Click();
    void StringGrid1Click(int row);
    // The selected row changed: its preview is made on the preview's own thread.
    void StringGrid1SelectionMoved();

  private:
    void buildFeaturePanel();
    // A disk's Windows is switched off: the point went into the disk at once, and is told now.
    void showDiskRestore(const OfflineRestore& done);
    void showFeatureHelp(ui::CommandLabel* label, const QStringList& lines);

    // A dragged row of the grid: the listing keeps the grid's order.
    void StringGrid1RowMoved(int from, int to);

    PageContext ctx_;
    RestoreListing restorePoints_;
    std::uint64_t previewTicket_ = 0;
    // Last: it stops its thread before anything it delivers to goes away.
    std::unique_ptr<PreviewWorker> previewWorker_;
};

} // namespace korvane
