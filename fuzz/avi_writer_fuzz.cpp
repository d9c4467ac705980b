// Fuzzes the AVI writer with arbitrary frame sequences, rates and compressor names, then reads the
// closed file back with an independent reader and stops on any difference between what was written
// and what the file says (payloads, pad bytes, absolute index offsets, key flags, sizes).
//
// Input: byte 0..7 a double frame rate, bytes 8..11 the compressor name, then records of
// [length low, length high, key flag] followed by that many payload bytes (cut at the input's end).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture/avi/avi_writer.h"
#include "support/avi_reader.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "avi_writer_fuzz: %s\n", what);
        std::abort();
    }
}

struct Written {
    std::vector<uint8_t> payload;
    bool isKey;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) {
        return 0;
    }
    double fps = 0;
    std::memcpy(&fps, data, sizeof fps);
    char compressor[5] = {};
    std::memcpy(compressor, data + 8, 4);

    const int fd = ::memfd_create("avi_writer_fuzz", 0);
    Check(fd >= 0, "memfd_create failed");
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    AviFile* file = AVI_open_output_file(path.c_str());
    Check(file != nullptr, "open failed");
    AVI_set_video_params(file, 320, 240, fps, compressor);

    std::vector<Written> written;
    size_t at = 12;
    while (at + 3 <= size) {
        size_t length = data[at] | size_t{data[at + 1]} << 8;
        const bool isKey = (data[at + 2] & 1) != 0;
        at += 3;
        length = std::min(length, size - at);
        Check(AVI_write_frame(file, data + at, static_cast<long>(length), isKey ? 1 : 0) == 0,
              "write failed");
        written.push_back({std::vector<uint8_t>(data + at, data + at + length), isKey});
        at += length;
    }
    Check(AVI_close_file(file) == 0, "close failed");

    std::vector<uint8_t> bytes(static_cast<size_t>(::lseek(fd, 0, SEEK_END)));
    Check(::pread(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()),
          "read back failed");
    ::close(fd);

    const vyr::test::AviContents avi = vyr::test::ReadAvi(bytes);
    Check(avi.error.empty(), "file does not walk");
    Check(avi.riffSize == bytes.size() - 8, "RIFF size");
    Check(avi.hasIdx1, "no index");
    Check(avi.chunks.size() == written.size() && avi.index.size() == written.size(),
          "chunk or index count");
    for (size_t i = 0; i < written.size(); ++i) {
        Check(avi.chunks[i].payload == written[i].payload, "payload");
        Check(avi.index[i].id == "00db", "index id");
        Check(avi.index[i].offset == avi.chunks[i].offset, "index offset");
        Check(avi.index[i].size == written[i].payload.size(), "index size");
        Check(avi.index[i].flags == (written[i].isKey ? 0x10u : 0u), "key flag");
        if (written[i].payload.size() % 2 == 1) {
            Check(bytes[avi.chunks[i].offset + 8 + written[i].payload.size()] == 0, "pad byte");
        }
    }
    return 0;
}
