// language.ini reading and writing on a 16-byte copy, little-endian.
#include "settings/settings_file.h"

#include <cstdio>

#include "platform/atomic_file.h"

namespace vyr {
namespace {

void PutI32(uint8_t* out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

int32_t GetI32(const uint8_t* in) {
    return static_cast<int32_t>(uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 |
                                uint32_t{in[3]} << 24);
}

// Only a file that does not exist is created: one that exists but cannot be read keeps its bytes.
bool IsMissing(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::status(file, error).type() == std::filesystem::file_type::not_found;
}

}  // namespace

SettingsBytes SettingsToBytes(const Settings& settings) {
    SettingsBytes bytes{};
    PutI32(&bytes[0], settings.languageIndex);
    PutI32(&bytes[4], settings.boxNumber);
    PutI32(&bytes[8], settings.annotationColour);
    PutI32(&bytes[12], settings.cameraType);
    return bytes;
}

Settings SettingsFromBytes(const SettingsBytes& bytes) {
    return {GetI32(&bytes[0]), GetI32(&bytes[4]), GetI32(&bytes[8]), GetI32(&bytes[12])};
}

bool ReadSettingsInto(const std::filesystem::path& file, SettingsBytes* copy) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) {
        return false;
    }
    SettingsBytes read{};
    const size_t count = std::fread(read.data(), 1, read.size(), in);
    std::fclose(in);
    for (size_t i = 0; i < count; ++i) {
        (*copy)[i] = read[i];
    }
    return true;
}

Settings ReadSettingsOrCreate(const std::filesystem::path& file) {
    SettingsBytes copy = SettingsToBytes(Settings{});
    if (!ReadSettingsInto(file, &copy) && IsMissing(file)) {
        (void)WriteSettingsFile(file, copy);
    }
    return SettingsFromBytes(copy);
}

bool SettingsFileIsPresent(const std::filesystem::path& file) {
    return !IsMissing(file);
}

int WriteSettingsFile(const std::filesystem::path& file, const SettingsBytes& bytes) {
    return ReplaceFileAtomically(file, bytes.data(), bytes.size());
}

}  // namespace vyr
