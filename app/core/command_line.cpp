// --camera ADDRESS, checked with inet_pton; nothing here connects anywhere.
#include "app/core/command_line.h"

#include <arpa/inet.h>

#include <string_view>

#include "app/core/vyr_app.h"

namespace vyr {
namespace {

bool IsIpv4Address(const std::string& text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    result.cameraAddress = kDefaultCameraAddress;
    constexpr std::string_view kCamera = "--camera";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string value;
        if (arg == kCamera) {
            if (i + 1 >= argc) {
                return {false, "--camera needs an address", {}};
            }
            value = argv[++i];
        } else if (arg.starts_with("--camera=")) {
            value = std::string(arg.substr(kCamera.size() + 1));
        } else {
            return {false, "unknown argument: " + std::string(arg), {}};
        }
        if (!IsIpv4Address(value)) {
            return {false, "not an IPv4 address: " + value, {}};
        }
        result.cameraAddress = value;
    }
    return result;
}

}  // namespace vyr
