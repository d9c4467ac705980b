// The --camera and --data options: the default address, both spellings, and refused arguments.
#include "app/core/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

vyr::CommandLine Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "vyr");
    return vyr::ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, TakesTheCameraAddressOrKeepsTheDefault) {
    EXPECT_EQ(Parse({}).cameraAddress, "192.168.1.1");
    EXPECT_TRUE(Parse({}).ok);
    EXPECT_EQ(Parse({"--camera", "127.0.0.2"}).cameraAddress, "127.0.0.2");
    EXPECT_EQ(Parse({"--camera=127.0.0.3"}).cameraAddress, "127.0.0.3");
}

TEST(CommandLine, TakesTheDataFolderBesideTheCamera) {
    EXPECT_EQ(Parse({}).dataFolder, "");
    const vyr::CommandLine both = Parse({"--data", "/srv/clinic", "--camera=127.0.0.2"});
    EXPECT_TRUE(both.ok);
    EXPECT_EQ(both.dataFolder, "/srv/clinic");
    EXPECT_EQ(both.cameraAddress, "127.0.0.2");
    EXPECT_EQ(Parse({"--data=rel/dir"}).dataFolder, "rel/dir");
}

TEST(CommandLine, RefusesWhatItDoesNotKnow) {
    EXPECT_FALSE(Parse({"--data"}).ok);
    EXPECT_FALSE(Parse({"--data="}).ok);
    EXPECT_FALSE(Parse({"--database", "x"}).ok);
    EXPECT_FALSE(Parse({"--camera"}).ok);
    EXPECT_FALSE(Parse({"--camera", "camera.local"}).ok);
    EXPECT_FALSE(Parse({"--camera", "300.1.1.1"}).ok);
    EXPECT_FALSE(Parse({"--verbose"}).ok);
    EXPECT_NE(Parse({"--verbose"}).error.find("--verbose"), std::string::npos);
}

}  // namespace
