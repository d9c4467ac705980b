// The thumbnail rule: target w = min(284, W), h = min(160, H), placed at ((284 - w) / 2,
// (160 - h) / 2); the whole source is stretched into that rectangle with smoothing (the half-tone
// reduction of the original).
#include "ui/thumbnail.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

#include "ui/bmp_thumbnail.h"
#include "ui/main_dlg_ids.h"

namespace vyr {

QImage MakeThumbnail(const QImage& source) {
    if (source.isNull()) {
        return PlaceholderThumbnail();
    }
    QImage thumbnail(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB888);
    thumbnail.fill(Qt::black);
    const int w = std::min(kThumbnailWidth, source.width());
    const int h = std::min(kThumbnailHeight, source.height());
    const QRect target((kThumbnailWidth - w) / 2, (kThumbnailHeight - h) / 2, w, h);
    QPainter painter(&thumbnail);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, source);
    return thumbnail;
}

QImage PlaceholderThumbnail() {
    QImage thumbnail(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB888);
    thumbnail.fill(QColor(128, 128, 128));
    QPainter painter(&thumbnail);
    painter.setPen(QPen(QColor(64, 64, 64), 4));
    painter.drawLine(0, 0, kThumbnailWidth - 1, kThumbnailHeight - 1);
    painter.drawLine(kThumbnailWidth - 1, 0, 0, kThumbnailHeight - 1);
    return thumbnail;
}

QImage LoadThumbnail(const QString& path) {
    QImage thumbnail(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB888);
    if (LoadBmpThumbnail(QFile::encodeName(path).constData(), thumbnail.bits(),
                         static_cast<size_t>(thumbnail.bytesPerLine())) == 0) {
        return thumbnail;
    }
    return LoadThumbnailWithReader(path);
}

QImage LoadThumbnailWithReader(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return MakeThumbnail(reader.read());
}

}  // namespace vyr
