// One attempt of the stream thread: the model query, the stream connection with its local-port
// fallback, and the stream's blocks with stall detection. Sockets are registered with the link
// while a worker waits on them, so that Stop can shut them down; every wait also polls the link's
// stop wake-up and has a time limit, so an absent, silent or half-open camera never holds a
// worker.
#include "link/stream_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "linkstate/link_shared.h"
#include "platform/net/socket_guard.h"
#include "platform/net/socket_waits.h"
#include "settings/settings_file.h"

namespace vyr {
namespace {

constexpr uint16_t kModelRequestCode = 10;
constexpr uint16_t kModelReplyCode = 10;

std::tm SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

std::atomic<LocalTimeSource> localTimeSource{&SystemLocalTime};

using Clock = std::chrono::steady_clock;

bool SetSendTimeout(int fd, long microseconds) {
    timeval timeout{0, microseconds};
    return ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) == 0;
}

bool SetReuseAddress(int fd) {
    const int on = 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
}

bool SendAll(int fd, const uint8_t* data, int length) {
    return ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL) == length;
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void PrintConnectionBroken() {
    std::printf("net enviorment is so bad!\n");
    std::fflush(stdout);
}

// ReceiveExact with a deadline and the stop wake-up: n, or -1 after printing the console line
// when the peer closed or the connection broke, or kSocketStopped, or kSocketTimedOut.
int ReceiveExactUntil(LinkShared& link, int fd, uint8_t* buffer, int n,
                      Clock::time_point deadline) {
    int received = 0;
    while (received < n) {
        const int wait = WaitReadable(fd, link.stopWake.fd(), MillisecondsUntil(deadline));
        if (wait == kSocketStopped || wait == kSocketTimedOut) {
            return wait;
        }
        const ssize_t count =
            wait == kSocketReady
                ? ::recv(fd, buffer + received, static_cast<size_t>(n - received), 0)
                : -1;  // poll itself failed: treated as a broken connection
        if (count < 0 && wait == kSocketReady && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (count <= 0) {
            PrintConnectionBroken();
            return -1;
        }
        received += static_cast<int>(count);
    }
    return n;
}

// Why a connect of the stream socket failed.
enum class ConnectFailure { kNone, kBind, kLocalAddressTaken, kOther };

// One connect of the stream socket, from local when given. Returns the socket or -1 with *failure.
int ConnectStream(LinkShared& link, const sockaddr_in& camera, const sockaddr_in* local,
                  ConnectFailure* failure) {
    *failure = ConnectFailure::kOther;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    link.RegisterStreamSocket(fd);
    if (!SetReuseAddress(fd) || !SetSendTimeout(fd, 30000)) {
        link.CloseStreamSocket();
        return -1;
    }
    (void)EnableKeepAlive(fd);
    if (local != nullptr &&
        ::bind(fd, reinterpret_cast<const sockaddr*>(local), sizeof *local) != 0) {
        *failure = ConnectFailure::kBind;
        link.CloseStreamSocket();
        return -1;
    }
    if (ConnectWithin(fd, camera, link.stopWake.fd(), kAttemptTimeoutMs) != kSocketReady) {
        const int error = errno;
        if (local != nullptr && (error == EADDRNOTAVAIL || error == EADDRINUSE)) {
            *failure = ConnectFailure::kLocalAddressTaken;
        }
        link.CloseStreamSocket();
        errno = error;
        return -1;
    }
    *failure = ConnectFailure::kNone;
    return fd;
}

}  // namespace

TimeSyncMessage BuildTimeSyncMessage(const std::tm& t) {
    return {0x5F,
            0x6F,
            0,
            0,
            static_cast<uint8_t>((t.tm_year + 1900) + 48),  // year - 2000, modulo 256
            static_cast<uint8_t>(t.tm_mon + 1),
            static_cast<uint8_t>(t.tm_mday),
            static_cast<uint8_t>(t.tm_hour),
            static_cast<uint8_t>(t.tm_min),
            static_cast<uint8_t>(t.tm_sec),
            0x0B,
            0x00};
}

void SetLocalTimeSourceForTest(LocalTimeSource source) {
    localTimeSource.store(source != nullptr ? source : &SystemLocalTime);
}

int32_t ReadCameraTypeSetting() {
    return ReadSettingsOrCreate().cameraType;
}

int ReceiveExact(int fd, uint8_t* buffer, int n) {
    int received = 0;
    while (received < n) {
        const ssize_t count = ::recv(fd, buffer + received, static_cast<size_t>(n - received), 0);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            PrintConnectionBroken();
            return -1;
        }
        received += static_cast<int>(count);
    }
    return n <= 0 ? 0 : n;
}

int QueryDeviceModel(LinkShared& link, char (&modelText)[kModelTextBytes]) {
    sockaddr_in camera{};
    if (!MakeIpv4Address(link.deviceIp.c_str(), link.ports.modelQuery, &camera)) {
        return kModelQueryRefused;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return kModelQueryNoSocketOrBadReply;
    }
    link.RegisterStreamSocket(fd);
    int result = kModelQueryOk;
    uint8_t reply[kModelMessageBytes] = {};
    if (!SetReuseAddress(fd)) {
        result = kModelQueryReuseRefused;
    } else if (!SetSendTimeout(fd, 2000)) {
        result = kModelQuerySendFailed;
    } else if (ConnectWithin(fd, camera, link.stopWake.fd(), kAttemptTimeoutMs) != kSocketReady) {
        result = kModelQueryRefused;
    } else {
        uint8_t request[kModelMessageBytes] = {};
        request[0] = static_cast<uint8_t>(kModelRequestCode);
        request[2] = 2;
        const auto deadline = Clock::now() + std::chrono::milliseconds(kAttemptTimeoutMs);
        if (!SendAll(fd, request, sizeof request)) {
            result = kModelQuerySendFailed;
        } else if (ReceiveExactUntil(link, fd, reply, sizeof reply, deadline) !=
                   kModelMessageBytes) {
            result = kModelQueryNoReply;
        } else if ((reply[0] | reply[1] << 8) != kModelReplyCode) {
            result = kModelQueryNoSocketOrBadReply;
        } else {
            // The reply's text field has 56 bytes; the buffer keeps the first 31 characters.
            std::memset(modelText, 0, kModelTextBytes);
            for (int i = 0; i < kModelTextBytes - 1 && reply[4 + i] != 0; ++i) {
                modelText[i] = static_cast<char>(reply[4 + i]);
            }
        }
    }
    link.CloseStreamSocket();
    return result;
}

void ApplyDeviceKind(const char* modelText) {
    StreamGlobals& globals = Globals();
    if (std::strstr(modelText, "1280_QD417V") != nullptr) {
        std::printf("FIND 1280_QD417V device!\n");
        globals.mjpegMode.store(1);
        globals.frameWidth.store(1280);
        globals.frameHeight.store(1024);
    } else if (std::strstr(modelText, "QD417V") != nullptr) {
        std::printf("FIND QD417V!\n");
        globals.mjpegMode.store(1);
        globals.frameWidth.store(1920);
        globals.frameHeight.store(1080);
    } else {
        std::printf("FIND H264 device!\n");
        globals.mjpegMode.store(0);
    }
    std::fflush(stdout);
}

int IdentifyCamera(LinkShared& link) {
    const int32_t override = link.cameraTypeOverride.load();
    const int32_t cameraType = override >= 0 ? override : ReadCameraTypeSetting();
    if (cameraType != kCameraTypeDetect) {
        link.SetModelReport({});
        Globals().mjpegMode.store(cameraType == kCameraTypeMjpeg ? 1 : 0);
    } else {
        char modelText[kModelTextBytes] = {};
        const int result = QueryDeviceModel(link, modelText);
        link.SetModelReport({true, result, modelText});
        if (result != kModelQueryOk) {
            return result;
        }
        ApplyDeviceKind(modelText);
    }
    link.identification.Settle();
    return kModelQueryOk;
}

int OpenStreamConnection(LinkShared& link) {
    sockaddr_in camera{};
    if (!MakeIpv4Address(link.deviceIp.c_str(), link.ports.stream, &camera)) {
        return -1;
    }
    sockaddr_in local{};
    const bool hasLocal = MakeIpv4Address(link.localIp.c_str(), link.ports.stream, &local);
    ConnectFailure failure = ConnectFailure::kNone;
    int fd = ConnectStream(link, camera, hasLocal ? &local : nullptr, &failure);
    if (failure == ConnectFailure::kLocalAddressTaken) {
        std::printf("stream: cannot connect from %s:%u (%s), using a port the system chooses\n",
                    link.localIp.c_str(), link.ports.stream, std::strerror(errno));
        std::fflush(stdout);
    }
    // A failed bind (localIp is not an address of this machine) was always silent: the connection
    // then leaves from an address the system chooses.
    if ((failure == ConnectFailure::kBind || failure == ConnectFailure::kLocalAddressTaken) &&
        link.stopRequested.load() == 0) {
        fd = ConnectStream(link, camera, nullptr, &failure);
    }
    if (fd < 0) {
        return -1;
    }
    // A new stream from here on; the camera sends nothing before it has the time message, so the
    // decode thread has left the old stream before any block of the new one is pushed.
    Globals().receiveRing.BeginGeneration();
    const TimeSyncMessage message = BuildTimeSyncMessage(localTimeSource.load()());
    if (!SendAll(fd, message.data(), static_cast<int>(message.size()))) {
        link.CloseStreamSocket();
        return -1;
    }
    return fd;
}

StreamEnd ReceiveStream(LinkShared& link, int fd) {
    StreamGlobals& globals = Globals();
    uint8_t block[kStreamBlockBytes];
    StreamEnd end = StreamEnd::kStopped;
    while (link.stopRequested.load() == 0) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(kStreamStallMs);
        const int received = ReceiveExactUntil(link, fd, block, kStreamBlockBytes, deadline);
        if (received == kSocketStopped) {
            break;
        }
        if (received == kSocketTimedOut) {
            std::printf("stream: no block for %d ms, reconnecting\n", kStreamStallMs);
            std::fflush(stdout);
            end = StreamEnd::kStalled;
            break;
        }
        if (received < 0) {
            end = StreamEnd::kClosed;
            break;
        }
        link.counters.blocksReceived.fetch_add(1, std::memory_order_relaxed);
        globals.receiveRing.PushReceiveBlock(block, kStreamBlockBytes);
    }
    link.CloseStreamSocket();
    return link.stopRequested.load() != 0 ? StreamEnd::kStopped : end;
}

}  // namespace vyr
