// libavcodec H.264 decoding. AV_CODEC_FLAG2_CHUNKS lets the decoder take a picture that arrives as
// several slice packets (one per NAL unit) and finish it when the next picture starts; without it
// libavcodec treats every packet as a whole picture and drops all slices but the first.
#include "video/h264_decoder.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

namespace vyr {
namespace {

void ExitOnFatalError(const char* text) {
    std::fprintf(stderr, "%s", text);
    std::exit(1);
}

std::atomic<FatalErrorHandler> fatalErrorHandler{&ExitOnFatalError};

}  // namespace

void SetFatalErrorHandler(FatalErrorHandler handler) {
    fatalErrorHandler.store(handler != nullptr ? handler : &ExitOnFatalError);
}

FatalErrorHandler CurrentFatalErrorHandler() {
    return fatalErrorHandler.load();
}

bool H264Decoder::OpenH264Decoder(const uint8_t* parameterSets, int length) {
    CloseH264Decoder();
    // Lost stream blocks are concealed by the decoder; its per-slice reports would flood the
    // console at the camera's frame rate, so only fatal ones are printed.
    av_log_set_level(AV_LOG_FATAL);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec == nullptr) {
        fatalErrorHandler.load()("Can't find H264 decoder");
        return false;
    }
    context_ = avcodec_alloc_context3(codec);
    if (context_ == nullptr) {
        fatalErrorHandler.load()("Could not allocate video codec context\n");
        return false;
    }
    context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    context_->flags2 |= AV_CODEC_FLAG2_CHUNKS;
    context_->codec_id = AV_CODEC_ID_H264;
    context_->codec_type = AVMEDIA_TYPE_VIDEO;
    context_->pix_fmt = AV_PIX_FMT_YUV420P;
    // One decode thread, as the frame path is: pictures come out as soon as they are decoded.
    context_->thread_count = 1;
    context_->max_pixels = kMaxDecodedPixels;
    context_->extradata = static_cast<uint8_t*>(
        av_mallocz(static_cast<size_t>(length) + AV_INPUT_BUFFER_PADDING_SIZE));
    if (context_->extradata == nullptr) {
        CloseH264Decoder();
        fatalErrorHandler.load()("could not av_malloc the video params extradata!\n");
        return false;
    }
    std::memcpy(context_->extradata, parameterSets, static_cast<size_t>(length));
    context_->extradata_size = length;
    if (avcodec_open2(context_, codec, nullptr) < 0) {
        CloseH264Decoder();
        fatalErrorHandler.load()("Unable to open codec.\n");
        return false;
    }
    picture_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (picture_ == nullptr || packet_ == nullptr) {
        CloseH264Decoder();
        fatalErrorHandler.load()("av_frame_alloc error.\n");
        return false;
    }
    return true;
}

void H264Decoder::CloseH264Decoder() {
    av_frame_free(&picture_);
    av_packet_free(&packet_);
    avcodec_free_context(&context_);
}

namespace {
std::atomic<H264Decoder::PacketRefusalHook> packetRefusalHook{nullptr};
}  // namespace

void H264Decoder::SetPacketRefusalHookForTest(PacketRefusalHook hook) {
    packetRefusalHook.store(hook);
}

int H264Decoder::SendPacket(const uint8_t* data, int length) {
    if (const PacketRefusalHook hook = packetRefusalHook.load()) {
        if (const int refusal = hook(data, length); refusal < 0) {
            return refusal;
        }
    }
    // The packet borrows the unit buffer; libavcodec copies what it keeps.
    packet_->data = const_cast<uint8_t*>(data);
    packet_->size = length;
    const int result = avcodec_send_packet(context_, packet_);
    packet_->data = nullptr;
    packet_->size = 0;
    static_assert(kDecoderHasNoRoom == AVERROR(EAGAIN));
    return result >= 0 ? 0 : result;
}

void H264Decoder::EndPicture() {
    // A packet sent without AV_CODEC_FLAG2_CHUNKS is a whole picture to libavcodec, so its start
    // closes whatever picture is in progress. An access unit delimiter carries no picture: the
    // decoder refuses the packet ("no frame") and changes nothing else.
    static const uint8_t kDelimiter[6 + AV_INPUT_BUFFER_PADDING_SIZE] = {0, 0, 0, 1, 0x09, 0xF0};
    context_->flags2 &= ~AV_CODEC_FLAG2_CHUNKS;
    (void)SendPacket(kDelimiter, 6);
    context_->flags2 |= AV_CODEC_FLAG2_CHUNKS;
}

const AVFrame* H264Decoder::ReceivePicture() {
    return avcodec_receive_frame(context_, picture_) == 0 ? picture_ : nullptr;
}

}  // namespace vyr
