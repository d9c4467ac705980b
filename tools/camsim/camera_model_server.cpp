// The camera's model query server: one 60-byte request and one 60-byte reply per connection. In
// the silent mode connections are accepted and held without an answer until the client closes
// them or the camera stops.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>

#include "tools/camsim/camera.h"

namespace vyr::camsim {

namespace {

std::string Hex(std::span<const uint8_t> bytes, size_t max) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < std::min(bytes.size(), max); ++i) {
        text += i == 0 ? "" : " ";
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
    }
    return text;
}

// Closes held connections whose client has closed or sent data (which is read and ignored until
// the end of the connection).
void ReapSilent(std::vector<int>* silent, const std::vector<pollfd>& polled) {
    std::array<uint8_t, 256> discard{};
    for (const pollfd& p : polled) {
        if (p.revents == 0) {
            continue;
        }
        const ssize_t got = ::recv(p.fd, discard.data(), discard.size(), MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            ::close(p.fd);
            silent->erase(std::remove(silent->begin(), silent->end(), p.fd), silent->end());
        }
    }
}

}  // namespace

void Camera::ModelThread(int listener) {
    if (!ListenWhenDue(listener, "model")) {
        ::close(listener);
        return;
    }
    std::vector<int> silent;  // connections held open without an answer
    while (true) {
        std::vector<pollfd> fds{{wake_->fd(), POLLIN, 0}, {listener, POLLIN, 0}};
        for (int fd : silent) {
            fds.push_back({fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        if (fds[0].revents != 0) {
            break;
        }
        ReapSilent(&silent, std::vector<pollfd>(fds.begin() + 2, fds.end()));
        if (fds[1].revents == 0) {
            continue;
        }
        Peer peer;
        const int fd = AcceptConnection(listener, &peer);
        if (fd < 0) {
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            ++modelConnections_;
            Changed();
        }
        Log("model: connection from " + peer.text());
        ServeModelConnection(fd, peer, &silent);
    }
    for (int fd : silent) {
        ::close(fd);
    }
    ::close(listener);
}

void Camera::ServeModelConnection(int fd, const Peer& peer, std::vector<int>* silent) {
    if (config_.modelBehaviour == ModelBehaviour::AcceptThenSilent) {
        Log("model: holding " + peer.text() + " without an answer");
        silent->push_back(fd);
        return;
    }
    std::array<uint8_t, kModelMessageBytes> request{};
    const IoStatus status = ReceiveExact(fd, request.data(), request.size(), config_.requestTimeout,
                                         Watch{wake_.get(), -1});
    if (status != IoStatus::Ok || !IsModelRequest(request)) {
        Log(std::string("model: no valid request (") +
            (status == IoStatus::Ok ? "bytes " + Hex(request, 8) + " ..." : IoStatusName(status)) +
            "), closing without an answer");
        {
            std::lock_guard lock(mutex_);
            ++modelRefused_;
            Changed();
        }
        ::close(fd);
        return;
    }
    const auto reply = BuildModelReply(config_.replyCode, config_.modelText);
    if (SendAll(fd, reply.data(), reply.size(), Watch{wake_.get(), -1}) == IoStatus::Ok) {
        Log("model: answered code " + std::to_string(config_.replyCode) + " \"" +
            config_.modelText.substr(0, kModelTextMaxChars) + "\"");
        std::lock_guard lock(mutex_);
        ++modelAnswered_;
        Changed();
    }
    CloseGracefully(fd, std::chrono::milliseconds(500), *wake_);
}

}  // namespace vyr::camsim
