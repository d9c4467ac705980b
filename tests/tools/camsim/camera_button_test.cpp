// The camera's button and uploader against a plain listening socket standing in for the client:
// the exact bytes of control packets and picture blocks, the camera's own address as the source,
// a broken upload, and addresses the loopback-only build refuses.
#include "tools/camsim/camera_button.h"

#include <future>

#include "camera_fixture.h"
#include "raw_socket.h"
#include "support/file_bytes.h"

namespace vyr::camsim {
namespace {

struct Delivery {
    std::string peerAddress;
    std::vector<uint8_t> bytes;
    bool ended = false;
};

// Runs send on its own thread while the listener takes one connection and reads it to its end,
// then closes as the client does.
Delivery Deliver(const test::Listener& listener, const std::function<ButtonResult()>& send,
                 ButtonResult* result) {
    auto sending = std::async(std::launch::async, send);
    Delivery delivery;
    {
        test::Socket connection = listener.Accept(10s, &delivery.peerAddress);
        EXPECT_TRUE(connection.valid());
        delivery.bytes = connection.ReceiveUntilClosed(10s, &delivery.ended);
    }
    *result = sending.get();
    return delivery;
}

ButtonTarget Target(uint16_t port) {
    ButtonTarget target;
    target.port = port;
    return target;
}

TEST(Button, ControlPacketFromTheCamerasAddress) {
    test::Listener listener;
    ButtonResult result;
    const Delivery d = Deliver(
        listener, [&] { return SendControlCode(Target(listener.port()), 1, 7, 9); }, &result);
    EXPECT_EQ(d.peerAddress, "127.0.0.2");
    EXPECT_EQ(d.bytes, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 7, 9, 1, 0}));
    EXPECT_TRUE(d.ended);
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.bytesSent, 10u);
    EXPECT_TRUE(result.clientClosed);
}

TEST(Button, EveryCommandCodeOnItsOwnConnection) {
    test::Listener listener;
    for (const uint16_t code : {kRelease, kCapture, kDeleteLast, kShowNone, kDeleteAll}) {
        ButtonResult result;
        const Delivery d = Deliver(
            listener, [&] { return SendControlCode(Target(listener.port()), code); }, &result);
        ASSERT_EQ(d.bytes.size(), 10u);
        EXPECT_EQ(test::U16At(d.bytes, 8), code);
        EXPECT_TRUE(result.ok());
    }
}

TEST(Button, RawControlPiecesArriveInOrder) {
    test::Listener listener;
    ButtonResult result;
    const Delivery d = Deliver(
        listener,
        [&] {
            return SendRawControl(Target(listener.port()), {{1, 2, 3, 4}, {5, 6, 7, 8, 9, 10, 11}},
                                  20ms);
        },
        &result);
    EXPECT_EQ(d.bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(result.bytesSent, 11u);
}

std::vector<uint8_t> Picture(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>((i * 31) ^ (i >> 8));
    }
    return bytes;
}

TEST(Button, PictureUploadInBlocks) {
    test::Listener listener;
    const std::vector<uint8_t> picture = Picture(8192 * 2 + 500);
    ButtonResult result;
    const Delivery d = Deliver(
        listener,
        [&] { return SendPicture(Target(listener.port()), "IMG_20260415_103000.jpg", picture); },
        &result);
    EXPECT_EQ(d.peerAddress, "127.0.0.2");
    ASSERT_EQ(d.bytes.size(), 3u * 8230);
    EXPECT_STREQ(reinterpret_cast<const char*>(&d.bytes[14]), "IMG_20260415_103000.jpg");
    std::vector<uint8_t> joined;
    for (size_t at = 0; at < d.bytes.size(); at += 8230) {
        const size_t count = test::U16At(d.bytes, at + 10);
        joined.insert(joined.end(), d.bytes.begin() + static_cast<long>(at + 38),
                      d.bytes.begin() + static_cast<long>(at + 38 + count));
    }
    EXPECT_EQ(joined, picture);
    EXPECT_TRUE(result.ok());
}

TEST(Button, UploadBrokenOffMidway) {
    test::Listener listener;
    PictureOptions options;
    options.breakAfterBytes = 10000;
    ButtonResult result;
    const Delivery d = Deliver(
        listener,
        [&] { return SendPicture(Target(listener.port()), "A_B.jpg", Picture(50000), options); },
        &result);
    EXPECT_EQ(d.bytes.size(), 10000u);
    EXPECT_TRUE(d.ended);
    EXPECT_EQ(result.bytesSent, 10000u);
}

TEST(Button, AddressesOutsideLoopbackAreRefusedAndAbsentClientsReported) {
    ButtonTarget outside = Target(40004);
    outside.clientAddress = "10.20.30.40";
    EXPECT_EQ(SendControlCode(outside, kCapture).status, ButtonStatus::Refused);
    ButtonTarget fromOutside = Target(40004);
    fromOutside.cameraAddress = "10.20.30.40";
    EXPECT_EQ(SendControlCode(fromOutside, kCapture).status, ButtonStatus::Refused);

    uint16_t freePort = 0;
    {
        test::Listener gone;
        freePort = gone.port();
    }
    const ButtonResult result = SendPicture(Target(freePort), "A_B.jpg", Picture(100));
    EXPECT_EQ(result.status, ButtonStatus::NotConnected);
    EXPECT_EQ(result.bytesSent, 0u);
}

}  // namespace
}  // namespace vyr::camsim
