// The local adapter choice over made-up adapter lists, with its console lines.
#include "link/adapter_selection.h"

#include <gtest/gtest.h>

namespace {

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
    EXPECT_NE(out.find("Find OK -->szIP:192.168.10.7.\n"), std::string::npos);
    EXPECT_NE(out.find("00-1B-21-AB-CD-EF"), std::string::npos);

    chosen = "unchanged";
    out = Select({Adapter("Realtek PCIe GbE", {"192.168.1.20"})}, &chosen, &found);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(chosen, "unchanged");
    EXPECT_EQ(out.find("not find"), std::string::npos);  // skipped without a message
    EXPECT_EQ(out.find("Find OK"), std::string::npos);

    out = Select({Adapter("Intel Wireless", {"10.0.0.5"})}, &chosen, &found);
    EXPECT_EQ(found, 0);
    EXPECT_NE(out.find("not find...\n"), std::string::npos);

    // The words are case-sensitive.
    out = Select({Adapter("wifi wireless intel", {"192.168.1.3"})}, &chosen, &found);
    EXPECT_EQ(found, 0);
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
    // Only adapter B says "not find": it is judged by 10.1.1.1, its last address; the
    // unconnected adapter is skipped without a message.
    const size_t first = out.find("not find...\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(out.find("not find...\n", first + 1), std::string::npos);
    EXPECT_EQ(out.find("szIP:192.168.1.9."), std::string::npos);
    EXPECT_NE(out.find("szIP:192.168.1.5."), std::string::npos);
}

TEST(AdapterSelection, ThisMachinesListIsWellFormed) {
    for (const auto& adapter : vyr::ListNetworkAdapters()) {
        EXPECT_FALSE(adapter.name.empty());
        EXPECT_FALSE(adapter.addresses.empty());
        EXPECT_NE(adapter.description.find("adapter"), std::string::npos) << adapter.description;
    }
}

}  // namespace
