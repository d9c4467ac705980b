// Painting of the live area. The repaint request crosses threads as one queued call; the flag is
// cleared before update() so that a frame published while painting queues the next repaint.
#include "ui/live_area.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <cinttypes>
#include <cstdio>

namespace vyr {

LiveArea::LiveArea(QWidget* parent) : QWidget(parent), mailbox_(1920, 1080) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
}

LiveArea::~LiveArea() {
    if (mailbox_.published() > 0) {
        std::printf("live area: %" PRIu64 " frames received, %" PRIu64
                    " overwritten before painting\n",
                    mailbox_.published(), mailbox_.overwritten());
    }
}

void LiveArea::DrawRgbFrame(const uint8_t* bgr, int width, int height) {
    if (!mailbox_.Publish(bgr, width, height)) {
        return;
    }
    if (!repaintQueued_.exchange(true, std::memory_order_acq_rel)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                repaintQueued_.store(false, std::memory_order_release);
                update();
            },
            Qt::QueuedConnection);
    }
}

void LiveArea::paintEvent(QPaintEvent* /*event*/) {
    const MailboxFrame* frame = mailbox_.TakeLatest();
    QPainter painter(this);
    if (frame == nullptr) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    const QImage image(frame->bgr.data(), frame->width, frame->height, frame->width * 3,
                       QImage::Format_BGR888);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), image);
}

}  // namespace vyr
