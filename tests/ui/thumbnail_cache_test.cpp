// The thumbnail cache's files: an entry reads back exactly as stored, anything but a whole
// 284 x 160 entry reads as none, and the folders of picture folders that are gone are dropped.
#include "ui/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"
#include "ui/main_dlg_ids.h"

namespace {

namespace fs = std::filesystem;

QImage Pattern() {
    QImage thumbnail(vyr::kThumbnailWidth, vyr::kThumbnailHeight, QImage::Format_RGB888);
    for (int y = 0; y < thumbnail.height(); ++y) {
        for (int x = 0; x < thumbnail.width(); ++x) {
            thumbnail.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
        }
    }
    return thumbnail;
}

TEST(ThumbnailCacheTest, EntriesReadBackAsStoredAndOthersReadAsNone) {
    vyr::test::TempDir dir;
    const vyr::ThumbnailCache cache(dir.path() / "cache");
    const fs::path pictures = dir.path() / "jpg" / "10000";
    fs::create_directories(pictures);
    ASSERT_EQ(cache.Prepare(pictures), 0);
    const fs::path folder = cache.EntryFolder(pictures);
    ASSERT_EQ(cache.Store(folder, "a.bmp", Pattern()), 0);
    EXPECT_EQ(cache.Load(folder, "a.bmp"), Pattern());
    EXPECT_TRUE(cache.Load(folder, "missing.bmp").isNull());

    // A smaller picture, a longer file and a cut one are no entries.
    ASSERT_TRUE(Pattern()
                    .copy(0, 0, 283, 160)
                    .save(QString::fromStdString((folder / "narrow.bmp").string()), "BMP"));
    fs::copy_file(folder / "a.bmp", folder / "long.bmp");
    std::ofstream(folder / "long.bmp", std::ios::app) << 'x';
    fs::copy_file(folder / "a.bmp", folder / "cut.bmp");
    fs::resize_file(folder / "cut.bmp", fs::file_size(folder / "a.bmp") - 1);
    for (const char* name : {"narrow.bmp", "long.bmp", "cut.bmp"}) {
        EXPECT_TRUE(cache.Load(folder, name).isNull()) << name;
    }
    EXPECT_EQ(cache.Store(folder, "small.bmp", Pattern().copy(0, 0, 10, 10)), -1);
    // Without a root nothing is kept.
    const vyr::ThumbnailCache none{fs::path()};
    EXPECT_EQ(none.Prepare(pictures), -1);
    EXPECT_TRUE(none.EntryFolder(pictures).empty());
}

TEST(ThumbnailCacheTest, UnusedEntriesAndGoneFoldersAreDropped) {
    vyr::test::TempDir dir;
    const vyr::ThumbnailCache cache(dir.path() / "cache");
    const fs::path kept = dir.path() / "jpg" / "10000";
    const fs::path gone = dir.path() / "jpg" / "20000";
    for (const fs::path& pictures : {kept, gone}) {
        fs::create_directories(pictures);
        ASSERT_EQ(cache.Prepare(pictures), 0);
        for (const char* name : {"a.bmp", "b.bmp"}) {
            ASSERT_EQ(cache.Store(cache.EntryFolder(pictures), name, Pattern()), 0);
        }
    }
    fs::create_directories(dir.path() / "cache" / "no-record");
    EXPECT_EQ(cache.DropUnused(kept, {"b.bmp"}), 1);
    EXPECT_FALSE(fs::exists(cache.EntryFolder(kept) / "a.bmp"));
    EXPECT_TRUE(fs::exists(cache.EntryFolder(kept) / "b.bmp"));

    fs::remove_all(gone);
    EXPECT_EQ(cache.DropGoneFolders(), 2);
    EXPECT_TRUE(fs::exists(cache.EntryFolder(kept) / "b.bmp"));
    EXPECT_FALSE(fs::exists(cache.EntryFolder(gone)));
    EXPECT_FALSE(fs::exists(dir.path() / "cache" / "no-record"));
}

}  // namespace
