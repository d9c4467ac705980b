// The loopback guard: a connection outside 127.0.0.0/8 is refused before the socket is used, and
// loopback connections work.
#include "platform/net/socket_guard.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace {

// True when /proc/net/tcp lists a socket with this local port (any state): a connect that went
// out would leave the socket in SYN_SENT there.
bool KernelKnowsLocalPort(uint16_t port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X ", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot;
        std::string local;
        fields >> slot >> local;
        if ((local + " ").find(wanted) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(SocketGuard, RefusesAddressesOutsideLoopbackWithoutSending) {
    ASSERT_TRUE(vyr::IsLoopbackOnlyBuild()) << "test and development builds must be loopback-only";
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(fd, 0);
    // Bind first, so a connect that got through would show under this port.
    sockaddr_in local{};
    ASSERT_TRUE(vyr::MakeIpv4Address("127.0.0.1", 0, &local));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    socklen_t length = sizeof local;
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length), 0);

    sockaddr_in outside{};
    ASSERT_TRUE(vyr::MakeIpv4Address("192.0.2.1", 40003, &outside));  // documentation range
    testing::internal::CaptureStderr();
    EXPECT_EQ(vyr::GuardedConnect(fd, outside), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("refused connection to 192.0.2.1:40003"),
              std::string::npos);
    sockaddr_in peer{};
    length = sizeof peer;
    EXPECT_EQ(::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length), -1);
    EXPECT_EQ(errno, ENOTCONN);
    EXPECT_FALSE(KernelKnowsLocalPort(ntohs(local.sin_port)));
    ::close(fd);
}

TEST(SocketGuard, LoopbackConnectionsGoThrough) {
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    ASSERT_TRUE(vyr::MakeIpv4Address("127.0.0.2", 0, &address));
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length);
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(vyr::GuardedConnect(client, address), 0);
    EXPECT_FALSE(vyr::MakeIpv4Address("not an address", 1, &address));
    ::close(client);
    ::close(server);
}

}  // namespace
