// The H.264 decode thread: state machine over the NAL units of the stream (waiting for the
// sequence parameter set, then for the picture parameter set, then decoding), the recording
// hand-off, and presentation of every decoded picture.
#include "video/h264_frame_path.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "capture/bgr_conversion.h"
#include "capture/snapshot.h"
#include "linkstate/link_shared.h"
#include "video/frame_sink.h"
#include "video/h264_decoder.h"
#include "video/nal_splitter.h"
#include "video/yuv_to_bgr.h"

namespace vyr {
namespace {

constexpr int kParameterSetBytes = 100;
constexpr int kStartCodeBytes = 4;
constexpr int kNalSps = 7;
constexpr int kNalPps = 8;

// A unit from which a decoder can start: an IDR slice or a sequence parameter set, both with
// nal_ref_idc 3.
bool IsKeyUnit(uint8_t header) {
    return header == 0x65 || header == 0x67;
}

class H264Path final : public NalSplitter::Handler {
public:
    explicit H264Path(LinkShared& link) : link_(link) {}

    bool failed() const { return failed_; }

    bool HandleUnit(uint8_t* unit, int length) override {
        if (length <= kStartCodeBytes) {
            return true;  // an empty unit: two start codes in a row
        }
        const int type = unit[kStartCodeBytes] & 0x1F;
        if (waitingForSps_) {
            if (type != kNalSps) {
                return true;
            }
            waitingForSps_ = false;
        }
        if (!decoder_.isOpen()) {
            CollectParameterSet(unit, length, type);
            return true;
        }
        return Decode(unit, length);
    }

private:
    void CollectParameterSet(const uint8_t* unit, int length, int type) {
        StreamGlobals& globals = Globals();
        if (type == kNalSps) {
            if (length > kParameterSetBytes) {
                waitingForSps_ = true;  // too long for the parameter-set buffer: refused
                return;
            }
            std::memcpy(parameterSets_, unit, static_cast<size_t>(length));
            parameterSetLength_ = length;
            // ParseSps rewrites its input; the parameter sets must stay as the camera sent them.
            uint8_t scratch[kParameterSetBytes];
            std::memcpy(scratch, unit + kStartCodeBytes,
                        static_cast<size_t>(length - kStartCodeBytes));
            int width = 0;
            int height = 0;
            ParseSps(scratch, length - kStartCodeBytes, &width, &height);
            if (width == 1280) {
                globals.frameWidth.store(1280);
                globals.frameHeight.store(height);
            } else {
                globals.frameWidth.store(1920);
                globals.frameHeight.store(1080);
            }
        } else if (type == kNalPps) {
            if (parameterSetLength_ + length > kParameterSetBytes) {
                return;  // refused; a later picture parameter set may fit
            }
            std::memcpy(parameterSets_ + parameterSetLength_, unit, static_cast<size_t>(length));
            parameterSetLength_ += length;
            if (!decoder_.OpenH264Decoder(parameterSets_, parameterSetLength_)) {
                failed_ = true;
                return;
            }
            display_.assign(static_cast<size_t>(globals.frameWidth.load()) *
                                static_cast<size_t>(globals.frameHeight.load()) * 3,
                            0);
        }
    }

    bool Decode(uint8_t* unit, int length) {
        HandOverToRecording(unit, length);
        const bool accepted = decoder_.SendPacket(unit, length);
        // Ask for one picture even after a refusal: that is what makes room in the decoder.
        if (const AVFrame* picture = decoder_.ReceivePicture()) {
            Present(*picture);
        }
        if (accepted) {
            keptPrefix_ = 0;
            return true;
        }
        // The refused unit stays in front of the next one; both go out together.
        keptPrefix_ = length;
        return false;
    }

    // Units go to the recording while it is active; a recording starts at a key unit. A unit that
    // the decoder refused is not handed over a second time when it goes out again.
    void HandOverToRecording(const uint8_t* unit, int length) {
        StreamGlobals& globals = Globals();
        const uint8_t* fresh = unit + keptPrefix_;
        const int freshLength = length - keptPrefix_;
        if (freshLength <= kStartCodeBytes) {
            return;
        }
        const int key = IsKeyUnit(fresh[kStartCodeBytes]) ? 1 : 0;
        if (globals.recordingActive.load() != 0) {
            globals.recordRing.PushRecordFrame(fresh, freshLength, key);
        } else if (globals.recordingRequested.load() == 1 && key == 1) {
            globals.recordRing.ResetRecordRing();
            globals.recordRing.PushRecordFrame(fresh, freshLength, 1);
            globals.recordingActive.store(1);
        }
    }

    // Draws the picture unless the display is paused, then takes the snapshot if one is asked for
    // (a paused display still gives its snapshot: that is the camera button's freeze).
    void Present(const AVFrame& picture) {
        link_.counters.framesDecoded.fetch_add(1, std::memory_order_relaxed);
        if (!link_.snapshotFlags.displayPaused()) {
            Draw(picture);
        }
        if (link_.snapshotFlags.captureRequested()) {
            TakeSnapshot(link_, YuvPictureFromFrame(picture));
        }
    }

    void Draw(const AVFrame& picture) {
        const auto format = static_cast<AVPixelFormat>(picture.format);
        if (format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVJ420P) {
            return;  // only 4:2:0 pictures have a display conversion
        }
        PlanarPicture planes;
        planes.y = picture.data[0];
        planes.u = picture.data[1];
        planes.v = picture.data[2];
        planes.yStride = picture.linesize[0];
        planes.uvStride = picture.linesize[1];
        planes.width = picture.width;
        planes.height = picture.height;
        planes.fullRange = format == AV_PIX_FMT_YUVJ420P || picture.color_range == AVCOL_RANGE_JPEG;
        // A picture larger than the display buffer is not shown.
        if (!ConvertToBgr(planes, display_.data(), static_cast<int64_t>(display_.size()))) {
            return;
        }
        if (FrameSink* sink = link_.videoWindow.load()) {
            sink->DrawRgbFrame(display_.data(), picture.width, picture.height);
            link_.counters.framesDrawn.fetch_add(1, std::memory_order_relaxed);
        }
    }

    LinkShared& link_;
    H264Decoder decoder_;
    bool waitingForSps_ = true;
    bool failed_ = false;
    uint8_t parameterSets_[kParameterSetBytes] = {};
    int parameterSetLength_ = 0;
    int keptPrefix_ = 0;
    std::vector<uint8_t> display_;
};

}  // namespace

void H264FramePath(LinkShared& link) {
    StreamGlobals& globals = Globals();
    NalSplitter splitter;
    H264Path path(link);
    std::vector<uint8_t> block(kStreamBlockBytes);
    // A new connection is a new stream: the decode thread starts the path afresh for it, with a
    // decoder that holds nothing of the cut picture the old connection ended in.
    const uint32_t generation = globals.receiveRing.generation();
    while (link.stopRequested.load() == 0 && !path.failed() &&
           globals.receiveRing.generation() == generation) {
        const int length = globals.receiveRing.TryTakeBlock(block.data(), generation);
        if (length < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        splitter.Feed(block.data(), length, path);
    }
}

}  // namespace vyr
