// A scan's order and its end, with one worker so that the order is fixed: the rows asked for come
// first, then the rest from the last row to the first; every thumbnail is queued before the scan
// says it has finished.
#include "ui/photo_scan.h"

#include <gtest/gtest.h>

#include <future>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

void WritePictures(const fs::path& folder, int count) {
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        QImage picture(8, 8, QImage::Format_RGB888);
        picture.fill(QColor(i * 30, 0, 0));
        ASSERT_TRUE(picture.save(
            QString::fromStdString((folder / ("p" + std::to_string(i) + ".bmp")).string()), "BMP"));
    }
}

TEST(PhotoScanTest, RowsAskedForComeFirstThenTheRestFromTheEnd) {
    vyr::test::TempDir dir;
    WritePictures(dir.path(), 6);
    std::promise<void> prioritised;
    std::promise<void> finished;
    std::vector<std::string> listed;
    vyr::PhotoScan::Callbacks callbacks;
    callbacks.listed = [&](const std::vector<vyr::PictureFile>& files) {
        for (const vyr::PictureFile& file : files) {
            listed.push_back(file.name);
        }
        prioritised.get_future().wait();
    };
    callbacks.finished = [&] { finished.set_value(); };
    vyr::PhotoScan scan(dir.path(), vyr::ThumbnailCache(dir.path() / "cache"), callbacks, 1);
    // Rows out of range are skipped.
    scan.Prioritise({4, 1, 99, -1, 4});
    prioritised.set_value();
    ASSERT_EQ(finished.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_TRUE(scan.isFinished());
    EXPECT_EQ(listed, (std::vector<std::string>{"p0.bmp", "p1.bmp", "p2.bmp", "p3.bmp", "p4.bmp",
                                                "p5.bmp"}));
    std::vector<int> rows;
    for (const auto& thumbnail : scan.TakeThumbnails(100)) {
        rows.push_back(thumbnail.row);
        EXPECT_EQ(thumbnail.image.pixelColor(142, 80), QColor(thumbnail.row * 30, 0, 0));
    }
    EXPECT_EQ(rows, (std::vector<int>{4, 1, 5, 3, 2, 0}));
    EXPECT_EQ(scan.counts().made, 6);
    EXPECT_EQ(scan.counts().stored, 6);
}

}  // namespace
