// camprobe: the installer's diagnostic for "the picture does not come". It runs the client's own
// camera link headless against a camera, prints what the camera said and what arrived each second,
// and exits 0 when pictures flowed, or non-zero with a one-line reason.
//
//   camprobe --camera ADDRESS [--seconds N] [--camera-type 0|1|2] [--json]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "link/camera_link.h"
#include "link/stream_connection.h"
#include "tools/camprobe/probe_sink.h"

namespace {

struct Options {
    std::string camera;
    int seconds = 5;
    int cameraType = -1;  // -1: the one in language.ini
    bool json = false;
    vyr::LinkPorts ports;
};

void PrintUsage() {
    std::printf(
        "usage: camprobe --camera ADDRESS [--seconds N] [--camera-type 0|1|2] [--json]\n"
        "  Connects to the camera as the client does and reports what arrives.\n"
        "  --camera ADDRESS    the camera's IPv4 address\n"
        "  --seconds N         how long to watch the stream (default 5)\n"
        "  --camera-type T     0 ask the camera for its model, 1 Motion-JPEG, 2 H.264; for this\n"
        "                      run only (default: the camera type in ./language.ini)\n"
        "  --json              end with one JSON object of the results\n"
        "  --model-port P, --stream-port P   the camera's ports (default 40006, 40003)\n"
        "Exit status: 0 pictures arrived; 1 no picture; 2 usage.\n");
}

bool ParsePort(const char* text, uint16_t* port) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > 65535) {
        return false;
    }
    *port = static_cast<uint16_t>(value);
    return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--camera" && hasValue) {
            options->camera = argv[++i];
        } else if (arg == "--seconds" && hasValue) {
            options->seconds = std::atoi(argv[++i]);
        } else if (arg == "--camera-type" && hasValue) {
            options->cameraType = std::atoi(argv[++i]);
        } else if (arg == "--model-port" && hasValue) {
            if (!ParsePort(argv[++i], &options->ports.modelQuery)) {
                return false;
            }
        } else if (arg == "--stream-port" && hasValue) {
            if (!ParsePort(argv[++i], &options->ports.stream)) {
                return false;
            }
        } else if (arg == "--json") {
            options->json = true;
        } else {
            return false;
        }
    }
    return !options->camera.empty() && options->seconds > 0 && options->cameraType >= -1 &&
           options->cameraType <= 2;
}

std::string JsonEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
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

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage();
        return 0;
    }
    if (!ParseOptions(argc, argv, &options)) {
        PrintUsage();
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    vyr::ProbeSink sink;
    vyr::CCameraLink link;
    link.SetDeviceIp(options.camera);
    link.SetPorts(options.ports);
    link.shared().cameraTypeOverride.store(options.cameraType);
    link.Start(nullptr, &sink);

    const auto& counters = link.shared().counters;
    const auto& ring = vyr::Globals().receiveRing;
    uint64_t lastDecoded = 0;
    uint64_t lastDrawn = 0;
    for (int second = 1; second <= options.seconds; ++second) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const uint64_t decoded = counters.framesDecoded.load();
        const uint64_t drawn = counters.framesDrawn.load();
        std::printf("second %d: frames decoded %llu, drawn %llu, blocks dropped %llu\n", second,
                    static_cast<unsigned long long>(decoded - lastDecoded),
                    static_cast<unsigned long long>(drawn - lastDrawn),
                    static_cast<unsigned long long>(ring.droppedBlocks()));
        lastDecoded = decoded;
        lastDrawn = drawn;
    }
    const bool wasConnected = link.IsConnected() == 1;
    link.Stop();

    const auto report = link.shared().LastModelReport();
    const bool mjpeg = vyr::Globals().mjpegMode.load() != 0;
    if (report.asked) {
        std::printf("model reply: %s\n", report.result == vyr::kModelQueryOk
                                             ? report.modelText.c_str()
                                             : ModelFailure(report.result).c_str());
    } else {
        std::printf("model reply: not asked (camera type set)\n");
    }
    std::printf("stream: %s, %dx%d\n", mjpeg ? "mjpeg" : "h264", sink.width(), sink.height());

    std::string failure;
    if (report.asked && report.result != vyr::kModelQueryOk) {
        failure = ModelFailure(report.result);
    } else if (!wasConnected) {
        failure = "stream connection refused";
    } else if (counters.framesDecoded.load() == 0) {
        failure = "no picture within " + std::to_string(options.seconds) + " s";
    }

    if (options.json) {
        std::printf(
            "{\"model\": \"%s\", \"mode\": \"%s\", \"width\": %d, \"height\": %d, "
            "\"frames_decoded\": %llu, \"frames_drawn\": %llu, \"blocks_dropped\": %llu, "
            "\"seconds\": %d}\n",
            JsonEscaped(report.modelText).c_str(), mjpeg ? "mjpeg" : "h264", sink.width(),
            sink.height(), static_cast<unsigned long long>(counters.framesDecoded.load()),
            static_cast<unsigned long long>(counters.framesDrawn.load()),
            static_cast<unsigned long long>(ring.droppedBlocks()), options.seconds);
    }
    if (!failure.empty()) {
        std::fprintf(stderr, "camprobe: %s\n", failure.c_str());
        return 1;
    }
    return 0;
}
