// The H.264 unit state machine (waiting for the sequence parameter set, then for the picture
// parameter set, then decoding), the recording hand-off one picture per chunk, and presentation
// of every decoded picture.
#include "video/h264_unit_handler.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cstring>

#include "capture/bgr_conversion.h"
#include "capture/snapshot.h"
#include "linkstate/link_shared.h"
#include "video/frame_sink.h"
#include "video/h264_frame_path.h"
#include "video/yuv_to_bgr.h"

namespace vyr {
namespace {

constexpr int kStartCodeBytes = 4;
constexpr int kNalSps = 7;
constexpr int kNalPps = 8;

// The display buffer holds at least the largest picture the camera sends, so that an encoder
// restart at a larger size (1280 x 720, then 1920 x 1080) is still shown.
constexpr size_t kMinDisplayPixels = size_t{1920} * 1080;

}  // namespace

bool H264UnitHandler::HandleUnit(uint8_t* unit, int length, int keptBytes) {
    if (length - keptBytes <= kStartCodeBytes) {
        return true;  // an empty unit: two start codes in a row
    }
    const int type = unit[keptBytes + kStartCodeBytes] & 0x1F;
    if (waitingForSps_) {
        if (type != kNalSps) {
            return true;
        }
        waitingForSps_ = false;
    }
    if (!decoder_.isOpen()) {
        CollectParameterSet(unit + keptBytes, length - keptBytes, type);
        return true;
    }
    return Decode(unit, length, keptBytes);
}

void H264UnitHandler::CollectParameterSet(const uint8_t* unit, int length, int type) {
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
        std::memcpy(scratch, unit + kStartCodeBytes, static_cast<size_t>(length - kStartCodeBytes));
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
        const size_t pixels = static_cast<size_t>(globals.frameWidth.load()) *
                              static_cast<size_t>(globals.frameHeight.load());
        display_.assign(std::max(pixels, kMinDisplayPixels) * 3, 0);
    }
}

bool H264UnitHandler::Decode(uint8_t* unit, int length, int keptBytes) {
    const uint8_t* fresh = unit + keptBytes;
    const int freshLength = length - keptBytes;
    // Kept bytes went to the recording when they first arrived.
    HandOverToRecording(fresh, freshLength);
    if (BeginsAccessUnit(fresh, freshLength) && hasSliceSinceBorder_) {
        // A picture whose slices went out gave nothing: it was cut short or garbled, and the
        // decoder still waits for the rest of it. (A decoder that holds pictures back for
        // reordering only delays its output; ending a whole picture again changes nothing.)
        if (!hasPictureSinceBorder_) {
            decoder_.EndPicture();
        }
        hasSliceSinceBorder_ = false;
        hasPictureSinceBorder_ = false;
    }
    hasSliceSinceBorder_ = hasSliceSinceBorder_ || IsSliceUnit(fresh, freshLength);
    const int sent = decoder_.SendPacket(unit, length);
    // Ask for one picture even after a refusal: that is what makes room in the decoder.
    if (const AVFrame* picture = decoder_.ReceivePicture()) {
        Present(*picture);
    }
    // Only a decoder without room keeps the unit for the next packet; a unit refused for what it
    // holds would be refused again, in front of every later unit, and the picture would freeze.
    return sent != kDecoderHasNoRoom;
}

// Units go to the recording one picture per chunk while it is active; a recording starts at a
// key chunk. Units are copied only while a recording is asked for or running.
void H264UnitHandler::HandOverToRecording(const uint8_t* unit, int length) {
    const StreamGlobals& globals = Globals();
    const auto wantsUnits = [&globals] {
        return globals.recordingActive.load() != 0 || globals.recordingRequested.load() == 1;
    };
    if (chunk_.EndsChunk(unit, length)) {
        PushChunk();
        chunk_.Begin(wantsUnits());
    }
    if (!chunk_.Append(unit, length)) {
        PushChunk();  // a chunk without picture borders, cut at its size limit
        chunk_.Begin(wantsUnits());
        (void)chunk_.Append(unit, length);
    }
}

void H264UnitHandler::PushChunk() {
    if (chunk_.size() == 0) {
        return;
    }
    StreamGlobals& globals = Globals();
    const int key = chunk_.isKey() ? 1 : 0;
    if (globals.recordingActive.load() != 0) {
        globals.recordRing.PushRecordFrame(chunk_.data(), chunk_.size(), key);
    } else if (globals.recordingRequested.load() == 1 && key == 1) {
        globals.recordRing.ResetRecordRing();
        globals.recordRing.PushRecordFrame(chunk_.data(), chunk_.size(), 1);
        globals.recordingActive.store(1);
    }
}

// Draws the picture unless the display is paused, then takes the snapshot if one is asked for (a
// paused display still gives its snapshot: that is the camera button's freeze).
void H264UnitHandler::Present(const AVFrame& picture) {
    hasPictureSinceBorder_ = true;
    link_.counters.framesDecoded.fetch_add(1, std::memory_order_relaxed);
    if (!link_.snapshotFlags.displayPaused()) {
        Draw(picture);
    }
    if (link_.snapshotFlags.captureRequested()) {
        TakeSnapshot(link_, YuvPictureFromFrame(picture));
    }
}

void H264UnitHandler::Draw(const AVFrame& picture) {
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

}  // namespace vyr
