// AVI reading for checks: the movi list is found at its fixed place (byte 2036) and its chunks are
// walked by their sizes, padded to even; idx1 follows the movi list.
#include "support/avi_reader.h"

#include "support/file_bytes.h"

namespace vyr::test {
namespace {

constexpr uint32_t kMoviListOffset = 2036;
constexpr uint32_t kProvisionalSize = 0xFEFFF003u;

}  // namespace

AviContents ReadAvi(const std::vector<uint8_t>& b) {
    AviContents avi;
    if (b.size() < kMoviListOffset + 12 || TagAt(b, 0) != "RIFF" || TagAt(b, 8) != "AVI " ||
        TagAt(b, kMoviListOffset) != "LIST" || TagAt(b, kMoviListOffset + 8) != "movi") {
        avi.error = "no RIFF AVI form with a movi list at 2036";
        return avi;
    }
    avi.riffSize = U32At(b, 4);
    avi.moviSize = U32At(b, kMoviListOffset + 4);
    const bool provisional = avi.moviSize == kProvisionalSize;
    const uint64_t moviEnd =
        provisional ? b.size() : uint64_t{kMoviListOffset} + 8 + uint64_t{avi.moviSize};
    if (moviEnd > b.size()) {
        avi.error = "movi list runs past the end of the file";
        return avi;
    }

    uint64_t at = kMoviListOffset + 12;
    while (at + 8 <= moviEnd) {
        AviChunk chunk;
        chunk.offset = static_cast<uint32_t>(at);
        chunk.size = U32At(b, at + 4);
        const uint64_t end = at + 8 + chunk.size;
        if (TagAt(b, at) != "00db" || end > moviEnd) {
            if (provisional) {
                break;  // a partial chunk of a file that was never closed
            }
            avi.error = "bad chunk at " + std::to_string(at);
            return avi;
        }
        chunk.payload.assign(b.begin() + static_cast<long>(at + 8),
                             b.begin() + static_cast<long>(end));
        avi.chunks.push_back(std::move(chunk));
        at = end + (end & 1u);
    }
    if (provisional) {
        return avi;
    }
    if (at != moviEnd) {
        avi.error = "movi size does not end at a chunk boundary";
        return avi;
    }

    if (moviEnd + 8 > b.size() || TagAt(b, moviEnd) != "idx1") {
        return avi;
    }
    avi.hasIdx1 = true;
    const uint32_t indexBytes = U32At(b, moviEnd + 4);
    if (indexBytes % 16 != 0 || moviEnd + 8 + indexBytes > b.size()) {
        avi.error = "idx1 size is wrong";
        return avi;
    }
    for (uint64_t entry = moviEnd + 8; entry < moviEnd + 8 + indexBytes; entry += 16) {
        avi.index.push_back(
            {TagAt(b, entry), U32At(b, entry + 4), U32At(b, entry + 8), U32At(b, entry + 12)});
    }
    return avi;
}

}  // namespace vyr::test
