// TrashOrRemove against the freedesktop.org trash layout: two files of one name both land in the
// home trash with the path a file manager restores them to; where no trash can be made the file is
// removed, and nothing is ever made in the working folder instead.
#include "platform/trash.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/exe_folder.h"
#include "support/private_home.h"

namespace {

namespace fs = std::filesystem;
using vyr::TrashResult;

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TrashTest : public ::testing::Test {
protected:
    vyr::test::PrivateHome home_;
    vyr::test::TempDir dir_;
    const fs::path picture_ = dir_.path() / "a.bmp";
};

// Links going as links and the restore paths of whole trees are tests/ui's DeleteTree suite's.
TEST_F(TrashTest, TwoFilesOfOneNameBothGoToTheHomeTrashAndCanBeRestored) {
    std::ofstream(picture_) << "first";
    EXPECT_EQ(vyr::TrashOrRemove(picture_), TrashResult::kTrashed);
    std::ofstream(picture_) << "second";
    EXPECT_EQ(vyr::TrashOrRemove(picture_), TrashResult::kTrashed);
    EXPECT_FALSE(fs::exists(picture_));
    std::multiset<std::string> found;
    for (const auto& trashed : home_.TrashedFiles()) {
        EXPECT_EQ(trashed.original, picture_);
        found.insert(Contents(trashed.inTrash));
    }
    EXPECT_EQ(found, (std::multiset<std::string>{"first", "second"}));
}

TEST_F(TrashTest, WithoutATrashTheFileIsRemovedAndNothingIsMadeElsewhere) {
    {
        const vyr::test::ExeFolder work;  // the working folder
        // The data folder is a file: no trash can be made in it.
        fs::remove_all(home_.dataHome());
        std::ofstream(home_.dataHome()) << "not a folder";
        std::ofstream(picture_) << "x";
        EXPECT_EQ(vyr::TrashOrRemove(picture_), TrashResult::kRemoved);
        EXPECT_FALSE(fs::exists(picture_));
        EXPECT_TRUE(fs::is_empty(work.path()));
    }
    // With a trash again: what is not there, or a folder, stays (a dangling link is removed: the
    // DeleteTree suite's).
    fs::remove(home_.dataHome());
    EXPECT_EQ(vyr::TrashOrRemove(dir_.path() / "missing.bmp"), TrashResult::kKept);
    EXPECT_EQ(vyr::TrashOrRemove(dir_.path()), TrashResult::kKept);
    EXPECT_TRUE(fs::is_directory(dir_.path()));
}

}  // namespace
