// A frame sink that only counts: camprobe needs to know that pictures arrive and their size, not
// to show them.
#pragma once

#include <atomic>

#include "video/frame_sink.h"

namespace vyr {

class ProbeSink : public FrameSink {
public:
    void DrawRgbFrame(const uint8_t*, int width, int height) override {
        width_.store(width);
        height_.store(height);
        frames_.fetch_add(1);
    }
    int width() const { return width_.load(); }
    int height() const { return height_.load(); }
    uint64_t frames() const { return frames_.load(); }

private:
    std::atomic<int> width_{0};
    std::atomic<int> height_{0};
    std::atomic<uint64_t> frames_{0};
};

}  // namespace vyr
