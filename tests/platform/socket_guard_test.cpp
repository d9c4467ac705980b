// The loopback guard: a connection outside 127.0.0.0/8 is refused before the socket is used, and
// loopback connections go through.
#include "platform/net/socket_guard.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

TEST(SocketGuard, RefusesAddressesOutsideLoopbackWithoutSendingAndLetsLoopbackThrough) {
    ASSERT_TRUE(vyr::IsLoopbackOnlyBuild()) << "test and development builds must be loopback-only";
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in loopback{};
    ASSERT_TRUE(vyr::MakeIpv4Address("127.0.0.2", 0, &loopback));
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    socklen_t length = sizeof loopback;
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&loopback), &length), 0);

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in outside{};
    ASSERT_TRUE(vyr::MakeIpv4Address("192.0.2.1", 40003, &outside));  // documentation range
    testing::internal::CaptureStderr();
    EXPECT_EQ(vyr::GuardedConnect(fd, outside), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("refused connection to 192.0.2.1:40003"),
              std::string::npos);
    // Nothing went out: a socket with a connect under way would refuse another (EALREADY).
    const int result = vyr::GuardedConnect(fd, loopback);
    EXPECT_TRUE(result == 0 || errno == EINPROGRESS) << std::strerror(errno);
    EXPECT_FALSE(vyr::MakeIpv4Address("not an address", 1, &loopback));
    ::close(fd);
    ::close(server);
}

}  // namespace
