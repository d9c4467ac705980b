// The BMP thumbnail reader against Qt's image reader and MakeThumbnail: pictures that fit come out
// exactly as MakeThumbnail makes the reader's picture (every depth, row order and row padding),
// larger ones as Qt's area-averaging scaler squeezes them, each side on its own, centred, black
// around; damaged files are refused (one case per check) and leave the thumbnail alone. The
// cache's files: an entry reads back exactly as stored, anything but a whole 284 x 160 entry reads
// as none, and the folders of picture folders that are gone are dropped.
#include "ui/thumbnail.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPainter>
#include <fstream>
#include <random>

#include "support/temp_dir.h"
#include "ui/bmp_thumbnail.h"
#include "ui/main_dlg_ids.h"
#include "ui/thumbnail_cache.h"

namespace vyr {
namespace {

namespace fs = std::filesystem;

constexpr size_t kStride = kThumbnailWidth * 3;

struct Variant {
    int bitsPerPixel = 24;
    bool isTopDown = false;
    int infoBytes = 40;
};

// A BMP file of the picture, written here so that 32-bit and top-down files, which Qt does not
// write, are covered too: Qt's BGR888 and RGB32 rows are the file's 24- and 32-bit rows.
std::vector<uint8_t> BmpOf(const QImage& picture, Variant variant) {
    const int height = picture.height();
    const int rowBytes = picture.width() * variant.bitsPerPixel / 8;
    const int stride = (rowBytes + 3) / 4 * 4;
    const quint32 offset = 14 + static_cast<quint32>(variant.infoBytes);
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(offset + static_cast<quint32>(stride * height)) << quint32(0) << offset
        << quint32(variant.infoBytes) << qint32(picture.width())
        << qint32(variant.isTopDown ? -height : height) << quint16(1)
        << quint16(variant.bitsPerPixel);
    file.resize(offset, 0);
    const QImage rows = picture.convertToFormat(variant.bitsPerPixel == 32 ? QImage::Format_RGB32
                                                                           : QImage::Format_BGR888);
    for (int stored = 0; stored < height; ++stored) {
        const int y = variant.isTopDown ? stored : height - 1 - stored;
        file.append(reinterpret_cast<const char*>(rows.constScanLine(y)), rowBytes);
        file.append(QByteArray(stride - rowBytes, 0));
    }
    return {file.begin(), file.end()};
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

QImage Made(const std::vector<uint8_t>& file) {
    QImage thumbnail(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB888);
    EXPECT_EQ(MakeBmpThumbnail(file.data(), file.size(), thumbnail.bits(),
                               static_cast<size_t>(thumbnail.bytesPerLine())),
              0);
    return thumbnail;
}

// Whether everything outside rect is black.
bool IsBlackOutside(QImage image, const QRect& rect) {
    QPainter(&image).fillRect(rect, Qt::black);
    QImage black(image.size(), image.format());
    black.fill(Qt::black);
    return image == black;
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
    unsigned seed = 1;
    for (const Variant variant : {Variant{24, false, 40}, Variant{24, true, 40},
                                  Variant{32, false, 40}, Variant{32, true, 124}}) {
        for (const QSize size :
             {QSize(1, 1), QSize(3, 5), QSize(101, 80), QSize(284, 160), QSize(283, 7)}) {
            SCOPED_TRACE(::testing::Message()
                         << variant.bitsPerPixel << " bits, top-down " << variant.isTopDown << ", "
                         << size.width() << " x " << size.height());
            const std::vector<uint8_t> file =
                BmpOf(Noise(size.width(), size.height(), seed++), variant);
            const QImage read = QImage::fromData(file.data(), static_cast<int>(file.size()), "BMP");
            ASSERT_FALSE(read.isNull());
            EXPECT_EQ(Made(file), MakeThumbnail(read));
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
        SCOPED_TRACE(::testing::Message() << test.size.width() << " x " << test.size.height());
        const QImage picture = test.isNoise ? Noise(test.size.width(), test.size.height(), 7)
                                            : Ramps(test.size.width(), test.size.height());
        QImage made = Made(BmpOf(picture, {}));
        const QImage scaled =
            picture.scaled(test.target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(LargestDifference(made.copy(test.target), scaled), 1);
        EXPECT_TRUE(IsBlackOutside(made, test.target));
    }
}

TEST(BmpThumbnailTest, DamagedFilesAreRefusedAndLeaveTheThumbnailAlone) {
    const std::vector<uint8_t> good = BmpOf(Noise(9, 7, 5), {});
    const auto with = [&good](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<long>(at));
        return file;
    };
    const std::vector<uint8_t> cut(good.begin(), good.end() - 1);
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        int result;
    } cases[] = {
        {"not BM", with(0, {'B', 'A'}), -1},
        {"core header", with(14, {12, 0, 0, 0}), -1},
        {"16 bits", with(28, {16, 0}), -1},
        {"RLE", with(30, {1, 0, 0, 0}), -1},
        {"negative width", with(18, {0xF7, 0xFF, 0xFF, 0xFF}), -1},
        {"too wide", with(18, {0x01, 0x80, 0, 0}), -1},
        {"no height", with(22, {0, 0, 0, 0}), -1},
        {"most negative height", with(22, {0, 0, 0, 0x80}), -1},
        {"pixels inside the header", with(10, {20, 0, 0, 0}), -1},
        {"headers cut", std::vector<uint8_t>(good.begin(), good.begin() + 53), -1},
        {"pixels cut by a byte", cut, -2},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        std::vector<uint8_t> thumbnail(kStride * kThumbnailHeight, 0x5A);
        EXPECT_EQ(MakeBmpThumbnail(test.file.data(), test.file.size(), thumbnail.data(), kStride),
                  test.result);
        EXPECT_EQ(thumbnail, std::vector<uint8_t>(kStride * kThumbnailHeight, 0x5A));
    }
    // From a file as well: a cut-off picture and a missing file.
    test::TempDir dir;
    std::ofstream(dir.File("cut.bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
    std::vector<uint8_t> thumbnail(kStride * kThumbnailHeight);
    EXPECT_EQ(LoadBmpThumbnail(dir.File("cut.bmp").c_str(), thumbnail.data(), kStride), -2);
    EXPECT_EQ(LoadBmpThumbnail(dir.File("missing.bmp").c_str(), thumbnail.data(), kStride), -1);
}

TEST(ThumbnailCacheTest, EntriesReadBackAsStoredOthersAsNoneAndUnusedOnesAreDropped) {
    test::TempDir dir;
    const ThumbnailCache cache(dir.path() / "cache");
    const QImage entry =
        Noise(kThumbnailWidth, kThumbnailHeight, 3).convertToFormat(QImage::Format_RGB888);
    const fs::path kept = dir.path() / "jpg" / "10000";
    const fs::path gone = dir.path() / "jpg" / "20000";
    for (const fs::path& pictures : {kept, gone}) {
        fs::create_directories(pictures);
        ASSERT_EQ(cache.Prepare(pictures), 0);
        for (const char* name : {"a.bmp", "b.bmp"}) {
            ASSERT_EQ(cache.Store(cache.EntryFolder(pictures), name, entry), 0);
        }
    }
    const fs::path folder = cache.EntryFolder(kept);
    EXPECT_EQ(cache.Load(folder, "a.bmp"), entry);
    EXPECT_TRUE(cache.Load(folder, "missing.bmp").isNull());
    // A smaller picture, a longer file and a cut one are no entries.
    ASSERT_TRUE(entry.copy(0, 0, 283, 160)
                    .save(QString::fromStdString((folder / "narrow.bmp").string()), "BMP"));
    fs::copy_file(folder / "a.bmp", folder / "long.bmp");
    std::ofstream(folder / "long.bmp", std::ios::app) << 'x';
    fs::copy_file(folder / "a.bmp", folder / "cut.bmp");
    fs::resize_file(folder / "cut.bmp", fs::file_size(folder / "a.bmp") - 1);
    for (const char* name : {"narrow.bmp", "long.bmp", "cut.bmp"}) {
        EXPECT_TRUE(cache.Load(folder, name).isNull()) << name;
    }
    EXPECT_EQ(cache.Store(folder, "small.bmp", entry.copy(0, 0, 10, 10)), -1);
    // Without a root nothing is kept.
    const ThumbnailCache none{fs::path()};
    EXPECT_EQ(none.Prepare(kept), -1);
    EXPECT_TRUE(none.EntryFolder(kept).empty());
    // Entries no longer used (a.bmp and the three above), folders whose picture folder is gone and
    // folders without a record.
    fs::create_directories(dir.path() / "cache" / "no-record");
    EXPECT_EQ(cache.DropUnused(kept, {"b.bmp"}), 4);
    EXPECT_FALSE(fs::exists(folder / "a.bmp"));
    EXPECT_TRUE(fs::exists(folder / "b.bmp"));
    fs::remove_all(gone);
    EXPECT_EQ(cache.DropGoneFolders(), 2);
    EXPECT_TRUE(fs::exists(folder / "b.bmp"));
    EXPECT_FALSE(fs::exists(cache.EntryFolder(gone)));
    EXPECT_FALSE(fs::exists(dir.path() / "cache" / "no-record"));
}

}  // namespace
}  // namespace vyr
