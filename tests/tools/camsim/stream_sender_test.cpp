// The stream sender over a socket pair: H.264 leaves as whole 4096-byte units of one continuous
// byte stream, a frame counts as sent only once its last byte has left, and Stop ends a sender
// whose peer has stopped reading.
#include "tools/camsim/stream_sender.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <span>
#include <mutex>
#include <thread>

#include "raw_socket.h"

namespace vyr::camsim {
namespace {

struct SocketPair {
    SocketPair() {
        int fds[2] = {-1, -1};
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        sender = fds[0];
        receiver = test::Socket(fds[1]);
    }
    ~SocketPair() { ::close(sender); }
    int sender = -1;
    test::Socket receiver;
};

FrameLoop ThreeFrames(StreamKind kind) {
    FrameLoop loop;
    loop.kind = kind;
    for (size_t size : {1000, 5000, 3001}) {
        std::vector<uint8_t> frame(size);
        for (size_t i = 0; i < size; ++i) {
            frame[i] = static_cast<uint8_t>(size + i * 13);
        }
        loop.frames.push_back(frame);
    }
    return loop;
}

TEST(StreamSender, H264IsOneContinuousStreamInWholeUnits) {
    const FrameLoop loop = ThreeFrames(StreamKind::H264);
    std::vector<uint8_t> loopBytes;
    std::vector<uint64_t> loopEnds;  // offset just past each frame's last byte within the loop
    for (const auto& frame : loop.frames) {
        loopBytes.insert(loopBytes.end(), frame.begin(), frame.end());
        loopEnds.push_back(loopBytes.size());
    }
    const auto frameEnd = [&](uint64_t index) {
        return index / loopEnds.size() * loopBytes.size() + loopEnds[index % loopEnds.size()];
    };
    SocketPair pair;
    WakeSignal wake;
    std::mutex mutex;
    uint64_t handedOver = 0;
    std::vector<size_t> chunks;
    std::vector<std::pair<uint64_t, uint64_t>> sends;  // (frame index, bytes handed over by then)
    SendHooks hooks;
    hooks.bytesSent = [&](size_t bytes) {
        std::lock_guard lock(mutex);
        chunks.push_back(bytes);
        handedOver += bytes;
    };
    hooks.frameSent = [&](uint64_t index, std::chrono::steady_clock::time_point) {
        std::lock_guard lock(mutex);
        sends.emplace_back(index, handedOver);
    };
    auto sender = std::async(std::launch::async, [&] {
        return SendFrameLoop(pair.sender, loop, 0, Watch{&wake, -1}, hooks);
    });
    const size_t wanted = 9 * 4096;
    const std::vector<uint8_t> received =
        pair.receiver.Receive(wanted, std::chrono::milliseconds(5000));
    wake.Signal();
    EXPECT_EQ(sender.get(), IoStatus::Stopped);

    ASSERT_EQ(received.size(), wanted);
    for (size_t i = 0; i < received.size(); ++i) {
        ASSERT_EQ(received[i], loopBytes[i % loopBytes.size()]) << "stream byte " << i;
    }
    std::lock_guard lock(mutex);
    for (size_t chunk : chunks) {
        EXPECT_EQ(chunk % 4096, 0u) << "every hand-over is whole units";
    }
    ASSERT_FALSE(sends.empty());
    for (size_t i = 0; i < sends.size(); ++i) {
        const auto [index, bytesByThen] = sends[i];
        EXPECT_EQ(index, i) << "frames are reported once each, in order";
        EXPECT_GE(bytesByThen, frameEnd(index)) << "reported before its last byte left";
    }
}

TEST(StreamSender, StopEndsASenderWhosePeerDoesNotRead) {
    // One 8 MB frame cannot fit into the socket buffers, so without a reader the sender must be
    // waiting inside its send once the first bytes have arrived.
    FrameLoop loop;
    loop.kind = StreamKind::Mjpeg;
    loop.frames.emplace_back(8u << 20, 0x5A);
    SocketPair pair;
    WakeSignal wake;
    auto sender = std::async(std::launch::async, [&] {
        return SendFrameLoop(pair.sender, loop, 0, Watch{&wake, -1}, {});
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int queued = 0;
    while (queued == 0 && std::chrono::steady_clock::now() < deadline) {
        ::ioctl(pair.receiver.fd(), FIONREAD, &queued);
        std::this_thread::yield();
    }
    ASSERT_GT(queued, 0);
    wake.Signal();
    ASSERT_EQ(sender.wait_for(std::chrono::seconds(5)), std::future_status::ready)
        << "the sender must not hang";
    EXPECT_EQ(sender.get(), IoStatus::Stopped);
}

// The faults for the client's reconnection: a stream that is closed, one that stalls with its
// connection open, and one whose encoder restarts (the frame before each restart cut in half).
TEST(StreamSender, FaultsCloseStallOrRestartTheStream) {
    const FrameLoop loop = ThreeFrames(StreamKind::H264);
    const auto& f = loop.frames;
    const auto concat = [](std::initializer_list<std::span<const uint8_t>> parts) {
        std::vector<uint8_t> bytes;
        for (const auto& part : parts) {
            bytes.insert(bytes.end(), part.begin(), part.end());
        }
        return bytes;
    };
    const std::span<const uint8_t> halfOfSecond(f[1].data(), f[1].size() / 2);
    struct Case {
        const char* name;
        StreamFaults faults;
        std::vector<uint8_t> expected;  // the stream's first bytes
        IoStatus end;                   // how the sender ends (Stopped: only by the wake)
    };
    const Case cases[] = {
        {"close after 4", {4, 0, 0}, concat({f[0], f[1], f[2], f[0]}), IoStatus::Closed},
        {"stall after 4", {0, 4, 0}, concat({f[0], f[1], f[2], f[0]}), IoStatus::Stopped},
        {"restart after 2",
         {0, 0, 2},
         concat({f[0], halfOfSecond, f[0], halfOfSecond, f[0], halfOfSecond, f[0], halfOfSecond}),
         IoStatus::Stopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SocketPair pair;
        WakeSignal wake;
        auto sender = std::async(std::launch::async, [&] {
            return SendFrameLoop(pair.sender, loop, 0, Watch{&wake, -1}, {}, c.faults);
        });
        // Whole units only: the tail of the last unit is still in the sender when it stops.
        const size_t units = c.expected.size() / 4096;
        const std::vector<uint8_t> received =
            pair.receiver.Receive(units * 4096, std::chrono::milliseconds(5000));
        ASSERT_EQ(received.size(), units * 4096);
        EXPECT_TRUE(std::equal(received.begin(), received.end(), c.expected.begin()));
        if (c.end == IoStatus::Closed) {
            EXPECT_EQ(sender.get(), IoStatus::Closed);
            continue;
        }
        if (c.faults.stallAfterFrames > 0) {
            EXPECT_TRUE(pair.receiver.StaysSilent(std::chrono::milliseconds(300)));
        }
        wake.Signal();
        EXPECT_EQ(sender.get(), IoStatus::Stopped);
    }
}

TEST(StreamSender, ClosedPeerEndsTheSender) {
    FrameLoop loop = ThreeFrames(StreamKind::H264);
    SocketPair pair;
    WakeSignal wake;
    pair.receiver = test::Socket();
    EXPECT_EQ(SendFrameLoop(pair.sender, loop, 0, Watch{&wake, -1}, {}), IoStatus::Closed);
}

}  // namespace
}  // namespace vyr::camsim
