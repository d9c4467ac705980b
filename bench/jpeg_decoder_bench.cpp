// Decoding speed of our JPEG decoder against libjpeg-turbo (tjDecompressToYUVPlanes, its
// default accurate integer IDCT with its own SIMD) on the same camera-like 4:2:0 frames of
// 1920x1080 and 1280x1024 at quality 90, both to planar YUV, single thread, in one run.
// Reports bytes of JPEG data processed per second and prints ours / libjpeg-turbo throughput.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "video/jpeg/jpeg_decoder.h"

namespace {

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// A frame like an intra-oral camera's: soft shading under a ring light, rounded bright shapes
// with edges, fine surface texture and a little sensor noise.
std::vector<uint8_t> MakeCameraFrame(int width, int height) {
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    std::vector<uint8_t> y(static_cast<size_t>(width) * height);
    std::vector<uint8_t> cb(static_cast<size_t>(chromaWidth) * chromaHeight);
    std::vector<uint8_t> cr(cb.size());
    const auto clamp = [](double v) {
        return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : std::lround(v)));
    };
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const double nx = static_cast<double>(column) / width - 0.5;
            const double ny = static_cast<double>(row) / height - 0.5;
            const double vignette = 1.0 - 1.2 * (nx * nx + ny * ny);
            // Rounded "teeth": bright lobes along a curve.
            const double lobe = std::sin(column * 0.018) * std::cos(ny * 5.0);
            const double tooth = lobe > 0.35 ? 70.0 : 0.0;
            const double texture = 6.0 * std::sin(column * 0.21 + row * 0.13) +
                                   4.0 * std::sin(column * 0.05 - row * 0.31);
            const double noise =
                static_cast<double>(Hash(static_cast<uint32_t>(row * 7919 + column)) % 9) - 4.0;
            y[static_cast<size_t>(row) * width + column] =
                clamp(70 + 90 * vignette + tooth + texture + noise);
        }
    }
    for (int row = 0; row < chromaHeight; ++row) {
        for (int column = 0; column < chromaWidth; ++column) {
            const double gum = std::sin(row * 0.02 + column * 0.004);
            cb[static_cast<size_t>(row) * chromaWidth + column] = clamp(118 - 12 * gum);
            cr[static_cast<size_t>(row) * chromaWidth + column] = clamp(150 + 18 * gum);
        }
    }
    tjhandle compressor = tjInitCompress();
    const unsigned char* planes[3] = {y.data(), cb.data(), cr.data()};
    const int strides[3] = {width, chromaWidth, chromaWidth};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (tjCompressFromYUVPlanes(compressor, planes, width, strides, height, TJSAMP_420, &buffer,
                                &size, 90, 0) != 0) {
        std::fprintf(stderr, "compression failed: %s\n", tjGetErrorStr2(compressor));
        std::exit(1);
    }
    std::vector<uint8_t> jpeg(buffer, buffer + size);
    tjFree(buffer);
    tjDestroy(compressor);
    return jpeg;
}

const std::vector<uint8_t>& Frame(int width, int height) {
    static std::map<std::pair<int, int>, std::vector<uint8_t>> frames;
    auto& frame = frames[{width, height}];
    if (frame.empty()) {
        frame = MakeCameraFrame(width, height);
    }
    return frame;
}

void BM_Ours(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg =
        Frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const JpegDecoderAttributes attributes{0, 0, 4096, 4096};
    JpegDecoder* decoder = JpegDecoderCreate(&attributes);
    JpegPicture picture{};
    for (auto _ : state) {
        if (JpegDecoderDecode(decoder, jpeg.data(), static_cast<int>(jpeg.size()), 0, 0, &picture,
                              0) != 0 ||
            picture.damaged != 0) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(picture.y);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(jpeg.size()));
    JpegDecoderDestroy(decoder);
}

void BM_LibjpegTurbo(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const std::vector<uint8_t>& jpeg = Frame(width, height);
    tjhandle decompressor = tjInitDecompress();
    std::vector<uint8_t> planes[3];
    unsigned char* pointers[3];
    int strides[3];
    for (int i = 0; i < 3; ++i) {
        strides[i] = tjPlaneWidth(i, width, TJSAMP_420);
        planes[i].resize(static_cast<size_t>(strides[i]) * tjPlaneHeight(i, height, TJSAMP_420));
        pointers[i] = planes[i].data();
    }
    for (auto _ : state) {
        if (tjDecompressToYUVPlanes(decompressor, jpeg.data(), jpeg.size(), pointers, width,
                                    strides, height, 0) != 0) {
            state.SkipWithError("libjpeg-turbo decode failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(jpeg.size()));
    tjDestroy(decompressor);
}

BENCHMARK(BM_Ours)->Args({1920, 1080})->Args({1280, 1024})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegTurbo)->Args({1920, 1080})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

// Console output plus a record of each benchmark's CPU time per frame (the median when run
// with repetitions), for the ratio at the end. CPU time, because both run on one thread and a
// busy machine stretches wall time for whichever happens to run while it is busy.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool isSingle = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool isMedian =
                run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((isSingle || isMedian) && !run.error_occurred) {
                times_[run.run_name.str()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        for (const char* size : {"1920/1080", "1280/1024"}) {
            const auto ours = times_.find(std::string("BM_Ours/") + size);
            const auto turbo = times_.find(std::string("BM_LibjpegTurbo/") + size);
            if (ours == times_.end() || turbo == times_.end()) {
                continue;
            }
            std::printf(
                "%s: throughput ours / libjpeg-turbo = %.2f (CPU %.3f ms vs %.3f ms per frame)\n",
                size, turbo->second / ours->second, ours->second, turbo->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{1280, 1024}}) {
        std::printf("%dx%d 4:2:0 quality 90: %zu bytes\n", width, height,
                    Frame(width, height).size());
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
