// Pieces of the stream connection that need no camera: the device-kind table, the camera type
// setting, and ReceiveExact on a socket pair.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

#include "link/stream_connection.h"
#include "linkstate/link_shared.h"
#include "support/exe_folder.h"
#include "support/file_bytes.h"

namespace {

TEST(DeviceKind, ModelTextChoosesStreamKindAndSize) {
    auto& globals = vyr::Globals();
    struct Case {
        const char* model;
        int mjpeg, width, height;
        const char* line;
    };
    globals.frameWidth.store(1111);
    globals.frameHeight.store(2222);
    const Case cases[] = {
        {"H264_CAM", 0, 1111, 2222, "FIND H264 device!\n"},  // size left as it was
        {"xx1280_QD417Vyy", 1, 1280, 1024, "FIND 1280_QD417V device!\n"},
        {"QD417V", 1, 1920, 1080, "FIND QD417V!\n"},
        {"qd417v", 0, 1920, 1080, "FIND H264 device!\n"},  // case-sensitive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        testing::internal::CaptureStdout();
        vyr::ApplyDeviceKind(c.model);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line);
        EXPECT_EQ(globals.mjpegMode.load(), c.mjpeg);
        EXPECT_EQ(globals.frameWidth.load(), c.width);
        EXPECT_EQ(globals.frameHeight.load(), c.height);
    }
}

TEST(CameraTypeSetting, MissingFileIsCreatedWithDefaults) {
    vyr::test::ExeFolder folder;
    EXPECT_EQ(vyr::ReadCameraTypeSetting(), 0);
    EXPECT_EQ(vyr::test::ReadFileBytes("language.ini"),
              (std::vector<uint8_t>{0, 0, 0, 0, 0x49, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    const uint8_t type2[16] = {3, 0, 0, 0, 0x49, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0};
    std::ofstream("language.ini", std::ios::binary).write(reinterpret_cast<const char*>(type2), 16);
    EXPECT_EQ(vyr::ReadCameraTypeSetting(), 2);
}

TEST(ReceiveExact, WholeBlocksOnlyAndTheConsoleLineWhenThePeerCloses) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    std::vector<uint8_t> sent(4100);
    for (size_t i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<uint8_t>(i * 13);
    }
    ASSERT_EQ(::write(pair[1], sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    ::close(pair[1]);

    std::vector<uint8_t> block(4096);
    EXPECT_EQ(vyr::ReceiveExact(pair[0], block.data(), 4096), 4096);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), sent.begin()));
    testing::internal::CaptureStdout();
    EXPECT_EQ(vyr::ReceiveExact(pair[0], block.data(), 4096), -1);  // 4 bytes, then the end
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "net enviorment is so bad!\n");
    EXPECT_EQ(vyr::ReceiveExact(pair[0], block.data(), 0), 0);
    ::close(pair[0]);
}

}  // namespace
