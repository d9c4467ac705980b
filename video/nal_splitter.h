// Splits an H.264 Annex B byte stream into NAL units at four-byte start codes (00 00 00 01) with a
// 32-bit shift register of the last four bytes, so that a start code split across two blocks is
// still found. The register is process-wide and survives restarts of the link: it starts at
// 0x0F0F0F0F (no start code before four real bytes) and is set to 0xFFFFFFFF after each start code.
// Three-byte start codes are not separators.
#pragma once

#include <cstdint>
#include <vector>

namespace vyr {

inline constexpr int kMaxNalUnitBytes = 512000;

class NalSplitter {
public:
    // Called for each completed unit: unit points at its leading start code, length counts the
    // unit without the start code that ended it. Return true to start the next unit afresh, false
    // to keep this unit in front of the next one (both then arrive together as one unit).
    // keptBytes counts the bytes at the front that were kept that way and so were handed over
    // before; the new unit starts there, at its start code. The splitter keeps this count itself,
    // so that it is 0 again whenever the kept bytes are dropped with an oversized unit.
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual bool HandleUnit(uint8_t* unit, int length, int keptBytes) = 0;
    };

    NalSplitter();

    // Scans the bytes, calling the handler for every unit completed by a start code in them.
    void Feed(const uint8_t* data, int length, Handler& handler);

    // Units dropped because they grew past kMaxNalUnitBytes.
    uint64_t oversizedUnits() const { return oversizedUnits_; }

    // The process-wide start-code register (tests reset it to its first value).
    static void ResetRegisterForTest();

private:
    void StartNextUnit();

    std::vector<uint8_t> unit_;
    int unitLength_ = 0;
    int keptBytes_ = 0;
    bool beforeFirstStartCode_ = true;
    bool oversized_ = false;
    uint64_t oversizedUnits_ = 0;
};

}  // namespace vyr
