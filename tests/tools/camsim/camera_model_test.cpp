// The model query as a client sees it: the 60-byte reply with its code and text, what a malformed
// request gets, and the silent and absent model servers.
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "camera_fixture.h"
#include "raw_socket.h"
#include "support/file_bytes.h"

namespace vyr::camsim {
namespace {

using test::ConnectTo;
using test::Socket;

CameraConfig ModelConfig() {
    CameraConfig config = TestConfig(StreamKind::RawBytes);  // no stream to encode
    config.modelText = "QD417V";
    return config;
}

std::vector<uint8_t> Ask(const Camera& camera, const std::vector<uint8_t>& request, bool* closed) {
    Socket socket = ConnectTo("127.0.0.2", camera.ModelPort());
    EXPECT_TRUE(socket.valid()) << std::strerror(errno);
    EXPECT_TRUE(socket.SendAll(request));
    return socket.ReceiveUntilClosed(5s, closed);
}

TEST(ModelQuery, ReplyCarriesCodeAndTextThenCloses) {
    Camera camera(ModelConfig());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    bool closed = false;
    const std::vector<uint8_t> reply = Ask(camera, ModelRequest(), &closed);
    ASSERT_EQ(reply.size(), 60u);
    EXPECT_TRUE(closed) << "one request and one reply per connection";
    EXPECT_EQ(test::U16At(reply, 0), 10);
    EXPECT_STREQ(reinterpret_cast<const char*>(&reply[4]), "QD417V");
    EXPECT_TRUE(std::all_of(reply.begin() + 10, reply.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(camera.WaitUntil([&] { return camera.ModelQueriesAnswered() == 1; }, 5s));
}

TEST(ModelQuery, OtherReplyCodeAndOverlongText) {
    CameraConfig config = ModelConfig();
    config.replyCode = 11;
    config.modelText = std::string(70, 'x');
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    bool closed = false;
    const std::vector<uint8_t> reply = Ask(camera, ModelRequest(), &closed);
    ASSERT_EQ(reply.size(), 60u);
    EXPECT_EQ(test::U16At(reply, 0), 11);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(&reply[4])), 55u);
}

TEST(ModelQuery, RequestInTwoPiecesIsAnswered) {
    Camera camera(ModelConfig());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    Socket socket = ConnectTo("127.0.0.2", camera.ModelPort());
    const std::vector<uint8_t> request = ModelRequest();
    ASSERT_TRUE(socket.SendAll({request.begin(), request.begin() + 7}));
    ASSERT_TRUE(camera.WaitUntil([&] { return camera.ModelConnections() == 1; }, 5s));
    ASSERT_TRUE(socket.SendAll({request.begin() + 7, request.end()}));
    EXPECT_EQ(socket.Receive(60, 5s).size(), 60u);
}

TEST(ModelQuery, MalformedOrShortRequestsGetNoAnswer) {
    Camera camera(ModelConfig());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    std::vector<uint8_t> wrongCode = ModelRequest();
    wrongCode[0] = 11;
    bool closed = false;
    EXPECT_TRUE(Ask(camera, wrongCode, &closed).empty());
    EXPECT_TRUE(closed);

    Socket shortRequest = ConnectTo("127.0.0.2", camera.ModelPort());
    ASSERT_TRUE(shortRequest.SendAll(std::vector<uint8_t>(30, 0)));
    ::shutdown(shortRequest.fd(), SHUT_WR);
    EXPECT_TRUE(shortRequest.ReceiveUntilClosed(5s, &closed).empty());
    EXPECT_TRUE(closed);

    EXPECT_TRUE(camera.WaitUntil([&] { return camera.ModelRequestsRefused() == 2; }, 5s));
    EXPECT_EQ(Ask(camera, ModelRequest(), &closed).size(), 60u) << "still serving";
    EXPECT_EQ(camera.ModelQueriesAnswered(), 1u);
}

TEST(ModelQuery, SilentServerHoldsTheConnectionWithoutAnAnswer) {
    CameraConfig config = ModelConfig();
    config.modelBehaviour = ModelBehaviour::AcceptThenSilent;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    Socket socket = ConnectTo("127.0.0.2", camera.ModelPort());
    ASSERT_TRUE(socket.SendAll(ModelRequest()));
    ASSERT_TRUE(camera.WaitUntil([&] { return camera.ModelConnections() == 1; }, 5s));
    // Absence can only be observed over a span of time; the camera would have answered at once.
    EXPECT_TRUE(socket.StaysSilent(300ms));
    camera.Stop();
    bool closed = false;
    EXPECT_TRUE(socket.ReceiveUntilClosed(5s, &closed).empty());
    EXPECT_TRUE(closed) << "Stop closes held connections";
}

TEST(ModelQuery, NotListeningRefusesTheConnection) {
    // A port that was free a moment ago on the camera's address, given to the camera as its model
    // port: with the server off, nothing may take it.
    std::string error;
    int probe = OpenListener("127.0.0.2", 0, &error);
    ASSERT_GE(probe, 0) << error;
    const uint16_t port = LocalPort(probe);
    CloseSocket(&probe);
    CameraConfig config = ModelConfig();
    config.modelBehaviour = ModelBehaviour::NotListening;
    config.modelPort = port;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    EXPECT_EQ(camera.ModelPort(), 0);
    Socket socket = ConnectTo("127.0.0.2", port);
    EXPECT_FALSE(socket.valid());
    EXPECT_EQ(errno, ECONNREFUSED);
}

}  // namespace
}  // namespace vyr::camsim
