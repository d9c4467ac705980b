// Thumbnails: small pictures unscaled and centred, large ones squeezed to 284 x 160 side by side,
// each side on its own, black around; files that do not load shown as the placeholder.
#include "ui/thumbnail.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <fstream>

#include "support/temp_dir.h"

namespace {

// Red, green / blue, white.
QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
        painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
        painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    }
    return image;
}

TEST(ThumbnailTest, SmallSidesAreKeptAndCentredLargeOnesSqueezed) {
    const std::pair<QSize, QRect> cases[] = {{{100, 80}, {92, 40, 100, 80}},
                                             {{1920, 1080}, {0, 0, 284, 160}},
                                             {{1280, 1024}, {0, 0, 284, 160}},
                                             {{1000, 50}, {0, 55, 284, 50}}};
    for (const auto& [size, placed] : cases) {
        SCOPED_TRACE(size.width());
        const QImage source = Quadrants(size.width(), size.height());
        QImage thumbnail = vyr::MakeThumbnail(source);
        ASSERT_EQ(thumbnail.size(), QSize(284, 160));
        if (placed.size() == size) {
            EXPECT_EQ(thumbnail.copy(placed), source);
        }
        const QRect inner = placed.adjusted(1, 1, -1, -1);
        EXPECT_EQ(thumbnail.pixelColor(inner.topLeft()), QColor(Qt::red));
        EXPECT_EQ(thumbnail.pixelColor(inner.topRight()), QColor(Qt::green));
        EXPECT_EQ(thumbnail.pixelColor(inner.bottomLeft()), QColor(Qt::blue));
        EXPECT_EQ(thumbnail.pixelColor(inner.bottomRight()), QColor(Qt::white));
        QPainter(&thumbnail).fillRect(placed, Qt::black);
        QImage black(thumbnail.size(), thumbnail.format());
        black.fill(Qt::black);
        EXPECT_EQ(thumbnail, black);
    }
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
