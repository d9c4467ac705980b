// The H.264 decoder of the frame path, on libavcodec: opened once per run with the stream's
// parameter sets as extradata, fed one NAL unit per packet, asked for one picture per packet.
#pragma once

#include <cstdint>

extern "C" {
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
}

namespace vyr {

// A failure to set up the decoder is fatal for the program: the handler shows the text and ends
// the process with exit code 1. Tests install a handler that records the text and returns; the
// decoder then stays closed and the frame path ends its thread.
using FatalErrorHandler = void (*)(const char* text);
void SetFatalErrorHandler(FatalErrorHandler handler);
// The handler in use (the default prints the text on stderr and exits with code 1).
FatalErrorHandler CurrentFatalErrorHandler();

class H264Decoder {
public:
    H264Decoder() = default;
    ~H264Decoder() { CloseH264Decoder(); }
    H264Decoder(const H264Decoder&) = delete;
    H264Decoder& operator=(const H264Decoder&) = delete;

    // Opens the decoder with the parameter sets (start codes included). Returns true, or false
    // after reporting the failure to the fatal error handler.
    bool OpenH264Decoder(const uint8_t* parameterSets, int length);
    void CloseH264Decoder();
    bool isOpen() const { return context_ != nullptr; }

    // Sends one packet. Returns false when the decoder refused it.
    bool SendPacket(const uint8_t* data, int length);
    // Asks for one picture; null when none is ready. Valid until the next call.
    const AVFrame* ReceivePicture();

private:
    AVCodecContext* context_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVPacket* packet_ = nullptr;
};

}  // namespace vyr
