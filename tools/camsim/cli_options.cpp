// Parsing of camsim's command line; see cli_options.h.
#include "tools/camsim/cli_options.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace vyr::camsim {

namespace {

template <typename T>
bool ParseNumber(const std::string& text, T low, T high, T* out) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || next != end || value < low || value > high) {
        return false;
    }
    *out = value;
    return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
    const size_t x = text.find('x');
    return x != std::string::npos && ParseNumber(text.substr(0, x), 64, 8192, width) &&
           ParseNumber(text.substr(x + 1), 64, 8192, height) && *width % 2 == 0 && *height % 2 == 0;
}

bool ParseDouble(const std::string& text, double low, double high, double* out) {
    double value = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%lf%c", &value, &extra) != 1 || value < low || value > high) {
        return false;
    }
    *out = value;
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CliOptions* options, std::string* error) {
    CliOptions& o = *options;
    o.control.port = LinkPorts{}.control;
    o.picture.port = LinkPorts{}.picture;
    std::string client = o.control.clientAddress;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = name + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        const auto bad = [&](const std::string& text) {
            *error = "bad value for " + name + ": " + text;
            return false;
        };
        std::string text;
        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--model-silent") {
            o.camera.modelBehaviour = ModelBehaviour::AcceptThenSilent;
        } else if (name == "--no-model") {
            o.camera.modelBehaviour = ModelBehaviour::NotListening;
        } else if (name == "--full-range") {
            o.camera.fullRange = true;
        } else if (!value(&text)) {
            return false;
        } else if (name == "--address") {
            o.camera.address = text;
        } else if (name == "--model") {
            o.camera.modelText = text;
        } else if (name == "--reply-code") {
            if (!ParseNumber<uint16_t>(text, 0, 65535, &o.camera.replyCode)) {
                return bad(text);
            }
        } else if (name == "--stream") {
            if (text == "h264") {
                o.camera.streamKind = StreamKind::H264;
            } else if (text == "mjpeg") {
                o.camera.streamKind = StreamKind::Mjpeg;
            } else if (text == "silent") {
                o.camera.streamBehaviour = StreamBehaviour::AcceptThenSilent;
            } else {
                return bad(text);
            }
        } else if (name == "--size") {
            if (!ParseSize(text, &o.camera.width, &o.camera.height)) {
                return bad(text);
            }
        } else if (name == "--fps") {
            if (!ParseDouble(text, 0, 1000, &o.camera.fps)) {
                return bad(text);
            }
        } else if (name == "--slices") {
            if (!ParseNumber(text, 1, 64, &o.camera.slicesPerPicture)) {
                return bad(text);
            }
        } else if (name == "--gop") {
            if (!ParseNumber(text, 1, 1000, &o.camera.gopFrames)) {
                return bad(text);
            }
        } else if (name == "--loop") {
            if (!ParseNumber(text, 1, 1000, &o.camera.loopFrames)) {
                return bad(text);
            }
        } else if (name == "--start-late") {
            int milliseconds = 0;
            if (!ParseNumber(text, 0, 3600000, &milliseconds)) {
                return bad(text);
            }
            o.camera.startDelay = std::chrono::milliseconds(milliseconds);
        } else if (name == "--close-after") {
            if (!ParseNumber(text, 1, 1000000000, &o.camera.closeAfterFrames)) {
                return bad(text);
            }
        } else if (name == "--stall-after") {
            if (!ParseNumber(text, 1, 1000000000, &o.camera.stallAfterFrames)) {
                return bad(text);
            }
        } else if (name == "--restart-after") {
            if (!ParseNumber(text, 1, 1000000000, &o.camera.restartAfterFrames)) {
                return bad(text);
            }
        } else if (name == "--preset") {
            o.camera.x264Preset = text;
        } else if (name == "--file") {
            o.camera.inputFile = text;
        } else if (name == "--client") {
            client = text;
        } else if (name == "--control-port") {
            if (!ParseNumber<uint16_t>(text, 1, 65535, &o.control.port)) {
                return bad(text);
            }
        } else if (name == "--picture-port") {
            if (!ParseNumber<uint16_t>(text, 1, 65535, &o.picture.port)) {
                return bad(text);
            }
        } else if (name == "--model-port") {
            if (!ParseNumber<uint16_t>(text, 0, 65535, &o.camera.modelPort)) {
                return bad(text);
            }
        } else if (name == "--stream-port") {
            if (!ParseNumber<uint16_t>(text, 0, 65535, &o.camera.streamPort)) {
                return bad(text);
            }
        } else if (name == "--send") {
            o.commands.push_back(text);
        } else {
            *error = "unknown option " + name + " (see --help)";
            return false;
        }
    }
    for (ButtonTarget* target : {&o.control, &o.picture}) {
        target->clientAddress = client;
        target->cameraAddress = o.camera.address;
    }
    return true;
}

std::string HelpText() {
    return R"(camsim: a stand-in for the Wi-Fi dental camera, for the demo and the tests.

It listens on its own address for the client's model query and stream connection, reads the
client's time message, and streams a moving test pattern (colour bars, a moving box, a picture
counter) or a file. It also plays the camera's button and uploader: it connects to the client's
control and picture ports and sends commands and pictures.

This build talks to loopback addresses (127.0.0.0/8) only. A real camera sits at 192.168.1.1 and
the client's PC on 192.168.1.x; camsim refuses such addresses.

Usage: camsim [options]

Camera:
  --address A         the camera's address (default 127.0.0.2); listeners bind here and the
                      button connects from here
  --model-port N      model query port (default 40006; 0 picks a free port and logs it)
  --stream-port N     stream port (default 40003; 0 as above)
  --model TEXT        model text of the reply (default H264_CAM); "QD417V" makes a 1920 x 1080
                      Motion-JPEG camera of the client's table, "1280_QD417V" a 1280 x 1024 one
  --reply-code N      reply code (default 10; anything else means "no model")
  --model-silent      accept the model query, never answer
  --no-model          do not listen on the model port (the client's connect is refused)

Stream:
  --stream KIND       h264 (default), mjpeg, or silent (accept and read the time message, then
                      send nothing)
  --size WxH          picture size, even numbers (default 1920x1080; 1280x1024 and 1280x720 are
                      the camera's other sizes)
  --fps F             pictures per second (default 25); 0 sends as fast as the client reads
  --slices N          H.264 slices per picture, each its own NAL unit (default 1)
  --full-range        H.264 with full-range colour, signalled in the stream
  --gop N             an IDR with SPS and PPS every N pictures (default 25)
  --loop N            pictures encoded once at start and sent over and over (default 50)
  --preset P          x264 preset (default veryfast)
  --file PATH         send a file in a loop instead: .h264/.264 (Annex B), .mjpeg/.mjpg (JPEGs
                      back to back) or .jpg/.jpeg

Faults (for the client's reconnection; frame counts apply to each stream connection anew):
  --start-late MS     bind the ports at start but listen only MS milliseconds later; the client's
                      connections are refused meanwhile, as by a camera still booting
  --close-after N     close the stream connection after N frames
  --stall-after N     after N frames send nothing more and leave the connection open
  --restart-after N   H.264: every N frames cut the last of them to half its bytes and start again
                      at the loop's first frame with fresh SPS and PPS, as an encoder restart does
                      (N equal to --loop cuts the last frame of every loop)

Button and uploader:
  --client A          the client's address (default 127.0.0.1)
  --control-port N    the client's control port (default 40004)
  --picture-port N    the client's picture port (default 40013)
  --send COMMAND      run COMMAND after start; may be given several times

Commands (with --send, or on standard input, one per line):
  capture             code 1: freeze the live picture and take a snapshot
  release             code 0: let the live picture move again
  delete-last         code 4: delete the picture uploaded last
  show-none           code 5: show no picture
  delete-all          code 6: delete all pictures
  code N [P1 P2]      any code with the two parameter bytes (default 0 0)
  upload PATH [NAME]  upload a picture file under the camera's file name NAME (at most 23
                      characters; default IMG_YYYYMMDD_hhmmss.jpg of the current time)
  status              print what the camera has seen and sent
  help                list the commands
  quit                end camsim

camsim logs connections, the client's time message, and every command on standard output.
End of standard input leaves it running; Ctrl-C (SIGINT) or SIGTERM ends it cleanly.
)";
}

}  // namespace vyr::camsim
