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

class DeleteTreeTest : public ::testing::Test {
protected:
    vyr::test::PrivateHome home_;
    vyr::test::TempDir dir_;
};

TEST_F(DeleteTreeTest, TrashesEveryFileAndKeepsTheFolders) {
    const fs::path folder = dir_.path() / "jpg" / "10000";
    for (const char* name : {"a.bmp", "b.txt", ".hidden", "sub/c.bmp", "sub/deeper/d.bmp"}) {
        Touch(folder / name);
    }
    EXPECT_EQ(vyr::DeleteTree(folder), 5);
    EXPECT_TRUE(fs::is_directory(folder / "sub" / "deeper"));
    EXPECT_TRUE(fs::is_empty(folder / "sub" / "deeper"));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder), {}), 2);
    std::vector<fs::path> trashed;
    for (const auto& file : home_.TrashedFiles()) {
        EXPECT_TRUE(fs::exists(file.inTrash));
        trashed.push_back(file.original);
    }
    std::sort(trashed.begin(), trashed.end());
    EXPECT_EQ(trashed,
              (std::vector<fs::path>{folder / ".hidden", folder / "a.bmp", folder / "b.txt",
                                     folder / "sub/c.bmp", folder / "sub/deeper/d.bmp"}));
}

TEST_F(DeleteTreeTest, LinksAreDeletedNotFollowed) {
    const fs::path folder = dir_.path() / "patient";
    const fs::path outside = dir_.path() / "outside";
    Touch(outside / "keep.bmp");
    fs::create_directories(folder);
    fs::create_directory_symlink(outside, folder / "linked-folder");
    fs::create_symlink(outside / "keep.bmp", folder / "linked-file.bmp");
    fs::create_symlink(outside / "gone.bmp", folder / "dangling.bmp");
    EXPECT_EQ(vyr::DeleteTree(folder), 3);
    EXPECT_TRUE(fs::exists(outside / "keep.bmp"));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(DeleteTreeTest, PathsLongerThanTheBuffersAreRefusedNotCut) {
    // The joined path may hold 199 bytes, the pattern (folder + "/*.*") too.
    fs::path folder = dir_.path();
    while (folder.native().size() < 150) {
        folder /= "f";
    }
    const auto nameOfLength = [&](const fs::path& in, size_t joined) {
        return in / std::string(joined - in.native().size() - 1, 'n');
    };
    const fs::path fits = nameOfLength(folder, 199);
    const fs::path tooLong = nameOfLength(folder, 200);
    Touch(fits);
    Touch(tooLong);
    // A sub-folder whose pattern would not fit is not walked.
    const fs::path deep = nameOfLength(folder, 196);
    Touch(deep / "x");
    EXPECT_EQ(vyr::DeleteTree(folder), 1);
    EXPECT_FALSE(fs::exists(fits));
    EXPECT_TRUE(fs::exists(tooLong));
    EXPECT_TRUE(fs::exists(deep / "x"));
    // Nor is such a folder when given itself: it deletes nothing.
    EXPECT_EQ(vyr::DeleteTree(deep), -1);
    EXPECT_TRUE(fs::exists(deep / "x"));
}

TEST_F(DeleteTreeTest, RefusesAnEmptyPathAndFiles) {
    Touch(dir_.path() / "file.bmp");
    EXPECT_EQ(vyr::DeleteTree(""), -1);
    EXPECT_EQ(vyr::DeleteTree(dir_.path() / "file.bmp"), -1);
    EXPECT_EQ(vyr::DeleteTree(dir_.path() / "missing"), -1);
    EXPECT_TRUE(fs::exists(dir_.path() / "file.bmp"));
}

}  // namespace
