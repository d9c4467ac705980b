// What both frame-path suites share: fresh rings and recording flags, a sink on the link, the path
// run on its own thread, stream bytes pushed into ReceiveRing as the stream thread pushes them, and
// the chunks the path hands to the recording taken out of RecordRing.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "linkstate/link_shared.h"
#include "support/recording_sink.h"
#include "support/wait_for.h"

namespace vyr::test {

class FramePathFixture : public testing::Test {
protected:
    struct Chunk {
        std::vector<uint8_t> bytes;
        int keyFrame = 0;
        bool operator==(const Chunk&) const = default;
    };

    void SetUp() override {
        Globals().receiveRing.Reset();
        Globals().recordRing.ResetRecordRing();
        Globals().recordingRequested.store(0);
        Globals().recordingActive.store(0);
        link_.videoWindow.store(&sink_);
    }
    void TearDown() override { StopPath(); }

    void StartPath(std::function<void(LinkShared&)> path) {
        link_.stopRequested.store(0);
        thread_ = std::thread([this, path] { path(link_); });
    }
    void StopPath() {
        link_.stopRequested.store(1);
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // Blocks of at most kStreamBlockBytes, waiting for room when the ring is full.
    static void Send(const std::vector<uint8_t>& stream) {
        for (size_t at = 0; at < stream.size(); at += kStreamBlockBytes) {
            const int count =
                static_cast<int>(std::min<size_t>(kStreamBlockBytes, stream.size() - at));
            ASSERT_TRUE(WaitFor(
                [&] { return Globals().receiveRing.PushReceiveBlock(stream.data() + at, count); }));
        }
    }

    // Every chunk waiting in RecordRing, after waiting for at least `count` of them.
    static std::vector<Chunk> TakeChunks(size_t count) {
        std::vector<Chunk> chunks;
        RecordFrameView frame;
        WaitFor([&] {
            while (Globals().recordRing.PeekFrame(&frame)) {
                chunks.push_back({{frame.data, frame.data + frame.size}, frame.keyFrame});
                Globals().recordRing.ReleaseFrame();
            }
            return chunks.size() >= count;
        });
        return chunks;
    }

    LinkShared link_;
    RecordingSink sink_;
    std::thread thread_;
};

}  // namespace vyr::test
