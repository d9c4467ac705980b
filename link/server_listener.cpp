// Listener set-up and the camera-only accept. Only the camera may command the client or put files
// into a patient's folder; anyone else on the subnet is turned away before a byte is read. An
// accepted connection gets a receive time-out and TCP keepalive, so a silent one is closed.
#include "link/server_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "linkstate/link_shared.h"
#include "platform/net/socket_guard.h"
#include "platform/net/socket_waits.h"

namespace vyr {
namespace {

constexpr int kBacklog = 10;
constexpr int kPauseStepMs = 10;

}  // namespace

int OpenServerListener(uint16_t port, SocketSlot& slot, uint16_t* boundPort) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    const int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(IsLoopbackOnlyBuild() ? INADDR_LOOPBACK : INADDR_ANY);
    socklen_t length = sizeof address;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, kBacklog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    *boundPort = ntohs(address.sin_port);
    // Registered only once listening: a shutdown before listen() would not wake the accept.
    slot.Register(fd);
    return fd;
}

int AcceptFromCamera(LinkShared& link, int listener) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (fd < 0) {
        if (link.stopRequested.load() == 0) {
            PauseUnlessStopped(link, kPauseStepMs);  // e.g. out of descriptors: do not spin
        }
        return -1;
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    sockaddr_in camera{};
    if (!MakeIpv4Address(link.deviceIp.c_str(), 0, &camera) ||
        camera.sin_addr.s_addr != peer.sin_addr.s_addr) {
        std::printf("[TCP Connection From %s:%d] refused: not the camera.\n", text,
                    ntohs(peer.sin_port));
        std::fflush(stdout);
        ::close(fd);
        link.counters.connectionsRefused.fetch_add(1, std::memory_order_release);
        return -1;
    }
    std::printf("[TCP Connection From %s:%d].\n", text, ntohs(peer.sin_port));
    std::fflush(stdout);
    // A camera that lost power mid-upload sends no FIN: without a limit the server would wait on
    // this connection for good and every later command and upload would queue behind it.
    (void)SetReceiveTimeout(fd, link.serverReceiveTimeoutMs);
    (void)EnableKeepAlive(fd);
    return fd;
}

void PauseUnlessStopped(const LinkShared& link, int milliseconds) {
    for (int waited = 0; waited < milliseconds && link.stopRequested.load() == 0;
         waited += kPauseStepMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kPauseStepMs));
    }
}

}  // namespace vyr
