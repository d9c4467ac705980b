// Start-code rewriting and picture splitting of Annex B streams; see annexb_stream.h.
#include "tools/camsim/annexb_stream.h"

namespace vyr::camsim {

namespace {

bool IsStartCodeAt(std::span<const uint8_t> s, size_t i) {
    return i + 4 <= s.size() && s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 0 && s[i + 3] == 1;
}

bool IsSlice(int type) {
    return type == 1 || type == 5;
}

}  // namespace

std::vector<uint8_t> WithFourByteStartCodes(std::span<const uint8_t> stream) {
    std::vector<uint8_t> out;
    out.reserve(stream.size() + stream.size() / 256 + 8);
    for (size_t i = 0; i < stream.size(); ++i) {
        const bool threeByteCode = i + 3 <= stream.size() && stream[i] == 0 && stream[i + 1] == 0 &&
                                   stream[i + 2] == 1 && (i == 0 || stream[i - 1] != 0);
        if (threeByteCode) {
            out.insert(out.end(), {0, 0, 0, 1});
            i += 2;
            continue;
        }
        out.push_back(stream[i]);
    }
    return out;
}

std::vector<NalSpan> SplitNalUnits(std::span<const uint8_t> stream) {
    std::vector<size_t> starts;
    for (size_t i = 0; i + 4 <= stream.size(); ++i) {
        if (IsStartCodeAt(stream, i)) {
            starts.push_back(i);
            i += 3;
        }
    }
    std::vector<NalSpan> units;
    for (size_t k = 0; k < starts.size(); ++k) {
        const size_t end = k + 1 < starts.size() ? starts[k + 1] : stream.size();
        units.push_back({starts[k], end - starts[k]});
    }
    return units;
}

int NalType(std::span<const uint8_t> stream, const NalSpan& nal) {
    if (nal.length < 5 || nal.offset + 5 > stream.size()) {
        return 0;
    }
    return stream[nal.offset + 4] & 0x1F;
}

std::vector<std::vector<uint8_t>> SplitPictures(std::span<const uint8_t> stream) {
    std::vector<std::vector<uint8_t>> pictures;
    std::vector<uint8_t> current;
    bool currentHasSlice = false;
    for (const NalSpan& nal : SplitNalUnits(stream)) {
        const int type = NalType(stream, nal);
        // first_mb_in_slice is the first ue(v) after the header: 0 is coded as a single 1 bit.
        const bool firstSliceOfPicture =
            IsSlice(type) && nal.length > 5 && (stream[nal.offset + 5] & 0x80) != 0;
        const bool startsPicture =
            firstSliceOfPicture || type == 6 || type == 7 || type == 8 || type == 9;
        if (startsPicture && currentHasSlice) {
            pictures.push_back(std::move(current));
            current.clear();
            currentHasSlice = false;
        }
        current.insert(current.end(), stream.begin() + static_cast<ptrdiff_t>(nal.offset),
                       stream.begin() + static_cast<ptrdiff_t>(nal.offset + nal.length));
        currentHasSlice = currentHasSlice || IsSlice(type);
    }
    if (!current.empty()) {
        pictures.push_back(std::move(current));
    }
    return pictures;
}

}  // namespace vyr::camsim
