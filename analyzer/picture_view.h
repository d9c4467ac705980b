// The analyzer's drawing surface: the picture frame's inside in mouse mode, the touch surface
// CChildView in touch mode. It paints only the shown picture of the back buffer (or, after a press
// and tap, the window colour until the next draw), and passes the pointer and the fingers on to its
// notification target in the surface's own pixels, which are the back buffer's.
//
// Touch: while registered for raw touch input (marking) every contact is sent as a TouchPoint
// (0 down, 1 move, 2 up); otherwise the contacts go through the gesture recogniser and the
// gestures are sent. Both are synchronous calls on the user-interface thread.
#pragma once

#include <QFrame>
#include <cstdint>

#include "analyzer/touch_gestures.h"

namespace vyr {

class BackBuffer;

// One contact of raw touch input: kind 0 down, 1 move, 2 up; the contact's id; surface pixels.
struct TouchPoint {
    int32_t kind = 0;
    int32_t contact = 0;
    int32_t x = 0;
    int32_t y = 0;
};

// The mouse on the surface, in surface pixels.
struct SurfaceMouse {
    enum class Kind { kPress, kMove, kRelease, kWheel };
    Kind kind = Kind::kMove;
    Qt::MouseButton button = Qt::NoButton;  // the button pressed or released
    Qt::MouseButtons buttons;               // the buttons held
    Qt::KeyboardModifiers modifiers;
    QPointF at;
    int wheelDelta = 0;  // eighths of a degree, 120 per notch
};

class SurfaceTarget {
public:
    virtual ~SurfaceTarget() = default;
    virtual void OnTouchPoint(const TouchPoint& point) = 0;
    virtual void OnGesture(const GestureInfo& gesture) = 0;
    virtual void OnSurfaceMouse(const SurfaceMouse& mouse) = 0;
};

class PictureView : public QFrame {
public:
    PictureView(const BackBuffer& buffer, SurfaceTarget& target, QWidget* parent);

    // Raw touch input on (marking) or off (gestures).
    void SetRawTouch(bool isRaw) { isRawTouch_ = isRaw; }
    bool isRawTouch() const { return isRawTouch_; }

    // A new picture was presented: show it (this ends a blank).
    void ShowPresented();
    // Paint the surface in the window colour until the next presented picture.
    void Blank();
    bool isBlank() const { return isBlank_; }

    // The surface's pixel (0, 0), inside its frame.
    QPoint origin() const { return contentsRect().topLeft(); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Touch(QEvent* event);
    void Mouse(SurfaceMouse::Kind kind, QMouseEvent* event);

    const BackBuffer& buffer_;
    SurfaceTarget& target_;
    TouchGestures gestures_;
    bool isRawTouch_ = false;
    bool isBlank_ = false;
};

}  // namespace vyr
