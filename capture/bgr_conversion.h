// Conversion of a decoded planar YUV picture (an H.264 picture or a JPEG picture of any of the
// decoder's four layouts) to the 24-bit BGR rows that SaveBitmapFile writes, with swscale at the
// picture's own size.
#pragma once

#include <cstdint>
#include <vector>

extern "C" {
struct AVFrame;
}
struct JpegPicture;

namespace vyr {

struct YuvPicture {
    // Y, U (Cb), V (Cr); swscale reads a fourth entry, which stays null.
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    int width = 0;
    int height = 0;
    int pixelFormat = -1;    // an AVPixelFormat; the full-range "J" formats are accepted too
    bool fullRange = false;  // samples use 0..255 (JPEG range) rather than 16..235
};

// The decoded picture of the JPEG decoder; pixelFormat -1 when the layout has none (nothing
// decoded). JPEG pictures are full range.
YuvPicture YuvPictureFromJpeg(const JpegPicture& picture);

// A picture from libavcodec, with its range as the frame says.
YuvPicture YuvPictureFromFrame(const AVFrame& frame);

// Converts with SWS_BICUBIC into *bgr: height rows of BitmapStride(width, 24) bytes, top-down,
// each pixel blue, green, red. Returns 0, or -1 (bgr left empty) for a picture without planes or
// a size or format that swscale cannot take.
int ConvertYuvToBgr24(const YuvPicture& picture, std::vector<uint8_t>* bgr);

}  // namespace vyr
