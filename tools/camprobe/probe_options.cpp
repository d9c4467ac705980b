// Parsing of camprobe's options; every value is checked before the link starts.
#include "tools/camprobe/probe_options.h"

#include <cstdio>
#include <cstdlib>

namespace vyr::probe {
namespace {

// A whole decimal number in [minimum, maximum].
bool ParseNumber(const char* text, long minimum, long maximum, long* value) {
    char* end = nullptr;
    *value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && *value >= minimum && *value <= maximum;
}

bool ParsePort(const char* text, bool zeroAllowed, uint16_t* port) {
    long value = 0;
    if (!ParseNumber(text, zeroAllowed ? 0 : 1, 65535, &value)) {
        return false;
    }
    *port = static_cast<uint16_t>(value);
    return true;
}

bool ParseInt(const char* text, long minimum, long maximum, int* out) {
    long value = 0;
    if (!ParseNumber(text, minimum, maximum, &value)) {
        return false;
    }
    *out = static_cast<int>(value);
    return true;
}

// A patient folder name stays one folder below jpg/.
bool IsFolderName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

void PrintUsage() {
    std::printf(
        "usage: camprobe --camera ADDRESS [--seconds N] [--camera-type 0|1|2] [--json]\n"
        "                [--root DIR] [--patient TEL] [--snapshot] [--record SECONDS] [--listen]\n"
        "  Connects to the camera as the client does and reports what arrives.\n"
        "  --camera ADDRESS    the camera's IPv4 address\n"
        "  --seconds N         how long to watch the stream (default 5)\n"
        "  --camera-type T     0 ask the camera for its model, 1 Motion-JPEG, 2 H.264; for this\n"
        "                      run only (default: the camera type in language.ini, in the\n"
        "                      working folder, or in $XDG_DATA_HOME/vyr when installed)\n"
        "  --json              end with one JSON object of the results\n"
        "  --model-port P, --stream-port P   the camera's ports (default 40006, 40003)\n"
        "  --control-port P, --picture-port P   where the control and picture servers listen\n"
        "                      (default 40004, 40013; 0 lets the system choose). The bound ports\n"
        "                      are printed as \"servers: control P picture P\".\n"
        "  --root DIR          the folder standing for the client's folder: pictures go to\n"
        "                      DIR/jpg/TEL/, videos to DIR/video/; both are created. Without it,\n"
        "                      the client's own: this program's folder, or $XDG_DATA_HOME/vyr\n"
        "                      when installed; no folder is made under it.\n"
        "  --patient TEL       the patient folder under jpg/ (default \"probe\")\n"
        "  --snapshot          take one snapshot after the first picture\n"
        "  --record SECONDS    record from the first picture for SECONDS; the recording ends at\n"
        "                      the next key frame after that. The run lasts until it has ended\n"
        "                      (at most 5 s more), also beyond --seconds.\n"
        "  --listen            print each notification of the camera's button, its uploads and\n"
        "                      the snapshots as it arrives. The servers run in every run, and\n"
        "                      the notifications always reach the JSON object.\n"
        "The link keeps trying a camera that is not there yet or goes away, as the client does;\n"
        "  each change of its state is printed as \"link: STATE, connections N\" (STATE one of\n"
        "  connecting, no camera, stream lost, streaming), and each second's line ends with the\n"
        "  stream connections made so far and the state.\n"
        "JSON additions: \"connections\" the stream connections made; \"state\" the link's last\n"
        "  state; \"snapshot\" the last snapshot file written, or null; \"recordings\"\n"
        "  the .avi files that appeared in DIR/video during the run; \"events\" every\n"
        "  notification in arrival order as {\"code\": N, \"path\": \"...\"}: the camera's event\n"
        "  codes (0 release, 1 picture received with its path, 5 show no picture, 6 delete all),\n"
        "  and 11 for a snapshot notice: the snapshot's path, or \"\" when the camera's button\n"
        "  asked for a capture.\n"
        "Exit status: 0 pictures arrived and what was asked for worked; 1 no picture within the\n"
        "  run (the reason names where the last attempt stopped), or no\n"
        "  snapshot, recording or listening server where one was asked for; 2 usage.\n");
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        bool valid = true;
        if (arg == "--camera" && hasValue) {
            options->camera = argv[++i];
        } else if (arg == "--seconds" && hasValue) {
            valid = ParseInt(argv[++i], 1, 86400, &options->seconds);
        } else if (arg == "--camera-type" && hasValue) {
            valid = ParseInt(argv[++i], 0, 2, &options->cameraType);
        } else if (arg == "--model-port" && hasValue) {
            valid = ParsePort(argv[++i], false, &options->ports.modelQuery);
        } else if (arg == "--stream-port" && hasValue) {
            valid = ParsePort(argv[++i], false, &options->ports.stream);
        } else if (arg == "--control-port" && hasValue) {
            valid = ParsePort(argv[++i], true, &options->ports.control);
        } else if (arg == "--picture-port" && hasValue) {
            valid = ParsePort(argv[++i], true, &options->ports.picture);
        } else if (arg == "--root" && hasValue) {
            options->root = argv[++i];
            valid = !options->root.empty();
        } else if (arg == "--patient" && hasValue) {
            options->patient = argv[++i];
            valid = IsFolderName(options->patient);
        } else if (arg == "--record" && hasValue) {
            valid = ParseInt(argv[++i], 1, 86400, &options->recordSeconds);
        } else if (arg == "--snapshot") {
            options->snapshot = true;
        } else if (arg == "--listen") {
            options->listen = true;
        } else if (arg == "--json") {
            options->json = true;
        } else {
            valid = false;
        }
        if (!valid) {
            return false;
        }
    }
    return !options->camera.empty();
}

}  // namespace vyr::probe
