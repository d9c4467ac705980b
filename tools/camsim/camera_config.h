// What the simulated camera does: where it listens, how it answers the model query, and which
// stream it sends. Shared by the Camera object, the command-line program and the tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "linkstate/link_ports.h"

namespace vyr::camsim {

enum class ModelBehaviour {
    Answer,            // read the 60-byte request, send the 60-byte reply, close
    AcceptThenSilent,  // accept and read, never answer; the connection stays open until Stop
    NotListening,      // nothing listens on the model port: the client's connect is refused
};

enum class StreamKind {
    H264,      // Annex B byte stream cut into 4096-byte units
    Mjpeg,     // one JPEG per frame in 4096-byte blocks with a 12-byte header each
    RawBytes,  // exactly CameraConfig::rawBytes, then close or stay silent
};

enum class StreamBehaviour {
    Stream,  // read the time message, then send units for as long as the connection stands
    AcceptThenSilent,  // read the time message, then send nothing
};

// One frame whose last byte has been handed to the socket.
struct FrameSend {
    uint64_t connection = 0;  // 1 for the first stream connection of this Camera, then 2, ...
    uint64_t frameIndex = 0;  // 0 for the first frame sent on that connection
    std::chrono::steady_clock::time_point lastByteSent;
};

struct CameraConfig {
    // Both listeners bind here; the button connects from here. Must lie in 127.0.0.0/8 in
    // loopback-only builds.
    std::string address = "127.0.0.2";
    uint16_t modelPort = LinkPorts{}.modelQuery;  // 0 picks a free port (see Camera::ModelPort)
    uint16_t streamPort = LinkPorts{}.stream;     // 0 picks a free port (see Camera::StreamPort)

    ModelBehaviour modelBehaviour = ModelBehaviour::Answer;
    std::string modelText = "H264_CAM";  // at most 55 bytes go into the reply's 56-byte field
    uint16_t replyCode = 10;

    StreamKind streamKind = StreamKind::H264;
    StreamBehaviour streamBehaviour = StreamBehaviour::Stream;
    int width = 1920;  // even sizes only
    int height = 1080;
    double fps = 25.0;         // 0 sends as fast as the connection takes the bytes
    int slicesPerPicture = 1;  // H.264: each slice is its own NAL unit
    bool fullRange = false;    // H.264: full-range samples, signalled in the VUI
    int gopFrames = 25;   // H.264: an IDR (with SPS and PPS before it) every gopFrames pictures
    int loopFrames = 50;  // pictures encoded once at Start and sent over and over
    std::string x264Preset = "veryfast";
    int mjpegQscale = 3;  // about 90 % quality

    std::vector<uint8_t> rawBytes;  // StreamKind::RawBytes
    bool closeAfterRaw = true;

    // An existing stream instead of the pattern: .h264/.264 (Annex B) or .mjpeg/.mjpg/.jpg/.jpeg.
    // The file is sent in a loop; its kind follows from the extension.
    std::string inputFile;

    // How long the camera waits for the model request and for the time message.
    std::chrono::milliseconds requestTimeout{3000};

    // Faults of a camera in the field, for the client's reconnection. The frame counts apply to
    // each stream connection anew; 0 turns a fault off.
    std::chrono::milliseconds startDelay{0};  // ports bound at Start, listening only this much
                                              // later: connections are refused meanwhile, as by a
                                              // camera still booting
    int closeAfterFrames = 0;                 // close the stream connection after this many frames
    int stallAfterFrames = 0;  // after this many frames send nothing more, connection left open
    // H.264: every restartAfterFrames frames, the last of them goes out cut to half its bytes and
    // the stream starts again at the loop's first frame (SPS, PPS, IDR), as when the camera's
    // encoder restarts or a looped recording is cut; equal to loopFrames it cuts the last frame of
    // every loop.
    int restartAfterFrames = 0;

    // Called from the camera's threads; must be thread-safe. Empty: silent.
    std::function<void(const std::string&)> log;
    // Called from the stream thread for every frame whose last byte was handed to the socket.
    std::function<void(const FrameSend&)> onFrameSent;
};

}  // namespace vyr::camsim
