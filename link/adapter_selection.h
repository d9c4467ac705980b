// Choosing the local adapter on the camera's subnet: an adapter whose last address contains
// "192.168.1" and whose description marks it as wireless or Intel. The last matching adapter of
// the list wins. The choice is made over a plain list so that it can be tested with any adapters;
// ListNetworkAdapters builds the list of this machine.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vyr {

struct NetworkAdapter {
    std::string name;         // e.g. "wlp2s0"
    std::string description;  // e.g. "Intel Wireless adapter (iwlwifi)"
    std::array<uint8_t, 6> hardwareAddress{};
    std::vector<std::pair<std::string, std::string>> addresses;  // dotted address and mask
    std::vector<std::string> gateways;
};

// Prints the diagnostic lines for every adapter and returns 1 with the chosen address (at most 63
// characters) in *chosen, or 0 leaving *chosen alone.
uint8_t SelectLocalAdapter(const std::vector<NetworkAdapter>& adapters, std::string* chosen);

// This machine's adapters with IPv4 addresses, from getifaddrs, with descriptions made from sysfs
// (the wireless marker, the PCI vendor and the driver) and gateways from the routing table.
std::vector<NetworkAdapter> ListNetworkAdapters();

// SelectLocalAdapter over this machine's adapters; the chosen address is kept process-wide.
uint8_t SelectLocalAdapter();
const std::string& ChosenLocalAddress();

}  // namespace vyr
