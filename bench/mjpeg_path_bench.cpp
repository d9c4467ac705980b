// The live Motion-JPEG path end to end against our JPEG decoder alone on the same frames, in the
// same run, without and with a recording running.
//
// Reference: the simulator's 1920 x 1080 pattern JPEGs at quality about 90 (its default qscale 3),
// decoded one after another by our decoder on one thread and converted with J420ToRGB24, the
// conversion the path uses for these full-range pictures (same cost as I420ToRGB24), with no
// network and no ring. Ours: the simulator sends the same JPEGs in 4096-byte blocks over loopback
// at the rate the reference reached (the median of its measured runs); the camera link receives
// them into ReceiveRing and the decode thread reassembles, decodes, converts and presents every
// picture to a counting sink. A path that cannot keep up with that rate falls behind, its ring
// overflows and blocks are dropped, so the ratio of pictures presented per second to the
// reference's shows what the path costs over plain decoding.
//
// Why paced: sending without any pacing would only measure how many blocks the ring drops, because
// the stream thread never waits for the decoder. At exactly the reference's rate the decode thread
// has no headroom: after any hiccup the ring stays full and drops blocks, each costing its whole
// frame (a frame with a block missing is never completed), so a run either keeps up (ratio near 1)
// or settles clearly below it. The runs at 95 % of the reference's rate show whether the path holds
// 0.95 with headroom (presented = sent, no blocks dropped).
//
// With recording, every JPEG (each a key frame) also goes to an AVI file in a temporary folder,
// to show whether recording slows the live path. Every run reports the CPU time of the whole
// process per picture, simulator included: on a machine with few cores the simulator, the stream
// thread and the recording compete with the decode thread, and other load on the machine changes
// the rates from run to run; repetitions (--benchmark_repetitions=3) give medians.
#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "link/camera_link.h"
#include "tools/camsim/camera.h"
#include "video/frame_sink.h"
#include "video/jpeg/jpeg_decoder.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRecordingArg = 1;
constexpr double kMinTimeSeconds = 3.0;

vyr::camsim::CameraConfig BenchCamera(double fps) {
    vyr::camsim::CameraConfig config;
    config.modelPort = 0;
    config.streamPort = 0;
    config.streamKind = vyr::camsim::StreamKind::Mjpeg;
    config.width = kWidth;
    config.height = kHeight;
    config.fps = fps;
    config.loopFrames = 50;
    return config;
}

class CountingSink : public vyr::FrameSink {
public:
    void DrawRgbFrame(const uint8_t*, int, int) override { count_.fetch_add(1); }
    uint64_t count() const { return count_.load(); }

private:
    std::atomic<uint64_t> count_{0};
};

bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// CPU seconds of the whole process (every thread: simulator, link, benchmark) so far.
double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A folder for the recording, removed with its files at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "mjpeg_path_bench_XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
            fs::create_directories(path_ / "video");
        }
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!path_.empty()) {
            fs::remove_all(path_, error);
        }
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Pictures per second that each run of BM_PlainDecode reached; their median paces the simulator in
// BM_LinkPath.
std::vector<double> referenceRates;

double ReferenceRate() {
    if (referenceRates.empty()) {
        return 100;
    }
    std::vector<double> rates = referenceRates;
    std::nth_element(rates.begin(), rates.begin() + rates.size() / 2, rates.end());
    return rates[rates.size() / 2];
}

void BM_PlainDecode(benchmark::State& state) {
    vyr::camsim::FrameLoop loop;
    std::string error;
    if (!vyr::camsim::BuildFrameLoop(BenchCamera(0), &loop, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const JpegDecoderAttributes attributes{0, 0, 4096, 4096};
    std::unique_ptr<JpegDecoder, void (*)(JpegDecoder*)> decoder(JpegDecoderCreate(&attributes),
                                                                 JpegDecoderDestroy);
    std::vector<uint8_t> bgr(static_cast<size_t>(kWidth) * kHeight * 3);
    size_t next = 0;
    int64_t bytes = 0;
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = Clock::now();
    for (auto _ : state) {
        const auto& frame = loop.frames[next];
        next = (next + 1) % loop.frames.size();
        JpegPicture picture{};
        if (JpegDecoderDecode(decoder.get(), frame.data(), static_cast<int>(frame.size()), 0, 0,
                              &picture, 0) != 0 ||
            picture.layout != JPEG_LAYOUT_420) {
            state.SkipWithError("decode failed");
            break;
        }
        libyuv::J420ToRGB24(picture.y, picture.lumaStride, picture.cb, picture.chromaStride,
                            picture.cr, picture.chromaStride, bgr.data(), picture.width * 3,
                            picture.width, picture.height);
        benchmark::DoNotOptimize(bgr.data());
        bytes += static_cast<int64_t>(frame.size());
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    if (elapsed >= kMinTimeSeconds) {  // a measured run, not one that only sizes the next
        referenceRates.push_back(static_cast<double>(state.iterations()) / elapsed);
    }
    state.counters["process_cpu_ms_per_picture"] =
        1000.0 * (ProcessCpuSeconds() - cpuBefore) /
        static_cast<double>(std::max<int64_t>(1, state.iterations()));
    state.counters["jpeg_bytes"] = static_cast<double>(loop.frames[0].size());
    state.SetBytesProcessed(bytes);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_LinkPath(benchmark::State& state) {
    const bool isRecording = state.range(0) == kRecordingArg;
    vyr::camsim::Camera camera(
        BenchCamera(ReferenceRate() * static_cast<double>(state.range(1)) / 100.0));
    if (!camera.Start()) {
        state.SkipWithError(camera.LastError().c_str());
        return;
    }
    ScratchFolder folder;
    CountingSink sink;
    vyr::CCameraLink link;
    link.SetDeviceIp("127.0.0.2");
    vyr::LinkPorts ports;
    ports.modelQuery = camera.ModelPort();
    ports.stream = camera.StreamPort();
    ports.control = 0;
    ports.picture = 0;
    link.SetPorts(ports);
    link.SetExeDir(folder.path().string());
    link.shared().cameraTypeOverride.store(1);  // Motion-JPEG, no model query
    link.Start(nullptr, &sink);
    auto& counters = link.shared().counters;
    // Let the connection and the decoder settle (and the recording start) before measuring, for
    // a second, so that pictures still queued from the start are not counted as speed.
    if (!WaitUntil([&] { return sink.count() >= 25; }, std::chrono::seconds(30))) {
        state.SkipWithError("no pictures arrived");
        link.Stop();
        return;
    }
    if (isRecording) {
        link.StartRecording();
        if (!WaitUntil([&] { return counters.recordFramesTaken.load() >= 10; },
                       std::chrono::seconds(10))) {
            state.SkipWithError("the recording did not start");
            link.StopRecording();
            link.Stop();
            return;
        }
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    constexpr uint64_t kPicturesPerIteration = 50;
    const uint64_t sentBefore = camera.FramesSent();
    const uint64_t droppedBefore = vyr::Globals().receiveRing.droppedBlocks();
    const uint64_t recordedBefore = counters.recordFramesTaken.load();
    const uint64_t presentedBefore = sink.count();
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = Clock::now();
    for (auto _ : state) {
        const uint64_t target = sink.count() + kPicturesPerIteration;
        if (!WaitUntil([&] { return sink.count() >= target; }, std::chrono::seconds(30))) {
            state.SkipWithError("pictures stopped");
            break;
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const uint64_t presented = sink.count() - presentedBefore;
    // What the path costs in CPU, simulator included; less distorted by other load than the rate.
    state.counters["process_cpu_ms_per_picture"] =
        1000.0 * (ProcessCpuSeconds() - cpuBefore) /
        static_cast<double>(std::max<uint64_t>(1, presented));
    state.counters["sent_per_second"] =
        static_cast<double>(camera.FramesSent() - sentBefore) / seconds;
    state.counters["blocks_dropped"] =
        static_cast<double>(vyr::Globals().receiveRing.droppedBlocks() - droppedBefore);
    if (isRecording) {
        state.counters["recorded_per_second"] =
            static_cast<double>(counters.recordFramesTaken.load() - recordedBefore) / seconds;
        link.StopRecording();
    }
    link.Stop();
    state.SetItemsProcessed(static_cast<int64_t>(presented));
}

BENCHMARK(BM_PlainDecode)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(kMinTimeSeconds);
BENCHMARK(BM_LinkPath)
    ->ArgNames({"recording", "pace_percent"})
    ->Args({0, 100})
    ->Args({kRecordingArg, 100})
    ->Args({0, 95})
    ->Args({kRecordingArg, 95})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(kMinTimeSeconds);

// Console output plus each benchmark's pictures per second, for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool isSingle = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool isMedian =
                run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const auto rate = run.counters.find("items_per_second");
            const auto cpu = run.counters.find("process_cpu_ms_per_picture");
            if ((isSingle || isMedian) && !run.error_occurred && rate != run.counters.end() &&
                cpu != run.counters.end()) {
                results_[run.run_name.str()] = {rate->second.value, cpu->second.value};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        const Result reference = ResultOf("BM_PlainDecode");
        if (reference.rate <= 0) {
            return;
        }
        for (const char* pace : {"100", "95"}) {
            for (const bool isRecording : {false, true}) {
                const Result path = ResultOf(std::string("recording:") + (isRecording ? "1" : "0") +
                                             "/pace_percent:" + pace + "/");
                if (path.rate <= 0) {
                    continue;
                }
                std::printf(
                    "ratio link path / our decoder + J420ToRGB24, 1920x1080, sent at %s %% of the "
                    "reference, %s: %.3f (%.1f vs %.1f pictures/s; process CPU %.2f vs %.2f ms "
                    "per picture)\n",
                    pace, isRecording ? "with recording" : "without recording",
                    path.rate / reference.rate, path.rate, reference.rate, path.cpuMs,
                    reference.cpuMs);
            }
        }
    }

private:
    struct Result {
        double rate = 0;   // pictures per second
        double cpuMs = 0;  // process CPU per picture
    };

    // The result of the one run whose name contains part (names carry options such as
    // min_time).
    Result ResultOf(const std::string& part) const {
        for (const auto& [name, result] : results_) {
            if (name.find(part) != std::string::npos) {
                return result;
            }
        }
        return {};
    }

    std::map<std::string, Result> results_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // Colours only on a terminal: the reporter is ours, so the colour flag does not reach it.
    RatioReporter reporter(::isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_Defaults
                                                        : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
