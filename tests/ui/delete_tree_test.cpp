// DeleteTree: every file under the folder goes to the trash, folders stay, links are not followed,
// paths longer than the walk's buffers are refused, and an empty or wrong path deletes nothing.
#include "ui/delete_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/private_home.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

TEST(DeleteTreeTest, TrashesEveryFileAndKeepsTheFoldersButNotWhatLinksPointTo) {
    vyr::test::PrivateHome home;
    vyr::test::TempDir dir;
    const fs::path folder = dir.path() / "jpg" / "10000";
    const fs::path outside = dir.path() / "outside";
    for (const char* name : {"a.bmp", ".hidden", "sub/c.bmp", "sub/deeper/d.bmp"}) {
        Touch(folder / name);
    }
    Touch(outside / "keep.bmp");
    fs::create_directory_symlink(outside, folder / "linked-folder");
    fs::create_symlink(outside / "keep.bmp", folder / "linked-file.bmp");
    fs::create_symlink(outside / "gone.bmp", folder / "dangling.bmp");
    EXPECT_EQ(vyr::DeleteTree(folder), 7);
    EXPECT_TRUE(fs::exists(outside / "keep.bmp"));
    EXPECT_TRUE(fs::is_empty(folder / "sub" / "deeper"));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder), {}), 2);
    // The files are in the trash with the paths a file manager restores them to (the dangling
    // link cannot go there and is removed).
    std::vector<fs::path> trashed;
    for (const auto& file : home.TrashedFiles()) {
        EXPECT_TRUE(fs::exists(fs::symlink_status(file.inTrash)));
        trashed.push_back(file.original);
    }
    std::sort(trashed.begin(), trashed.end());
    EXPECT_EQ(trashed, (std::vector<fs::path>{folder / ".hidden", folder / "a.bmp",
                                              folder / "linked-file.bmp", folder / "linked-folder",
                                              folder / "sub/c.bmp", folder / "sub/deeper/d.bmp"}));
}

TEST(DeleteTreeTest, PathsLongerThanTheBuffersAndWrongPathsAreRefusedNotCut) {
    vyr::test::PrivateHome home;
    vyr::test::TempDir dir;
    // The joined path may hold 199 bytes, the pattern (folder + "/*.*") too.
    fs::path folder = dir.path();
    while (folder.native().size() < 150) {
        folder /= "f";
    }
    const auto nameOfLength = [&](size_t joined) {
        return folder / std::string(joined - folder.native().size() - 1, 'n');
    };
    const fs::path fits = nameOfLength(199);
    const fs::path tooLong = nameOfLength(200);
    Touch(fits);
    Touch(tooLong);
    // A sub-folder whose pattern would not fit is not walked, nor given itself.
    const fs::path deep = nameOfLength(196);
    Touch(deep / "x");
    EXPECT_EQ(vyr::DeleteTree(folder), 1);
    EXPECT_FALSE(fs::exists(fits));
    EXPECT_TRUE(fs::exists(tooLong));
    EXPECT_TRUE(fs::exists(deep / "x"));
    Touch(dir.path() / "file.bmp");
    for (const fs::path& refused : {deep, fs::path(), dir.path() / "file.bmp", dir.path() / "no"}) {
        EXPECT_EQ(vyr::DeleteTree(refused), -1) << refused;
    }
    EXPECT_TRUE(fs::exists(deep / "x"));
    EXPECT_TRUE(fs::exists(dir.path() / "file.bmp"));
}

}  // namespace
