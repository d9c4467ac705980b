// The recording state machine: idle (recordingActive 0) → active without a file → active with a
// file, back to "without a file" at a time split or a write error, and to idle at the first key
// frame after the stop request. The console lines are the ones technicians know from the field.
#include "capture/recording_thread.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>

#include "capture/avi/avi_writer.h"
#include "capture/capture_paths.h"
#include "capture/local_clock.h"
#include "capture/numbered_file.h"
#include "linkstate/link_shared.h"

namespace vyr {
namespace {

constexpr int kSplitMinutes = 5;

void Print(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

class Recorder {
public:
    explicit Recorder(LinkShared& link) : link_(link) {}
    ~Recorder() { CloseFile(); }

    void Run() {
        StreamGlobals& globals = Globals();
        while (link_.stopRequested.load() == 0) {
            if (globals.recordingActive.load() != 1) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            RecordFrameView frame;
            if (!globals.recordRing.PeekFrame(&frame)) {
                // A short pause rather than a busy loop: the ring holds 320 frames, far more
                // than arrive in a millisecond, and a spinning core would slow the live path.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const bool isKey = frame.keyFrame == 1;
            Take(frame, isKey);
            globals.recordRing.ReleaseFrame();
            if (globals.recordingRequested.load() == 0 && isKey) {
                if (file_ != nullptr) {
                    Print("key close file...\n");
                    CloseFile();
                }
                globals.recordingActive.store(0);
            }
            link_.counters.recordFramesTaken.fetch_add(1, std::memory_order_release);
        }
        if (file_ != nullptr) {
            Print("link stopped, close file...\n");
            CloseFile();
        }
    }

private:
    void Take(const RecordFrameView& frame, bool isKey) {
        if (file_ == nullptr && Globals().recordingRequested.load() == 1 && isKey) {
            OpenFile();
        }
        const int minute = LocalClockNow().tm_min;
        const int elapsed = minute - startMinute_;
        if (elapsed == kSplitMinutes || elapsed == kSplitMinutes - 60) {
            if (file_ != nullptr) {
                Print("save avi OK.\n");
                CloseFile();
                startMinute_ = minute;
            }
            return;  // this frame is not written; the next file starts at a key frame
        }
        if (file_ != nullptr &&
            AVI_write_frame(file_, frame.data, frame.size, isKey ? 1 : 0) == -1) {
            const int error = errno;
            Print("AVI_write_frame error.\n");
            // Closing writes the index into space reserved for it, so what was written plays.
            std::printf("%s closed: %s.\n", path_.c_str(),
                        std::error_code(error, std::generic_category()).message().c_str());
            std::fflush(stdout);
            CloseFile();
        }
    }

    // A file of its own: YYYYMMDDhhmmss.avi, or the first free numbered name when recordings
    // start within one second; created exclusively, so no recording overwrites another.
    void OpenFile() {
        StreamGlobals& globals = Globals();
        const std::tm now = LocalClockNow();
        startMinute_ = now.tm_min;
        const std::string folder = VideoFolder(link_);
        const std::string stem = VideoFileStem(now);
        std::string path;
        for (int number = 0; number <= kLastFileNumber && file_ == nullptr; ++number) {
            path = folder + "/" + NumberedFileName(stem, ".avi", number);
            file_ = AVI_create_output_file(path.c_str());
            if (file_ == nullptr && errno != EEXIST) {
                break;
            }
        }
        if (file_ == nullptr) {
            Print("AVI_open_output_file  error.\n");
            return;
        }
        path_ = path;
        const bool isMjpeg = globals.mjpegMode.load() != 0;
        AVI_set_video_params(file_, globals.frameWidth.load(), globals.frameHeight.load(),
                             isMjpeg ? 20.0 : 25.0, isMjpeg ? "MJPG" : "H264");
        std::printf("create file: %s OK.\n", path.c_str());
        std::fflush(stdout);
    }

    void CloseFile() {
        if (file_ != nullptr) {
            AVI_close_file(file_);
            file_ = nullptr;
            link_.counters.recordFilesClosed.fetch_add(1, std::memory_order_release);
        }
    }

    LinkShared& link_;
    AviFile* file_ = nullptr;
    std::string path_;
    int startMinute_ = 0;
};

}  // namespace

void RecordingThread(LinkShared& link) {
    Recorder recorder(link);
    recorder.Run();
}

}  // namespace vyr
