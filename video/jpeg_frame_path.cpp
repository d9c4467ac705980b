// The Motion-JPEG decode thread. Camera JPEGs are full range (JFIF), so the display conversion is
// J420ToRGB24; I420ToRGB24 would treat them as limited range, clipping blacks and whites and
// stretching the contrast. A picture is converted at its own size and strides (at most the display
// size), so a picture smaller than the display is shown whole and undistorted.
#include "video/jpeg_frame_path.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "capture/bgr_conversion.h"
#include "capture/snapshot.h"
#include "linkstate/link_shared.h"
#include "video/frame_sink.h"
#include "video/jpeg/jpeg_decoder.h"
#include "video/mjpeg_reassembler.h"
#include "video/yuv_to_bgr.h"

namespace vyr {
namespace {

constexpr int kDecoderMaxSide = 4096;

struct DecoderDeleter {
    void operator()(JpegDecoder* decoder) const { JpegDecoderDestroy(decoder); }
};

class JpegPath {
public:
    explicit JpegPath(LinkShared& link) : link_(link) {}

    bool Open() {
        JpegDecoderInfo info{};
        if (JpegDecoderGetInfo(&info) == 0) {
            std::printf("%s\n", info.versionText);
            std::fflush(stdout);
        }
        const JpegDecoderAttributes attributes{0, 0, kDecoderMaxSide, kDecoderMaxSide};
        decoder_.reset(JpegDecoderCreate(&attributes));
        return decoder_ != nullptr;
    }

    void HandleFrame(const uint8_t* frame, int length) {
        HandOverToRecording(frame, length);
        JpegPicture picture{};
        if (JpegDecoderDecode(decoder_.get(), frame, length, 0, 0, &picture, 0) != 0 ||
            picture.layout > JPEG_LAYOUT_440) {
            return;  // neither drawn nor saved; a snapshot request waits for the next frame
        }
        link_.counters.framesDecoded.fetch_add(1, std::memory_order_relaxed);
        if (picture.layout == JPEG_LAYOUT_420 && display_.empty()) {
            FixDisplaySize(picture.height);
        }
        if (!link_.snapshotFlags.displayPaused() && picture.layout == JPEG_LAYOUT_420 &&
            !display_.empty()) {
            Present(picture);
        }
        if (link_.snapshotFlags.captureRequested()) {
            TakeSnapshot(link_, YuvPictureFromJpeg(picture));
        }
    }

private:
    // Every JPEG is a key frame: a recording starts at the first frame after the request.
    void HandOverToRecording(const uint8_t* frame, int length) {
        StreamGlobals& globals = Globals();
        if (globals.recordingActive.load() != 0) {
            globals.recordRing.PushRecordFrame(frame, length, 1);
        } else if (globals.recordingRequested.load() == 1) {
            globals.recordRing.ResetRecordRing();
            globals.recordRing.PushRecordFrame(frame, length, 1);
            globals.recordingActive.store(1);
        }
    }

    void FixDisplaySize(int pictureHeight) {
        size_ = DisplaySizeForPicture(pictureHeight);
        Globals().frameWidth.store(size_.width);
        Globals().frameHeight.store(size_.height);
        display_.assign(static_cast<size_t>(size_.width) * static_cast<size_t>(size_.height) * 3,
                        0);
    }

    void Present(const JpegPicture& picture) {
        PlanarPicture planes;
        planes.y = picture.y;
        planes.u = picture.cb;
        planes.v = picture.cr;
        planes.yStride = picture.lumaStride;
        planes.uvStride = picture.chromaStride;
        planes.width = std::min(picture.width, size_.width);
        planes.height = std::min(picture.height, size_.height);
        planes.fullRange = true;
        if (!ConvertToBgr(planes, display_.data(), static_cast<int64_t>(display_.size()))) {
            return;
        }
        if (FrameSink* sink = link_.videoWindow.load()) {
            sink->DrawRgbFrame(display_.data(), planes.width, planes.height);
            link_.counters.framesDrawn.fetch_add(1, std::memory_order_relaxed);
        }
    }

    LinkShared& link_;
    std::unique_ptr<JpegDecoder, DecoderDeleter> decoder_;
    DisplaySize size_;
    std::vector<uint8_t> display_;
};

}  // namespace

DisplaySize DisplaySizeForPicture(int pictureHeight) {
    const int rounded = (pictureHeight + 15) / 16 * 16;
    return rounded >= 1080 ? DisplaySize{1920, 1080} : DisplaySize{1280, 1024};
}

void JpegFramePath(LinkShared& link) {
    JpegPath path(link);
    if (!path.Open()) {
        std::printf("JpegDecoderCreate failed!\n");
        std::fflush(stdout);
        return;
    }
    MjpegReassembler reassembler;
    std::vector<uint8_t> block(kStreamBlockBytes);
    // A new connection is a new stream (perhaps another camera, size or kind): the decode thread
    // starts the path afresh for it.
    const ReceiveRing& ring = Globals().receiveRing;
    const uint32_t generation = ring.generation();
    while (link.stopRequested.load() == 0 && ring.generation() == generation) {
        const int length = Globals().receiveRing.TryTakeBlock(block.data(), generation);
        if (length < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (reassembler.Feed(block.data(), length) == MjpegReassembler::Result::kFrame) {
            path.HandleFrame(reassembler.frame(), reassembler.frameLength());
        }
    }
}

}  // namespace vyr
