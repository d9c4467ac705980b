// The BMP thumbnail reader against Qt's image reader: pictures that fit the thumbnail come out
// exactly as the reader's picture does (every depth, row order and row padding), larger ones as
// Qt's area-averaging scaler makes them; damaged files are refused and leave the thumbnail alone.
#include "ui/bmp_thumbnail.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <fstream>
#include <random>

#include "support/temp_dir.h"
#include "ui/main_dlg_ids.h"
#include "ui/thumbnail.h"

namespace {

constexpr size_t kStride = 284 * 3;

struct Variant {
    int bitsPerPixel = 24;
    bool isTopDown = false;
    int infoBytes = 40;
};

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A BMP file of the picture (read as 0xRRGGBB per pixel), written here so that 32-bit and
// top-down files, which Qt does not write, are covered too.
std::vector<uint8_t> BmpOf(const QImage& picture, Variant variant) {
    const int width = picture.width();
    const int height = picture.height();
    const int bytesPerPixel = variant.bitsPerPixel / 8;
    const size_t stride = (static_cast<size_t>(width) * variant.bitsPerPixel + 31) / 32 * 4;
    const uint32_t offset = 14 + static_cast<uint32_t>(variant.infoBytes);
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    Put(file, offset + static_cast<uint32_t>(stride * height), 4);
    Put(file, 0, 4);
    Put(file, offset, 4);
    Put(file, static_cast<uint32_t>(variant.infoBytes), 4);
    Put(file, static_cast<uint32_t>(width), 4);
    Put(file, static_cast<uint32_t>(variant.isTopDown ? -height : height), 4);
    Put(file, 1, 2);
    Put(file, static_cast<uint32_t>(variant.bitsPerPixel), 2);
    file.resize(offset, 0);
    for (int stored = 0; stored < height; ++stored) {
        const int y = variant.isTopDown ? stored : height - 1 - stored;
        const size_t rowStart = file.size();
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            file.push_back(static_cast<uint8_t>(qBlue(pixel)));
            file.push_back(static_cast<uint8_t>(qGreen(pixel)));
            file.push_back(static_cast<uint8_t>(qRed(pixel)));
            if (bytesPerPixel == 4) {
                file.push_back(0xFF);
            }
        }
        file.resize(rowStart + stride, 0);
    }
    return file;
}

QImage Noise(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setPixel(x, y, static_cast<QRgb>(random()) | 0xFF000000u);
        }
    }
    return picture;
}

// Smooth colour ramps: what a photograph looks like at the scale of a few pixels.
QImage Ramps(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setPixel(
                x, y,
                qRgb(x * 255 / width, y * 255 / height, (x + y) * 127 / (width + height) + 64));
        }
    }
    return picture;
}

QImage Made(const std::vector<uint8_t>& file, int* result) {
    QImage thumbnail(vyr::kThumbnailWidth, vyr::kThumbnailHeight, QImage::Format_RGB888);
    *result = vyr::MakeBmpThumbnail(file.data(), file.size(), thumbnail.bits(),
                                    static_cast<size_t>(thumbnail.bytesPerLine()));
    return thumbnail;
}

int LargestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

TEST(BmpThumbnailTest, PicturesThatFitComeOutAsTheImageReaderReadsThem) {
    const Variant variants[] = {{24, false, 40}, {24, true, 40}, {32, false, 40}, {32, true, 124}};
    const QSize sizes[] = {{1, 1}, {3, 5}, {101, 80}, {284, 160}, {283, 7}};
    unsigned seed = 1;
    for (const Variant& variant : variants) {
        for (const QSize size : sizes) {
            SCOPED_TRACE(testing::Message()
                         << variant.bitsPerPixel << " bits, top-down " << variant.isTopDown << ", "
                         << size.width() << " x " << size.height());
            const std::vector<uint8_t> file =
                BmpOf(Noise(size.width(), size.height(), seed++), variant);
            const QImage read = QImage::fromData(file.data(), static_cast<int>(file.size()), "BMP");
            ASSERT_FALSE(read.isNull());
            int result = -9;
            const QImage made = Made(file, &result);
            ASSERT_EQ(result, 0);
            EXPECT_EQ(made, vyr::MakeThumbnail(read));
        }
    }
}

TEST(BmpThumbnailTest, LargerPicturesAreAveragedAsQtsSmoothScalerDoes) {
    // Each side on its own: longer sides squeezed, shorter ones kept and centred. Where a side is a
    // whole multiple of the thumbnail's, every box is whole and Qt's average is the same up to
    // rounding, even on noise. Elsewhere Qt weighs the pixels that straddle two boxes by their
    // share and this reader gives them to one box: smooth ramps (at most a level apart) still
    // show any box out of place, a flipped picture or swapped colours.
    struct Case {
        QSize size;
        QRect target;
        bool isNoise;
    };
    for (const Case& test :
         {Case{{568, 320}, {0, 0, 284, 160}, true}, Case{{852, 160}, {0, 0, 284, 160}, true},
          Case{{140, 480}, {72, 0, 140, 160}, true}, Case{{1920, 1080}, {0, 0, 284, 160}, false},
          Case{{1280, 1024}, {0, 0, 284, 160}, false}, Case{{1000, 50}, {0, 55, 284, 50}, false}}) {
        SCOPED_TRACE(testing::Message() << test.size.width() << " x " << test.size.height());
        const QImage picture = test.isNoise ? Noise(test.size.width(), test.size.height(), 7)
                                            : Ramps(test.size.width(), test.size.height());
        int result = -9;
        const QImage made = Made(BmpOf(picture, {}), &result);
        ASSERT_EQ(result, 0);
        const QImage scaled =
            picture.scaled(test.target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(LargestDifference(made.copy(test.target), scaled), 1);
        QImage outside = made;
        QImage hole(test.target.size(), QImage::Format_RGB888);
        hole.fill(Qt::black);
        for (int y = 0; y < hole.height(); ++y) {
            std::memcpy(outside.scanLine(test.target.y() + y) + test.target.x() * 3,
                        hole.constScanLine(y), static_cast<size_t>(hole.width()) * 3);
        }
        QImage black(outside.size(), QImage::Format_RGB888);
        black.fill(Qt::black);
        EXPECT_EQ(outside, black);
    }
}

TEST(BmpThumbnailTest, DamagedFilesAreRefusedAndLeaveTheThumbnailAlone) {
    const std::vector<uint8_t> good = BmpOf(Noise(9, 7, 5), {});
    const auto with = [&good](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<long>(at));
        return file;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        int result;
    };
    const Case cases[] = {
        {"not BM", with(0, {'B', 'A'}), -1},
        {"core header", with(14, {12, 0, 0, 0}), -1},
        {"two planes", with(26, {2, 0}), -1},
        {"16 bits", with(28, {16, 0}), -1},
        {"RLE", with(30, {1, 0, 0, 0}), -1},
        {"bit fields", with(30, {3, 0, 0, 0}), -1},
        {"no width", with(18, {0, 0, 0, 0}), -1},
        {"negative width", with(18, {0xF7, 0xFF, 0xFF, 0xFF}), -1},
        {"too wide", with(18, {0x01, 0x80, 0, 0}), -1},
        {"no height", with(22, {0, 0, 0, 0}), -1},
        {"most negative height", with(22, {0, 0, 0, 0x80}), -1},
        {"too tall", with(22, {0x01, 0x80, 0, 0}), -1},
        {"pixels inside the header", with(10, {20, 0, 0, 0}), -1},
        {"headers cut", std::vector<uint8_t>(good.begin(), good.begin() + 53), -1},
        {"pixels cut by a byte", std::vector<uint8_t>(good.begin(), good.end() - 1), -2},
        {"offset past the end", with(10, {0xFF, 0xFF, 0, 0}), -2},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        std::vector<uint8_t> thumbnail(kStride * 160, 0x5A);
        EXPECT_EQ(
            vyr::MakeBmpThumbnail(test.file.data(), test.file.size(), thumbnail.data(), kStride),
            test.result);
        EXPECT_TRUE(
            std::all_of(thumbnail.begin(), thumbnail.end(), [](uint8_t b) { return b == 0x5A; }));
    }
    // From a file as well: a cut-off picture and a missing file.
    vyr::test::TempDir dir;
    const std::vector<uint8_t>& cut = cases[14].file;
    std::ofstream(dir.File("cut.bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
    std::vector<uint8_t> thumbnail(kStride * 160);
    EXPECT_EQ(vyr::LoadBmpThumbnail(dir.File("cut.bmp").c_str(), thumbnail.data(), kStride), -2);
    EXPECT_EQ(vyr::LoadBmpThumbnail(dir.File("missing.bmp").c_str(), thumbnail.data(), kStride),
              -1);
}

}  // namespace
