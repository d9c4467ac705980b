// libyuv conversion; libyuv's "RGB24" stores each pixel blue, green, red in memory.
#include "video/yuv_to_bgr.h"

#include <libyuv/convert_argb.h>

namespace vyr {

bool ConvertToBgr(const PlanarPicture& p, uint8_t* out, int64_t outBytes) {
    if (p.width <= 0 || p.height <= 0 || int64_t{p.width} * p.height * 3 > outBytes) {
        return false;
    }
    const int outStride = p.width * 3;
    const int result = p.fullRange
                           ? libyuv::J420ToRGB24(p.y, p.yStride, p.u, p.uvStride, p.v, p.uvStride,
                                                 out, outStride, p.width, p.height)
                           : libyuv::I420ToRGB24(p.y, p.yStride, p.u, p.uvStride, p.v, p.uvStride,
                                                 out, outStride, p.width, p.height);
    return result == 0;
}

}  // namespace vyr
