// Fuzz target for language.ini reading and the settings dialog's number box: the input is written
// as language.ini and read over the defaults, which must give exactly the file's first bytes over
// the default image; the same bytes as number-box text are converted and compared with strtoll on
// the text cut to 99 bytes, clamped to 32 bits.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/number_text.h"
#include "settings/settings_file.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// One scratch file for the whole run, removed at exit.
const std::string& ScratchFile() {
    static const std::string path = [] {
        char name[] = "/tmp/vyr-settings-fuzz-XXXXXX";
        const int fd = ::mkstemp(name);
        Check(fd >= 0);
        ::close(fd);
        std::atexit([] { ::unlink(ScratchFile().c_str()); });
        return std::string(name);
    }();
    return path;
}

int32_t ReferenceNumber(std::string_view text) {
    const std::string cut(text.substr(0, vyr::kNumberTextMaxBytes));
    errno = 0;
    const long long value = std::strtoll(cut.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size = std::min<size_t>(size, 256);
    std::FILE* out = std::fopen(ScratchFile().c_str(), "wb");
    Check(out != nullptr);
    Check(std::fwrite(data, 1, size, out) == size);
    std::fclose(out);

    const vyr::SettingsBytes defaults = vyr::SettingsToBytes({});
    vyr::SettingsBytes copy = defaults;
    Check(vyr::ReadSettingsInto(ScratchFile(), &copy));
    for (size_t i = 0; i < copy.size(); ++i) {
        Check(copy[i] == (i < size ? data[i] : defaults[i]));
    }
    Check(vyr::SettingsToBytes(vyr::SettingsFromBytes(copy)) == copy);
    Check(vyr::SettingsFileIsPresent(ScratchFile()));

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Check(vyr::NumberTextToInt32(text) == ReferenceNumber(text));
    return 0;
}
