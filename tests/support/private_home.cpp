// The private home's folders are made at once: Qt's trash takes $XDG_DATA_HOME as given, and a
// trash on the same volume as $HOME is the home trash.
#include "support/private_home.h"

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace vyr::test {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            decoded.push_back(
                static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

}  // namespace

PrivateHome::PrivateHome() {
    for (const auto& [name, folder] :
         {std::pair{"HOME", home()}, std::pair{"XDG_DATA_HOME", dataHome()},
          std::pair{"XDG_CACHE_HOME", cacheHome()}}) {
        const char* value = std::getenv(name);
        saved_.push_back(
            {name, value != nullptr ? std::optional<std::string>(value) : std::nullopt});
        std::filesystem::create_directories(folder);
        ::setenv(name, folder.c_str(), 1);
    }
}

PrivateHome::~PrivateHome() {
    for (const Saved& saved : saved_) {
        if (saved.value) {
            ::setenv(saved.name.c_str(), saved.value->c_str(), 1);
        } else {
            ::unsetenv(saved.name.c_str());
        }
    }
}

std::vector<PrivateHome::Trashed> PrivateHome::TrashedFiles() const {
    std::vector<Trashed> trashed;
    const std::filesystem::path trash = dataHome() / "Trash";
    std::error_code error;
    for (std::filesystem::directory_iterator info(trash / "info", error), end;
         !error && info != end; info.increment(error)) {
        if (info->path().extension() != ".trashinfo") {
            continue;
        }
        std::ifstream in(info->path());
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("Path=", 0) == 0) {
                trashed.push_back({PercentDecoded(std::string_view(line).substr(5)),
                                   trash / "files" / info->path().stem()});
            }
        }
    }
    return trashed;
}

}  // namespace vyr::test
