// The link's sockets against what a real network does to them: the stream connection's fixed local
// port already taken by a connection to the camera (still established, or in TIME_WAIT towards a
// camera without TCP timestamps, reproduced in a network namespace of the test's own), and a
// camera connection to the control or picture server that goes silent.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "link/camera_link.h"
#include "settings/settings_file.h"
#include "support/notification_recorder.h"
#include "support/raw_socket.h"
#include "support/temp_dir.h"
#include "tools/camsim/camera.h"
#include "tools/camsim/camera_button.h"
#include "tools/camsim/frame_loop.h"

namespace {

using namespace std::chrono_literals;
using vyr::camsim::Camera;
using vyr::camsim::CameraConfig;

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A connection from 127.0.0.1:fromPort to 127.0.0.2:toPort, bound as the link binds (address
// reuse on). Returns the socket, or -1 with errno.
int ConnectFromPort(uint16_t fromPort, uint16_t toPort) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    sockaddr_in camera{};
    local.sin_family = camera.sin_family = AF_INET;
    local.sin_port = htons(fromPort);
    camera.sin_port = htons(toPort);
    ::inet_pton(AF_INET, "127.0.0.1", &local.sin_addr);
    ::inet_pton(AF_INET, "127.0.0.2", &camera.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&camera), sizeof camera) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// A camera that reads the time message and then sends nothing: when the link stops, it closes
// first and its side of the connection ends in TIME_WAIT.
CameraConfig QuietCamera() {
    CameraConfig config;
    config.modelPort = 0;
    config.streamPort = 0;
    config.streamBehaviour = vyr::camsim::StreamBehaviour::AcceptThenSilent;
    config.requestTimeout = 30s;
    return config;
}

// A link pointed at the camera, leaving from 127.0.0.1 and the camera's stream port, as the real
// one leaves from localIp:40003 towards the camera's 40003. No model query.
std::unique_ptr<vyr::CCameraLink> LinkFromFixedPort(const Camera& camera) {
    auto link = std::make_unique<vyr::CCameraLink>();
    link->SetDeviceIp("127.0.0.2");
    link->SetLocalAddress("127.0.0.1");
    vyr::LinkPorts ports;
    ports.stream = camera.StreamPort();
    ports.control = 0;
    ports.picture = 0;
    link->SetPorts(ports);
    link->shared().cameraTypeOverride.store(vyr::kCameraTypeH264);
    return link;
}

TEST(LocalStreamPort, TakenByAnEstablishedConnectionTheLinkConnectsFromAnotherPort) {
    Camera camera(QuietCamera());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    const uint16_t port = camera.StreamPort();
    const int holder = ConnectFromPort(port, port);
    ASSERT_GE(holder, 0) << std::strerror(errno);
    // The address pair is taken: a second connect from it fails as the link's would.
    ASSERT_EQ(ConnectFromPort(port, port), -1);
    ASSERT_EQ(errno, EADDRNOTAVAIL);

    auto link = LinkFromFixedPort(camera);
    link->Start(nullptr, nullptr);
    ASSERT_TRUE(WaitFor([&] { return link->IsConnected() == 1; }));
    ASSERT_TRUE(camera.WaitUntil([&] { return camera.StreamConnections() == 2; }, 10s));
    EXPECT_NE(camera.LastStreamPeer()->port, port);
    link->Stop();
    ::close(holder);
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

    Camera camera(QuietCamera());
    if (!camera.Start()) {
        std::fprintf(stderr, "camera: %s\n", camera.LastError().c_str());
        return 1;
    }
    const uint16_t port = camera.StreamPort();
    auto link = LinkFromFixedPort(camera);
    link->Start(nullptr, nullptr);
    if (!WaitFor([&] { return link->IsConnected() == 1; }) ||
        camera.LastStreamPeer()->port != port) {
        std::fprintf(stderr, "first connection not from the fixed port\n");
        return 1;
    }
    link->Stop();
    // The camera closes its side after the link's; the link's side is in TIME_WAIT then.
    std::this_thread::sleep_for(200ms);
    if (ConnectFromPort(port, port) >= 0 || errno != EADDRNOTAVAIL) {
        std::fprintf(stderr, "TIME_WAIT did not block the fixed port (%s)\n", std::strerror(errno));
        return 1;
    }
    link->Start(nullptr, nullptr);
    if (!WaitFor([&] { return link->IsConnected() == 1; }, 5s)) {
        std::fprintf(stderr, "no stream connection after the restart\n");
        return 1;
    }
    const bool fromOtherPort = camera.LastStreamPeer()->port != port;
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

// A camera connection that sends nothing (or stops mid-upload) is closed after the receive
// time-out, and the next one is served.
TEST(ServerReceiveTimeout, SilentConnectionIsClosedAndTheNextOneServed) {
    vyr::test::TempDir root;
    std::filesystem::create_directories(root.path() / "jpg" / "tel");
    vyr::CCameraLink link;
    link.SetDeviceIp("127.0.0.2");
    vyr::LinkPorts ports;
    ports.stream = 9;  // nothing listens: the stream thread keeps trying, harmlessly
    ports.control = 0;
    ports.picture = 0;
    link.SetPorts(ports);
    link.SetExeDir(root.path().string());
    link.SetPatientFolderName("tel");
    link.shared().cameraTypeOverride.store(vyr::kCameraTypeMjpeg);
    link.shared().serverReceiveTimeoutMs = 300;
    vyr::test::NotificationRecorder notes;
    link.Start(&notes, nullptr);
    ASSERT_TRUE(WaitFor([&] { return link.ControlPort() != 0 && link.PicturePort() != 0; }));

    vyr::camsim::ButtonTarget control;
    control.port = link.ControlPort();
    vyr::camsim::ButtonTarget picture;
    picture.port = link.PicturePort();
    const vyr::test::Socket silentControl =
        vyr::test::ConnectTo("127.0.0.1", control.port, "127.0.0.2");
    ASSERT_TRUE(silentControl.valid());
    const vyr::test::Socket stalledUpload =
        vyr::test::ConnectTo("127.0.0.1", picture.port, "127.0.0.2");
    ASSERT_TRUE(stalledUpload.valid());
    ASSERT_TRUE(stalledUpload.SendAll(std::vector<uint8_t>(100, 0)));  // part of a first block

    EXPECT_TRUE(vyr::camsim::SendControlCode(control, vyr::camsim::kShowNone).ok());
    CameraConfig pattern;
    pattern.streamKind = vyr::camsim::StreamKind::Mjpeg;
    pattern.width = 1280;  // about 100 kB, several upload blocks
    pattern.height = 1024;
    pattern.loopFrames = 1;
    vyr::camsim::FrameLoop loop;
    std::string error;
    ASSERT_TRUE(vyr::camsim::BuildPatternLoop(pattern, &loop, &error)) << error;
    const std::vector<uint8_t>& jpeg = loop.frames.at(0);
    ASSERT_GT(jpeg.size(), 10240u);  // the picture server's minimum
    EXPECT_TRUE(vyr::camsim::SendPicture(picture, "IMG_20260101_120000.jpg", jpeg).ok());
    ASSERT_TRUE(notes.WaitForCount(2, 10s));
    std::vector<int> codes;
    for (const auto& entry : notes.Entries()) {
        codes.push_back(entry.Code());
    }
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<int>{1, 5}));
    // Both silent connections were closed by the servers.
    bool closed = false;
    silentControl.ReceiveUntilClosed(5s, &closed);
    EXPECT_TRUE(closed);
    stalledUpload.ReceiveUntilClosed(5s, &closed);
    EXPECT_TRUE(closed);
    link.Stop();
}

}  // namespace
