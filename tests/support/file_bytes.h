// Reading whole files and little-endian numbers out of them, for checks of written files.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vyr::test {

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t{bytes.at(offset)} | uint32_t{bytes.at(offset + 1)} << 8 |
           uint32_t{bytes.at(offset + 2)} << 16 | uint32_t{bytes.at(offset + 3)} << 24;
}

inline std::string TagAt(const std::vector<uint8_t>& bytes, size_t offset) {
    (void)bytes.at(offset + 3);
    return {reinterpret_cast<const char*>(&bytes.at(offset)), 4};
}

}  // namespace vyr::test
