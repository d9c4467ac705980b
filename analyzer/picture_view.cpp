// Painting the shown picture and turning Qt's mouse and touch events into the surface's messages.
#include "analyzer/picture_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTouchEvent>
#include <QWheelEvent>
#include <cmath>

#include "analyzer/back_buffer.h"

namespace vyr {
namespace {

TouchContact::State ContactState(QEventPoint::State state) {
    switch (state) {
        case QEventPoint::State::Pressed:
            return TouchContact::State::kPressed;
        case QEventPoint::State::Updated:
            return TouchContact::State::kMoved;
        case QEventPoint::State::Released:
            return TouchContact::State::kReleased;
        default:
            return TouchContact::State::kStationary;
    }
}

}  // namespace

PictureView::PictureView(const BackBuffer& buffer, SurfaceTarget& target, QWidget* parent)
    : QFrame(parent), buffer_(buffer), target_(target) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

void PictureView::ShowPresented() {
    isBlank_ = false;
    update();
}

void PictureView::Blank() {
    isBlank_ = true;
    update();
}

void PictureView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    drawFrame(&painter);
    if (isBlank_) {
        painter.fillRect(contentsRect(), palette().window());
        return;
    }
    buffer_.PaintShown(&painter, origin());
}

bool PictureView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            Touch(event);
            event->accept();
            return true;
        default:
            return QFrame::event(event);
    }
}

void PictureView::Touch(QEvent* event) {
    auto* touch = static_cast<QTouchEvent*>(event);
    const QPointF origin = this->origin();
    if (event->type() == QEvent::TouchCancel) {
        gestures_.Reset();
    }
    std::vector<TouchContact> contacts;
    for (const QEventPoint& point : touch->points()) {
        TouchContact::State state = ContactState(point.state());
        // A cancelled sequence lifts every finger.
        if (event->type() == QEvent::TouchCancel) {
            state = TouchContact::State::kReleased;
        }
        contacts.push_back({point.id(), point.position() - origin, state});
    }
    if (!isRawTouch_) {
        for (const GestureInfo& gesture : gestures_.Feed(contacts)) {
            target_.OnGesture(gesture);
        }
        return;
    }
    gestures_.Reset();
    for (const TouchContact& contact : contacts) {
        int32_t kind = -1;
        switch (contact.state) {
            case TouchContact::State::kPressed:
                kind = 0;
                break;
            case TouchContact::State::kMoved:
                kind = 1;
                break;
            case TouchContact::State::kReleased:
                kind = 2;
                break;
            case TouchContact::State::kStationary:
                break;
        }
        if (kind >= 0) {
            target_.OnTouchPoint({kind, contact.id,
                                  static_cast<int32_t>(std::floor(contact.position.x())),
                                  static_cast<int32_t>(std::floor(contact.position.y()))});
        }
    }
}

void PictureView::Mouse(SurfaceMouse::Kind kind, QMouseEvent* event) {
    SurfaceMouse mouse;
    mouse.kind = kind;
    mouse.button = event->button();
    mouse.buttons = event->buttons();
    mouse.modifiers = event->modifiers();
    mouse.at = event->position() - QPointF(origin());
    target_.OnSurfaceMouse(mouse);
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    Mouse(SurfaceMouse::Kind::kPress, event);
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    Mouse(SurfaceMouse::Kind::kMove, event);
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    Mouse(SurfaceMouse::Kind::kRelease, event);
}

void PictureView::wheelEvent(QWheelEvent* event) {
    SurfaceMouse mouse;
    mouse.kind = SurfaceMouse::Kind::kWheel;
    mouse.buttons = event->buttons();
    mouse.modifiers = event->modifiers();
    mouse.at = event->position() - QPointF(origin());
    mouse.wheelDelta = event->angleDelta().y();
    target_.OnSurfaceMouse(mouse);
    event->accept();
}

}  // namespace vyr
