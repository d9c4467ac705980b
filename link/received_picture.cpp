// Decoding with QImageReader (Qt Gui, no widgets) on the picture server's thread. The reader is
// asked for the picture's size and pixel format from the header first, and the picture is refused
// before any pixel memory exists when either is over the limits. The BMP is assembled in memory
// (header and bottom-up rows), compared with the stored namesakes, then written as a new file.
#include "link/received_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <span>
#include <vector>

#include "capture/bitmap_file.h"
#include "capture/numbered_file.h"

namespace vyr {
namespace {

// Whether a picture of this header size and format is within the limits. Formats the header does
// not tell are counted at 32 bits per pixel, what the decoders give for photographs.
bool FitsTheLimits(const QSize& size, QImage::Format format) {
    if (!size.isValid() || size.width() > kReceivedPictureMaxSide ||
        size.height() > kReceivedPictureMaxSide) {
        return false;
    }
    int64_t bitsPerPixel = 32;
    if (format != QImage::Format_Invalid) {
        bitsPerPixel = std::max<int64_t>(32, QImage::toPixelFormat(format).bitsPerPixel());
    }
    return int64_t{size.width()} * size.height() * bitsPerPixel / 8 <= kReceivedPictureMaxBytes;
}

// The picture's rows bottom-up as 24-bit BGR with BMP row padding. 32-bit pictures (what JPEG
// gives) are read straight from their rows; anything else pixel by pixel. QImage's own format
// conversion is not used: for large pictures it spreads the work over Qt's thread pool, which this
// worker thread has no business starting.
std::vector<uint8_t> BottomUpBgrRows(const QImage& image) {
    const int width = image.width();
    const int height = image.height();
    const auto stride = static_cast<size_t>(BitmapStride(width, 24));
    std::vector<uint8_t> rows(stride * static_cast<size_t>(height), 0);
    const bool isRgb32 =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    for (int row = 0; row < height; ++row) {
        uint8_t* out = rows.data() + static_cast<size_t>(height - 1 - row) * stride;
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        for (int x = 0; x < width; ++x) {
            const QRgb rgb = isRgb32 ? line[x] : image.pixel(x, row);
            out[3 * x] = static_cast<uint8_t>(qBlue(rgb));
            out[3 * x + 1] = static_cast<uint8_t>(qGreen(rgb));
            out[3 * x + 2] = static_cast<uint8_t>(qRed(rgb));
        }
    }
    return rows;
}

}  // namespace

ReceivedPictureOutcome DecodeReceivedPicture(const uint8_t* data, int length,
                                             ReceivedBitmap* bitmap) {
    if (data == nullptr || length <= 0 || bitmap == nullptr) {
        return ReceivedPictureOutcome::kNotDecodable;
    }
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), length);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Pictures are stored as the camera took them; turning them by their EXIF orientation would
    // also make the decoded size differ from the header's.
    reader.setAutoTransform(false);
    const QSize announced = reader.size();
    if (!announced.isValid()) {
        return ReceivedPictureOutcome::kNotDecodable;  // no header this program could size
    }
    if (!FitsTheLimits(announced, reader.imageFormat())) {
        return ReceivedPictureOutcome::kTooLarge;
    }
    const QImage image = reader.read();
    // A decoder that made a picture of another size than its header said is not trusted either.
    if (image.isNull() || image.size() != announced) {
        return ReceivedPictureOutcome::kNotDecodable;
    }
    bitmap->width = image.width();
    bitmap->height = image.height();
    uint8_t header[kBitmapHeaderBytes];
    if (MakeBitmapHeader(image.width(), image.height(), 24, header) < 0) {
        return ReceivedPictureOutcome::kNotDecodable;
    }
    bitmap->header.assign(header, header + kBitmapHeaderBytes);
    bitmap->rows = BottomUpBgrRows(image);
    return ReceivedPictureOutcome::kDecoded;
}

ReceivedPictureResult StoreReceivedPicture(const uint8_t* data, int length,
                                           const std::string& folder, const std::string& stem,
                                           size_t maxPathChars) {
    ReceivedPictureResult result;
    ReceivedBitmap bitmap;
    result.outcome = DecodeReceivedPicture(data, length, &bitmap);
    if (result.outcome != ReceivedPictureOutcome::kDecoded) {
        return result;
    }
    const std::span<const uint8_t> parts[] = {bitmap.header, bitmap.rows};
    result.path = FindIdenticalNumberedFile(folder, stem, ".bmp", parts);
    if (!result.path.empty()) {
        result.outcome = ReceivedPictureOutcome::kIdenticalTwin;
        return result;
    }
    if (WriteNumberedFile(folder, stem, ".bmp", parts, maxPathChars, &result.path) != 0) {
        result.path.clear();
        result.outcome = ReceivedPictureOutcome::kNotWritten;
        return result;
    }
    result.outcome = ReceivedPictureOutcome::kStored;
    return result;
}

}  // namespace vyr
