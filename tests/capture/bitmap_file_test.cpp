// BMP files from SaveBitmapFile: exact header bytes, pixels as QImage reads them back, and failures
// (bad arguments, a missing folder, a full disk, a taken name) that leave no file, say why and hand
// the caller's buffer back as it was.
#include "capture/bitmap_file.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::ReadFileBytes;

// A top-down BGR picture whose every pixel differs from its neighbours; padding bytes are 0xEE.
std::vector<uint8_t> Pattern(int width, int height) {
    const auto stride = static_cast<size_t>(vyr::BitmapStride(width, 24));
    std::vector<uint8_t> pixels(stride * height, 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[y * stride + x * 3];
            p[0] = static_cast<uint8_t>(x * 30 + 1);          // blue
            p[1] = static_cast<uint8_t>(y * 40 + 2);          // green
            p[2] = static_cast<uint8_t>(x * 7 + y * 11 + 3);  // red
        }
    }
    return pixels;
}

TEST(BitmapFile, HeaderBytesAreExact) {
    vyr::test::TempDir dir;
    auto pixels = Pattern(4, 3);
    ASSERT_EQ(vyr::SaveBitmapFile(pixels.data(), 4, 3, 24, dir.File("a.bmp").c_str()), 0);
    const auto b = ReadFileBytes(dir.File("a.bmp"));
    // File size 90, pixels at 54; 4 x 3 (positive height: bottom-up rows), 1 plane of 24 bits,
    // no compression, 36 bytes of pixels, 100 pixels per metre both ways, no palette.
    const std::vector<uint8_t> header = {'B', 'M', 90, 0, 0, 0, 0,  0, 0, 0, 54,  0, 0, 0,
                                         40,  0,   0,  0, 4, 0, 0,  0, 3, 0, 0,   0, 1, 0,
                                         24,  0,   0,  0, 0, 0, 36, 0, 0, 0, 100, 0, 0, 0,
                                         100, 0,   0,  0, 0, 0, 0,  0, 0, 0, 0,   0};
    ASSERT_EQ(b.size(), 54u + 36u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 54), header);
}

// QImage reads back every pixel at odd sizes (rows padded, or a single one).
TEST(BitmapFile, PatternRoundTripsThroughQImage) {
    for (const auto& [width, height] : {std::pair{7, 5}, std::pair{1, 1}, std::pair{1280, 3}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        vyr::test::TempDir dir;
        const std::string path = dir.File("p.bmp");
        auto pixels = Pattern(width, height);
        ASSERT_EQ(vyr::SaveBitmapFile(pixels.data(), width, height, 24, path.c_str()), 0);
        const auto stride = static_cast<size_t>(vyr::BitmapStride(width, 24));
        const auto b = ReadFileBytes(path);
        EXPECT_EQ(b.size(), 54 + stride * height);
        EXPECT_EQ(vyr::test::U32At(b, 34), stride * height);

        QImage image;
        ASSERT_TRUE(image.load(QString::fromStdString(path)));
        ASSERT_EQ(image.size(), QSize(width, height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(image.pixel(x, y), qRgb((x * 7 + y * 11 + 3) & 0xFF, (y * 40 + 2) & 0xFF,
                                                  (x * 30 + 1) & 0xFF))
                    << x << "," << y;
            }
        }
    }
}

TEST(BitmapFile, FailuresAreReportedAndLeaveTheBufferAlone) {
    vyr::test::TempDir dir;
    auto pixels = Pattern(4, 4);
    const auto original = pixels;
    testing::internal::CaptureStdout();
    const std::string missing = dir.File("no/such/dir.bmp");
    EXPECT_EQ(vyr::SaveBitmapFile(pixels.data(), 4, 4, 24, missing.c_str()), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "open file failed!\n" + missing + " not saved: No such file or directory!\n");

    const std::string path = dir.File("bad.bmp");
    EXPECT_EQ(vyr::SaveBitmapFile(nullptr, 4, 4, 24, path.c_str()), -1);
    const std::array<int, 3> badSizes[] = {
        {0, 4, 24}, {4, -4, 24}, {4, 4, 23}, {0x7FFFFFFF, 4, 24}};
    for (const auto& [width, height, bits] : badSizes) {
        EXPECT_EQ(vyr::SaveBitmapFile(pixels.data(), width, height, bits, path.c_str()), -1)
            << width << "x" << height << "x" << bits;
    }
    EXPECT_EQ(pixels, original);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A write that fails for lack of space (a file-size limit) leaves no file, says why on the
// console and hands the caller's buffer back as it was; a taken name is never replaced.
TEST(BitmapFile, FailedWriteLeavesNothingAndTakenNamesStay) {
    vyr::test::TempDir dir;
    const auto original = Pattern(100, 100);
    auto pixels = original;
    testing::internal::CaptureStdout();  // into a file too, which stays under the limit
    {
        vyr::test::FileSizeLimit full(10000);  // a third of the picture
        EXPECT_EQ(vyr::SaveNumberedBitmapFile(pixels.data(), 100, 100, 24, dir.path().string(),
                                              "20310709_100031", 255, nullptr),
                  vyr::kNewFileNotWritten);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              dir.File("20310709_100031.bmp") + " not saved: File too large!\n");
    EXPECT_EQ(pixels, original);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    ASSERT_EQ(vyr::SaveBitmapFile(pixels.data(), 100, 100, 24, dir.File("a.bmp").c_str()), 0);
    const auto first = ReadFileBytes(dir.File("a.bmp"));
    auto other = Pattern(3, 3);
    testing::internal::CaptureStdout();
    EXPECT_EQ(vyr::SaveBitmapFile(other.data(), 3, 3, 24, dir.File("a.bmp").c_str()),
              vyr::kNewFileNameTaken);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFileBytes(dir.File("a.bmp")), first);
}

}  // namespace
