// The frames the camera sends over and over: the test pattern encoded once at start (so that the
// unpaced mode is limited by the network and the client rather than by the encoder), or the
// pictures of a file. An H.264 loop starts with an IDR and its parameter sets, so every repeat and
// every new connection starts where a decoder can.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/camsim/camera_config.h"

namespace vyr::camsim {

struct FrameLoop {
    StreamKind kind = StreamKind::H264;  // H264 or Mjpeg
    // H.264: one picture each, every start code 00 00 00 01. Motion-JPEG: one JPEG each.
    std::vector<std::vector<uint8_t>> frames;
};

// Encodes config.loopFrames pictures of the pattern at config.width x config.height.
// False with *error when the encoder cannot be opened or fails.
bool BuildPatternLoop(const CameraConfig& config, FrameLoop* loop, std::string* error);

// Reads config.inputFile: .h264/.264 as an Annex B stream cut into pictures, .mjpeg/.mjpg as
// JPEGs back to back, .jpg/.jpeg as one JPEG. False with *error when the file cannot be read or
// holds no frame.
bool LoadFileLoop(const std::string& path, FrameLoop* loop, std::string* error);

// BuildPatternLoop or LoadFileLoop as the configuration says.
bool BuildFrameLoop(const CameraConfig& config, FrameLoop* loop, std::string* error);

}  // namespace vyr::camsim
