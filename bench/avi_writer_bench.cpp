// Throughput of the AVI writer against a plain write() of the same chunk bytes to a file, for
// frames of 4 KB, 40 KB and 200 KB, measured in the same run. Prints writer/plain throughput
// ratios.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "capture/avi/avi_writer.h"

namespace {

constexpr int kFramesPerFile = 250;

std::string BenchPath() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/vyr_avi_bench_" +
           std::to_string(::getpid()) + ".avi";
}

std::vector<uint8_t> FramePayload(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    }
    return bytes;
}

void BM_AviWriter(benchmark::State& state) {
    const auto payload = FramePayload(static_cast<size_t>(state.range(0)));
    const std::string path = BenchPath();
    for (auto _ : state) {
        state.PauseTiming();
        ::unlink(path.c_str());
        state.ResumeTiming();
        AviFile* file = AVI_open_output_file(path.c_str());
        AVI_set_video_params(file, 1920, 1080, 25.0, "H264");
        for (int i = 0; i < kFramesPerFile; ++i) {
            if (AVI_write_frame(file, payload.data(), static_cast<long>(payload.size()), i == 0) !=
                0) {
                state.SkipWithError("write failed");
            }
        }
        AVI_close_file(file);
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(state.iterations() * kFramesPerFile *
                            static_cast<int64_t>(payload.size() + 8));
}

// The reference: the same chunk bytes (8-byte header and payload) with one write() per frame.
void BM_PlainWrite(benchmark::State& state) {
    auto chunk = FramePayload(static_cast<size_t>(state.range(0)) + 8);
    std::memcpy(chunk.data(), "00db", 4);
    const std::string path = BenchPath();
    for (auto _ : state) {
        state.PauseTiming();
        ::unlink(path.c_str());
        state.ResumeTiming();
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0600);
        for (int i = 0; i < kFramesPerFile; ++i) {
            if (::write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) {
                state.SkipWithError("write failed");
            }
        }
        ::close(fd);
    }
    ::unlink(path.c_str());
    state.SetBytesProcessed(state.iterations() * kFramesPerFile *
                            static_cast<int64_t>(chunk.size()));
}

BENCHMARK(BM_AviWriter)->Arg(4096)->Arg(40960)->Arg(204800)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWrite)->Arg(4096)->Arg(40960)->Arg(204800)->Unit(benchmark::kMicrosecond);

// Prints, after the usual table, the writer's throughput as a share of the plain write's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                const auto found = run.counters.find("bytes_per_second");
                if (found != run.counters.end()) {
                    rates_[run.run_name.str()] = found->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* size : {"4096", "40960", "204800"}) {
            const std::string suffix = std::string("/") + size;
            const double writer = rates_["BM_AviWriter" + suffix];
            const double plain = rates_["BM_PlainWrite" + suffix];
            if (writer > 0 && plain > 0) {
                std::printf("ratio avi_writer/plain_write frame %s bytes: %.3f\n", size,
                            writer / plain);
            }
        }
    }

private:
    std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    // Ours and the reference alternate in random order over several repetitions, so that a change
    // in the machine's load or the page cache does not favour whichever runs first. Flags given on
    // the command line come later and win.
    std::vector<char*> args = {argv[0]};
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string repetitions = "--benchmark_repetitions=9";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.push_back(interleave.data());
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
