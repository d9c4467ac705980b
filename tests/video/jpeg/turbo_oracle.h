// Test pictures and the libjpeg-turbo oracle for the JPEG decoder tests: natural-looking YUV
// pictures generated at any size and subsampling, compressed by libjpeg-turbo, decoded by
// libjpeg-turbo with its accurate integer IDCT, and compared sample by sample with our planes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "video/jpeg/jpeg_decoder.h"

namespace vyr::test {

// One YUV picture with tightly packed planes (stride = plane width).
struct YuvPicture {
    int width = 0;
    int height = 0;
    int subsampling = 0;  // TJSAMP_*
    std::vector<uint8_t> planes[3];
    int planeWidth[3] = {};
    int planeHeight[3] = {};
};

// Compression options; the last four use libjpeg-turbo's documented environment switches,
// set only for the duration of the call.
struct CompressOptions {
    int quality = 90;
    std::string restart;       // TJ_RESTART: "N" = every N MCU rows, "NB" = every N MCUs
    bool optimize = false;     // TJ_OPTIMIZE: Huffman tables fitted to the picture
    bool progressive = false;  // TJ_PROGRESSIVE: SOF2
    bool arithmetic = false;   // TJ_ARITHMETIC: SOF9
};

// A picture with smooth shading, fine texture, hard edges and mild noise, so that blocks have
// both few and many coefficients. The seed varies the content.
YuvPicture MakeNaturalPicture(int width, int height, int subsampling, uint32_t seed);

std::vector<uint8_t> CompressYuv(const YuvPicture& picture, const CompressOptions& options = {});
// A greyscale JPEG (one component) of the picture's luma.
std::vector<uint8_t> CompressGrey(const YuvPicture& picture, int quality);

// Decodes with libjpeg-turbo (tjDecompressToYUVPlanes, TJFLAG_ACCURATEDCT); the reference.
YuvPicture ReferenceDecode(const std::vector<uint8_t>& jpeg);

struct PlaneMatch {
    int maxDifference = 0;
    double psnr = 0.0;  // infinity when equal
};

// Compares the reference plane with ours (rows `stride` apart), over rows [firstRow, lastRow)
// of the plane (all rows by default).
PlaneMatch ComparePlane(const YuvPicture& reference, int plane, const uint8_t* ours, int stride,
                        int firstRow = 0, int lastRow = -1);

// Plane pointer and stride of a decoded picture for plane 0 (Y), 1 (Cb) or 2 (Cr).
inline const uint8_t* PlaneOf(const JpegPicture& picture, int plane) {
    return plane == 0 ? picture.y : (plane == 1 ? picture.cb : picture.cr);
}
inline int StrideOf(const JpegPicture& picture, int plane) {
    return plane == 0 ? picture.lumaStride : picture.chromaStride;
}

// Our layout number for a libjpeg-turbo subsampling.
int LayoutForSubsampling(int subsampling);

}  // namespace vyr::test
