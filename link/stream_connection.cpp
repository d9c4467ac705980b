// The stream thread and the model query. Sockets are registered with the link while a worker waits
// on them, so that Stop can shut them down; connects poll the stop flag so that a camera that does
// not answer the connection does not hold the thread either.
#include "link/stream_connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "linkstate/link_shared.h"
#include "platform/net/socket_guard.h"
#include "settings/settings_file.h"

namespace vyr {
namespace {

constexpr uint16_t kModelRequestCode = 10;
constexpr uint16_t kModelReplyCode = 10;
constexpr int kConnectPollMs = 20;

std::tm SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

std::atomic<LocalTimeSource> localTimeSource{&SystemLocalTime};

bool SetSendTimeout(int fd, long microseconds) {
    timeval timeout{0, microseconds};
    return ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) == 0;
}

bool SetReuseAddress(int fd) {
    const int on = 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
}

// Connects without blocking past a stop request: a non-blocking connect, then polls of 20 ms
// between which the stop flag is tested. The socket is blocking again afterwards.
bool ConnectUnlessStopped(int fd, const sockaddr_in& destination, LinkShared& link) {
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    bool connected = GuardedConnect(fd, destination) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd waiting{fd, POLLOUT, 0};
        while (link.stopRequested.load() == 0) {
            const int ready = ::poll(&waiting, 1, kConnectPollMs);
            if (ready < 0 && errno != EINTR) {
                break;
            }
            if (ready > 0) {
                int error = 0;
                socklen_t length = sizeof error;
                connected =
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
                break;
            }
        }
    }
    ::fcntl(fd, F_SETFL, flags);
    return connected && link.stopRequested.load() == 0;
}

bool SendAll(int fd, const uint8_t* data, int length) {
    return ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL) == length;
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
            std::printf("net enviorment is so bad!\n");
            std::fflush(stdout);
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
    } else if (!ConnectUnlessStopped(fd, camera, link)) {
        result = kModelQueryRefused;
    } else {
        uint8_t request[kModelMessageBytes] = {};
        request[0] = static_cast<uint8_t>(kModelRequestCode);
        request[2] = 2;
        if (!SendAll(fd, request, sizeof request)) {
            result = kModelQuerySendFailed;
        } else if (ReceiveExact(fd, reply, sizeof reply) != kModelMessageBytes) {
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

void StreamThread(LinkShared& link) {
    StreamGlobals& globals = Globals();
    const int32_t override = link.cameraTypeOverride.load();
    const int32_t cameraType = override >= 0 ? override : ReadCameraTypeSetting();
    if (cameraType != kCameraTypeDetect) {
        link.SetModelReport({});
        globals.mjpegMode.store(cameraType == kCameraTypeMjpeg ? 1 : 0);
    } else {
        char modelText[kModelTextBytes] = {};
        const int result = QueryDeviceModel(link, modelText);
        link.SetModelReport({true, result, modelText});
        if (result != kModelQueryOk) {
            link.identification.Settle(false);
            return;
        }
        ApplyDeviceKind(modelText);
    }
    link.identification.Settle(true);

    sockaddr_in camera{};
    if (!MakeIpv4Address(link.deviceIp.c_str(), link.ports.stream, &camera)) {
        return;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    link.RegisterStreamSocket(fd);
    if (!SetReuseAddress(fd) || !SetSendTimeout(fd, 30000)) {
        link.CloseStreamSocket();
        return;
    }
    sockaddr_in local{};
    if (MakeIpv4Address(link.localIp.c_str(), link.ports.stream, &local)) {
        // A failed bind is not an error: the connection then leaves from an address the system
        // chooses.
        (void)::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    }
    if (!ConnectUnlessStopped(fd, camera, link)) {
        link.CloseStreamSocket();
        return;
    }
    const TimeSyncMessage message = BuildTimeSyncMessage(localTimeSource.load()());
    if (!SendAll(fd, message.data(), static_cast<int>(message.size()))) {
        link.CloseStreamSocket();
        return;
    }
    link.connected.store(1);

    uint8_t block[kStreamBlockBytes];
    while (link.stopRequested.load() == 0) {
        if (ReceiveExact(fd, block, kStreamBlockBytes) < 0) {
            break;
        }
        link.counters.blocksReceived.fetch_add(1, std::memory_order_relaxed);
        globals.receiveRing.PushReceiveBlock(block, kStreamBlockBytes);
    }
    link.CloseStreamSocket();
}

}  // namespace vyr
