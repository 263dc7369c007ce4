#pragma once
// The "艺术" page: the wallpaper list with its panel, the start-up sound, and the ways to the
// download sites of pictures and sounds.
#include "page_kit.h"

#include "desktop/machine_folders.h"

#include <string>
#include <vector>

class QComboBox;
class QFrame;
class QListWidget;

namespace korvane {

namespace ui {
class Memo;
class PictureBox;
class TextGrid;
} // namespace ui
struct GridRect;

class ArtPage {
  public:
    ArtPage(const PageContext& ctx, QWidget* sheet);

    // Both lead to a page of the "求助" directory; the window knows the way.
    ui::CommandLabel* Label234;
    ui::CommandLabel* Label244;

    ui::CommandLabel* Label57;
    ui::CommandLabel* Label58;
    ui::Memo* Memo10;

    // The wallpaper panel, over the whole page while it is open.
    QFrame* Panel13;
    ui::PictureBox* Image7;
    ui::CommandLabel* Label59;
    ui::CommandLabel* Label101;
    ui::CommandLabel* Label102;
    QComboBox* DriveComboBox1;
    QListWidget* DirectoryListBox1;
    ui::CommandLabel* Label95;
    ui::CommandLabel* Label60;
    // The wallpaper grid.
    ui::TextGrid* StringGrid5;

    void Label57Click();
    void Label59Click();
    void Label101Click();
    void Label95Click();
    void StringGrid5MouseMove(int col, int row);
    void StringGrid5Click(const GridRect& selection);
    void Label60Click();
    void DriveComboBox1Change(int index);
    void DirectoryListBox1DblClick(int index);

    void Label58Click();
    void Memo10Click();

  private:
    void buildPanel(QWidget* sheet);
    void bindPanel();
    void showFolder(std::string folder);
    // Writes the list file from the grid, with the lines the grid could not show.
    void saveList();
    // A machine folder for a dialog to open in: the first that exists, else the Windows folder.
    QString dialogFolder(const std::vector<std::string>& candidates) const;

    PageContext ctx_;
    std::string openFolder_;
    std::vector<FolderRow> folderRows_;
    std::string previewed_;
    // Lines of the list file the grid could not show; they go back into every save.
    std::vector<std::string> keptListLines_;
    // The list file could not be read at all: it is copied aside before the grid replaces it.
    bool listRefused_ = false;
};

} // namespace korvane
