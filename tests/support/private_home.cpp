// The private home's folders are made at once: Qt's trash takes $XDG_DATA_HOME as given, and a
// trash on the same volume as $HOME is the home trash.
#include "support/private_home.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string_view>

namespace vyr::test {
namespace {

std::string PercentDecoded(std::string_view text) {
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) && hex(text[i + 2])) {
            decoded.push_back(
                static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16)));
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
