// The choice between JPEG and lossless storage: count colours up to 257, then, for few colours,
// compare the JPEG file Qt would write with the zlib-compressed RGB samples Qt would write instead.
#include "platform/pdf/pdf_image_coding.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QSet>

namespace vyr {
namespace {

constexpr int kFewColours = 256;
constexpr int kJpegQuality = 94;

bool HasFewColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb last = row[0] + 1;  // differs from the first pixel
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] == last) {
                continue;
            }
            last = row[x];
            colours.insert(last & 0xFFFFFF);
            if (colours.size() > kFewColours) {
                return false;
            }
        }
    }
    return true;
}

qsizetype JpegBytes(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    return writer.write(image) ? data.size() : -1;
}

qsizetype LosslessBytes(const QImage& image) {
    QByteArray samples;
    samples.reserve(qsizetype(image.width()) * image.height() * 3);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            samples.append(char(qRed(row[x])));
            samples.append(char(qGreen(row[x])));
            samples.append(char(qBlue(row[x])));
        }
    }
    return qCompress(samples).size();
}

}  // namespace

bool IsSmallerWithoutLoss(const QImage& image) {
    if (image.isNull() || !HasFewColours(image)) {
        return false;
    }
    const qsizetype jpeg = JpegBytes(image);
    return jpeg < 0 || LosslessBytes(image) < jpeg;
}

}  // namespace vyr
