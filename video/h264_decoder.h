// The H.264 decoder of the frame path, on libavcodec: opened once per run with the stream's
// parameter sets as extradata, fed one NAL unit per packet, asked for one picture per packet.
#pragma once

#include <cerrno>
#include <cstdint>

extern "C" {
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
}

namespace vyr {

// AVERROR(EAGAIN) of avcodec_send_packet.
inline constexpr int kDecoderHasNoRoom = -EAGAIN;

// The largest picture the decoder accepts, in pixels (3840 x 2160). The camera sends at most
// 1920 x 1080; a hostile parameter set must not make the decoder allocate gigabytes.
inline constexpr int64_t kMaxDecodedPixels = int64_t{3840} * 2160;

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

    // Sends one packet. Returns 0 when the decoder took it, kDecoderHasNoRoom when it cannot take
    // it before a picture has been taken out (the packet may be sent again then), or another
    // negative libavcodec error when it refused the packet for what it holds (sending it again
    // would only be refused again).
    [[nodiscard]] int SendPacket(const uint8_t* data, int length);
    // Test seam: libavcodec 5.1 refuses hardly any unit for what it holds, so tests stand in for
    // it. While set, a packet for which the hook returns a negative value is refused with that
    // value without reaching the decoder.
    using PacketRefusalHook = int (*)(const uint8_t* data, int length);
    static void SetPacketRefusalHookForTest(PacketRefusalHook hook);
    // Tells the decoder that the picture in progress has ended, whole or not. Units go to the
    // decoder one per packet (AV_CODEC_FLAG2_CHUNKS), and then libavcodec ends a picture only at
    // its last macroblock: a picture cut short would keep every later slice out for good.
    void EndPicture();
    // Asks for one picture; null when none is ready. Valid until the next call.
    const AVFrame* ReceivePicture();

private:
    AVCodecContext* context_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVPacket* packet_ = nullptr;
};

}  // namespace vyr
