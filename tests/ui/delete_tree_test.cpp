// DeleteTree: every file under the folder goes, folders stay, links are not followed, and an
// empty or wrong path deletes nothing.
#include "ui/delete_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

TEST(DeleteTreeTest, DeletesEveryFileAndKeepsTheFolders) {
    vyr::test::TempDir dir;
    const fs::path folder = dir.path() / "jpg" / "10000";
    for (const char* name : {"a.bmp", "b.txt", ".hidden", "sub/c.bmp", "sub/deeper/d.bmp"}) {
        Touch(folder / name);
    }
    EXPECT_EQ(vyr::DeleteTree(folder), 5);
    EXPECT_TRUE(fs::is_directory(folder / "sub" / "deeper"));
    EXPECT_TRUE(fs::is_empty(folder / "sub" / "deeper"));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder), {}), 2);
}

TEST(DeleteTreeTest, LinksAreRemovedNotFollowed) {
    vyr::test::TempDir dir;
    const fs::path folder = dir.path() / "patient";
    const fs::path outside = dir.path() / "outside";
    Touch(outside / "keep.bmp");
    fs::create_directories(folder);
    fs::create_directory_symlink(outside, folder / "linked-folder");
    fs::create_symlink(outside / "keep.bmp", folder / "linked-file.bmp");
    EXPECT_EQ(vyr::DeleteTree(folder), 2);
    EXPECT_TRUE(fs::exists(outside / "keep.bmp"));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST(DeleteTreeTest, RefusesAnEmptyPathAndFiles) {
    vyr::test::TempDir dir;
    Touch(dir.path() / "file.bmp");
    EXPECT_EQ(vyr::DeleteTree(""), -1);
    EXPECT_EQ(vyr::DeleteTree(dir.path() / "file.bmp"), -1);
    EXPECT_EQ(vyr::DeleteTree(dir.path() / "missing"), -1);
    EXPECT_TRUE(fs::exists(dir.path() / "file.bmp"));
}

}  // namespace
