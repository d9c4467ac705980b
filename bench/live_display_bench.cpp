// Live display through the real main window: the simulated camera on 127.0.0.2 streams
// 1920 x 1080 at 30 pictures/s, once as H.264 and once as Motion-JPEG, into a shown MainDlg on the
// offscreen platform, and for about 10 s with no button pressed this program measures
//   - pictures decoded by the link against pictures received and painted by the live area (the
//     painted share, and how many were overwritten in the mailbox before a paint took them),
//   - the cost of each live-area paint on the user-interface thread (median, 99th percentile): the
//     wall time that thread spends in the paint, and that thread's own CPU time in it. Qt spreads
//     the conversion and scaling of a large picture over its pooled worker threads and waits for
//     them, so the wall time also holds their work and any wait for a processor; their CPU time
//     over the run is reported per painted frame,
//   - the user-interface thread's stalls: a 5 ms timer ticks on that thread and each gap between
//     ticks minus 5 ms is a stall (median, 99th percentile, largest),
//   - how long Exit takes: the click (which stops the link) and the time until exec returns.
//
// A plain main instead of Google Benchmark: the measurements run inside the dialog's modal event
// loop, which does not fit Google Benchmark's repeated timed loops. Its output is the report.
//
// Paint cost: an event filter on the live area takes each paint event, runs the widget's own
// event handler (and so paintEvent) itself between two clock readings, and reports the event as
// handled. The backing store's flush to the offscreen surface is not included.
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/vyr_app.h"
#include "link/camera_link.h"
#include "linkstate/link_shared.h"
#include "patients/store/patient_record.h"
#include "patients/store/patient_store.h"
#include "platform/dialogs/testing/recording_shell.h"
#include "platform/dialogs/testing/scripted_prompts.h"
#include "settings/settings_file.h"
#include "tools/camsim/camera.h"
#include "ui/live_area.h"
#include "ui/main_dlg.h"
#include "ui/main_dlg_ids.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kFps = 30.0;
constexpr auto kFirstFrameTimeout = std::chrono::seconds(30);
// The decoder and the simulator settle before the counters are read.
constexpr auto kWarmUpTime = std::chrono::seconds(1);
constexpr auto kMeasureTime = std::chrono::seconds(10);
constexpr int kStallTickMs = 5;
constexpr int kControlTickMs = 20;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Nearest-rank percentile of an unsorted sample; 0 for an empty one.
double Percentile(std::vector<double> values, double percent) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(percent / 100.0 * static_cast<double>(values.size()));
    return values[std::min(rank, values.size() - 1)];
}

double Largest(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// CPU time of the calling thread (here the user-interface thread).
double ThreadCpuMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// CPU time of Qt's pooled worker threads (those alive now), from /proc in clock ticks.
double PooledThreadsCpuMilliseconds() {
    const double tickMs = 1e3 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    double total = 0.0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/self/task", error)) {
        std::ifstream commFile(task.path() / "comm");
        std::string comm;
        std::getline(commFile, comm);
        if (comm.rfind("Thread (pooled)", 0) != 0) {
            continue;
        }
        std::ifstream statFile(task.path() / "stat");
        const std::string stat((std::istreambuf_iterator<char>(statFile)),
                               std::istreambuf_iterator<char>());
        // After the name in parentheses: state, then utime and stime are the 12th and 13th.
        std::istringstream fields(stat.substr(stat.rfind(')') + 1));
        std::string field;
        double ticks = 0.0;
        for (int index = 1; index <= 13 && fields >> field; ++index) {
            if (index >= 12) {
                ticks += std::stod(field);
            }
        }
        total += ticks * tickMs;
    }
    return total;
}

// A fresh working folder under the system's temp folder, entered while it lives and removed with
// everything in it afterwards (the link reads language.ini from the working folder).
class WorkFolder {
public:
    WorkFolder() : previous_(fs::current_path()) {
        std::string pattern = (fs::temp_directory_path() / "vyr-live-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed for " + pattern);
        }
        path_ = pattern;
        fs::current_path(path_);
    }
    ~WorkFolder() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path previous_;
    fs::path path_;
};

// Times every paint of the watched widget while recording is on.
class PaintTimer : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        const auto start = Clock::now();
        const double startCpuMs = ThreadCpuMilliseconds();
        // QObject::event is public; for a widget it dispatches to paintEvent.
        (void)watched->event(event);
        if (isRecording_) {
            paintMs_.push_back(Milliseconds(Clock::now() - start));
            paintCpuMs_.push_back(ThreadCpuMilliseconds() - startCpuMs);
        }
        return true;
    }

    void SetRecording(bool isRecording) { isRecording_ = isRecording; }
    const std::vector<double>& paintMs() const { return paintMs_; }
    const std::vector<double>& paintCpuMs() const { return paintCpuMs_; }

private:
    bool isRecording_ = false;
    std::vector<double> paintMs_;
    std::vector<double> paintCpuMs_;
};

// A timer on the user-interface thread; every gap between its ticks beyond the interval is a
// stall of that thread.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kStallTickMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            if (last_) {
                stallMs_.push_back(Milliseconds(now - *last_) - kStallTickMs);
            }
            last_ = now;
        });
    }

    void Start() {
        last_.reset();
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    const std::vector<double>& stallMs() const { return stallMs_; }

private:
    QTimer timer_;
    std::optional<Clock::time_point> last_;
    std::vector<double> stallMs_;
};

struct Counts {
    uint64_t decoded = 0;   // the link's decode thread
    uint64_t drawn = 0;     // handed to the frame sink by the link
    uint64_t received = 0;  // published into the live area's mailbox
    uint64_t painted = 0;   // new frames painted
    uint64_t overwritten = 0;

    static Counts Of(const vyr::MainDlg& window) {
        const vyr::LinkCounters& link = window.link().shared().counters;
        const vyr::LiveArea& live = *window.liveArea();
        return {link.framesDecoded.load(), link.framesDrawn.load(), live.framesReceived(),
                live.framesPainted(), live.framesOverwritten()};
    }
    Counts operator-(const Counts& earlier) const {
        return {decoded - earlier.decoded, drawn - earlier.drawn, received - earlier.received,
                painted - earlier.painted, overwritten - earlier.overwritten};
    }
};

struct Figures {
    std::string name;
    std::string error;  // empty when the run completed
    int liveWidth = 0;
    int liveHeight = 0;
    double seconds = 0.0;
    Counts counts;
    std::vector<double> paintMs;
    std::vector<double> paintCpuMs;
    std::vector<double> stallMs;
    double pooledCpuMs = 0.0;   // Qt's pooled worker threads over the measured time
    double exitClickMs = 0.0;   // Exit's handler, which stops the link
    double exitReturnMs = 0.0;  // from the click until exec returned
};

// Drives one modal run of the window: waits for the first painted frame, warms up, measures, then
// clicks Exit.
class Session {
public:
    Session(vyr::MainDlg& window, Figures& figures) : window_(window), figures_(figures) {
        window_.liveArea()->installEventFilter(&paintTimer_);
        control_.setInterval(kControlTickMs);
        QObject::connect(&control_, &QTimer::timeout, [this] { Step(); });
    }

    // Runs the dialog modally until Exit ends it.
    void Run() {
        phaseStart_ = Clock::now();
        control_.start();
        (void)window_.exec();
        const auto returned = Clock::now();
        if (exitClicked_) {
            figures_.exitReturnMs = Milliseconds(returned - *exitClicked_);
        }
        figures_.paintMs = paintTimer_.paintMs();
        figures_.paintCpuMs = paintTimer_.paintCpuMs();
        figures_.stallMs = stall_.stallMs();
    }

private:
    enum class Phase { kWaitFirstFrame, kWarmUp, kMeasure };

    void Step() {
        const auto now = Clock::now();
        switch (phase_) {
            case Phase::kWaitFirstFrame:
                if (window_.liveArea()->framesPainted() > 0) {
                    Enter(Phase::kWarmUp, now);
                } else if (now - phaseStart_ > kFirstFrameTimeout) {
                    figures_.error = "no frame painted within 30 s";
                    ClickExit();
                }
                break;
            case Phase::kWarmUp:
                if (now - phaseStart_ >= kWarmUpTime) {
                    Enter(Phase::kMeasure, now);
                    start_ = Counts::Of(window_);
                    startPooledCpuMs_ = PooledThreadsCpuMilliseconds();
                    paintTimer_.SetRecording(true);
                    stall_.Start();
                }
                break;
            case Phase::kMeasure:
                if (now - phaseStart_ >= kMeasureTime) {
                    stall_.Stop();
                    paintTimer_.SetRecording(false);
                    figures_.counts = Counts::Of(window_) - start_;
                    figures_.pooledCpuMs = PooledThreadsCpuMilliseconds() - startPooledCpuMs_;
                    figures_.seconds = std::chrono::duration<double>(now - phaseStart_).count();
                    figures_.liveWidth = window_.liveArea()->width();
                    figures_.liveHeight = window_.liveArea()->height();
                    ClickExit();
                }
                break;
        }
    }

    void Enter(Phase phase, Clock::time_point now) {
        phase_ = phase;
        phaseStart_ = now;
    }

    void ClickExit() {
        control_.stop();
        auto* exit = qobject_cast<QAbstractButton*>(window_.Control(vyr::kIdExit));
        if (exit == nullptr) {
            figures_.error = "no Exit button";
            window_.reject();
            return;
        }
        const auto clicked = Clock::now();
        exitClicked_ = clicked;
        exit->click();
        figures_.exitClickMs = Milliseconds(Clock::now() - clicked);
    }

    vyr::MainDlg& window_;
    Figures& figures_;
    PaintTimer paintTimer_;
    StallProbe stall_;
    QTimer control_;
    Phase phase_ = Phase::kWaitFirstFrame;
    Clock::time_point phaseStart_;
    Counts start_;
    double startPooledCpuMs_ = 0.0;
    std::optional<Clock::time_point> exitClicked_;
};

Figures MeasureLiveDisplay(const char* name, vyr::camsim::StreamKind kind,
                           vyr::CameraType cameraType) {
    Figures figures;
    figures.name = name;
    WorkFolder folder;
    vyr::Settings settings;
    settings.cameraType = cameraType;
    if (vyr::WriteSettingsFile(vyr::kSettingsFileName, vyr::SettingsToBytes(settings)) != 0) {
        figures.error = "cannot write language.ini";
        return figures;
    }

    vyr::testing::ScriptedPrompts prompts;
    vyr::testing::RecordingShell shell;
    vyr::CVyrApp app({.cameraAddress = "127.0.0.2",
                      .settingsFile = folder.path() / vyr::kSettingsFileName,
                      .patientFile = folder.path() / vyr::kPatientFileName,
                      .exeDir = folder.path().string()},
                     {&prompts, &shell});
    app.SetCurrentPatient(vyr::MakePatientRecord("bench", "30", "10000", vyr::kGenderFemale));

    vyr::camsim::CameraConfig config;
    config.address = "127.0.0.2";
    config.modelPort = 0;
    config.streamPort = 0;
    config.streamKind = kind;
    config.width = kWidth;
    config.height = kHeight;
    config.fps = kFps;
    vyr::camsim::Camera camera(config);
    if (!camera.Start()) {
        figures.error = "simulator did not start: " + camera.LastError();
        return figures;
    }
    vyr::LinkPorts ports;
    ports.modelQuery = camera.ModelPort();
    ports.stream = camera.StreamPort();
    // The servers pick free ports.
    ports.control = 0;
    ports.picture = 0;

    vyr::MainDlg window(app, ports);
    Session session(window, figures);
    session.Run();
    return figures;
}

std::string Cell(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Count(uint64_t value) {
    return std::to_string(value);
}

std::string Ratio(uint64_t part, uint64_t whole) {
    return whole == 0 ? "-" : Cell("%.3f", static_cast<double>(part) / static_cast<double>(whole));
}

std::string PerSecond(uint64_t count, double seconds) {
    return seconds > 0 ? Cell("%.2f", static_cast<double>(count) / seconds) : "-";
}

void PrintFigures(const std::vector<Figures>& runs) {
    std::printf(
        "\nLive display, %d x %d at %.0f pictures/s from the simulator on 127.0.0.2, %.0f s with "
        "no button pressed, offscreen platform\n",
        kWidth, kHeight, kFps, std::chrono::duration<double>(kMeasureTime).count());
    for (const Figures& run : runs) {
        if (!run.error.empty()) {
            std::printf("%s FAILED: %s\n", run.name.c_str(), run.error.c_str());
        }
    }
    const auto row = [&runs](const char* label, auto cell) {
        std::printf("%-42s", label);
        for (const Figures& run : runs) {
            std::printf("%14s", std::string(cell(run)).c_str());
        }
        std::printf("\n");
    };
    row("", [](const Figures& r) { return r.name; });
    row("live area size (pixels)", [](const Figures& r) {
        return std::to_string(r.liveWidth) + " x " + std::to_string(r.liveHeight);
    });
    row("measured (s)", [](const Figures& r) { return Cell("%.2f", r.seconds); });
    row("frames decoded (link)", [](const Figures& r) { return Count(r.counts.decoded); });
    row("frames drawn (link)", [](const Figures& r) { return Count(r.counts.drawn); });
    row("frames received (live area)", [](const Figures& r) { return Count(r.counts.received); });
    row("frames painted (live area)", [](const Figures& r) { return Count(r.counts.painted); });
    row("frames overwritten before painting",
        [](const Figures& r) { return Count(r.counts.overwritten); });
    row("decoded per second",
        [](const Figures& r) { return PerSecond(r.counts.decoded, r.seconds); });
    row("painted per second",
        [](const Figures& r) { return PerSecond(r.counts.painted, r.seconds); });
    row("painted / decoded",
        [](const Figures& r) { return Ratio(r.counts.painted, r.counts.decoded); });
    row("painted / received",
        [](const Figures& r) { return Ratio(r.counts.painted, r.counts.received); });
    row("paint events timed", [](const Figures& r) { return Count(r.paintMs.size()); });
    row("paint cost median (ms)",
        [](const Figures& r) { return Cell("%.3f", Percentile(r.paintMs, 50)); });
    row("paint cost 99th percentile (ms)",
        [](const Figures& r) { return Cell("%.3f", Percentile(r.paintMs, 99)); });
    row("paint cost largest (ms)",
        [](const Figures& r) { return Cell("%.3f", Largest(r.paintMs)); });
    row("paint CPU time median (ms)",
        [](const Figures& r) { return Cell("%.3f", Percentile(r.paintCpuMs, 50)); });
    row("paint CPU time 99th percentile (ms)",
        [](const Figures& r) { return Cell("%.3f", Percentile(r.paintCpuMs, 99)); });
    row("paint CPU time largest (ms)",
        [](const Figures& r) { return Cell("%.3f", Largest(r.paintCpuMs)); });
    row("Qt pooled threads' CPU per paint (ms)", [](const Figures& r) {
        return r.paintMs.empty()
                   ? std::string("-")
                   : Cell("%.3f", r.pooledCpuMs / static_cast<double>(r.paintMs.size()));
    });
    row("UI stall median (ms beyond the 5 ms tick)",
        [](const Figures& r) { return Cell("%.3f", Percentile(r.stallMs, 50)); });
    row("UI stall 99th percentile (ms)",
        [](const Figures& r) { return Cell("%.3f", Percentile(r.stallMs, 99)); });
    row("UI stall largest (ms)", [](const Figures& r) { return Cell("%.3f", Largest(r.stallMs)); });
    row("UI stalls over 50 ms", [](const Figures& r) {
        return Count(static_cast<uint64_t>(std::count_if(r.stallMs.begin(), r.stallMs.end(),
                                                         [](double ms) { return ms > 50.0; })));
    });
    row("Exit: click handled, link stopped (ms)",
        [](const Figures& r) { return Cell("%.1f", r.exitClickMs); });
    row("Exit: click until exec returned (ms)",
        [](const Figures& r) { return Cell("%.1f", r.exitReturnMs); });
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    std::vector<Figures> runs;
    runs.push_back(
        MeasureLiveDisplay("H.264", vyr::camsim::StreamKind::H264, vyr::kCameraTypeH264));
    runs.push_back(
        MeasureLiveDisplay("Motion-JPEG", vyr::camsim::StreamKind::Mjpeg, vyr::kCameraTypeMjpeg));
    PrintFigures(runs);
    const bool hasFailed =
        std::any_of(runs.begin(), runs.end(), [](const Figures& r) { return !r.error.empty(); });
    return hasFailed ? 1 : 0;
}
