// swscale colour conversion for snapshots. The full-range "J" pixel formats are mapped to their
// plain counterparts with the source range set explicitly, which is what swscale recommends and
// keeps it from warning about deprecated formats.
#include "capture/bgr_conversion.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include "capture/bitmap_file.h"
#include "video/jpeg/jpeg_decoder.h"

namespace vyr {
namespace {

// Pictures beyond this size are not converted: the JPEG decoder stops at 8192 and H.264 levels
// stay far below it.
constexpr int kMaxSide = 16384;

AVPixelFormat PlainFormat(AVPixelFormat format, bool* fullRange) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            *fullRange = true;
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            *fullRange = true;
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            *fullRange = true;
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            *fullRange = true;
            return AV_PIX_FMT_YUV440P;
        default:
            return format;
    }
}

}  // namespace

YuvPicture YuvPictureFromJpeg(const JpegPicture& picture) {
    YuvPicture yuv;
    switch (picture.layout) {
        case JPEG_LAYOUT_420:
            yuv.pixelFormat = AV_PIX_FMT_YUV420P;
            break;
        case JPEG_LAYOUT_422:
            yuv.pixelFormat = AV_PIX_FMT_YUV422P;
            break;
        case JPEG_LAYOUT_444:
            yuv.pixelFormat = AV_PIX_FMT_YUV444P;
            break;
        case JPEG_LAYOUT_440:
            yuv.pixelFormat = AV_PIX_FMT_YUV440P;
            break;
        default:
            return yuv;
    }
    yuv.planes[0] = picture.y;
    yuv.planes[1] = picture.cb;
    yuv.planes[2] = picture.cr;
    yuv.strides[0] = picture.lumaStride;
    yuv.strides[1] = picture.chromaStride;
    yuv.strides[2] = picture.chromaStride;
    yuv.width = picture.width;
    yuv.height = picture.height;
    yuv.fullRange = true;
    return yuv;
}

YuvPicture YuvPictureFromFrame(const AVFrame& frame) {
    YuvPicture yuv;
    for (int i = 0; i < 3; ++i) {
        yuv.planes[i] = frame.data[i];
        yuv.strides[i] = frame.linesize[i];
    }
    yuv.width = frame.width;
    yuv.height = frame.height;
    yuv.pixelFormat = frame.format;
    yuv.fullRange = frame.color_range == AVCOL_RANGE_JPEG;
    return yuv;
}

int ConvertYuvToBgr24(const YuvPicture& picture, std::vector<uint8_t>* bgr) {
    bgr->clear();
    if (picture.planes[0] == nullptr || picture.width <= 0 || picture.height <= 0 ||
        picture.width > kMaxSide || picture.height > kMaxSide || picture.pixelFormat < 0) {
        return -1;
    }
    bool fullRange = picture.fullRange;
    const AVPixelFormat source =
        PlainFormat(static_cast<AVPixelFormat>(picture.pixelFormat), &fullRange);
    SwsContext* context =
        sws_getContext(picture.width, picture.height, source, picture.width, picture.height,
                       AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (context == nullptr) {
        return -1;
    }
    int* inverseTable = nullptr;
    int* table = nullptr;
    int sourceRange = 0;
    int destinationRange = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    sws_getColorspaceDetails(context, &inverseTable, &sourceRange, &table, &destinationRange,
                             &brightness, &contrast, &saturation);
    sws_setColorspaceDetails(context, inverseTable, fullRange ? 1 : 0, table, destinationRange,
                             brightness, contrast, saturation);

    const int64_t stride = BitmapStride(picture.width, 24);
    bgr->assign(static_cast<size_t>(stride) * static_cast<size_t>(picture.height), 0);
    uint8_t* destination[4] = {bgr->data(), nullptr, nullptr, nullptr};
    const int destinationStrides[4] = {static_cast<int>(stride), 0, 0, 0};
    const int rows = sws_scale(context, picture.planes, picture.strides, 0, picture.height,
                               destination, destinationStrides);
    sws_freeContext(context);
    if (rows != picture.height) {
        bgr->clear();
        return -1;
    }
    return 0;
}

}  // namespace vyr
