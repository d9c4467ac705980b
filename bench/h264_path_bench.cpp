// The live H.264 path end to end against plain decoding of the same stream, in the same run.
//
// Reference: libavcodec decoding the simulator's 1920 x 1080 pattern pictures (one thread, one
// packet per picture) plus I420ToRGB24, with no network and no ring. Ours: the simulator sends the
// same pictures over loopback at the rate the reference reached; the camera link receives them
// into ReceiveRing and the decode thread splits, decodes, converts and presents every picture to a
// counting sink. A path that cannot keep up with that rate falls behind, its ring overflows and
// blocks are dropped, so the ratio of pictures presented per second to the reference's shows
// what the path costs over plain decoding. (Sending without any pacing would only measure how
// many blocks the ring drops: the stream thread never waits for the decoder.)
// Then the latency from the simulator's last byte of a picture to the sink, at 25 pictures/s.
#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/camera_link.h"
#include "tools/camsim/camera.h"
#include "video/frame_sink.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

vyr::camsim::CameraConfig BenchCamera(double fps) {
    vyr::camsim::CameraConfig config;
    config.modelPort = 0;
    config.streamPort = 0;
    config.width = kWidth;
    config.height = kHeight;
    config.fps = fps;
    config.loopFrames = 50;
    return config;
}

// Counts pictures and keeps their arrival times.
class TimingSink : public vyr::FrameSink {
public:
    void DrawRgbFrame(const uint8_t*, int, int) override {
        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        arrivals_.push_back(now);
        count_.store(arrivals_.size());
    }
    size_t count() const { return count_.load(); }
    std::vector<Clock::time_point> arrivals() const {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Clock::time_point> arrivals_;
    std::atomic<size_t> count_{0};
};

bool WaitForCount(const TimingSink& sink, size_t count, std::chrono::seconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (sink.count() < count) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

std::unique_ptr<vyr::CCameraLink> LinkTo(const vyr::camsim::Camera& camera) {
    auto link = std::make_unique<vyr::CCameraLink>();
    link->SetDeviceIp("127.0.0.2");
    vyr::LinkPorts ports;
    ports.modelQuery = camera.ModelPort();
    ports.stream = camera.StreamPort();
    link->SetPorts(ports);
    link->shared().cameraTypeOverride.store(2);  // H.264, no model query
    return link;
}

// Pictures per second that BM_PlainDecode reached; the pace of the simulator in BM_LinkPath.
double referenceRate = 0;

void BM_LinkPath(benchmark::State& state) {
    vyr::camsim::Camera camera(BenchCamera(referenceRate > 0 ? referenceRate : 100));
    if (!camera.Start()) {
        state.SkipWithError(camera.LastError().c_str());
        return;
    }
    TimingSink sink;
    auto link = LinkTo(camera);
    link->Start(nullptr, &sink);
    // Let the connection and the decoder settle before measuring.
    if (!WaitForCount(sink, 25, std::chrono::seconds(30))) {
        state.SkipWithError("no pictures arrived");
        link->Stop();
        return;
    }
    constexpr size_t kPicturesPerIteration = 50;
    const uint64_t sentBefore = camera.FramesSent();
    const auto start = Clock::now();
    for (auto _ : state) {
        if (!WaitForCount(sink, sink.count() + kPicturesPerIteration, std::chrono::seconds(30))) {
            state.SkipWithError("pictures stopped");
            break;
        }
    }
    state.counters["sent_per_second"] = static_cast<double>(camera.FramesSent() - sentBefore) /
                                        std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["blocks_dropped"] =
        static_cast<double>(vyr::Globals().receiveRing.droppedBlocks());
    link->Stop();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPicturesPerIteration));
}

void BM_PlainDecode(benchmark::State& state) {
    vyr::camsim::CameraConfig config = BenchCamera(0);
    vyr::camsim::FrameLoop loop;
    std::string error;
    if (!vyr::camsim::BuildFrameLoop(config, &loop, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->thread_count = 1;
    avcodec_open2(context, codec, nullptr);
    AVFrame* picture = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    std::vector<uint8_t> bgr(static_cast<size_t>(kWidth) * kHeight * 3);
    size_t next = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        const auto& frame = loop.frames[next];
        next = (next + 1) % loop.frames.size();
        packet->data = const_cast<uint8_t*>(frame.data());
        packet->size = static_cast<int>(frame.size());
        avcodec_send_packet(context, packet);
        if (avcodec_receive_frame(context, picture) == 0) {
            libyuv::I420ToRGB24(picture->data[0], picture->linesize[0], picture->data[1],
                                picture->linesize[1], picture->data[2], picture->linesize[2],
                                bgr.data(), picture->width * 3, picture->width, picture->height);
            benchmark::DoNotOptimize(bgr.data());
        }
    }
    referenceRate = static_cast<double>(state.iterations()) /
                    std::chrono::duration<double>(Clock::now() - start).count();
    av_packet_free(&packet);
    av_frame_free(&picture);
    avcodec_free_context(&context);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

BENCHMARK(BM_PlainDecode)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LinkPath)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Latency at the camera's own pace: the i-th picture the simulator finished sending against the
// i-th picture the sink received.
void ReportLatency() {
    vyr::camsim::Camera camera(BenchCamera(25));
    if (!camera.Start()) {
        std::printf("latency: simulator did not start: %s\n", camera.LastError().c_str());
        return;
    }
    TimingSink sink;
    auto link = LinkTo(camera);
    link->Start(nullptr, &sink);
    WaitForCount(sink, 250, std::chrono::seconds(30));
    link->Stop();
    const auto sends = camera.RecentFrameSends();
    const auto arrivals = sink.arrivals();
    std::vector<double> latencies;
    for (size_t i = 0; i < sends.size() && i < arrivals.size(); ++i) {
        if (sends[i].connection == sends.front().connection) {
            latencies.push_back(
                std::chrono::duration<double, std::milli>(arrivals[i] - sends[i].lastByteSent)
                    .count());
        }
    }
    if (latencies.empty()) {
        std::printf("latency: no pictures\n");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<size_t>(q * static_cast<double>(latencies.size())))];
    };
    std::printf(
        "latency last byte sent -> sink, %zu pictures at 25/s: median %.2f ms, p99 %.2f ms\n",
        latencies.size(), at(0.5), at(0.99));
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                const auto found = run.counters.find("items_per_second");
                if (found != run.counters.end()) {
                    rates_[run.benchmark_name().find("LinkPath") != std::string::npos] =
                        found->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (rates_[false] > 0 && rates_[true] > 0) {
            std::printf(
                "ratio link path / plain decode + I420ToRGB24, 1920x1080: %.3f "
                "(%.1f vs %.1f pictures/s)\n",
                rates_[true] / rates_[false], rates_[true], rates_[false]);
        }
    }

private:
    std::map<bool, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    ReportLatency();
    benchmark::Shutdown();
    return 0;
}
