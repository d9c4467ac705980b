// The report export with two 1920 x 1080 pictures (BMP files, as snapshots are stored): the time
// of WriteReport (the page through the PDF layer, PDF/A-1b, the information update and the atomic
// file replacement; what Output Report does after the save dialog) and the size of the file,
// against a reference measured in the same run: QPdfWriter drawing the same pictures, in the same
// boxes, and the same seven lines in the same fonts straight to a file. The goals are under
// 300 ms and under 2 MB. Also printed: the first export of the process, which registers the fonts.
//
// The pictures look like camera pictures: soft shapes and gradients with sensor noise of a few
// levels, which is what makes JPEG pictures large.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "patients/store/patient_record.h"
#include "ui/report_page.h"

namespace {

namespace fs = std::filesystem;

fs::path BenchDir() {
    const char* dir = std::getenv("TMPDIR");
    const fs::path path = fs::path(dir != nullptr ? dir : "/tmp") /
                          ("vyr_report_bench_" + std::to_string(::getpid()));
    fs::create_directories(path);
    return path;
}

const fs::path& Dir() {
    static const fs::path dir = BenchDir();
    return dir;
}

// A camera-like picture: a warm gradient, a few bright rounded shapes with soft shading, noise.
QImage CameraLikePicture(int seed) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    uint32_t state = 2463534242u + static_cast<uint32_t>(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int noise = static_cast<int>(state % 7) - 3;
            double light = 0;
            for (int k = 0; k < 4; ++k) {
                const double cx = 300 + 440 * k + 60 * seed;
                const double dx = (x - cx) / 190.0;
                const double dy = (y - 560.0 - 80 * std::sin(k + seed)) / 300.0;
                light = std::max(light, 1.0 - (dx * dx + dy * dy));
            }
            const int r =
                std::clamp(static_cast<int>(150 + 60 * y / 1080.0 + 90 * light) + noise, 0, 255);
            const int g = std::clamp(static_cast<int>(70 + 150 * light) + noise, 0, 255);
            const int b = std::clamp(static_cast<int>(80 + 140 * light) + noise, 0, 255);
            row[x] = qRgb(r, g, b);
        }
    }
    return image;
}

std::vector<fs::path> Pictures() {
    static const std::vector<fs::path> pictures = [] {
        std::vector<fs::path> files;
        for (int i = 0; i < 2; ++i) {
            files.push_back(Dir() / ("2026010" + std::to_string(i + 1) + "_120000.bmp"));
            CameraLikePicture(i).save(QString::fromStdString(files.back().string()), "BMP");
        }
        return files;
    }();
    return pictures;
}

vyr::ReportContent Content(int languageIndex) {
    vyr::ReportContent content;
    content.patient = vyr::MakePatientRecord("zevra", "30", "10000", vyr::kGenderMale);
    content.languageIndex = languageIndex;
    content.description = languageIndex == 1
                              ? "左下第一磨牙远中邻面龋坏，建议充填治疗。"
                              : "Distal caries on the lower left first molar; filling advised.";
    const std::vector<fs::path> pictures = Pictures();
    content.pictures = {pictures[1], pictures[0]};
    return content;
}

void BM_WriteReport(benchmark::State& state) {
    const vyr::ReportContent content = Content(static_cast<int>(state.range(0)));
    const std::string file = (Dir() / "report.pdf").string();
    for (auto _ : state) {
        std::string why;
        if (vyr::WriteReport(content, file, &why) != 0) {
            state.SkipWithError(why.c_str());
            return;
        }
    }
    state.counters["pdf_bytes"] = static_cast<double>(fs::file_size(file));
}
BENCHMARK(BM_WriteReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same page with QPdfWriter alone: no option lists, no lossless check, no information update,
// no atomic replacement.
void BM_QtPdfWriterReference(benchmark::State& state) {
    const std::vector<fs::path> pictures = Pictures();
    const QString file = QString::fromStdString((Dir() / "reference.pdf").string());
    QFont font;
    font.setFamilies({"Liberation Sans", "AR PL UMing CN"});
    font.setBold(true);
    font.setPointSizeF(24);
    for (auto _ : state) {
        QPdfWriter writer(file);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        writer.setResolution(72);
        writer.setPageSize(
            QPageSize(QSizeF(595, 842), QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        painter.setFont(font);
        const char* lines[] = {"Report:",
                               "",
                               "Name:zevra Gender:M Age:30",
                               "Tel:10000",
                               "Date:20260101 12:00",
                               "",
                               "Description of illness:"};
        double y = 842 - 800;
        for (const char* line : lines) {
            painter.drawText(QPointF(50, y), line);
            y += 26;
        }
        painter.drawText(QPointF(30, 842 - 600),
                         "Distal caries on the lower left first molar; filling advised.");
        for (int i = 0; i < 2; ++i) {
            const QImage image(QString::fromStdString(pictures[1 - i].string()));
            painter.drawImage(QRectF(i == 0 ? 4 : 300, 842 - 30 - 163.125, 290, 163.125), image);
        }
    }
    state.counters["pdf_bytes"] = static_cast<double>(fs::file_size(Dir() / "reference.pdf"));
}
BENCHMARK(BM_QtPdfWriterReference)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints, after the usual table, our time as a multiple of the reference's and the file sizes.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                // "BM_WriteReport/0/real_time" -> "BM_WriteReport/0"
                std::string name = run.run_name.str();
                const size_t suffix = name.find("/real_time");
                name = name.substr(0, suffix);
                times_[name] = run.GetAdjustedRealTime();
                cpuTimes_[name] = run.GetAdjustedCPUTime();
                const auto bytes = run.counters.find("pdf_bytes");
                if (bytes != run.counters.end()) {
                    bytes_[name] = bytes->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double reference = times_["BM_QtPdfWriterReference"];
        for (const char* name : {"BM_WriteReport/0", "BM_WriteReport/1"}) {
            if (reference > 0 && times_[name] > 0) {
                std::printf(
                    "%s: %.1f ms wall (goal < 300), %.1f ms on this thread, %.0f KB (goal < 2048), "
                    "%.2f x reference wall time\n",
                    name, times_[name], cpuTimes_[name], bytes_[name] / 1024,
                    times_[name] / reference);
            }
        }
        std::printf("BM_QtPdfWriterReference: %.1f ms wall, %.1f ms on this thread, %.0f KB\n",
                    reference, cpuTimes_["BM_QtPdfWriterReference"],
                    bytes_["BM_QtPdfWriterReference"] / 1024);
    }

private:
    std::map<std::string, double> times_;
    std::map<std::string, double> cpuTimes_;
    std::map<std::string, double> bytes_;
};

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    {
        // The first export of a process also registers the two font files with Qt.
        const vyr::ReportContent content = Content(1);
        std::string why;
        const auto start = std::chrono::steady_clock::now();
        const int result = vyr::WriteReport(content, (Dir() / "first.pdf").string(), &why);
        const auto ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::printf("first export in this process (fonts registered): %.1f ms%s%s\n", ms,
                    result == 0 ? "" : ", failed: ", why.c_str());
    }
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
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fs::remove_all(Dir());
    return 0;
}
