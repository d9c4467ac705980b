// TrashOrRemove against the freedesktop.org trash layout: a file lands in the home trash with the
// path a file manager restores it to; a link goes as a link; where no trash can be made the file is
// removed, and nothing is ever made in the working folder instead.
#include "platform/trash.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/private_home.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

class TrashTest : public ::testing::Test {
protected:
    vyr::test::PrivateHome home_;
    vyr::test::TempDir dir_;
};

TEST_F(TrashTest, FilesAndLinksGoToTheHomeTrashAndCanBeRestored) {
    const fs::path first = dir_.path() / "a.bmp";
    const fs::path target = dir_.path() / "target.bmp";
    const fs::path link = dir_.path() / "link.bmp";
    Write(first, "first");
    Write(target, "target");
    fs::create_symlink(target, link);
    EXPECT_EQ(vyr::TrashOrRemove(first), vyr::TrashResult::kTrashed);
    // A second picture of the same name does not replace the first in the trash.
    Write(first, "second");
    EXPECT_EQ(vyr::TrashOrRemove(first), vyr::TrashResult::kTrashed);
    EXPECT_EQ(vyr::TrashOrRemove(link), vyr::TrashResult::kTrashed);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(Contents(target), "target");

    std::multiset<std::string> found;
    for (const auto& trashed : home_.TrashedFiles()) {
        found.insert(trashed.original.filename().string() + "=" + Contents(trashed.inTrash));
    }
    EXPECT_EQ(found,
              (std::multiset<std::string>{"a.bmp=first", "a.bmp=second", "link.bmp=target"}));
    EXPECT_EQ(home_.TrashedFiles()[0].original.parent_path(), dir_.path());
}

TEST_F(TrashTest, WithoutATrashTheFileIsRemovedAndNothingIsMadeElsewhere) {
    const fs::path work = dir_.path() / "work";
    fs::create_directories(work);
    const fs::path previous = fs::current_path();
    fs::current_path(work);
    // The data folder is a file: no trash can be made in it.
    fs::remove_all(home_.dataHome());
    Write(home_.dataHome(), "not a folder");
    const fs::path picture = dir_.path() / "a.bmp";
    Write(picture, "x");
    EXPECT_EQ(vyr::TrashOrRemove(picture), vyr::TrashResult::kRemoved);
    EXPECT_FALSE(fs::exists(picture));
    EXPECT_TRUE(fs::is_empty(work));
    fs::current_path(previous);

    // A link whose target is gone is removed as well; what is not there, or a folder, stays.
    fs::remove(home_.dataHome());
    fs::create_symlink(dir_.path() / "gone.bmp", dir_.path() / "dangling.bmp");
    EXPECT_EQ(vyr::TrashOrRemove(dir_.path() / "dangling.bmp"), vyr::TrashResult::kRemoved);
    EXPECT_FALSE(fs::is_symlink(dir_.path() / "dangling.bmp"));
    EXPECT_EQ(vyr::TrashOrRemove(dir_.path() / "missing.bmp"), vyr::TrashResult::kKept);
    EXPECT_EQ(vyr::TrashOrRemove(work), vyr::TrashResult::kKept);
    EXPECT_TRUE(fs::is_directory(work));
}

}  // namespace
