// The adapter choice: substring tests on the last address and on the description, in list order.
#include "link/adapter_selection.h"

#include <cstdio>
#include <cstring>

namespace vyr {
namespace {

constexpr size_t kDescriptionChars = 131;  // a 132-byte buffer with its terminator
constexpr size_t kAddressChars = 63;       // a 64-byte buffer with its terminator

std::string chosenLocalAddress;

}  // namespace

uint8_t SelectLocalAdapter(const std::vector<NetworkAdapter>& adapters, std::string* chosen) {
    uint8_t found = 0;
    for (const NetworkAdapter& adapter : adapters) {
        std::printf("AdapterName: %s\n", adapter.name.c_str());
        std::printf("AdapterDesc: %s\n", adapter.description.c_str());
        const std::string description = adapter.description.substr(0, kDescriptionChars);
        const auto& mac = adapter.hardwareAddress;
        std::printf("AdapterAddr: %02X-%02X-%02X-%02X-%02X-%02X\n", mac[0], mac[1], mac[2], mac[3],
                    mac[4], mac[5]);
        std::string address;
        for (const auto& [ip, mask] : adapter.addresses) {
            std::printf("IpAddress: %s\n", ip.c_str());
            std::printf("IpMask: %s\n", mask.c_str());
            address = ip.substr(0, kAddressChars);
            for (const std::string& gateway : adapter.gateways) {
                std::printf("Gateway: %s\n", gateway.c_str());
            }
        }
        if (address == "0.0.0.0") {
            continue;
        }
        if (address.find("192.168.1") == std::string::npos) {
            std::printf("not find...\n");
            continue;
        }
        if (description.find("Intel") != std::string::npos ||
            description.find("Wireless") != std::string::npos ||
            description.find("WiFi") != std::string::npos) {
            std::printf("Find OK -->szIP:%s.\n", address.c_str());
            *chosen = address;
            found = 1;
        }
    }
    std::fflush(stdout);
    return found;
}

uint8_t SelectLocalAdapter() {
    std::string chosen;
    const uint8_t found = SelectLocalAdapter(ListNetworkAdapters(), &chosen);
    if (found != 0) {
        chosenLocalAddress = chosen;
    }
    return found;
}

const std::string& ChosenLocalAddress() {
    return chosenLocalAddress;
}

}  // namespace vyr
