// libavcodec decoding and swscale conversion for the camera tests; see decode_oracle.h.
#include "decode_oracle.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>

namespace vyr::test {

namespace {

// The encoders' statistics and swscale's notes would bury the test output; errors still show.
[[maybe_unused]] const int kQuietLibav = (av_log_set_level(AV_LOG_ERROR), 0);

bool IsFullRange(const AVFrame* frame) {
    return frame->color_range == AVCOL_RANGE_JPEG || frame->format == AV_PIX_FMT_YUVJ420P ||
           frame->format == AV_PIX_FMT_YUVJ422P || frame->format == AV_PIX_FMT_YUVJ444P;
}

DecodedPicture ToRgb(const AVFrame* frame) {
    DecodedPicture picture;
    picture.width = frame->width;
    picture.height = frame->height;
    picture.range = frame->color_range;
    picture.keyFrame = frame->key_frame != 0;
    picture.rgb.resize(static_cast<size_t>(frame->width) * frame->height * 3);
    SwsContext* sws = sws_getContext(
        frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
        frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
    if (sws == nullptr) {
        return picture;
    }
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(sws, bt601, IsFullRange(frame) ? 1 : 0, bt601, 1, 0, 1 << 16, 1 << 16);
    uint8_t* out[1] = {picture.rgb.data()};
    const int outStride[1] = {frame->width * 3};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, outStride);
    sws_freeContext(sws);
    return picture;
}

void Receive(AVCodecContext* context, AVFrame* frame, DecodeResult* result) {
    while (true) {
        const int status = avcodec_receive_frame(context, frame);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) {
            return;
        }
        if (status < 0) {
            ++result->errors;
            return;
        }
        result->pictures.push_back(ToRgb(frame));
        av_frame_unref(frame);
    }
}

DecodeResult Decode(AVCodecID id, const std::vector<uint8_t>& bytes, bool parse) {
    DecodeResult result;
    const AVCodec* codec = avcodec_find_decoder(id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    AVCodecParserContext* parser = parse ? av_parser_init(id) : nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (avcodec_open2(context, codec, nullptr) < 0) {
        result.errors = 1;
    } else if (parser == nullptr) {
        packet->data = const_cast<uint8_t*>(bytes.data());
        packet->size = static_cast<int>(bytes.size());
        result.errors += avcodec_send_packet(context, packet) < 0 ? 1 : 0;
        Receive(context, frame, &result);
    } else {
        // The parser needs zeroed padding after the input.
        std::vector<uint8_t> padded(bytes);
        padded.resize(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        const uint8_t* data = padded.data();
        int left = static_cast<int>(bytes.size());
        while (true) {
            uint8_t* out = nullptr;
            int outSize = 0;
            const int used = av_parser_parse2(parser, context, &out, &outSize, data, left,
                                              AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            data += used;
            left -= used;
            if (outSize > 0) {
                packet->data = out;
                packet->size = outSize;
                result.errors += avcodec_send_packet(context, packet) < 0 ? 1 : 0;
                Receive(context, frame, &result);
            }
            if (left == 0 && outSize == 0) {
                break;
            }
            if (used == 0 && outSize == 0) {
                left = 0;  // nothing consumed: let the next call flush
            }
        }
    }
    avcodec_send_packet(context, nullptr);
    Receive(context, frame, &result);
    av_frame_free(&frame);
    av_packet_free(&packet);
    av_parser_close(parser);
    avcodec_free_context(&context);
    return result;
}

}  // namespace

camsim::Rgb DecodedPicture::Mean(int x, int y, int w, int h) const {
    uint64_t sum[3] = {};
    for (int row = y; row < y + h; ++row) {
        for (int column = x; column < x + w; ++column) {
            const uint8_t* p = &rgb.at((static_cast<size_t>(row) * width + column) * 3);
            for (int c = 0; c < 3; ++c) {
                sum[c] += p[c];
            }
        }
    }
    const uint64_t count = std::max<uint64_t>(1, static_cast<uint64_t>(w) * h);
    return {static_cast<uint8_t>((sum[0] + count / 2) / count),
            static_cast<uint8_t>((sum[1] + count / 2) / count),
            static_cast<uint8_t>((sum[2] + count / 2) / count)};
}

DecodeResult DecodeH264(const std::vector<uint8_t>& stream) {
    return Decode(AV_CODEC_ID_H264, stream, true);
}

DecodeResult DecodeJpeg(const std::vector<uint8_t>& jpeg) {
    return Decode(AV_CODEC_ID_MJPEG, jpeg, false);
}

int ColourDistance(camsim::Rgb a, camsim::Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

std::string ToText(camsim::Rgb colour) {
    return "(" + std::to_string(colour.r) + ", " + std::to_string(colour.g) + ", " +
           std::to_string(colour.b) + ")";
}

}  // namespace vyr::test
