// The live-video area: the camera link's frame sink. DrawRgbFrame (decode thread) copies the frame
// into a latest-frame mailbox and queues at most one repaint; the widget paints the newest frame
// on the user-interface thread, stretched over its whole area without keeping the aspect ratio and
// without smoothing. Before the first frame the area is black; between frames it keeps showing
// the last one.
#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>

#include "ui/frame_mailbox.h"
#include "video/frame_sink.h"

namespace vyr {

class LiveArea : public QWidget, public FrameSink {
public:
    explicit LiveArea(QWidget* parent = nullptr);
    // Prints how many frames were overwritten before they could be painted.
    ~LiveArea() override;

    // Decode thread; never waits for the user-interface thread.
    void DrawRgbFrame(const uint8_t* bgr, int width, int height) override;

    uint64_t framesReceived() const { return mailbox_.published(); }
    uint64_t framesOverwritten() const { return mailbox_.overwritten(); }
    // New frames painted (a repaint of the same frame, e.g. after an expose, is not counted).
    uint64_t framesPainted() const { return mailbox_.taken(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FrameMailbox mailbox_;
    std::atomic<bool> repaintQueued_{false};
};

}  // namespace vyr
