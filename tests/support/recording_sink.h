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
        last_.assign(bgr, bgr + static_cast<size_t>(width) * height * 3);
        if (frames_ == 0) {
            first_ = last_;
            firstWidth_ = width;
        }
        width_ = width;
        height_ = height;
        ++frames_;
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
        return width_;
    }
    int height() const {
        std::lock_guard lock(mutex_);
        return height_;
    }
    // Blue, green, red of the pixel at (x, y) of the last frame, or of the first one.
    std::array<int, 3> Pixel(int x, int y, bool ofFirstFrame = false) const {
        std::lock_guard lock(mutex_);
        const std::vector<uint8_t>& frame = ofFirstFrame ? first_ : last_;
        const size_t at = (static_cast<size_t>(y) * (ofFirstFrame ? firstWidth_ : width_) + x) * 3;
        return {frame.at(at), frame.at(at + 1), frame.at(at + 2)};
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint8_t> last_;
    std::vector<uint8_t> first_;
    int width_ = 0;
    int height_ = 0;
    int frames_ = 0;
    int firstWidth_ = 0;
};

}  // namespace vyr::test
