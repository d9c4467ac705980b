// The camera's encoders on libavcodec: H.264 through libx264 (no B-frames, zero latency, SPS and
// PPS in-band before every IDR, a fixed key-frame interval, optionally several slices per picture
// and full-range colour) and Motion-JPEG through FFmpeg's own encoder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/camsim/test_pattern.h"

namespace vyr::camsim {

enum class Codec { H264, Mjpeg };

struct EncoderSettings {
    Codec codec = Codec::H264;
    int width = 1920;
    int height = 1080;
    int fpsForRateControl = 25;  // the encoder's time base; pacing is the sender's business
    int slices = 1;
    bool fullRange = false;
    int gopFrames = 25;
    std::string x264Preset = "veryfast";
    int mjpegQscale = 3;
};

class VideoEncoder {
public:
    // Opens the encoder; null with *error set when the encoder is missing or refuses the settings.
    static std::unique_ptr<VideoEncoder> Open(const EncoderSettings& settings, std::string* error);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Lets draw fill the next picture, encodes it and appends every packet that comes out (as
    // encoded, start codes untouched) to packets. False with *error on an encoder failure.
    bool Encode(const std::function<void(const Yuv420Planes&)>& draw,
                std::vector<std::vector<uint8_t>>* packets, std::string* error);

    // Drains the pictures the encoder still holds.
    bool Flush(std::vector<std::vector<uint8_t>>* packets, std::string* error);

private:
    struct State;
    explicit VideoEncoder(std::unique_ptr<State> state);
    bool Drain(std::vector<std::vector<uint8_t>>* packets, std::string* error);
    std::unique_ptr<State> state_;
};

}  // namespace vyr::camsim
