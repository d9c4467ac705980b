// Fuzz target of the H.264 side. The first input byte says whether a recording is asked for (bit
// 0); the rest is cut into blocks whose lengths come from the input (one length byte before each
// block: 0 is a whole 4096-byte block, n is n * 16 bytes), as the stream thread's blocks would be.
// The blocks go through the NAL splitter twice:
// - into the frame path's unit handler (parameter sets, decoder, display, picture chunks for the
//   recording), with ParseSps run on a copy of every unit; every picture drawn and every chunk
//   recorded is summed byte by byte so that the sanitizers check each read, and every chunk must
//   start with a start code;
// - into a handler that keeps every unit whose last byte is odd in front of the next one, as a
//   decoder without room would make the frame path do, checking the splitter's kept-byte count.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "linkstate/link_shared.h"
#include "video/frame_sink.h"
#include "video/h264_frame_path.h"
#include "video/h264_unit_handler.h"
#include "video/nal_splitter.h"

namespace {

uint32_t sum = 0;

class SummingSink : public vyr::FrameSink {
public:
    void DrawRgbFrame(const uint8_t* bgr, int width, int height) override {
        const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
        for (size_t i = 0; i < bytes; ++i) {
            sum += bgr[i];
        }
    }
};

bool StartsWithStartCode(const uint8_t* bytes) {
    return bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 1;
}

// ParseSps on a copy of the unit (it rewrites its input), then the frame path's handling.
class SpsThenPath : public vyr::NalSplitter::Handler {
public:
    explicit SpsThenPath(vyr::LinkShared& link) : path_(link) {}

    bool HandleUnit(uint8_t* unit, int length, int keptBytes) override {
        const int freshLength = length - keptBytes - 4;
        copy_.assign(unit + keptBytes + 4, unit + keptBytes + 4 + freshLength);
        int width = 0;
        int height = 0;
        if (ParseSps(copy_.data(), freshLength, &width, &height) == 1) {
            sum += static_cast<uint32_t>(width + height);
        }
        return path_.HandleUnit(unit, length, keptBytes);
    }

    bool failed() const { return path_.failed(); }

private:
    vyr::H264UnitHandler path_;
    std::vector<uint8_t> copy_;
};

class KeepingHandler : public vyr::NalSplitter::Handler {
public:
    explicit KeepingHandler(const vyr::NalSplitter& splitter) : splitter_(splitter) {}

    bool HandleUnit(uint8_t* unit, int length, int keptBytes) override {
        // The kept bytes are the previous unit whole, unless the splitter has dropped them with
        // an oversized unit since; the new unit starts at a start code either way.
        const bool dropped = splitter_.oversizedUnits() != oversizedAtKeep_;
        const int expected = dropped ? 0 : keptLength_;
        if (keptBytes != expected || keptBytes > length - 4 || !StartsWithStartCode(unit) ||
            !StartsWithStartCode(unit + keptBytes)) {
            __builtin_trap();
        }
        const bool keep = length > 4 && (unit[length - 1] & 1) != 0;
        keptLength_ = keep ? length : 0;
        oversizedAtKeep_ = splitter_.oversizedUnits();
        return !keep;
    }

private:
    const vyr::NalSplitter& splitter_;
    int keptLength_ = 0;
    uint64_t oversizedAtKeep_ = 0;
};

void DrainRecordRing() {
    vyr::RecordFrameView frame;
    while (vyr::Globals().recordRing.PeekFrame(&frame)) {
        if (frame.size < 5 || !StartsWithStartCode(frame.data)) {
            __builtin_trap();
        }
        for (int i = 0; i < frame.size; ++i) {
            sum += frame.data[i];
        }
        vyr::Globals().recordRing.ReleaseFrame();
    }
}

// Calls feed for each block of the input after its first byte.
template <typename Feed>
void ForEachBlock(const uint8_t* data, size_t size, Feed&& feed) {
    size_t at = 1;
    while (at < size) {
        const int wanted = data[at] == 0 ? 4096 : data[at] * 16;
        ++at;
        const int length = static_cast<int>(
            size - at < static_cast<size_t>(wanted) ? size - at : static_cast<size_t>(wanted));
        feed(data + at, length);
        at += static_cast<size_t>(length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    vyr::StreamGlobals& globals = vyr::Globals();
    globals.recordRing.ResetRecordRing();
    globals.recordingActive.store(0);
    globals.recordingRequested.store((data[0] & 1) != 0 ? 1 : 0);
    SummingSink sink;
    vyr::LinkShared link;
    link.videoWindow.store(&sink);
    SpsThenPath path(link);
    // The start-code register is process-wide: each pass starts from its first value.
    vyr::NalSplitter::ResetRegisterForTest();
    vyr::NalSplitter pathSplitter;
    ForEachBlock(data, size, [&](const uint8_t* block, int length) {
        if (!path.failed()) {
            pathSplitter.Feed(block, length, path);
            DrainRecordRing();
        }
    });

    vyr::NalSplitter::ResetRegisterForTest();
    vyr::NalSplitter keepingSplitter;
    KeepingHandler keeping(keepingSplitter);
    ForEachBlock(data, size, [&](const uint8_t* block, int length) {
        keepingSplitter.Feed(block, length, keeping);
    });
    // The sum must not be optimised away, or the reads it makes would go with it.
    asm volatile("" : : "r"(sum));
    return 0;
}
