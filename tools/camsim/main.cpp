// camsim: the camera simulator program. Starts a Camera with the command line's settings, runs the
// --send commands, then takes commands from standard input until "quit", SIGINT or SIGTERM.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "tools/camsim/camera.h"
#include "tools/camsim/cli_options.h"
#include "tools/camsim/command_shell.h"
#include "tools/camsim/socket_io.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

using vyr::camsim::Camera;
using vyr::camsim::CommandShell;

std::mutex printMutex;

// One line on standard output with the wall-clock time, from any thread.
void PrintLine(const std::string& line) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::lock_guard lock(printMutex);
    std::printf("%s.%03d %s\n", stamp, static_cast<int>(ms), line.c_str());
    std::fflush(stdout);
}

std::string StatusText(const Camera& camera) {
    const auto peer = camera.LastStreamPeer();
    return "status: model connections " + std::to_string(camera.ModelConnections()) +
           ", answered " + std::to_string(camera.ModelQueriesAnswered()) + "; stream connections " +
           std::to_string(camera.StreamConnections()) + " (last " + (peer ? peer->text() : "none") +
           "); frames sent " + std::to_string(camera.FramesSent()) + ", bytes sent " +
           std::to_string(camera.BytesSent());
}

// Splits what arrives on standard input into lines; false at end of input.
bool ReadLines(std::string* pending, const std::function<bool(const std::string&)>& onLine) {
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
        return false;
    }
    pending->append(buffer, static_cast<size_t>(got));
    for (size_t end; (end = pending->find('\n')) != std::string::npos;) {
        const std::string line = pending->substr(0, end);
        pending->erase(0, end + 1);
        if (!onLine(line)) {
            return true;
        }
    }
    // A line without an end that grows without bound is not a command.
    if (pending->size() > 4096) {
        pending->clear();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    vyr::camsim::CliOptions options;
    std::string error;
    if (!vyr::camsim::ParseCommandLine(argc, argv, &options, &error)) {
        std::fprintf(stderr, "camsim: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(vyr::camsim::HelpText().c_str(), stdout);
        return 0;
    }
    for (const std::string* address : {&options.camera.address, &options.control.clientAddress}) {
        sockaddr_in resolved{};
        if (!vyr::camsim::ResolveCameraAddress(*address, 0, &resolved, &error)) {
            std::fprintf(stderr, "camsim: %s\n", error.c_str());
            return 2;
        }
    }

    // Signals arrive through a descriptor, so the main loop handles them like input.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // before any thread starts: they inherit it
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);

    av_log_set_level(AV_LOG_WARNING);  // the encoders' statistics are not camsim's log
    options.camera.log = PrintLine;
    Camera camera(options.camera);
    PrintLine("camsim: preparing the stream");
    if (!camera.Start()) {
        std::fprintf(stderr, "camsim: %s\n", camera.LastError().c_str());
        return 1;
    }
    CommandShell shell(options.control, options.picture, PrintLine,
                       [&camera] { return StatusText(camera); });
    bool quit = false;
    for (const std::string& command : options.commands) {
        PrintLine("command: " + command);
        if (shell.Run(command) == CommandShell::Outcome::Quit) {
            quit = true;
            break;
        }
    }
    bool inputOpen = true;
    std::string pending;
    while (!quit) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            signalfd_siginfo info{};
            [[maybe_unused]] const ssize_t got = ::read(signalFd, &info, sizeof info);
            PrintLine("camsim: signal " + std::to_string(info.ssi_signo) + ", stopping");
            break;
        }
        if (fds[1].revents != 0) {
            inputOpen = ReadLines(&pending, [&](const std::string& line) {
                quit = shell.Run(line) == CommandShell::Outcome::Quit;
                return !quit;
            });
            if (!inputOpen) {
                PrintLine("camsim: end of standard input; running until SIGINT or SIGTERM");
            }
        }
    }
    camera.Stop();
    PrintLine(StatusText(camera));
    PrintLine("camsim: stopped");
    return 0;
}
