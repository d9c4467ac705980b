// A frame sink for tests: keeps a copy of the last frame and counts frames and sizes; waits with a
// deadline for a number of frames.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "video/frame_sink.h"

namespace vyr::test {

class RecordingSink : public FrameSink {
public:
    void DrawRgbFrame(const uint8_t* bgr, int width, int height) override {
        std::lock_guard lock(mutex_);
        last_ = {{bgr, bgr + static_cast<size_t>(width) * height * 3}, width, height};
        if (frames_++ == 0) {
            first_ = last_;
        }
        changed_.notify_all();
    }

    bool WaitForFrames(int count, std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, deadline, [&] { return frames_ >= count; });
    }

    int frames() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    int width() const {
        std::lock_guard lock(mutex_);
        return last_.width;
    }
    int height() const {
        std::lock_guard lock(mutex_);
        return last_.height;
    }
    // Blue, green, red of the pixel at (x, y) of the last frame, or of the first one.
    std::array<int, 3> Pixel(int x, int y, bool ofFirstFrame = false) const {
        std::lock_guard lock(mutex_);
        const Frame& frame = ofFirstFrame ? first_ : last_;
        const size_t at = (static_cast<size_t>(y) * frame.width + x) * 3;
        return {frame.bgr.at(at), frame.bgr.at(at + 1), frame.bgr.at(at + 2)};
    }

private:
    struct Frame {
        std::vector<uint8_t> bgr;
        int width = 0;
        int height = 0;
    };
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Frame first_;
    Frame last_;
    int frames_ = 0;
};

}  // namespace vyr::test
