// Building the camera's frame loop; see frame_loop.h.
#include "tools/camsim/frame_loop.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tools/camsim/annexb_stream.h"
#include "tools/camsim/jpeg_split.h"
#include "tools/camsim/video_encoder.h"

namespace vyr::camsim {

namespace {

// Files larger than this are refused rather than read into memory.
constexpr uintmax_t kMaxInputFileBytes = 512ull * 1024 * 1024;

std::string LowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    std::error_code code;
    const uintmax_t size = std::filesystem::file_size(path, code);
    if (code || size > kMaxInputFileBytes) {
        *error = code ? path + ": " + code.message() : path + ": larger than 512 MB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        *error = path + ": read failed";
        return false;
    }
    return true;
}

}  // namespace

namespace {

// Encodes pictures [first, first + count) of the pattern with an encoder of its own.
bool EncodeChunk(const EncoderSettings& settings, bool fullRangeSamples, int first, int count,
                 std::vector<std::vector<uint8_t>>* packets, std::string* error) {
    std::unique_ptr<VideoEncoder> encoder = VideoEncoder::Open(settings, error);
    if (!encoder) {
        return false;
    }
    for (int i = first; i < first + count; ++i) {
        const auto draw = [&](const Yuv420Planes& planes) {
            DrawTestPattern(i, fullRangeSamples, planes);
        };
        if (!encoder->Encode(draw, packets, error)) {
            return false;
        }
    }
    return encoder->Flush(packets, error);
}

}  // namespace

bool BuildPatternLoop(const CameraConfig& config, FrameLoop* loop, std::string* error) {
    EncoderSettings settings;
    settings.codec = config.streamKind == StreamKind::Mjpeg ? Codec::Mjpeg : Codec::H264;
    settings.width = config.width;
    settings.height = config.height;
    settings.fpsForRateControl =
        config.fps > 0 ? std::max(1, static_cast<int>(std::lround(config.fps))) : 25;
    settings.slices = std::max(1, config.slicesPerPicture);
    settings.fullRange = config.fullRange;
    settings.gopFrames = std::max(1, config.gopFrames);
    settings.x264Preset = config.x264Preset;
    settings.mjpegQscale = std::clamp(config.mjpegQscale, 1, 31);
    // JPEG samples are always full range; H.264 samples follow the range the stream signals.
    const bool fullRangeSamples = settings.codec == Codec::Mjpeg || config.fullRange;

    // Every group of pictures starts with an IDR and its parameter sets, so groups encoded by
    // separate single-threaded encoders side by side join into one valid stream; the encoder's
    // own threads would cut pictures into extra slices.
    const int count = std::max(1, config.loopFrames);
    const int chunkFrames = settings.gopFrames;
    const int chunks = (count + chunkFrames - 1) / chunkFrames;
    std::vector<std::vector<std::vector<uint8_t>>> encoded(static_cast<size_t>(chunks));
    std::vector<std::string> errors(static_cast<size_t>(chunks));
    std::atomic<int> nextChunk{0};
    const auto work = [&] {
        for (int k = nextChunk++; k < chunks; k = nextChunk++) {
            const int first = k * chunkFrames;
            EncodeChunk(settings, fullRangeSamples, first, std::min(chunkFrames, count - first),
                        &encoded[static_cast<size_t>(k)], &errors[static_cast<size_t>(k)]);
        }
    };
    const int workers =
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, chunks);
    std::vector<std::thread> threads;
    for (int w = 1; w < workers; ++w) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }

    loop->kind = settings.codec == Codec::H264 ? StreamKind::H264 : StreamKind::Mjpeg;
    loop->frames.clear();
    for (int k = 0; k < chunks; ++k) {
        if (!errors[static_cast<size_t>(k)].empty()) {
            *error = errors[static_cast<size_t>(k)];
            return false;
        }
        for (const auto& packet : encoded[static_cast<size_t>(k)]) {
            loop->frames.push_back(loop->kind == StreamKind::H264 ? WithFourByteStartCodes(packet)
                                                                  : packet);
        }
    }
    if (loop->frames.size() != static_cast<size_t>(count)) {
        *error = "the encoder gave " + std::to_string(loop->frames.size()) + " pictures for " +
                 std::to_string(count);
        return false;
    }
    return true;
}

bool LoadFileLoop(const std::string& path, FrameLoop* loop, std::string* error) {
    const std::string extension = LowerExtension(path);
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes, error)) {
        return false;
    }
    if (extension == ".h264" || extension == ".264") {
        loop->kind = StreamKind::H264;
        loop->frames = SplitPictures(WithFourByteStartCodes(bytes));
    } else if (extension == ".mjpeg" || extension == ".mjpg" || extension == ".jpg" ||
               extension == ".jpeg") {
        loop->kind = StreamKind::Mjpeg;
        loop->frames = SplitJpegs(bytes);
        if (extension == ".jpg" || extension == ".jpeg") {
            loop->frames.resize(std::min<size_t>(loop->frames.size(), 1));
        }
    } else {
        *error = path + ": unknown kind (use .h264, .264, .mjpeg, .mjpg, .jpg or .jpeg)";
        return false;
    }
    if (loop->frames.empty()) {
        *error = path + ": no frame found";
        return false;
    }
    return true;
}

bool BuildFrameLoop(const CameraConfig& config, FrameLoop* loop, std::string* error) {
    if (!config.inputFile.empty()) {
        return LoadFileLoop(config.inputFile, loop, error);
    }
    return BuildPatternLoop(config, loop, error);
}

}  // namespace vyr::camsim
