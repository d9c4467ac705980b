// BMP files from SaveBitmapFile: exact header bytes, pixels as QImage reads them back, and the
// in-place flip of the caller's buffer.
#include "capture/bitmap_file.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::ReadFileBytes;
using vyr::test::U16At;
using vyr::test::U32At;

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
    const std::string path = dir.File("a.bmp");
    auto pixels = Pattern(4, 3);
    ASSERT_EQ(vyr::SaveBitmapFile(pixels.data(), 4, 3, 24, path.c_str()), 0);
    const auto b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 54u + 36u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32At(b, 2), 90u);  // bfSize
    EXPECT_EQ(U32At(b, 6), 0u);   // both reserved words
    EXPECT_EQ(U32At(b, 10), 54u);
    EXPECT_EQ(U32At(b, 14), 40u);
    EXPECT_EQ(U32At(b, 18), 4u);
    EXPECT_EQ(U32At(b, 22), 3u);  // positive height: bottom-up rows
    EXPECT_EQ(U16At(b, 26), 1u);
    EXPECT_EQ(U16At(b, 28), 24u);
    EXPECT_EQ(U32At(b, 30), 0u);
    EXPECT_EQ(U32At(b, 34), 36u);
    EXPECT_EQ(U32At(b, 38), 100u);
    EXPECT_EQ(U32At(b, 42), 100u);
    EXPECT_EQ(U32At(b, 46), 0u);
    EXPECT_EQ(U32At(b, 50), 0u);
    // The first stored row is the picture's bottom row.
    const auto original = Pattern(4, 3);
    EXPECT_TRUE(std::equal(b.begin() + 54, b.begin() + 66, original.begin() + 24));
}

TEST(BitmapFile, PatternRoundTripsThroughQImageAtOddSizes) {
    for (const auto& [width, height] : {std::pair{7, 5}, std::pair{1, 1}, std::pair{1280, 3}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        vyr::test::TempDir dir;
        const std::string path = dir.File("p.bmp");
        auto pixels = Pattern(width, height);
        ASSERT_EQ(vyr::SaveBitmapFile(pixels.data(), width, height, 24, path.c_str()), 0);
        const auto stride = vyr::BitmapStride(width, 24);
        const auto b = ReadFileBytes(path);
        EXPECT_EQ(b.size(), static_cast<size_t>(54 + stride * height));
        EXPECT_EQ(U32At(b, 34), stride * height);

        QImage image;
        ASSERT_TRUE(image.load(QString::fromStdString(path)));
        ASSERT_EQ(image.width(), width);
        ASSERT_EQ(image.height(), height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb expected =
                    qRgb((x * 7 + y * 11 + 3) & 0xFF, (y * 40 + 2) & 0xFF, (x * 30 + 1) & 0xFF);
                ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
            }
        }
    }
}

TEST(BitmapFile, CallersBufferIsFlippedInPlaceAndMiddleRowStays) {
    vyr::test::TempDir dir;
    const int width = 5;
    const int height = 5;
    const auto original = Pattern(width, height);
    auto pixels = original;
    ASSERT_EQ(vyr::SaveBitmapFile(pixels.data(), width, height, 24, dir.File("f.bmp").c_str()), 0);
    const auto stride = static_cast<size_t>(vyr::BitmapStride(width, 24));
    for (int row = 0; row < height; ++row) {
        EXPECT_TRUE(std::equal(pixels.begin() + row * stride, pixels.begin() + (row + 1) * stride,
                               original.begin() + (height - 1 - row) * stride))
            << "row " << row;
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
    EXPECT_EQ(pixels, original);

    const std::string path = dir.File("bad.bmp");
    EXPECT_EQ(vyr::SaveBitmapFile(nullptr, 4, 4, 24, path.c_str()), -1);
    EXPECT_EQ(vyr::SaveBitmapFile(pixels.data(), 0, 4, 24, path.c_str()), -1);
    EXPECT_EQ(vyr::SaveBitmapFile(pixels.data(), 4, -4, 24, path.c_str()), -1);
    EXPECT_EQ(vyr::SaveBitmapFile(pixels.data(), 4, 4, 23, path.c_str()), -1);
    EXPECT_EQ(vyr::SaveBitmapFile(pixels.data(), 0x7FFFFFFF, 4, 24, path.c_str()), -1);
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
