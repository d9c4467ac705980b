// Thumbnails: small pictures unscaled and centred, large ones squeezed to 284 x 160 side by side,
// files that do not load shown as the placeholder.
#include "ui/thumbnail.h"

#include <gtest/gtest.h>

#include <QImage>
#include <fstream>

#include "support/temp_dir.h"

namespace {

QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    const int halfW = width / 2;
    const int halfH = height / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QColor colour =
                y < halfH ? (x < halfW ? Qt::red : Qt::green) : (x < halfW ? Qt::blue : Qt::white);
            image.setPixelColor(x, y, colour);
        }
    }
    return image;
}

TEST(ThumbnailTest, SmallPictureIsCentredUnscaledOnBlack) {
    const QImage source = Quadrants(100, 80);
    const QImage thumbnail = vyr::MakeThumbnail(source);
    ASSERT_EQ(thumbnail.size(), QSize(284, 160));
    // Origin ((284 - 100) / 2, (160 - 80) / 2) = (92, 40).
    for (const QPoint at : {QPoint(0, 0), QPoint(99, 0), QPoint(0, 79), QPoint(99, 79),
                            QPoint(49, 39), QPoint(50, 40)}) {
        EXPECT_EQ(thumbnail.pixelColor(at + QPoint(92, 40)), source.pixelColor(at)) << at.x();
    }
    EXPECT_EQ(thumbnail.pixelColor(91, 40), QColor(Qt::black));
    EXPECT_EQ(thumbnail.pixelColor(192, 119), QColor(Qt::black));
    EXPECT_EQ(thumbnail.pixelColor(100, 39), QColor(Qt::black));
}

TEST(ThumbnailTest, LargePictureFillsTheWholeThumbnail) {
    for (const QSize size : {QSize(1920, 1080), QSize(1280, 1024)}) {
        const QImage thumbnail = vyr::MakeThumbnail(Quadrants(size.width(), size.height()));
        ASSERT_EQ(thumbnail.size(), QSize(284, 160));
        EXPECT_EQ(thumbnail.pixelColor(1, 1), QColor(Qt::red));
        EXPECT_EQ(thumbnail.pixelColor(282, 1), QColor(Qt::green));
        EXPECT_EQ(thumbnail.pixelColor(1, 158), QColor(Qt::blue));
        EXPECT_EQ(thumbnail.pixelColor(282, 158), QColor(Qt::white));
    }
}

TEST(ThumbnailTest, EachSideIsTreatedOnItsOwn) {
    // 1000 x 50: the width is squeezed to 284, the height keeps 50 and is centred at y = 55.
    const QImage thumbnail = vyr::MakeThumbnail(Quadrants(1000, 50));
    EXPECT_EQ(thumbnail.pixelColor(2, 54), QColor(Qt::black));
    EXPECT_EQ(thumbnail.pixelColor(2, 56), QColor(Qt::red));
    EXPECT_EQ(thumbnail.pixelColor(281, 103), QColor(Qt::white));
    EXPECT_EQ(thumbnail.pixelColor(281, 105), QColor(Qt::black));
}

TEST(ThumbnailTest, FilesThatDoNotLoadGetThePlaceholder) {
    vyr::test::TempDir dir;
    std::ofstream(dir.File("notes.txt")) << "not a picture";
    std::ofstream(dir.File("cut.bmp")) << "BM\x10";
    const QImage placeholder = vyr::PlaceholderThumbnail();
    EXPECT_EQ(placeholder.size(), QSize(284, 160));
    for (const char* name : {"notes.txt", "cut.bmp", "missing.bmp"}) {
        EXPECT_EQ(vyr::LoadThumbnail(QString::fromStdString(dir.File(name))), placeholder) << name;
    }
    // A real picture under a name without an extension loads by its content.
    ASSERT_TRUE(Quadrants(10, 10).save(QString::fromStdString(dir.File("picture")), "BMP"));
    const QImage loaded = vyr::LoadThumbnail(QString::fromStdString(dir.File("picture")));
    EXPECT_EQ(loaded.pixelColor(137, 75), QColor(Qt::red));
}

}  // namespace
