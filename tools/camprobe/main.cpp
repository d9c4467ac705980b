// camprobe: the installer's diagnostic for "the picture does not come". It runs the client's own
// camera link headless against a camera, prints what the camera said, each change of the link's
// state and what arrived each second, and exits 0 when pictures flowed, or non-zero with a
// one-line reason. Like the client, it keeps trying a camera that is late or goes away for the
// whole run. On request it also takes a
// snapshot, records a short video and prints what the camera's button and uploads announce, so
// that a technician can check those paths without the window.
//
//   camprobe --camera ADDRESS [--seconds N] [--camera-type 0|1|2] [--json] [--root DIR]
//            [--patient TEL] [--snapshot] [--record SECONDS] [--listen]   (--help for all)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "capture/capture_paths.h"
#include "link/camera_link.h"
#include "link/stream_connection.h"
#include "platform/data_folder.h"
#include "tools/camprobe/probe_events.h"
#include "tools/camprobe/probe_json.h"
#include "tools/camprobe/probe_options.h"
#include "tools/camprobe/probe_sink.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long the servers may take to listen after Start, and how long a run goes on past its
// seconds for a snapshot still to be written or a recording still waiting for its key frame.
constexpr auto kServersWait = 2s;
constexpr auto kSnapshotGrace = 2s;
constexpr auto kRecordingEndGrace = 5s;

// The root as an absolute folder without a trailing '/', so that the paths reported are whole.
std::string AbsoluteFolder(const std::string& folder) {
    fs::path path = fs::absolute(fs::path(folder)).lexically_normal();
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path()) {
        path = path.parent_path();
    }
    return path.string();
}

// Creates the photo and video folders; the reason when it cannot, empty on success.
std::string MakeFolders(const vyr::LinkShared& link) {
    for (const std::string& folder : {vyr::PhotoFolder(link), vyr::VideoFolder(link)}) {
        std::error_code error;
        fs::create_directories(folder, error);
        if (error) {
            return "cannot create " + folder + ": " + error.message();
        }
    }
    return {};
}

// The .avi files directly in folder (none when it does not exist).
std::set<std::string> AviFilesIn(const std::string& folder) {
    std::set<std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".avi" && it->is_regular_file(error)) {
            files.insert(it->path().string());
        }
    }
    return files;
}

std::string ModelFailure(int result) {
    switch (result) {
        case vyr::kModelQueryNoReply:
            return "no answer to the model query";
        case vyr::kModelQueryRefused:
            return "model query: connection refused";
        case vyr::kModelQueryNoSocketOrBadReply:
            return "model query: the camera's reply code was not 10";
        default:
            return "model query failed (" + std::to_string(result) + ")";
    }
}

std::string PortText(uint16_t port) {
    return port != 0 ? std::to_string(port) : std::string("not listening");
}

// Waits for both servers and prints "servers: control P picture P"; the reason when one does not
// listen, empty when both do.
std::string ReportServers(const vyr::CCameraLink& link, const vyr::LinkPorts& ports) {
    const auto deadline = Clock::now() + kServersWait;
    while ((link.ControlPort() == 0 || link.PicturePort() == 0) && Clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    const uint16_t control = link.ControlPort();
    const uint16_t picture = link.PicturePort();
    std::printf("servers: control %s picture %s\n", PortText(control).c_str(),
                PortText(picture).c_str());
    if (control == 0) {
        return "control server not listening on port " + std::to_string(ports.control);
    }
    if (picture == 0) {
        return "picture server not listening on port " + std::to_string(ports.picture);
    }
    return {};
}

// Watches the stream second by second and carries out --snapshot and --record from the first
// picture on. Returns the seconds watched.
int Watch(vyr::CCameraLink& link, const vyr::probe::Options& options,
          const vyr::probe::ProbeEvents& events) {
    const auto& counters = link.shared().counters;
    const auto& ring = vyr::Globals().receiveRing;
    const auto start = Clock::now();
    bool sawPicture = false;
    bool isRecording = false;
    bool recordingStopped = false;
    Clock::time_point snapshotAt;
    Clock::time_point stopRecordingAt;
    uint64_t lastDecoded = 0;
    uint64_t lastDrawn = 0;
    int second = 0;
    for (int tick = 1;; ++tick) {
        std::this_thread::sleep_until(start + tick * 100ms);
        const auto now = Clock::now();
        if (!sawPicture && counters.framesDecoded.load() > 0) {
            sawPicture = true;
            if (options.snapshot) {
                link.RequestSnapshot();
                snapshotAt = now;
            }
            if (options.recordSeconds > 0) {
                link.StartRecording();
                isRecording = true;
                stopRecordingAt = now + std::chrono::seconds(options.recordSeconds);
            }
        }
        if (isRecording && !recordingStopped && now >= stopRecordingAt) {
            link.StopRecording();
            recordingStopped = true;
        }
        if (tick % 10 != 0) {
            continue;
        }
        ++second;
        const uint64_t decoded = counters.framesDecoded.load();
        const uint64_t drawn = counters.framesDrawn.load();
        const vyr::LinkStateReport state = events.LastLinkState();
        std::printf(
            "second %d: frames decoded %llu, drawn %llu, blocks dropped %llu, connections %u, "
            "state %s\n",
            second, static_cast<unsigned long long>(decoded - lastDecoded),
            static_cast<unsigned long long>(drawn - lastDrawn),
            static_cast<unsigned long long>(ring.droppedBlocks()), state.connections,
            vyr::probe::LinkStateName(state.state));
        lastDecoded = decoded;
        lastDrawn = drawn;

        const bool awaitsSnapshot = options.snapshot && sawPicture &&
                                    counters.snapshotsTaken.load() == 0 &&
                                    now < snapshotAt + kSnapshotGrace;
        const bool awaitsRecordingEnd =
            isRecording && (!recordingStopped || (vyr::Globals().recordingActive.load() != 0 &&
                                                  now < stopRecordingAt + kRecordingEndGrace));
        if (second >= options.seconds && !awaitsSnapshot && !awaitsRecordingEnd) {
            return second;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    vyr::probe::Options options;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        vyr::probe::PrintUsage();
        return 0;
    }
    if (!vyr::probe::ParseOptions(argc, argv, &options)) {
        vyr::probe::PrintUsage();
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // The root is taken from the folder the probe was started in, before the data folder may
    // become the working folder. Installed, the probe reads the client's language.ini and keeps
    // pictures in the client's data folder, as the client would, never beside itself.
    const std::string root = options.root.empty() ? std::string() : AbsoluteFolder(options.root);
    vyr::DataFolder dataFolder;
    std::string dataFailure;
    if (vyr::ChooseDataFolder(vyr::ProcessDataFolderInputs(""), &dataFolder, &dataFailure) != 0 ||
        vyr::UseDataFolder(dataFolder, &dataFailure) != 0) {
        std::fprintf(stderr, "camprobe: %s\n", dataFailure.c_str());
        return 1;
    }

    vyr::ProbeSink sink;
    vyr::probe::ProbeEvents events(options.listen);
    vyr::CCameraLink link;
    link.SetDeviceIp(options.camera);
    link.SetPorts(options.ports);
    link.SetPatientFolderName(options.patient);
    link.shared().cameraTypeOverride.store(options.cameraType);
    if (!root.empty()) {
        link.SetExeDir(root);
        const std::string failure = MakeFolders(link.shared());
        if (!failure.empty()) {
            std::fprintf(stderr, "camprobe: %s\n", failure.c_str());
            return 1;
        }
    }
    const std::string videoFolder = vyr::VideoFolder(link.shared());
    const std::set<std::string> videosBefore = AviFilesIn(videoFolder);

    link.Start(&events, &sink);
    const std::string serversFailure = ReportServers(link, options.ports);
    const int secondsWatched = Watch(link, options, events);
    const vyr::LinkStateReport lastState = events.LastLinkState();
    link.StopRecording();
    link.Stop();

    const auto& counters = link.shared().counters;
    const auto model = link.shared().LastModelReport();
    const bool mjpeg = vyr::Globals().mjpegMode.load() != 0;
    if (model.asked) {
        std::printf("model reply: %s\n", model.result == vyr::kModelQueryOk
                                             ? model.modelText.c_str()
                                             : ModelFailure(model.result).c_str());
    } else {
        std::printf("model reply: not asked (camera type set)\n");
    }
    std::printf("stream: %s, %dx%d\n", mjpeg ? "mjpeg" : "h264", sink.width(), sink.height());

    vyr::probe::ProbeReport report;
    report.model = model.modelText;
    report.mode = mjpeg ? "mjpeg" : "h264";
    report.width = sink.width();
    report.height = sink.height();
    report.framesDecoded = counters.framesDecoded.load();
    report.framesDrawn = counters.framesDrawn.load();
    report.blocksDropped = vyr::Globals().receiveRing.droppedBlocks();
    report.seconds = secondsWatched;
    report.connections = counters.streamConnections.load();
    report.state = vyr::probe::LinkStateName(lastState.state);
    // The path is kept even when writing failed; only a file that is there is reported.
    const std::string snapshot = vyr::Globals().LastSnapshotPath();
    std::error_code error;
    if (!snapshot.empty() && fs::is_regular_file(snapshot, error)) {
        report.snapshot = snapshot;
    }
    const std::set<std::string> videosAfter = AviFilesIn(videoFolder);
    std::set_difference(videosAfter.begin(), videosAfter.end(), videosBefore.begin(),
                        videosBefore.end(), std::back_inserter(report.recordings));
    report.events = events.Events();

    // A camera that answered late or went away for a while is no failure once pictures flowed;
    // without any, the reason is where the last attempt stopped.
    std::string failure;
    if (report.framesDecoded == 0 && model.asked && model.result != vyr::kModelQueryOk) {
        failure = ModelFailure(model.result);
    } else if (report.framesDecoded == 0 && report.connections == 0) {
        failure = "stream connection refused";
    } else if (report.framesDecoded == 0) {
        failure = "no picture within " + std::to_string(options.seconds) + " s";
    } else if (options.snapshot && report.snapshot.empty()) {
        failure = "no snapshot written in " + vyr::PhotoFolder(link.shared());
    } else if (options.recordSeconds > 0 && report.recordings.empty()) {
        failure = "no recording written in " + videoFolder;
    } else if (options.listen && !serversFailure.empty()) {
        failure = serversFailure;
    }

    if (options.json) {
        std::printf("%s\n", vyr::probe::ReportJson(report).c_str());
    }
    if (!failure.empty()) {
        std::fprintf(stderr, "camprobe: %s\n", failure.c_str());
        return 1;
    }
    return 0;
}
