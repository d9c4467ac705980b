// storescp through a shell that becomes it; its output goes to storescp.log beside its folder for
// failed tests to show. Listening is seen in /proc/net/tcp (state 0A, any local address, our port).
#include "support/dicom/storescp_archive.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/run_command.h"

extern char** environ;

namespace vyr::test {
namespace {

bool IsListeningOn(uint16_t port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        const size_t colon = local.find(':');
        if (colon != std::string::npos && state == "0A" &&
            std::stoul(local.substr(colon + 1), nullptr, 16) == port) {
            return true;
        }
    }
    return false;
}

}  // namespace

uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

StorescpArchive::StorescpArchive(const std::filesystem::path& folder,
                                 const std::vector<std::string>& extraOptions)
    : folder_(folder), port_(FreeLoopbackPort()) {
    std::filesystem::create_directories(folder_);
    std::string command =
        "exec storescp -aet ARCHIVE -od " + ShellQuote(folder_.string()) + " -dhl";
    for (const std::string& option : extraOptions) {
        command += " " + ShellQuote(option);
    }
    command += " " + std::to_string(port_) + " >>" +
               ShellQuote((folder_.parent_path() / "storescp.log").string()) + " 2>&1";
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    if (::posix_spawnp(&pid_, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        pid_ = -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
        if (IsListeningOn(port_)) {
            isListening_ = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

StorescpArchive::~StorescpArchive() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::vector<std::filesystem::path> StorescpArchive::StoredFiles() const {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder_, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->is_regular_file()) {
            files.push_back(entry->path());
        }
    }
    return files;
}

}  // namespace vyr::test
