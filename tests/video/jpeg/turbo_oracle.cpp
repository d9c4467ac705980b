// libjpeg-turbo oracle and picture generator for the JPEG decoder tests (see turbo_oracle.h).
#include "tests/video/jpeg/turbo_oracle.h"

#include <turbojpeg.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace vyr::test {
namespace {

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

uint8_t ClampSample(double value) {
    return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : std::lround(value)));
}

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (!value.empty()) {
            setenv(name, value.c_str(), 1);
        }
    }
    ~ScopedEnvironment() { unsetenv(name_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
};

struct TurboHandle {
    explicit TurboHandle(tjhandle h) : handle(h) {
        if (handle == nullptr) {
            throw std::runtime_error("libjpeg-turbo handle failed");
        }
    }
    ~TurboHandle() { tjDestroy(handle); }
    TurboHandle(const TurboHandle&) = delete;
    TurboHandle& operator=(const TurboHandle&) = delete;
    tjhandle handle;
};

std::vector<uint8_t> TakeBuffer(unsigned char* buffer, unsigned long size) {
    std::vector<uint8_t> bytes(buffer, buffer + size);
    tjFree(buffer);
    return bytes;
}

void SizePlanes(YuvPicture& picture) {
    for (int plane = 0; plane < 3; ++plane) {
        picture.planeWidth[plane] = tjPlaneWidth(plane, picture.width, picture.subsampling);
        picture.planeHeight[plane] = tjPlaneHeight(plane, picture.height, picture.subsampling);
        picture.planes[plane].assign(
            static_cast<size_t>(picture.planeWidth[plane]) * picture.planeHeight[plane], 0);
    }
}

}  // namespace

YuvPicture MakeNaturalPicture(int width, int height, int subsampling, uint32_t seed) {
    YuvPicture picture;
    picture.width = width;
    picture.height = height;
    picture.subsampling = subsampling;
    SizePlanes(picture);
    const double phase = (seed % 97) * 0.1;
    for (int plane = 0; plane < 3; ++plane) {
        const int planeWidth = picture.planeWidth[plane];
        const int planeHeight = picture.planeHeight[plane];
        // Scale chroma coordinates back to luma positions so all planes show the same scene.
        const double scaleX = static_cast<double>(width) / planeWidth;
        const double scaleY = static_cast<double>(height) / planeHeight;
        for (int row = 0; row < planeHeight; ++row) {
            for (int column = 0; column < planeWidth; ++column) {
                const double x = column * scaleX;
                const double y = row * scaleY;
                const uint32_t noise =
                    Hash(seed * 7919u + static_cast<uint32_t>(plane) * 31u +
                         static_cast<uint32_t>(row) * 65537u + static_cast<uint32_t>(column));
                const double grain = static_cast<double>(noise % 17) - 8.0;
                const double dx = x - width * 0.6;
                const double dy = y - height * 0.4;
                const bool isInsideDisc = dx * dx + dy * dy < 0.05 * width * height;
                double value = 0;
                if (plane == 0) {
                    value = 110 + 50 * std::sin(x * 0.031 + phase) * std::cos(y * 0.017) +
                            25 * std::sin((x + 2 * y) * 0.23) + (isInsideDisc ? 45 : 0) + grain;
                } else {
                    const double sign = plane == 1 ? 1.0 : -1.0;
                    value = 128 + sign * 30 * std::sin(y * 0.012 + phase) +
                            12 * std::cos(x * 0.05) + (isInsideDisc ? sign * 20 : 0) + grain / 2;
                }
                picture.planes[plane][static_cast<size_t>(row) * planeWidth + column] =
                    ClampSample(value);
            }
        }
    }
    return picture;
}

std::vector<uint8_t> CompressYuv(const YuvPicture& picture, const CompressOptions& options) {
    const ScopedEnvironment restart("TJ_RESTART", options.restart);
    const ScopedEnvironment optimize("TJ_OPTIMIZE", options.optimize ? "1" : "");
    const ScopedEnvironment progressive("TJ_PROGRESSIVE", options.progressive ? "1" : "");
    const ScopedEnvironment arithmetic("TJ_ARITHMETIC", options.arithmetic ? "1" : "");
    TurboHandle compressor(tjInitCompress());
    const unsigned char* planes[3] = {picture.planes[0].data(), picture.planes[1].data(),
                                      picture.planes[2].data()};
    const int strides[3] = {picture.planeWidth[0], picture.planeWidth[1], picture.planeWidth[2]};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (tjCompressFromYUVPlanes(compressor.handle, planes, picture.width, strides, picture.height,
                                picture.subsampling, &buffer, &size, options.quality,
                                TJFLAG_ACCURATEDCT) != 0) {
        throw std::runtime_error(tjGetErrorStr2(compressor.handle));
    }
    return TakeBuffer(buffer, size);
}

std::vector<uint8_t> CompressGrey(const YuvPicture& picture, int quality) {
    TurboHandle compressor(tjInitCompress());
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (tjCompress2(compressor.handle, picture.planes[0].data(), picture.width,
                    picture.planeWidth[0], picture.height, TJPF_GRAY, &buffer, &size, TJSAMP_GRAY,
                    quality, 0) != 0) {
        throw std::runtime_error(tjGetErrorStr2(compressor.handle));
    }
    return TakeBuffer(buffer, size);
}

YuvPicture ReferenceDecode(const std::vector<uint8_t>& jpeg) {
    TurboHandle decompressor(tjInitDecompress());
    YuvPicture picture;
    int colourspace = 0;
    if (tjDecompressHeader3(decompressor.handle, jpeg.data(), jpeg.size(), &picture.width,
                            &picture.height, &picture.subsampling, &colourspace) != 0) {
        throw std::runtime_error(tjGetErrorStr2(decompressor.handle));
    }
    SizePlanes(picture);
    unsigned char* planes[3] = {picture.planes[0].data(), picture.planes[1].data(),
                                picture.planes[2].data()};
    int strides[3] = {picture.planeWidth[0], picture.planeWidth[1], picture.planeWidth[2]};
    if (tjDecompressToYUVPlanes(decompressor.handle, jpeg.data(), jpeg.size(), planes,
                                picture.width, strides, picture.height, TJFLAG_ACCURATEDCT) != 0) {
        throw std::runtime_error(tjGetErrorStr2(decompressor.handle));
    }
    return picture;
}

PlaneMatch ComparePlane(const YuvPicture& reference, int plane, const uint8_t* ours, int stride,
                        int firstRow, int lastRow) {
    const int width = reference.planeWidth[plane];
    const int end = lastRow < 0 ? reference.planeHeight[plane] : lastRow;
    PlaneMatch match;
    double squaredError = 0;
    for (int row = firstRow; row < end; ++row) {
        for (int column = 0; column < width; ++column) {
            const int expected = reference.planes[plane][static_cast<size_t>(row) * width + column];
            const int difference =
                std::abs(expected - ours[static_cast<size_t>(row) * stride + column]);
            match.maxDifference = std::max(match.maxDifference, difference);
            squaredError += difference * difference;
        }
    }
    const double meanError = squaredError / (static_cast<double>(width) * (end - firstRow));
    match.psnr = meanError == 0 ? std::numeric_limits<double>::infinity()
                                : 10 * std::log10(255.0 * 255.0 / meanError);
    return match;
}

int LayoutForSubsampling(int subsampling) {
    switch (subsampling) {
        case TJSAMP_420:
            return JPEG_LAYOUT_420;
        case TJSAMP_422:
            return JPEG_LAYOUT_422;
        case TJSAMP_444:
            return JPEG_LAYOUT_444;
        case TJSAMP_440:
            return JPEG_LAYOUT_440;
        default:
            return JPEG_LAYOUT_NONE;
    }
}

}  // namespace vyr::test
