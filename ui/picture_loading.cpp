// Picture loading into labels: QImageReader decides the format from the content, so a picture
// with any extension loads.
#include "ui/picture_loading.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>

namespace vyr {

bool LoadPictureInto(QLabel* label, const QString& path) {
    label->setAlignment(Qt::AlignCenter);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        label->setPixmap(QPixmap());
        return false;
    }
    label->setPixmap(QPixmap::fromImage(
        image.scaled(label->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    return true;
}

}  // namespace vyr
