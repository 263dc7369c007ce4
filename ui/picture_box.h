#pragma once
// A picture box that shows a .jpg or .bmp file stretched to fit it, keeping the picture's
// shape, centred. The picture is decoded at the size shown, not at its own.
#include <QLabel>

namespace korvane::ui {

class PictureBox : public QLabel {
    Q_OBJECT

  public:
    explicit PictureBox(QWidget* parent = nullptr);

    // False, with the earlier picture kept, when the file cannot be shown.
    bool loadFile(const QString& hostFile);
    void clearPicture();
};

} // namespace korvane::ui
