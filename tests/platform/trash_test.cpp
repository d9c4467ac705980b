// TrashOrRemove against the freedesktop.org trash layout: a file lands in the home trash with the
// path a file manager restores it to; a link goes as a link; where no trash can be made the file is
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

TEST_F(TrashTest, FilesAndLinksGoToTheHomeTrashAndCanBeRestored) {
    const fs::path link = dir_.path() / "link.bmp";
    std::ofstream(dir_.path() / "target.bmp") << "target";
    fs::create_symlink(dir_.path() / "target.bmp", link);
    std::ofstream(picture_) << "first";
    EXPECT_EQ(vyr::TrashOrRemove(picture_), TrashResult::kTrashed);
    // A second picture of the same name does not replace the first in the trash.
    std::ofstream(picture_) << "second";
    EXPECT_EQ(vyr::TrashOrRemove(picture_), TrashResult::kTrashed);
    EXPECT_EQ(vyr::TrashOrRemove(link), TrashResult::kTrashed);
    EXPECT_FALSE(fs::exists(picture_));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(Contents(dir_.path() / "target.bmp"), "target");

    std::multiset<std::string> found;
    for (const auto& trashed : home_.TrashedFiles()) {
        EXPECT_EQ(trashed.original.parent_path(), dir_.path());
        found.insert(trashed.original.filename().string() + "=" + Contents(trashed.inTrash));
    }
    EXPECT_EQ(found,
              (std::multiset<std::string>{"a.bmp=first", "a.bmp=second", "link.bmp=target"}));
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
    // A link whose target is gone is removed as well; what is not there, or a folder, stays.
    fs::remove(home_.dataHome());
    fs::create_symlink(dir_.path() / "gone.bmp", dir_.path() / "dangling.bmp");
    EXPECT_EQ(vyr::TrashOrRemove(dir_.path() / "dangling.bmp"), TrashResult::kRemoved);
    EXPECT_FALSE(fs::is_symlink(dir_.path() / "dangling.bmp"));
    EXPECT_EQ(vyr::TrashOrRemove(dir_.path() / "missing.bmp"), TrashResult::kKept);
    EXPECT_EQ(vyr::TrashOrRemove(dir_.path()), TrashResult::kKept);
    EXPECT_TRUE(fs::is_directory(dir_.path()));
}

}  // namespace
