// An independent reader of the AVI files we write: walks the movi list chunk by chunk and reads the
// idx1 index, with every offset checked against the file, so tests and the writer's fuzz target
// can compare what is in a file with what was written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyr::test {

struct AviChunk {
    uint32_t offset = 0;  // of the chunk's id, from the start of the file
    uint32_t size = 0;    // payload bytes, without the pad byte
    std::vector<uint8_t> payload;
};

struct AviIndexEntry {
    std::string id;
    uint32_t flags = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

struct AviContents {
    std::string error;  // empty when the file could be walked
    uint32_t riffSize = 0;
    uint32_t moviSize = 0;
    bool hasIdx1 = false;
    std::vector<AviChunk> chunks;  // whole chunks in the movi list, in file order
    std::vector<AviIndexEntry> index;
};

// Reads a file as written by the AVI writer. With a provisional movi size, the walk stops at the
// first chunk that does not fit in the file.
AviContents ReadAvi(const std::vector<uint8_t>& file);

}  // namespace vyr::test
