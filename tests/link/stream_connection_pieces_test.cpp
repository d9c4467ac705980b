// Pieces of the stream connection that need no camera: the local adapter choice over made-up
// adapter lists, the device-kind table, and ReceiveExact on a socket pair. (The camera type is
// language.ini's: its reader and defaults are the app suites', and the capture suite sets it.)
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <tuple>

#include "link/adapter_selection.h"
#include "link/stream_connection.h"
#include "linkstate/link_shared.h"

namespace {

constexpr size_t kNone = std::string::npos;

vyr::NetworkAdapter Adapter(const std::string& description, std::vector<std::string> addresses) {
    vyr::NetworkAdapter adapter{"if0", description, {0x00, 0x1B, 0x21, 0xAB, 0xCD, 0xEF}, {}, {}};
    for (auto& address : addresses) {
        adapter.addresses.emplace_back(address, "255.255.255.0");
    }
    return adapter;
}

std::string Select(const std::vector<vyr::NetworkAdapter>& adapters, std::string* chosen,
                   uint8_t* found) {
    testing::internal::CaptureStdout();
    *found = vyr::SelectLocalAdapter(adapters, chosen);
    return testing::internal::GetCapturedStdout();
}

TEST(AdapterSelection, SubnetTestIsASubstringAndDescriptionNeedsAWord) {
    std::string chosen = "unchanged";
    uint8_t found = 0;
    std::string out = Select({Adapter("Intel Ethernet", {"192.168.10.7"})}, &chosen, &found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(chosen, "192.168.10.7");
    EXPECT_NE(out.find("Find OK -->szIP:192.168.10.7.\n"), kNone);
    EXPECT_NE(out.find("00-1B-21-AB-CD-EF"), kNone);
    // Without one of the (case-sensitive) words the adapter is skipped without a message.
    for (const char* description : {"Realtek PCIe GbE", "wifi wireless intel"}) {
        chosen = "unchanged";
        out = Select({Adapter(description, {"192.168.1.20"})}, &chosen, &found);
        EXPECT_EQ(found, 0);
        EXPECT_EQ(chosen, "unchanged");
        EXPECT_EQ(out.find("not find"), kNone) << description;
        EXPECT_EQ(out.find("Find OK"), kNone) << description;
    }
    out = Select({Adapter("Intel Wireless", {"10.0.0.5"})}, &chosen, &found);
    EXPECT_EQ(found, 0);
    EXPECT_NE(out.find("not find...\n"), kNone);
}

TEST(AdapterSelection, UnconnectedIsSkippedLastAddressCountsLastMatchWins) {
    std::string chosen;
    uint8_t found = 0;
    const std::string out =
        Select({Adapter("WiFi adapter", {"0.0.0.0"}), Adapter("Wireless A", {"192.168.1.5"}),
                Adapter("Intel B", {"192.168.1.9", "10.1.1.1"}),
                Adapter("Intel C", {"10.1.1.2", "192.168.1.77"})},
               &chosen, &found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(chosen, "192.168.1.77");
    // Only adapter B, judged by its last address, says "not find"; the unconnected one is silent.
    const size_t first = out.find("not find...\n");
    ASSERT_NE(first, kNone);
    EXPECT_EQ(out.find("not find...\n", first + 1), kNone);
    EXPECT_EQ(out.find("szIP:192.168.1.9."), kNone);
    EXPECT_NE(out.find("szIP:192.168.1.5."), kNone);
}

TEST(DeviceKind, ModelTextChoosesStreamKindAndSize) {
    auto& globals = vyr::Globals();
    globals.frameWidth.store(1111);
    globals.frameHeight.store(2222);
    // Model text, Motion-JPEG or not, display size and console line.
    const std::tuple<const char*, int, int, int, const char*> cases[] = {
        {"H264_CAM", 0, 1111, 2222, "FIND H264 device!\n"},  // size left as it was
        {"xx1280_QD417Vyy", 1, 1280, 1024, "FIND 1280_QD417V device!\n"},
        {"QD417V", 1, 1920, 1080, "FIND QD417V!\n"},
        {"qd417v", 0, 1920, 1080, "FIND H264 device!\n"},  // case-sensitive
    };
    for (const auto& [model, mjpeg, width, height, line] : cases) {
        SCOPED_TRACE(model);
        testing::internal::CaptureStdout();
        vyr::ApplyDeviceKind(model);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), line);
        EXPECT_EQ(globals.mjpegMode.load(), mjpeg);
        EXPECT_EQ(globals.frameWidth.load(), width);
        EXPECT_EQ(globals.frameHeight.load(), height);
    }
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
