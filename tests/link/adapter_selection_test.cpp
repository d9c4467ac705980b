// The local adapter choice over made-up adapter lists, with its console lines.
#include "link/adapter_selection.h"

#include <gtest/gtest.h>

namespace {

constexpr size_t kNone = std::string::npos;

vyr::NetworkAdapter Adapter(const std::string& description, std::vector<std::string> addresses) {
    vyr::NetworkAdapter adapter;
    adapter.name = "if0";
    adapter.description = description;
    adapter.hardwareAddress = {0x00, 0x1B, 0x21, 0xAB, 0xCD, 0xEF};
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

}  // namespace
