#include "picture_box.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace korvane::ui {

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::NoFrame);
}

bool PictureBox::loadFile(const QString& hostFile) {
    const QFileInfo info(hostFile);
    if (!info.isFile())
        return false;
    const QString ext = info.suffix().toLower();
    QByteArray format;
    if (ext == QLatin1String("jpg"))
        format = "jpeg";
    else if (ext == QLatin1String("bmp"))
        format = "bmp";
    else
        return false;
    QImageReader reader(hostFile, format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || width() <= 0 || height() <= 0)
        return false;
    reader.setScaledSize(size.scaled(contentsRect().size(), Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    setPixmap(QPixmap::fromImage(image));
    return true;
}

void PictureBox::clearPicture() {
    clear();
}

} // namespace korvane::ui
