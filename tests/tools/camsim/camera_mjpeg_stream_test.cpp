// The Motion-JPEG stream, raw byte streams and file input as a client receives them: block
// headers that add up, JPEGs that decode to the pattern, exactly the raw bytes then the end of the
// connection, and a file's pictures sent in a loop with four-byte start codes.
#include "camera_fixture.h"
#include "raw_socket.h"
#include "support/file_bytes.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace vyr::camsim {
namespace {

using test::U16At;
using test::U32At;

// Reads 4096-byte blocks and reassembles JPEGs, checking each header against the one before.
std::vector<std::vector<uint8_t>> ReceiveJpegs(const test::Socket& socket, size_t count) {
    std::vector<std::vector<uint8_t>> jpegs;
    std::vector<uint8_t> current;
    size_t expectedBlock = 1;
    uint32_t total = 0;
    while (jpegs.size() < count) {
        const std::vector<uint8_t> block = socket.Receive(4096, 10s);
        if (block.size() != 4096) {
            ADD_FAILURE() << "stream ended inside a block";
            break;
        }
        const size_t payload = U16At(block, 8);
        EXPECT_EQ(U32At(block, 0), 0u);
        EXPECT_EQ(U16At(block, 10), expectedBlock);
        EXPECT_LE(payload, 4084u);
        if (expectedBlock == 1) {
            total = U32At(block, 4);
            EXPECT_EQ(block[12], 0xFF);
            EXPECT_EQ(block[13], 0xD8);
        } else {
            EXPECT_EQ(U32At(block, 4), total) << "every block names the same total";
        }
        current.insert(current.end(), block.begin() + 12,
                       block.begin() + 12 + static_cast<long>(std::min<size_t>(payload, 4084)));
        if (current.size() >= total) {
            EXPECT_EQ(current.size(), total);
            EXPECT_TRUE(std::all_of(block.begin() + 12 + static_cast<long>(payload), block.end(),
                                    [](uint8_t b) { return b == 0; }))
                << "the last block is padded with zeros";
            jpegs.push_back(std::move(current));
            current.clear();
            expectedBlock = 1;
        } else {
            EXPECT_EQ(payload, 4084u) << "only a frame's last block is short";
            ++expectedBlock;
        }
    }
    return jpegs;
}

TEST(MjpegStream, BlocksReassembleToJpegsOfThePattern) {
    CameraConfig config = TestConfig(StreamKind::Mjpeg);
    config.width = 1280;
    config.height = 720;
    config.loopFrames = 3;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    test::Socket socket =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 2, 3, 4, 5));
    const auto jpegs = ReceiveJpegs(socket, 5);
    ASSERT_EQ(jpegs.size(), 5u);
    for (size_t i = 0; i < jpegs.size(); ++i) {
        EXPECT_GT(jpegs[i].size(), 4084u) << "a 720p JPEG needs several blocks";
        const auto decoded = test::DecodeJpeg(jpegs[i]);
        ASSERT_EQ(decoded.pictures.size(), 1u);
        EXPECT_EQ(decoded.pictures[0].width, 1280);
        EXPECT_EQ(decoded.pictures[0].height, 720);
        ExpectPatternColours(decoded.pictures[0], "JPEG " + std::to_string(i));
    }
    EXPECT_EQ(jpegs[3], jpegs[0]) << "the loop of three starts again";
}

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>(i % 251);
    }
    return bytes;
}

TEST(RawStream, ExactBytesThenTheConnectionEnds) {
    CameraConfig config = TestConfig(StreamKind::RawBytes);
    config.rawBytes = Counting(4100);
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    test::Socket socket =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 2, 3, 4, 5));
    bool closed = false;
    EXPECT_EQ(socket.ReceiveUntilClosed(10s, &closed), config.rawBytes);
    EXPECT_TRUE(closed);
}

TEST(FileStream, AnnexBFileIsSentInALoopWithLongStartCodes) {
    test::TempDir dir;
    const std::string path = dir.File("clip.h264");
    const auto made = test::RunCommand(
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=176x144:rate=25 -frames:v 5 "
        "-c:v libx264 -bf 0 -g 5 -x264-params slices=2 -f h264 " +
        test::ShellQuote(path) + " 2>&1");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    CameraConfig config = TestConfig();
    config.inputFile = path;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    EXPECT_EQ(camera.Frames().frames.size(), 5u) << "one entry per picture";
    test::Socket socket =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 2, 3, 4, 5));
    const size_t fileBytes = test::ReadFileBytes(path).size();
    const std::vector<uint8_t> stream = socket.Receive((fileBytes * 3 / 4096 + 1) * 4096, 10s);
    for (size_t i = 1; i + 3 <= stream.size(); ++i) {
        ASSERT_FALSE(stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1 &&
                     stream[i - 1] != 0)
            << "three-byte start code at " << i;
    }
    const auto decoded = test::DecodeH264(stream);
    EXPECT_EQ(decoded.errors, 0);
    ASSERT_GE(decoded.pictures.size(), 10u) << "the file plays more than once";
    EXPECT_EQ(decoded.pictures[0].width, 176);
}

TEST(FileStream, MissingOrUnknownFilesFailTheStart) {
    test::TempDir dir;
    for (const std::string& path : {dir.File("absent.h264"), dir.File("notes.txt")}) {
        if (path.ends_with(".txt")) {
            test::RunCommand("echo hello > " + test::ShellQuote(path));
        }
        CameraConfig config = TestConfig();
        config.inputFile = path;
        Camera camera(config);
        EXPECT_FALSE(camera.Start()) << path;
        EXPECT_FALSE(camera.LastError().empty());
    }
}

}  // namespace
}  // namespace vyr::camsim
