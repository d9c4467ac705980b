// Composing into the back buffer with QPainter, and the block copy to the shown picture. Marks use
// round caps and joins, so that the segments of a freehand stroke join without notches.
#include "analyzer/back_buffer.h"

#include <QPainter>
#include <cstring>

namespace vyr {

void BackBuffer::Create(QSize size) {
    back_ = QImage(size, QImage::Format_RGB32);
    back_.fill(Qt::white);
    const std::lock_guard<std::mutex> lock(shownLock_);
    shown_ = back_.copy();
}

void BackBuffer::Release() {
    back_ = QImage();
    const std::lock_guard<std::mutex> lock(shownLock_);
    shown_ = QImage();
}

void BackBuffer::ComposeView(const QImage& picture, const ViewState& view, PictureRatio ratio) {
    QPainter painter(&back_);
    painter.fillRect(back_.rect(), Qt::white);
    if (picture.isNull()) {
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(view.scale, view.scale);
    painter.drawImage(
        QRectF(view.offsetX, view.offsetY, picture.width() * ratio.x, picture.height() * ratio.y),
        picture);
}

void BackBuffer::DrawSegment(QPointF a, QPointF b, const QColor& colour, bool isAntialiased) {
    QPainter painter(&back_);
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, isAntialiased);
    painter.setPen(QPen(colour, kPenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(a, b);
}

void BackBuffer::Present() {
    const std::lock_guard<std::mutex> lock(shownLock_);
    if (shown_.size() != back_.size()) {
        shown_ = back_.copy();
        return;
    }
    std::memcpy(shown_.bits(), back_.constBits(), static_cast<size_t>(back_.sizeInBytes()));
}

void BackBuffer::PaintShown(QPainter* painter, QPoint at) const {
    const std::lock_guard<std::mutex> lock(shownLock_);
    if (!shown_.isNull()) {
        painter->drawImage(at, shown_);
    }
}

QImage BackBuffer::Shown() const {
    const std::lock_guard<std::mutex> lock(shownLock_);
    return shown_.copy();
}

}  // namespace vyr
