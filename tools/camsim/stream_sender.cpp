// Unit cutting and pacing of the camera's stream; see stream_sender.h.
#include "tools/camsim/stream_sender.h"

#include <algorithm>
#include <deque>
#include <span>
#include <vector>

#include "tools/camsim/protocol_messages.h"

namespace vyr::camsim {

namespace {

using Clock = std::chrono::steady_clock;

// Keeps frame times on a fixed grid; a sender that falls more than one period behind (a slow
// client) starts a new grid instead of sending a burst to catch up.
class Pacer {
public:
    explicit Pacer(double fps)
        : period_(fps > 0 ? std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double>(1.0 / fps))
                          : Clock::duration::zero()),
          next_(Clock::now()) {}

    bool paced() const { return period_ > Clock::duration::zero(); }

    Clock::time_point NextDeadline() {
        const Clock::time_point deadline = next_;
        next_ += period_;
        const Clock::time_point now = Clock::now();
        if (now > next_ + period_) {
            next_ = now + period_;
        }
        return deadline;
    }

private:
    Clock::duration period_;
    Clock::time_point next_;
};

struct PendingFrame {
    uint64_t index = 0;
    uint64_t endOffset = 0;  // stream offset just past the frame's last byte
};

}  // namespace

IoStatus SendFrameLoop(int fd, const FrameLoop& loop, double fps, const Watch& watch,
                       const SendHooks& hooks, const StreamFaults& faults) {
    if (loop.frames.empty()) {
        return IdleUntil(fd, Clock::time_point::max(), watch);
    }
    Pacer pacer(fps);
    std::vector<uint8_t> staging;  // H.264 bytes not yet sent; below one unit between frames
    std::deque<PendingFrame> pending;
    uint64_t appended = 0;
    uint64_t sent = 0;
    const bool restarts = faults.restartAfterFrames > 0 && loop.kind == StreamKind::H264;
    size_t position = 0;        // the loop's frame to send next
    uint64_t sinceRestart = 0;  // frames sent since the stream (re)started at the loop's start
    for (uint64_t index = 0;; ++index) {
        if (faults.closeAfterFrames > 0 &&
            index == static_cast<uint64_t>(faults.closeAfterFrames)) {
            return IoStatus::Closed;
        }
        if (faults.stallAfterFrames > 0 &&
            index == static_cast<uint64_t>(faults.stallAfterFrames)) {
            return IdleUntil(fd, Clock::time_point::max(), watch);
        }
        const IoStatus wait =
            pacer.paced() ? IdleUntil(fd, pacer.NextDeadline(), watch) : CheckWatch(watch);
        if (wait != IoStatus::Ok) {
            return wait;
        }
        const std::vector<uint8_t>& whole = loop.frames[position];
        std::span<const uint8_t> frame(whole);
        position = (position + 1) % loop.frames.size();
        if (restarts && ++sinceRestart == static_cast<uint64_t>(faults.restartAfterFrames)) {
            frame = frame.first(frame.size() / 2);
            position = 0;
            sinceRestart = 0;
        }
        size_t toSend = 0;
        if (loop.kind == StreamKind::Mjpeg) {
            staging.clear();
            if (!AppendMjpegBlocks(whole, &staging)) {
                continue;
            }
            toSend = staging.size();
        } else {
            staging.insert(staging.end(), frame.begin(), frame.end());
            toSend = staging.size() / kStreamUnitBytes * kStreamUnitBytes;
        }
        appended += loop.kind == StreamKind::Mjpeg ? staging.size() : frame.size();
        pending.push_back({index, appended});
        const IoStatus status = SendAll(fd, staging.data(), toSend, watch);
        if (status != IoStatus::Ok) {
            return status;
        }
        staging.erase(staging.begin(), staging.begin() + static_cast<ptrdiff_t>(toSend));
        sent += toSend;
        if (toSend > 0 && hooks.bytesSent) {
            hooks.bytesSent(toSend);
        }
        const Clock::time_point now = Clock::now();
        while (!pending.empty() && pending.front().endOffset <= sent) {
            if (hooks.frameSent) {
                hooks.frameSent(pending.front().index, now);
            }
            pending.pop_front();
        }
    }
}

}  // namespace vyr::camsim
