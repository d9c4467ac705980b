// Encoder lookup by MIME type over Qt's image writers.
#include "platform/imaging/image_encoders.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

#include "support/temp_dir.h"

namespace {

TEST(ImageEncoders, FindsTheBmpWriterByExactMimeType) {
    vyr::EncoderClsid clsid;
    ASSERT_EQ(vyr::GetEncoderClsid(u"image/bmp", &clsid), 1);
    // The found format really writes BMP files.
    vyr::test::TempDir dir;
    const QString path = QString::fromStdString(dir.File("x.dat"));
    QImage image(3, 2, QImage::Format_RGB888);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(path, clsid.format.constData()));
    EXPECT_EQ(QImageReader(path).format(), "bmp");
}

TEST(ImageEncoders, UnknownOrDifferentlyCasedTypesAreNotFound) {
    vyr::EncoderClsid clsid;
    EXPECT_EQ(vyr::GetEncoderClsid(u"image/BMP", &clsid), 0);
    EXPECT_EQ(vyr::GetEncoderClsid(u"image/x-no-such-type", &clsid), 0);
    EXPECT_EQ(vyr::GetEncoderClsid(u"", &clsid), 0);
    EXPECT_EQ(vyr::GetEncoderClsid(nullptr, &clsid), 0);
    EXPECT_EQ(vyr::GetEncoderClsid(u"image/bmp", nullptr), 0);
}

}  // namespace
