// The stream connection leaves from the local address and the fixed port (the camera's own stream
// port here); when that port is taken by a connection to the camera, still established or in
// TIME_WAIT towards a camera without TCP timestamps (reproduced in a network namespace of the
// test's own), the link connects from a port the system chooses.
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "link/camera_link.h"
#include "settings/settings_file.h"
#include "support/loopback_camera.h"
#include "support/raw_socket.h"
#include "support/wait_for.h"

namespace {

using namespace std::chrono_literals;
using vyr::test::ConnectTo;
using vyr::test::Socket;
using vyr::test::WaitFor;

// A camera that reads the time message and then sends nothing: when the link stops, it closes
// first and its side of the connection ends in TIME_WAIT.
std::unique_ptr<vyr::camsim::Camera> QuietCamera() {
    vyr::camsim::CameraConfig config = vyr::test::SmallCamera();
    config.streamBehaviour = vyr::camsim::StreamBehaviour::AcceptThenSilent;
    config.requestTimeout = 30s;
    return vyr::test::StartLoopbackCamera(config);
}

// A link leaving from 127.0.0.1 and the camera's stream port, as the real one leaves from
// localIp:40003 towards the camera's 40003. No model query.
std::unique_ptr<vyr::CCameraLink> LinkFromFixedPort(const vyr::camsim::Camera& camera) {
    auto link = std::make_unique<vyr::CCameraLink>();
    link->SetDeviceIp("127.0.0.2");
    link->SetLocalAddress("127.0.0.1");
    link->SetPorts(vyr::test::LoopbackPorts(camera));
    link->shared().cameraTypeOverride.store(vyr::kCameraTypeH264);
    return link;
}

TEST(LocalStreamPort, TheLinkLeavesFromItAndFromAnotherPortWhileAConnectionHoldsIt) {
    for (const bool taken : {false, true}) {
        SCOPED_TRACE(taken ? "taken" : "free");
        const auto camera = QuietCamera();
        ASSERT_TRUE(camera);
        const uint16_t port = camera->StreamPort();
        const auto holder = taken ? ConnectTo("127.0.0.1", port, "127.0.0.2", port) : Socket();
        if (taken) {
            ASSERT_TRUE(holder.valid()) << std::strerror(errno);
            // The address pair is taken: a second connect from it fails as the link's would.
            ASSERT_FALSE(ConnectTo("127.0.0.1", port, "127.0.0.2", port).valid());
            ASSERT_EQ(errno, EADDRNOTAVAIL);
        }
        auto link = LinkFromFixedPort(*camera);
        link->Start(nullptr, nullptr);
        ASSERT_TRUE(WaitFor([&] { return link->IsConnected() == 1; }));
        ASSERT_TRUE(
            camera->WaitUntil([&] { return camera->StreamConnections() == 1u + taken; }, 10s));
        EXPECT_EQ(camera->LastStreamPeer()->address, "127.0.0.1");
        EXPECT_EQ(camera->LastStreamPeer()->port == port, !taken);
        link->Stop();
    }
}

// Runs in a child process inside a network namespace of its own with TCP timestamps off: the link
// connects from the fixed port, stops (its connection goes to TIME_WAIT), and starts again at
// once. Exit status: 0 passed, 1 failed (reason on stderr), 2 no namespace here.
int TimeWaitScenario() {
    const bool isRoot = ::geteuid() == 0;
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(isRoot ? CLONE_NEWNET : CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        return 2;
    }
    if (!isRoot) {
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq loopback{};
    std::snprintf(loopback.ifr_name, sizeof loopback.ifr_name, "lo");
    loopback.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    std::ofstream timestamps("/proc/sys/net/ipv4/tcp_timestamps");
    timestamps << "0";
    timestamps.close();
    if (::ioctl(control, SIOCSIFFLAGS, &loopback) != 0 || !timestamps) {
        return 2;
    }
    ::close(control);

    const auto camera = QuietCamera();
    if (!camera) {
        return 1;
    }
    const uint16_t port = camera->StreamPort();
    auto link = LinkFromFixedPort(*camera);
    link->Start(nullptr, nullptr);
    if (!WaitFor([&] { return link->IsConnected() == 1; }) ||
        camera->LastStreamPeer()->port != port) {
        std::fprintf(stderr, "first connection not from the fixed port\n");
        return 1;
    }
    link->Stop();
    // The camera closes its side after the link's; the link's side is in TIME_WAIT then.
    std::this_thread::sleep_for(200ms);
    if (ConnectTo("127.0.0.1", port, "127.0.0.2", port).valid() || errno != EADDRNOTAVAIL) {
        std::fprintf(stderr, "TIME_WAIT did not block the fixed port (%s)\n", std::strerror(errno));
        return 1;
    }
    link->Start(nullptr, nullptr);
    if (!WaitFor([&] { return link->IsConnected() == 1; }, 5s)) {
        std::fprintf(stderr, "no stream connection after the restart\n");
        return 1;
    }
    const bool fromOtherPort = camera->LastStreamPeer()->port != port;
    link->Stop();
    return fromOtherPort ? 0 : 1;
}

TEST(LocalStreamPort, InTimeWaitTowardsACameraWithoutTimestampsTheLinkConnectsFromAnotherPort) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(TimeWaitScenario());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "no network namespace of our own here (unshare refused)";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
