// Writer of uncompressed bottom-up BMP files (BITMAPFILEHEADER + BITMAPINFOHEADER, 100 pixels per
// metre), the format of every snapshot and stored picture.
#pragma once

#include <cstdint>

namespace vyr {

// Bytes between the starts of two rows in a BMP file: rows are padded to 4 bytes.
int64_t BitmapStride(int width, int bitsPerPixel);

// Writes pixels (top-down, rows BitmapStride() bytes apart, 24-bit pixels stored blue, green, red)
// as a BMP file at path, replacing any file there. The buffer is flipped vertically in place
// first, so the caller's buffer is bottom-up afterwards. Prints "open file failed!\n" when the file
// cannot be created.
// Returns 0, or -1 when the file cannot be created or written, or the arguments describe no
// picture (null buffer, width or height not positive, bits per pixel not 8, 16, 24 or 32, or a
// picture too large for the format's 32-bit sizes); the buffer is left untouched on bad arguments.
int SaveBitmapFile(uint8_t* pixels, int width, int height, int bitsPerPixel, const char* path);

}  // namespace vyr
