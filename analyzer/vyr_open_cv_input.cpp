// CVyrOpenCV's input: the mouse in mouse mode (left button strokes, wheel zoom about the pointer,
// right-button pan), the touch surface's raw touch points (strokes while marking) and gestures
// (pan, zoom, press and tap), and Ctrl+Z.
//
// Strokes are drawn where the pointer or the finger is: the segment ends are the centres of the
// surface pixels under it, so a 3-pixel line covers that pixel and one on each side. Each finger
// draws its own stroke; two fingers down never join each other's points.
#include <QKeyEvent>
#include <QKeySequence>
#include <cmath>

#include "analyzer/vyr_open_cv.h"

namespace vyr {
namespace {

constexpr int kMouseContact = -1;
// One wheel notch (120 eighths of a degree) zooms by this factor.
constexpr double kWheelNotchZoom = 1.25;
constexpr double kWheelNotch = 120.0;

QPointF PixelCentre(QPointF at) {
    return {std::floor(at.x()) + 0.5, std::floor(at.y()) + 0.5};
}

}  // namespace

bool CVyrOpenCV::DrawSegment(int contact, QPointF a, QPointF b) {
    // Before the first draw a stroke would be wiped by it at once.
    if (!buffer_.exists() || !isFirstDrawDone_) {
        return false;
    }
    if (a == b) {
        return true;  // a pointer that stayed on its pixel adds nothing
    }
    const QColor colour = penColour();
    {
        DrawGuard guard(buffer_);
        if (!guard.held()) {
            return false;
        }
        // The smoothing of the fitted draw applies in mouse mode, none in touch mode.
        buffer_.DrawSegment(a, b, colour, !touchMode_);
        buffer_.Present();
    }
    strokes_.Segment(contact, colour, a, b);
    surface_->ShowPresented();
    return true;
}

void CVyrOpenCV::OnSurfaceMouse(const SurfaceMouse& mouse) {
    if (touchMode_) {
        return;
    }
    MouseInMouseMode(mouse);
}

void CVyrOpenCV::MouseInMouseMode(const SurfaceMouse& mouse) {
    const QPointF at = PixelCentre(mouse.at);
    switch (mouse.kind) {
        case SurfaceMouse::Kind::kPress:
            if (mouse.button == Qt::LeftButton) {
                mouseStroke_ = true;
                mouseLast_ = at;
            } else if (mouse.button == Qt::RightButton) {
                isPanning_ = true;
                panLast_ = mouse.at;
            }
            break;
        case SurfaceMouse::Kind::kMove:
            // A segment that could not be drawn leaves the stroke's end where it was, so the next
            // one closes the gap.
            if (mouseStroke_ && DrawSegment(kMouseContact, mouseLast_, at)) {
                mouseLast_ = at;
            }
            if (isPanning_) {
                {
                    const std::lock_guard<std::mutex> lock(viewLock_);
                    PanView(&view_, mouse.at.x() - panLast_.x(), mouse.at.y() - panLast_.y());
                }
                panLast_ = mouse.at;
                (void)DrawPicture();
            }
            break;
        case SurfaceMouse::Kind::kRelease:
            if (mouse.button == Qt::LeftButton) {
                mouseStroke_ = false;
                strokes_.End(kMouseContact);
            } else if (mouse.button == Qt::RightButton) {
                isPanning_ = false;
            }
            break;
        case SurfaceMouse::Kind::kWheel: {
            if (mouse.wheelDelta == 0) {
                break;
            }
            const double ratio = std::pow(kWheelNotchZoom, mouse.wheelDelta / kWheelNotch);
            {
                const std::lock_guard<std::mutex> lock(viewLock_);
                (void)ZoomView(&view_, ratio, mouse.at.x(), mouse.at.y(), limits_);
            }
            (void)DrawPicture();
            break;
        }
    }
}

void CVyrOpenCV::OnTouchPoint(const TouchPoint& point) {
    const QPointF at = PixelCentre(QPointF(point.x, point.y));
    switch (point.kind) {
        case 0:
            touchLast_[point.contact] = at;
            break;
        case 1:
            if (const auto last = touchLast_.find(point.contact);
                last != touchLast_.end() && DrawSegment(point.contact, last->second, at)) {
                last->second = at;
            }
            break;
        case 2:
            touchLast_.erase(point.contact);
            strokes_.End(point.contact);
            break;
        default:
            break;
    }
    touchStroke_ = !touchLast_.empty();
}

void CVyrOpenCV::OnGesture(const GestureInfo& gesture) {
    const bool isBegin = (gesture.flags & kGestureFlagBegin) != 0;
    if (gesture.id == kGestureZoom && !isBegin && lastGestureArgument_ != 0) {
        // Zoom about the point between the fingers (the previous message's location, in the
        // surface's pixels). A distance of 0 would make the zoom 0: such a message changes
        // nothing.
        const double ratio =
            static_cast<double>(gesture.argument) / static_cast<double>(lastGestureArgument_);
        bool isZoomed = false;
        {
            const std::lock_guard<std::mutex> lock(viewLock_);
            isZoomed = gesture.argument != 0 &&
                       ZoomView(&view_, ratio, lastGestureX_, lastGestureY_, limits_);
        }
        if (isZoomed) {
            (void)DrawPicture();
        }
    } else if (gesture.id == kGesturePan && !isBegin) {
        {
            const std::lock_guard<std::mutex> lock(viewLock_);
            PanView(&view_, gesture.x - lastGestureX_, gesture.y - lastGestureY_);
        }
        (void)DrawPicture();
    } else if (gesture.id == kGesturePressAndTap && isBegin) {
        surface_->Blank();
    }
    lastGestureX_ = gesture.x;
    lastGestureY_ = gesture.y;
    lastGestureArgument_ = gesture.argument;
}

void CVyrOpenCV::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        Undo();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Command(kIdOk);
        event->accept();
        return;
    }
    TemplateDialog::keyPressEvent(event);
}

void CVyrOpenCV::Undo() {
    if (!buffer_.exists() || !isFirstDrawDone_) {
        return;
    }
    {
        DrawGuard guard(buffer_);
        if (!guard.held() || !strokes_.PopLast()) {
            return;
        }
        // The picture as the last draw placed it (Image mark may have moved the view since
        // without drawing), then the strokes that are left.
        buffer_.ComposeView(picture_, drawnView_, ratio_);
        strokes_.Replay(buffer_, !touchMode_);
        buffer_.Present();
    }
    surface_->ShowPresented();
}

}  // namespace vyr
