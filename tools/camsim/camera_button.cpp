// Outgoing connections of the camera's button and uploader; see camera_button.h. Every connection
// goes through the loopback guard and leaves from the camera's own address, because the client
// accepts button commands only from the camera.
#include "tools/camsim/camera_button.h"

#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/net/socket_guard.h"
#include "tools/camsim/socket_io.h"

namespace vyr::camsim {

namespace {

using Clock = std::chrono::steady_clock;

class Connection {
public:
    ~Connection() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    ButtonResult Open(const ButtonTarget& target) {
        ButtonResult result;
        sockaddr_in local{};
        sockaddr_in remote{};
        if (!ResolveCameraAddress(target.cameraAddress, 0, &local, &result.error) ||
            !ResolveCameraAddress(target.clientAddress, target.port, &remote, &result.error)) {
            result.status = ButtonStatus::Refused;
            return result;
        }
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        // A client that stops reading must not hold the button forever.
        const timeval sendTimeout{5, 0};
        if (fd_ < 0 || ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0 ||
            ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout) != 0 ||
            ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            result.status = ButtonStatus::SocketError;
            result.error = std::string("socket or bind: ") + std::strerror(errno);
            return result;
        }
        if (vyr::GuardedConnect(fd_, remote) != 0) {
            result.status = ButtonStatus::NotConnected;
            result.error = "connect to " + target.clientAddress + ":" +
                           std::to_string(target.port) + ": " + std::strerror(errno);
            return result;
        }
        result.status = ButtonStatus::Sent;
        return result;
    }

    bool Send(std::span<const uint8_t> bytes, ButtonResult* result) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t put = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                result->status = ButtonStatus::SendFailed;
                result->error = std::string("send: ") + std::strerror(errno);
                return false;
            }
            sent += static_cast<size_t>(put);
            result->bytesSent += static_cast<size_t>(put);
        }
        return true;
    }

    // Half-closes and waits for the client's end of the connection.
    bool AwaitClientClose(std::chrono::milliseconds wait) {
        ::shutdown(fd_, SHUT_WR);
        const auto deadline = Clock::now() + wait;
        std::array<uint8_t, 1024> discard{};
        while (true) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return false;
            }
            const ssize_t got = ::recv(fd_, discard.data(), discard.size(), 0);
            if (got <= 0) {
                return true;  // end of stream or reset: the client is gone
            }
        }
    }

private:
    int fd_ = -1;
};

ButtonResult SendPieces(const ButtonTarget& target,
                        const std::vector<std::span<const uint8_t>>& pieces,
                        std::chrono::milliseconds pause) {
    Connection connection;
    ButtonResult result = connection.Open(target);
    if (!result.ok()) {
        return result;
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0 && pause.count() > 0) {
            std::this_thread::sleep_for(pause);
        }
        if (!connection.Send(pieces[i], &result)) {
            return result;
        }
    }
    result.clientClosed = connection.AwaitClientClose(target.closeWait);
    return result;
}

}  // namespace

const char* ButtonStatusName(ButtonStatus status) {
    switch (status) {
        case ButtonStatus::Sent:
            return "sent";
        case ButtonStatus::Refused:
            return "address refused";
        case ButtonStatus::SocketError:
            return "socket error";
        case ButtonStatus::NotConnected:
            return "not connected";
        case ButtonStatus::SendFailed:
            return "send failed";
    }
    return "?";
}

ButtonResult SendControlCode(const ButtonTarget& target, uint16_t code, uint8_t param1,
                             uint8_t param2) {
    const auto packet = BuildControlPacket(code, param1, param2);
    return SendPieces(target, {std::span<const uint8_t>(packet)}, {});
}

ButtonResult SendRawControl(const ButtonTarget& target,
                            const std::vector<std::vector<uint8_t>>& pieces,
                            std::chrono::milliseconds pauseBetweenPieces) {
    std::vector<std::span<const uint8_t>> spans(pieces.begin(), pieces.end());
    return SendPieces(target, spans, pauseBetweenPieces);
}

ButtonResult SendPicture(const ButtonTarget& target, std::string_view cameraFileName,
                         std::span<const uint8_t> picture, const PictureOptions& options) {
    const std::vector<uint8_t> wire =
        BuildPictureBlocks(cameraFileName, picture, options.countOverride);
    const size_t length = std::min(wire.size(), options.breakAfterBytes.value_or(wire.size()));
    return SendPieces(target, {std::span<const uint8_t>(wire.data(), length)}, {});
}

std::string CameraFileNameNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char name[32];
    std::strftime(name, sizeof name, "IMG_%Y%m%d_%H%M%S.jpg", &local);
    return name;
}

}  // namespace vyr::camsim
