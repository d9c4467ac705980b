// libavcodec encoders of the simulated camera; see video_encoder.h.
#include "tools/camsim/video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <string>

namespace vyr::camsim {

namespace {

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool SetOption(AVCodecContext* context, const char* name, const std::string& value,
               std::string* error) {
    const int result = av_opt_set(context->priv_data, name, value.c_str(), 0);
    if (result < 0) {
        *error = std::string("encoder option ") + name + "=" + value + ": " + AvError(result);
        return false;
    }
    return true;
}

bool ConfigureH264(AVCodecContext* c, const EncoderSettings& s, std::string* error) {
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->color_range = s.fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->gop_size = s.gopFrames;
    c->keyint_min = s.gopFrames;
    c->max_b_frames = 0;
    // One thread: with zero latency x264 threads by slices, which would cut every picture into
    // one slice per thread whatever was asked. The loop builder runs encoders side by side instead.
    c->thread_count = 1;
    c->slices = s.slices;
    // No global header: libx264 then repeats SPS and PPS in-band before every key frame.
    const std::string params =
        "scenecut=0:open-gop=0:repeat-headers=1:slices=" + std::to_string(s.slices) +
        ":fullrange=" + (s.fullRange ? "on" : "off");
    return SetOption(c, "preset", s.x264Preset, error) &&
           SetOption(c, "tune", "zerolatency", error) && SetOption(c, "crf", "18", error) &&
           SetOption(c, "x264-params", params, error);
}

void ConfigureMjpeg(AVCodecContext* c, const EncoderSettings& s) {
    c->pix_fmt = AV_PIX_FMT_YUVJ420P;
    c->color_range = AVCOL_RANGE_JPEG;
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * s.mjpegQscale;
}

}  // namespace

struct VideoEncoder::State {
    AVCodecContext* context = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int64_t nextPts = 0;
    int qscale = 0;

    ~State() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&context);
    }
};

VideoEncoder::VideoEncoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
VideoEncoder::~VideoEncoder() = default;

std::unique_ptr<VideoEncoder> VideoEncoder::Open(const EncoderSettings& s, std::string* error) {
    if (s.width < 64 || s.height < 64 || s.width % 2 != 0 || s.height % 2 != 0 || s.width > 8192 ||
        s.height > 8192) {
        *error = "picture size must be even and between 64 and 8192";
        return nullptr;
    }
    const char* name = s.codec == Codec::H264 ? "libx264" : "mjpeg";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) {
        *error = std::string("libavcodec has no encoder ") + name;
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->context = avcodec_alloc_context3(codec);
    state->frame = av_frame_alloc();
    state->packet = av_packet_alloc();
    if (state->context == nullptr || state->frame == nullptr || state->packet == nullptr) {
        *error = "out of memory";
        return nullptr;
    }
    AVCodecContext* c = state->context;
    c->width = s.width;
    c->height = s.height;
    c->time_base = AVRational{1, s.fpsForRateControl > 0 ? s.fpsForRateControl : 25};
    c->framerate = AVRational{c->time_base.den, 1};
    if (s.codec == Codec::H264) {
        if (!ConfigureH264(c, s, error)) {
            return nullptr;
        }
    } else {
        ConfigureMjpeg(c, s);
        state->qscale = s.mjpegQscale;
    }
    int result = avcodec_open2(c, codec, nullptr);
    if (result < 0) {
        *error = std::string("cannot open ") + name + ": " + AvError(result);
        return nullptr;
    }
    AVFrame* f = state->frame;
    f->format = c->pix_fmt;
    f->width = s.width;
    f->height = s.height;
    f->color_range = c->color_range;
    result = av_frame_get_buffer(f, 0);
    if (result < 0) {
        *error = "cannot allocate a picture: " + AvError(result);
        return nullptr;
    }
    return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(state)));
}

bool VideoEncoder::Encode(const std::function<void(const Yuv420Planes&)>& draw,
                          std::vector<std::vector<uint8_t>>* packets, std::string* error) {
    AVFrame* f = state_->frame;
    int result = av_frame_make_writable(f);
    if (result < 0) {
        *error = "picture not writable: " + AvError(result);
        return false;
    }
    draw(Yuv420Planes{f->data[0], f->data[1], f->data[2], f->linesize[0], f->linesize[1],
                      f->linesize[2], f->width, f->height});
    f->pts = state_->nextPts++;
    if (state_->qscale > 0) {
        f->quality = FF_QP2LAMBDA * state_->qscale;
    }
    result = avcodec_send_frame(state_->context, f);
    if (result < 0) {
        *error = "encoder refused a picture: " + AvError(result);
        return false;
    }
    return Drain(packets, error);
}

bool VideoEncoder::Flush(std::vector<std::vector<uint8_t>>* packets, std::string* error) {
    const int result = avcodec_send_frame(state_->context, nullptr);
    if (result < 0 && result != AVERROR_EOF) {
        *error = "encoder refused the flush: " + AvError(result);
        return false;
    }
    return Drain(packets, error);
}

bool VideoEncoder::Drain(std::vector<std::vector<uint8_t>>* packets, std::string* error) {
    while (true) {
        const int result = avcodec_receive_packet(state_->context, state_->packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        }
        if (result < 0) {
            *error = "encoder failed: " + AvError(result);
            return false;
        }
        AVPacket* p = state_->packet;
        packets->emplace_back(p->data, p->data + p->size);
        av_packet_unref(p);
    }
}

}  // namespace vyr::camsim
