// DICOM export of a visit: 100 pictures of 1920 x 1080 (BMP, as the program stores them) written
// as VL Photographic Image files on one thread, against two references measured in the same run:
// writing the same number of bytes with plain write() (the disk's share), and only loading the
// BMPs into RGB images (the decoding's share). Prints pictures per second and the ratios; the
// goal is at least 20 pictures per second, a whole visit in under 5 s.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "dicom/photo_batch.h"
#include "dicom/photo_export.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPictures = 100;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// The pictures and an output folder, made once per run and removed at exit.
struct Visit {
    fs::path root;
    std::vector<fs::path> pictures;
    size_t objectBytes = 0;  // size of one exported object, for the plain-write reference

    Visit() {
        const char* tmp = std::getenv("TMPDIR");
        root = fs::path(tmp != nullptr ? tmp : "/tmp") /
               ("vyr_dicom_bench_" + std::to_string(::getpid()));
        fs::create_directories(root / "jpg");
        fs::create_directories(root / "out");
        QImage image(kWidth, kHeight, QImage::Format_RGB888);
        for (int i = 0; i < kPictures; ++i) {
            // Every picture different, so no cache holds one picture's decoded rows for the next.
            for (int y = 0; y < kHeight; ++y) {
                uchar* line = image.scanLine(y);
                for (int x = 0; x < kWidth * 3; ++x) {
                    line[x] = static_cast<uchar>(x * 3 + y * 7 + i * 11);
                }
            }
            char name[32];
            std::snprintf(name, sizeof name, "20250203_09%02d%02d.bmp", i / 60, i % 60);
            pictures.push_back(root / "jpg" / name);
            image.save(QString::fromStdString(pictures.back().string()), "BMP");
        }
        // One object exported ahead, for the size the plain-write reference writes.
        const vyr::PhotoBatch one(vyr::MakePatientRecord("zevra", "30", "10000", 0),
                                  {pictures.front()}, "bench", QDateTime::currentDateTime());
        vyr::BatchReport report;
        if (vyr::ExportBatch(one, root / "out", {}, nullptr, &report) == 0 &&
            report.DoneCount() == 1) {
            objectBytes = fs::file_size(report.pictures.front().written);
        }
    }
    ~Visit() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Pictures per second of this process's CPU time (all of it on the benchmark's one thread):
// what one core does when the machine is shared and the wall clock waits for other programs.
class CpuRate {
public:
    CpuRate() : start_(ProcessCpuSeconds()) {}
    void Report(benchmark::State& state) const {
        const double seconds = ProcessCpuSeconds() - start_;
        state.counters["pictures_per_cpu_s"] =
            seconds > 0 ? static_cast<double>(state.iterations()) * kPictures / seconds : 0;
    }

private:
    double start_;
};

Visit& TheVisit() {
    static Visit visit;
    return visit;
}

void BM_DicomExport(benchmark::State& state) {
    Visit& visit = TheVisit();
    const vyr::PatientRecord patient =
        vyr::MakePatientRecord("zevra", "30", "10000", vyr::kGenderFemale);
    const CpuRate cpu;
    for (auto _ : state) {
        const vyr::PhotoBatch batch(patient, visit.pictures, "bench", QDateTime::currentDateTime());
        vyr::BatchReport report;
        if (vyr::ExportBatch(batch, visit.root / "out", {}, nullptr, &report) != 0 ||
            report.DoneCount() != kPictures) {
            state.SkipWithError("export failed");
            break;
        }
    }
    cpu.Report(state);
    state.SetItemsProcessed(state.iterations() * kPictures);
}

// The disk's share: as many bytes as the export writes, one file per picture, plain write().
void BM_PlainWrite(benchmark::State& state) {
    Visit& visit = TheVisit();
    if (visit.objectBytes == 0) {
        state.SkipWithError("no exported object to size the reference");
        return;
    }
    std::vector<char> object(visit.objectBytes, 'x');
    const CpuRate cpu;
    for (auto _ : state) {
        for (int i = 0; i < kPictures; ++i) {
            const fs::path file = visit.root / "out" / ("plain_" + std::to_string(i) + ".dcm");
            const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0 ||
                ::write(fd, object.data(), object.size()) != static_cast<ssize_t>(object.size())) {
                state.SkipWithError("write failed");
            }
            ::close(fd);
        }
    }
    cpu.Report(state);
    state.SetItemsProcessed(state.iterations() * kPictures);
}

// The decoding's share: the BMPs loaded and converted to 8-bit RGB, nothing written.
void BM_LoadPictures(benchmark::State& state) {
    Visit& visit = TheVisit();
    const CpuRate cpu;
    for (auto _ : state) {
        for (const fs::path& picture : visit.pictures) {
            QImage image(QString::fromStdString(picture.string()));
            benchmark::DoNotOptimize(image.convertToFormat(QImage::Format_RGB888).constBits());
        }
    }
    cpu.Report(state);
    state.SetItemsProcessed(state.iterations() * kPictures);
}

BENCHMARK(BM_DicomExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_LoadPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Prints, after the table, pictures per second and the export's speed against the references.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                for (const char* counter : {"items_per_second", "pictures_per_cpu_s"}) {
                    const auto found = run.counters.find(counter);
                    if (found != run.counters.end()) {
                        rates_[run.run_name.function_name + counter] = found->second.value;
                    }
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // Wall clock (disk included, waits for other programs included) and CPU time of the one
        // thread (what one core does on a shared machine).
        for (const char* counter : {"items_per_second", "pictures_per_cpu_s"}) {
            const std::string name(counter);
            const double exported = rates_["BM_DicomExport" + name];
            const double plain = rates_["BM_PlainWrite" + name];
            const double loaded = rates_["BM_LoadPictures" + name];
            std::printf("dicom export (%s): %.1f pictures/s of %dx%d (goal >= 20)\n", counter,
                        exported, kWidth, kHeight);
            if (plain > 0 && loaded > 0) {
                std::printf("  ratio export/plain_write: %.3f, export/load_only: %.3f\n",
                            exported / plain, exported / loaded);
            }
        }
    }

private:
    std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    // The references alternate with the export in random order over a few repetitions (each one
    // a whole visit), so a change in the machine's load does not favour one of them.
    std::vector<char*> args = {argv[0]};
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.push_back(interleave.data());
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    TheVisit();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
