// Fuzz target of uploaded picture files: DecodeReceivedPicture on any bytes (at most the picture
// server's buffer) must refuse what is over the size limits before decoding it, and a decoded
// picture must come out within them, with a BMP header and rows of the size the header states.
// Every output byte is summed so that the sanitizers check each one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "capture/bitmap_file.h"
#include "link/picture_upload.h"
#include "link/received_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > static_cast<size_t>(vyr::kPictureBufferBytes)) {
        return 0;
    }
    vyr::ReceivedBitmap bitmap;
    const auto outcome = vyr::DecodeReceivedPicture(data, static_cast<int>(size), &bitmap);
    if (outcome != vyr::ReceivedPictureOutcome::kDecoded) {
        return 0;
    }
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > vyr::kReceivedPictureMaxSide ||
        bitmap.height > vyr::kReceivedPictureMaxSide ||
        bitmap.header.size() != vyr::kBitmapHeaderBytes ||
        bitmap.rows.size() !=
            static_cast<size_t>(vyr::BitmapStride(bitmap.width, 24)) * bitmap.height) {
        std::abort();
    }
    uint32_t sum = 0;
    for (const uint8_t byte : bitmap.rows) {
        sum += byte;
    }
    asm volatile("" : : "r"(sum));
    return 0;
}
