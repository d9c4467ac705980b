// camsim's command line: values reach the camera and button settings, bad values are refused.
#include "tools/camsim/cli_options.h"

#include <gtest/gtest.h>

namespace vyr::camsim {
namespace {

bool Parse(std::vector<const char*> args, CliOptions* options, std::string* error) {
    args.insert(args.begin(), "camsim");
    return ParseCommandLine(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CommandLine, DefaultsAreTheCamerasPortsOnLoopback) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(Parse({}, &o, &error)) << error;
    EXPECT_EQ(o.camera.address, "127.0.0.2");
    EXPECT_EQ(o.camera.modelPort, 40006);
    EXPECT_EQ(o.camera.streamPort, 40003);
    EXPECT_EQ(o.control.port, 40004);
    EXPECT_EQ(o.picture.port, 40013);
    EXPECT_EQ(o.control.clientAddress, "127.0.0.1");
    EXPECT_EQ(o.control.cameraAddress, "127.0.0.2");
}

TEST(CommandLine, EveryOptionReachesItsSetting) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--address",
                       "127.0.0.9",
                       "--model",
                       "1280_QD417V",
                       "--reply-code",
                       "11",
                       "--model-silent",
                       "--stream",
                       "mjpeg",
                       "--size",
                       "1280x1024",
                       "--fps",
                       "12.5",
                       "--slices",
                       "4",
                       "--full-range",
                       "--gop",
                       "10",
                       "--loop",
                       "20",
                       "--client",
                       "127.0.0.5",
                       "--control-port",
                       "41004",
                       "--picture-port",
                       "41013",
                       "--model-port",
                       "41006",
                       "--stream-port",
                       "41003",
                       "--send",
                       "capture",
                       "--send",
                       "upload /tmp/a.jpg"},
                      &o, &error))
        << error;
    EXPECT_EQ(o.camera.modelText, "1280_QD417V");
    EXPECT_EQ(o.camera.replyCode, 11);
    EXPECT_EQ(o.camera.modelBehaviour, ModelBehaviour::AcceptThenSilent);
    EXPECT_EQ(o.camera.streamKind, StreamKind::Mjpeg);
    EXPECT_EQ(o.camera.width, 1280);
    EXPECT_EQ(o.camera.height, 1024);
    EXPECT_DOUBLE_EQ(o.camera.fps, 12.5);
    EXPECT_EQ(o.camera.slicesPerPicture, 4);
    EXPECT_TRUE(o.camera.fullRange);
    EXPECT_EQ(o.camera.gopFrames, 10);
    EXPECT_EQ(o.camera.loopFrames, 20);
    EXPECT_EQ(o.camera.modelPort, 41006);
    EXPECT_EQ(o.camera.streamPort, 41003);
    for (const ButtonTarget* target : {&o.control, &o.picture}) {
        EXPECT_EQ(target->clientAddress, "127.0.0.5");
        EXPECT_EQ(target->cameraAddress, "127.0.0.9") << "the button leaves from the camera";
    }
    EXPECT_EQ(o.control.port, 41004);
    EXPECT_EQ(o.picture.port, 41013);
    EXPECT_EQ(o.commands, (std::vector<std::string>{"capture", "upload /tmp/a.jpg"}));
}

TEST(CommandLine, SilentStreamAndNoModel) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--stream", "silent", "--no-model", "--fps", "0"}, &o, &error)) << error;
    EXPECT_EQ(o.camera.streamBehaviour, StreamBehaviour::AcceptThenSilent);
    EXPECT_EQ(o.camera.modelBehaviour, ModelBehaviour::NotListening);
    EXPECT_EQ(o.camera.fps, 0.0);
}

TEST(CommandLine, BadValuesAreRefused) {
    const std::vector<std::vector<const char*>> bad{
        {"--size", "1279x720"},    {"--size", "1280"},   {"--size", "10x10"},
        {"--fps", "-1"},           {"--fps", "fast"},    {"--slices", "0"},
        {"--reply-code", "70000"}, {"--stream", "h265"}, {"--control-port", "0"},
        {"--model-port", "12ab"},  {"--model"},          {"--frobnicate"}};
    for (const auto& args : bad) {
        CliOptions o;
        std::string error;
        EXPECT_FALSE(Parse(args, &o, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CommandLine, HelpNamesEveryCommand) {
    const std::string help = HelpText();
    for (const char* word : {"capture", "release", "delete-last", "show-none", "delete-all",
                             "upload PATH", "quit", "--full-range", "--slices", "--fps"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

}  // namespace
}  // namespace vyr::camsim
