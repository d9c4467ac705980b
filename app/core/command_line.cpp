// --camera ADDRESS, checked with inet_pton, and --data DIR; nothing here connects anywhere or
// touches a folder.
#include "app/core/command_line.h"

#include <arpa/inet.h>

#include <string_view>
#include <utility>

#include "app/core/vyr_app.h"

namespace vyr {
namespace {

bool IsIpv4Address(const std::string& text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

CommandLine Refused(std::string why) {
    CommandLine result;
    result.ok = false;
    result.error = std::move(why);
    return result;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    result.cameraAddress = kDefaultCameraAddress;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (name != "--camera" && name != "--data") {
            return Refused("unknown argument: " + std::string(arg));
        }
        std::string value;
        if (equals != std::string_view::npos) {
            value = std::string(arg.substr(equals + 1));
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return Refused(std::string(name) +
                           (name == "--camera" ? " needs an address" : " needs a folder"));
        }
        if (name == "--camera") {
            if (!IsIpv4Address(value)) {
                return Refused("not an IPv4 address: " + value);
            }
            result.cameraAddress = value;
        } else {
            if (value.empty()) {
                return Refused("--data needs a folder");
            }
            result.dataFolder = value;
        }
    }
    return result;
}

}  // namespace vyr
