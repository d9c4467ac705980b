// Decoding with QImageReader (Qt Gui, no widgets) on the picture server's thread; the size the
// reader announces is checked before any pixel memory is allocated.
#include "link/received_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <vector>

#include "capture/bitmap_file.h"

namespace vyr {

int SaveReceivedPicture(const uint8_t* data, int length, const std::string& path) {
    if (data == nullptr || length <= 0) {
        return -1;
    }
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), length);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Formats that cannot tell their size up front stay under Qt's own allocation limit.
    const QSize size = reader.size();
    if (size.isValid() &&
        (size.width() > kReceivedPictureMaxSide || size.height() > kReceivedPictureMaxSide)) {
        return -1;
    }
    const QImage image = reader.read();
    if (image.isNull() || image.width() > kReceivedPictureMaxSide ||
        image.height() > kReceivedPictureMaxSide) {
        return -1;
    }
    const int width = image.width();
    const int height = image.height();
    const int64_t stride = BitmapStride(width, 24);
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
    // 32-bit pictures (what JPEG gives) are read straight from their rows; anything else pixel by
    // pixel. QImage's own format conversion is not used: for large pictures it spreads the work
    // over Qt's thread pool, which this worker thread has no business starting.
    const bool isRgb32 =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    for (int row = 0; row < height; ++row) {
        uint8_t* out = pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(stride);
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        for (int x = 0; x < width; ++x) {
            const QRgb rgb = isRgb32 ? line[x] : image.pixel(x, row);
            out[3 * x] = static_cast<uint8_t>(qBlue(rgb));
            out[3 * x + 1] = static_cast<uint8_t>(qGreen(rgb));
            out[3 * x + 2] = static_cast<uint8_t>(qRed(rgb));
        }
    }
    return SaveBitmapFile(pixels.data(), width, height, 24, path.c_str());
}

}  // namespace vyr
