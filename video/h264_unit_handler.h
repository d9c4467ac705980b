// What the H.264 frame path does with each NAL unit the splitter completes: waits for the
// sequence parameter set, then for the picture parameter set, opens the decoder with them, and
// from then on hands each unit to the recording (gathered into one chunk per picture) and sends it
// to the decoder, presenting every picture that comes out. Kept apart from the thread so that the
// fuzz target drives the same code with arbitrary units.
#pragma once

#include <cstdint>
#include <vector>

#include "video/h264_decoder.h"
#include "video/h264_picture_chunk.h"
#include "video/nal_splitter.h"

extern "C" {
struct AVFrame;
}

namespace vyr {

struct LinkShared;

class H264UnitHandler final : public NalSplitter::Handler {
public:
    explicit H264UnitHandler(LinkShared& link) : link_(link) {}

    // The decoder could not be set up: the thread ends.
    bool failed() const { return failed_; }

    // Returns false only when the decoder had no room for the unit: it is then kept in front of
    // the next one. A unit refused for what it holds is dropped, so that one bad unit can never
    // stand in front of every later one.
    bool HandleUnit(uint8_t* unit, int length, int keptBytes) override;

private:
    void CollectParameterSet(const uint8_t* unit, int length, int type);
    bool Decode(uint8_t* unit, int length, int keptBytes);
    void HandOverToRecording(const uint8_t* unit, int length);
    void PushChunk();
    void Present(const AVFrame& picture);
    void Draw(const AVFrame& picture);

    static constexpr int kParameterSetBytes = 100;

    LinkShared& link_;
    H264Decoder decoder_;
    PictureChunk chunk_;
    bool waitingForSps_ = true;
    bool failed_ = false;
    // Since the last picture border: a slice went to the decoder, a picture came out.
    bool hasSliceSinceBorder_ = false;
    bool hasPictureSinceBorder_ = false;
    uint8_t parameterSets_[kParameterSetBytes] = {};
    int parameterSetLength_ = 0;
    std::vector<uint8_t> display_;
};

}  // namespace vyr
