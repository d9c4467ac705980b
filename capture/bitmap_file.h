// Writer of uncompressed bottom-up BMP files (BITMAPFILEHEADER + BITMAPINFOHEADER, 100 pixels per
// metre), the format of every snapshot and stored picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/new_file.h"

namespace vyr {

inline constexpr size_t kBitmapHeaderBytes = 54;

// Bytes between the starts of two rows in a BMP file: rows are padded to 4 bytes.
int64_t BitmapStride(int width, int bitsPerPixel);

// The file and information headers of a picture whose stride * height pixel bytes follow them.
// Returns that number of pixel bytes, or -1 when the arguments describe no picture (width or height
// not positive, bits per pixel not 8, 16, 24 or 32, or a picture too large for the format's 32-bit
// sizes).
int64_t MakeBitmapHeader(int width, int height, int bitsPerPixel,
                         uint8_t (&header)[kBitmapHeaderBytes]);

// Writes pixels (top-down, rows BitmapStride() bytes apart, 24-bit pixels stored blue, green, red)
// as a new BMP file at path. The file appears whole or not at all and never replaces a file
// (WriteNewFileAtomically). The buffer is flipped vertically in place, so the caller's buffer is
// bottom-up afterwards when the file was written, and as it was when not. Prints "open file
// failed!\n" when the file cannot be created, and why any failure happened (PrintNotSaved). Returns
// 0, -1 when the file cannot be created or the arguments describe no picture (null buffer or
// MakeBitmapHeader's cases), kNewFileNameTaken (-2) when a file of that name exists, or
// kNewFileNotWritten (-3) when writing failed.
int SaveBitmapFile(uint8_t* pixels, int width, int height, int bitsPerPixel, const char* path);

// SaveBitmapFile under folder/stem.bmp or, when that is taken, the first free numbered name
// (NumberedFileName) whose path has at most maxPathChars characters; *storedPath is the path taken.
// Returns the same results (-2 when every name is taken).
int SaveNumberedBitmapFile(uint8_t* pixels, int width, int height, int bitsPerPixel,
                           const std::string& folder, const std::string& stem, size_t maxPathChars,
                           std::string* storedPath);

}  // namespace vyr
