// This machine's network adapters: getifaddrs for names, IPv4 addresses and masks and hardware
// addresses; sysfs for what kind of adapter it is (a wireless interface has a "wireless" or
// "phy80211" entry; the PCI vendor 0x8086 is Intel; the driver's name is added); /proc/net/route
// for each adapter's gateways.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "link/adapter_selection.h"

namespace vyr {
namespace {

std::string ReadLine(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string DescribeAdapter(const std::string& name) {
    const std::filesystem::path device = std::filesystem::path("/sys/class/net") / name;
    std::error_code error;
    std::string description;
    if (ReadLine(device / "device" / "vendor") == "0x8086") {
        description += "Intel ";
    }
    const bool wireless = std::filesystem::exists(device / "wireless", error) ||
                          std::filesystem::exists(device / "phy80211", error);
    description += wireless ? "Wireless network adapter" : "Network adapter";
    const auto driver = std::filesystem::read_symlink(device / "device" / "driver", error);
    if (!error) {
        description += " (" + driver.filename().string() + ")";
    }
    return description;
}

std::string Dotted(const sockaddr* address) {
    char text[INET_ADDRSTRLEN] = {};
    if (address != nullptr && address->sa_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                    sizeof text);
    }
    return text;
}

// Gateways per interface from the kernel's routing table (hexadecimal, network byte order).
std::map<std::string, std::vector<std::string>> Gateways() {
    std::map<std::string, std::vector<std::string>> gateways;
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);  // header
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string interfaceName;
        std::string destination;
        std::string gateway;
        if (!(fields >> interfaceName >> destination >> gateway) || gateway == "00000000") {
            continue;
        }
        in_addr address{};
        address.s_addr = static_cast<in_addr_t>(std::stoul(gateway, nullptr, 16));
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &address, text, sizeof text);
        gateways[interfaceName].push_back(text);
    }
    return gateways;
}

}  // namespace

std::vector<NetworkAdapter> ListNetworkAdapters() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return {};
    }
    std::vector<NetworkAdapter> adapters;
    auto adapterNamed = [&](const std::string& name) -> NetworkAdapter& {
        for (NetworkAdapter& adapter : adapters) {
            if (adapter.name == name) {
                return adapter;
            }
        }
        adapters.push_back({name, DescribeAdapter(name), {}, {}, {}});
        return adapters.back();
    };
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || (entry->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        if (entry->ifa_addr->sa_family == AF_INET) {
            adapterNamed(entry->ifa_name)
                .addresses.emplace_back(Dotted(entry->ifa_addr), Dotted(entry->ifa_netmask));
        } else if (entry->ifa_addr->sa_family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
            NetworkAdapter& adapter = adapterNamed(entry->ifa_name);
            for (int i = 0; i < 6 && i < link->sll_halen; ++i) {
                adapter.hardwareAddress[static_cast<size_t>(i)] = link->sll_addr[i];
            }
        }
    }
    ::freeifaddrs(list);
    const auto gateways = Gateways();
    for (NetworkAdapter& adapter : adapters) {
        if (const auto found = gateways.find(adapter.name); found != gateways.end()) {
            adapter.gateways = found->second;
        }
    }
    // Adapters without an IPv4 address take no part in the choice.
    std::erase_if(adapters, [](const NetworkAdapter& a) { return a.addresses.empty(); });
    return adapters;
}

}  // namespace vyr
