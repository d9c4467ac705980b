// The analyzer's back buffer and the picture shown on screen. Every draw of the picture and every
// stroke segment is composed in the back buffer (a QImage, painted with QPainter) and then copied
// whole into the shown picture in one block, which the drawing surface paints; so the screen never
// shows a half-drawn picture, and paint requests never redraw anything.
//
// The draw guard is one atomic test-and-set: whoever holds it (the first-draw thread, or the
// user-interface thread for Reset, a gesture, a wheel step, a stroke segment, Save) is the only one
// touching the back buffer. A draw that finds it held returns without drawing, as it always has.
// The shown picture has a lock of its own, held only for the block copy and for a paint.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <atomic>
#include <mutex>

#include "analyzer/view_state.h"

class QPainter;

namespace vyr {

// The pen of the marks: 3 back-buffer pixels wide whatever the zoom.
inline constexpr double kPenWidth = 3.0;

class BackBuffer {
public:
    // A white back buffer and shown picture of this size (the picture rectangle).
    void Create(QSize size);
    // Frees both; exists() is false afterwards.
    void Release();
    bool exists() const { return !back_.isNull(); }
    QSize size() const { return back_.size(); }

    // The draw guard. TryLock returns false, taking nothing, while another holds it.
    bool TryLock() { return !busy_.test_and_set(std::memory_order_acquire); }
    void Unlock() { busy_.clear(std::memory_order_release); }

    // Only while holding the guard.
    const QImage& image() const { return back_; }
    // White, then the picture (a null picture leaves white) at the view, smoothly scaled.
    void ComposeView(const QImage& picture, const ViewState& view, PictureRatio ratio);
    // A line of the pen from a to b in back-buffer pixels, drawn with no transform.
    void DrawSegment(QPointF a, QPointF b, const QColor& colour, bool isAntialiased);
    // Copies the back buffer whole into the shown picture.
    void Present();

    // Any thread: paints the shown picture with its top-left corner at 'at'.
    void PaintShown(QPainter* painter, QPoint at) const;
    // A copy of the shown picture (tests).
    QImage Shown() const;

private:
    std::atomic_flag busy_;
    QImage back_;
    mutable std::mutex shownLock_;
    QImage shown_;
};

// Holds the draw guard for a scope when it could be taken.
class DrawGuard {
public:
    explicit DrawGuard(BackBuffer& buffer) : buffer_(buffer), held_(buffer.TryLock()) {}
    ~DrawGuard() {
        if (held_) {
            buffer_.Unlock();
        }
    }
    DrawGuard(const DrawGuard&) = delete;
    DrawGuard& operator=(const DrawGuard&) = delete;

    bool held() const { return held_; }

private:
    BackBuffer& buffer_;
    bool held_;
};

}  // namespace vyr
