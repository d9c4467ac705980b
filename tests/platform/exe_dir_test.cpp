// The executable's folder.
#include "platform/exe_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(ExeDir, IsTheFolderOfThisTestProgram) {
    const std::string dir = vyr::GetExeDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/platform_imaging_test"));
}

TEST(ExeDir, CutsBeforeTheLastSlash) {
    EXPECT_EQ(vyr::ExeDirOf("/opt/vyr/bin/vyr"), "/opt/vyr/bin");
    EXPECT_EQ(vyr::ExeDirOf("/vyr"), "");
    EXPECT_EQ(vyr::ExeDirOf("vyr"), "");
    const std::string deep = "/" + std::string(300, 'd') + "/vyr";  // longer than 260 characters
    EXPECT_EQ(vyr::ExeDirOf(deep), "/" + std::string(300, 'd'));
}

}  // namespace
