// The control and picture servers of a running link, driven by the simulated camera's button and
// uploader from 127.0.0.2 on loopback ports of the servers' own choosing: commands and the
// packet rule, uploads stored under the camera's name, namesakes and resent pictures, refused
// (oversize, escaping, broken) and unwritable uploads, strangers and silent connections.
#include <gtest/gtest.h>

#include <QImage>
#include <tuple>

#include "link/camera_link.h"
#include "link/picture_upload.h"
#include "settings/settings_file.h"
#include "support/exe_folder.h"
#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/notification_recorder.h"
#include "support/raw_socket.h"
#include "support/wait_for.h"
#include "tools/camsim/camera_button.h"
#include "tools/camsim/frame_loop.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
namespace camsim = vyr::camsim;
using vyr::test::WaitFor;

constexpr char kTel[] = "13800138000";

// The camera's 1280 x 1024 test pattern as a JPEG: about 100 KB, several upload blocks.
const std::vector<uint8_t>& PatternJpeg() {
    static const std::vector<uint8_t> jpeg = [] {
        camsim::CameraConfig config;
        config.streamKind = camsim::StreamKind::Mjpeg;
        config.width = 1280;
        config.height = 1024;
        config.loopFrames = 1;
        camsim::FrameLoop loop;
        std::string error;
        EXPECT_TRUE(camsim::BuildPatternLoop(config, &loop, &error)) << error;
        return loop.frames.empty() ? std::vector<uint8_t>{} : loop.frames[0];
    }();
    return jpeg;
}

// A seed of the received-picture fuzz target: jpeg_4096x48.jpg (24 KB) or a header that claims a
// size over the limit.
std::vector<uint8_t> Seed(const char* name) {
    return vyr::test::ReadFileBytes(std::string(VYR_FUZZ_CORPUS) + "/received_picture/" + name);
}

QSize ImageSize(const std::string& path) {
    return QImage(QString::fromStdString(path)).size();
}

class CameraServersTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(Folder());
        link_.SetDeviceIp("127.0.0.2");
        vyr::LinkPorts ports;
        ports.stream = 9;  // nothing listens: the stream thread keeps trying, harmlessly
        ports.control = ports.picture = 0;
        link_.SetPorts(ports);
        link_.shared().cameraTypeOverride.store(vyr::kCameraTypeMjpeg);  // no model query
        link_.SetExeDir(root_.path().string());
        link_.SetPatientFolderName(kTel);
        link_.shared().serverReceiveTimeoutMs = 1000;  // 10 s in the product
        link_.Start(&notes_, nullptr);
        ASSERT_TRUE(WaitFor([&] { return link_.ControlPort() != 0 && link_.PicturePort() != 0; }));
        control_.port = link_.ControlPort();
        picture_.port = link_.PicturePort();
    }
    void TearDown() override { link_.Stop(); }

    // Waits until the server has read and acted on `count` connections in all.
    void WaitForControl(uint64_t count) {
        ASSERT_TRUE(
            WaitFor([&] { return link_.shared().counters.controlPackets.load() >= count; }));
    }
    void WaitForUploads(uint64_t count) {
        ASSERT_TRUE(
            WaitFor([&] { return link_.shared().counters.pictureUploads.load() >= count; }));
    }
    void Send(const char* cameraName, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(camsim::SendPicture(picture_, cameraName, bytes).ok()) << cameraName;
    }

    fs::path Folder() const { return root_.path() / "jpg" / kTel; }
    std::string Stored(const std::string& name) const { return (Folder() / name).string(); }
    // Every regular file under the root apart from language.ini, relative to the patient's folder.
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(root_.path())) {
            if (entry.is_regular_file() && entry.path().filename() != vyr::kSettingsFileName) {
                files.push_back(fs::relative(entry.path(), Folder()).string());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }
    using Names = std::vector<std::string>;

    vyr::test::ExeFolder root_;
    vyr::CCameraLink link_;
    vyr::test::NotificationRecorder notes_;
    camsim::ButtonTarget control_;
    camsim::ButtonTarget picture_;
};

// Only exactly ten bytes in one read act: eleven, and ten in two pieces with a pause, do nothing.
TEST_F(CameraServersTest, CommandsReachTheFlagsAndTheNotificationTarget) {
    const std::vector<uint8_t> packet = {0, 0, 0, 0, 0, 0, 7, 9, 1, 0};
    ASSERT_TRUE(camsim::SendRawControl(control_, {{0, 0, 0, 0, 0, 0, 7, 9, 1, 0, 0}}).ok());
    ASSERT_TRUE(camsim::SendRawControl(
                    control_,
                    {{packet.begin(), packet.begin() + 4}, {packet.begin() + 4, packet.end()}},
                    200ms)
                    .ok());
    WaitForControl(2);
    auto& flags = link_.shared().snapshotFlags;
    EXPECT_EQ(flags.value(), 0);
    EXPECT_EQ(notes_.Count(), 0u);
    ASSERT_TRUE(camsim::SendRawControl(control_, {packet}).ok());
    WaitForControl(3);
    EXPECT_EQ(flags.value(), vyr::SnapshotFlags::kBoth);
    ASSERT_TRUE(camsim::SendControlCode(control_, camsim::kRelease).ok());
    WaitForControl(4);
    EXPECT_EQ(flags.value(), 0);
    for (const uint16_t code :
         std::initializer_list<uint16_t>{camsim::kShowNone, camsim::kDeleteAll, 3}) {
        camsim::SendControlCode(control_, code);  // 3 is not a command
    }
    WaitForControl(7);

    const auto entries = notes_.Entries();
    ASSERT_EQ(entries.size(), 4u);
    vyr::NotificationRecord capture{1, 0, 7, 9};  // the rest zero
    EXPECT_TRUE(entries[0].isSnapshot);
    EXPECT_EQ(entries[0].record, capture);
    const int codes[] = {0, 5, 6};
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_FALSE(entries[i].isSnapshot);
        EXPECT_EQ(entries[i].Path(), "");
        EXPECT_EQ(entries[i].Code(), codes[i - 1]);
    }
}

TEST_F(CameraServersTest, UploadsAreStoredUnderTheCameraNameAndCommandFourDeletesTheLast) {
    const auto& jpeg = PatternJpeg();
    ASSERT_GT(jpeg.size(), 3u * 8192);
    std::vector<uint8_t> padded = jpeg;
    padded.resize((padded.size() / 8192 + 1) * 8192, 0);  // zeros after the end-of-image marker
    camsim::PictureOptions broken;
    broken.breakAfterBytes = 3 * vyr::kPictureBlockBytes + 100;  // three whole blocks arrive
    // Camera name, bytes, how they are sent, stored name and picture size.
    const std::tuple<const char*, std::vector<uint8_t>, camsim::PictureOptions, const char*, QSize>
        uploads[] = {
            {"IMG_20260415_103007123.jpg", jpeg, {}, "IMG_20260415_103007.bmp", {1280, 1024}},
            // Whole blocks only: the picture ends at the following short block.
            {"DSC0012345678901234567.jpg", padded, {}, "12345678901234.bmp", {1280, 1024}},
            // A camera that breaks off over the 10240-byte minimum: what arrived is kept.
            {"IMG_20260415_000002.jpg", jpeg, broken, "IMG_20260415_000002.bmp", {1280, 1024}},
        };
    size_t count = 0;
    for (const auto& [cameraName, bytes, options, stored, size] : uploads) {
        SCOPED_TRACE(cameraName);
        camsim::SendPicture(picture_, cameraName, bytes, options);
        WaitForUploads(++count);
        EXPECT_EQ(ImageSize(Stored(stored)), size);
        ASSERT_EQ(notes_.Count(), count);
        const auto entry = notes_.Entries().back();
        EXPECT_EQ(entry.Code(), 1);
        EXPECT_EQ(entry.record[2] | entry.record[3], 0);
        EXPECT_EQ(entry.Path(), Stored(stored));
        EXPECT_EQ(link_.shared().ReceivedPicturePath(), Stored(stored));
    }
    camsim::SendControlCode(control_, camsim::kDeleteLast);
    WaitForControl(1);
    EXPECT_EQ(Files(), (Names{"12345678901234.bmp", "IMG_20260415_103007.bmp"}));
}

// Two different pictures of one second share their stored name: both are kept and announced, the
// second under a numbered twin; command 4 deletes exactly the second; the first sent again is
// neither stored again nor announced, and becomes what command 4 names.
TEST_F(CameraServersTest, SameSecondUploadsAreBothKeptAndAResentOneIsNot) {
    const auto& first = PatternJpeg();
    const auto second = Seed("jpeg_4096x48.jpg");
    Send("IMG_20261207_101010_001.jpg", first);
    Send("IMG_20261207_101010_002.jpg", second);
    WaitForUploads(2);
    const std::string firstPath = Stored("IMG_20261207_101010.bmp");
    const std::string secondPath = Stored("IMG_20261207_101010_01.bmp");
    EXPECT_EQ(ImageSize(firstPath), QSize(1280, 1024));
    EXPECT_EQ(ImageSize(secondPath), QSize(4096, 48));
    auto entries = notes_.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Path(), firstPath);
    EXPECT_EQ(entries[1].Code(), 1);
    EXPECT_EQ(entries[1].Path(), secondPath);

    camsim::SendControlCode(control_, camsim::kDeleteLast);
    WaitForControl(1);
    EXPECT_EQ(Files(), (Names{"IMG_20261207_101010.bmp"}));

    Send("IMG_20261207_101010_001.jpg", first);
    WaitForUploads(3);
    EXPECT_EQ(Files(), (Names{"IMG_20261207_101010.bmp"}));
    EXPECT_EQ(notes_.Count(), 2u);
    EXPECT_EQ(link_.shared().ReceivedPicturePath(), firstPath);
}

// Refused uploads write nothing, announce nothing and leave command 4 nothing to delete: a size
// over 4096 a side read from the header before decoding (8000 x 8000 would need a quarter of a
// gigabyte), a camera that breaks off under the minimum, names that would leave the patient's
// folder or name nothing, and a picture whose file cannot be written whole (a full disk, here a
// file-size limit), which lands once there is room again.
TEST_F(CameraServersTest, RefusedAndUnwritableUploadsLeaveNothingAndCommandFourDeletesNothing) {
    const auto& jpeg = PatternJpeg();
    Send("IMG_20260415_000006.jpg", jpeg);
    WaitForUploads(1);
    auto tooLarge = Seed("jpeg_8000x8000_header.jpg");
    tooLarge.resize(3 * vyr::kPictureBlockBytes, 0);  // over the minimum: zeros after the picture
    camsim::PictureOptions shortBreak;
    shortBreak.breakAfterBytes = vyr::kPictureBlockBytes;  // 8192 bytes: not over 10240
    // The block count and buffer bounds are the parser's (link_test); "..._leak" stays in the
    // folder and is refused all the same, whatever lies outside it.
    const std::tuple<const char*, std::vector<uint8_t>, camsim::PictureOptions> refused[] = {
        {"IMG_20261207_101012_001.jpg", tooLarge, {}},
        {"IMG_20260415_000003.jpg", jpeg, shortBreak},
        {"../../../../tmp/x_y.jpg", jpeg, {}},
        {"..._leak.jpg", jpeg, {}},
        {"abc", jpeg, {}},
    };
    uint64_t uploads = 1;
    for (const auto& [cameraName, bytes, options] : refused) {
        camsim::SendPicture(picture_, cameraName, bytes, options);
        WaitForUploads(++uploads);
        EXPECT_EQ(link_.shared().ReceivedPicturePath(), "") << cameraName;
    }
    testing::internal::CaptureStdout();
    {
        vyr::test::FileSizeLimit full(100000);  // the BMP needs 3.9 MB
        Send("IMG_20261207_101015.jpg", jpeg);
        WaitForUploads(++uploads);
    }
    const std::string path = Stored("IMG_20261207_101015.bmp");
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find(path + " not saved: File too large!\n"), std::string::npos) << console;
    EXPECT_EQ(link_.shared().ReceivedPicturePath(), "");
    EXPECT_EQ(Files(), (Names{"IMG_20260415_000006.bmp"}));  // not even a hidden temporary
    EXPECT_EQ(notes_.Count(), 1u);
    camsim::SendControlCode(control_, camsim::kDeleteLast);
    WaitForControl(1);
    EXPECT_TRUE(fs::exists(Folder() / "IMG_20260415_000006.bmp"));

    Send("IMG_20261207_101015.jpg", jpeg);
    WaitForUploads(++uploads);
    EXPECT_EQ(ImageSize(path), QSize(1280, 1024));
    EXPECT_EQ(notes_.Count(), 2u);
    EXPECT_EQ(link_.shared().ReceivedPicturePath(), path);
}

// Connections from strangers are turned away; a camera connection that sends nothing, or stops
// mid-upload, is closed after the receive time-out; the camera is served all the while.
TEST_F(CameraServersTest, StrangersAndSilentConnectionsDoNotKeepTheCameraOut) {
    camsim::ButtonTarget strangerControl = control_;
    camsim::ButtonTarget strangerPicture = picture_;
    strangerControl.cameraAddress = strangerPicture.cameraAddress = "127.0.0.3";
    camsim::SendControlCode(strangerControl, camsim::kCapture);
    camsim::SendPicture(strangerPicture, "IMG_20260415_000007.jpg", PatternJpeg());
    ASSERT_TRUE(WaitFor([&] { return link_.shared().counters.connectionsRefused.load() == 2; }));
    EXPECT_EQ(link_.shared().snapshotFlags.value(), 0);
    EXPECT_TRUE(Files().empty());

    const auto silentControl = vyr::test::ConnectTo("127.0.0.2", 0, "127.0.0.1", control_.port);
    const auto stalledUpload = vyr::test::ConnectTo("127.0.0.2", 0, "127.0.0.1", picture_.port);
    ASSERT_TRUE(silentControl.valid() && stalledUpload.valid());
    const uint8_t part[100] = {};  // of a first block
    ASSERT_EQ(::send(stalledUpload.fd(), part, sizeof part, 0), 100);
    EXPECT_TRUE(camsim::SendControlCode(control_, camsim::kShowNone).ok());
    Send("IMG_20260101_120000.jpg", PatternJpeg());
    ASSERT_TRUE(notes_.WaitForCount(2));
    std::vector<int> codes;
    for (const auto& entry : notes_.Entries()) {
        codes.push_back(entry.Code());
    }
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<int>{1, 5}));
    EXPECT_TRUE(silentControl.ClosedByPeerWithin(5s));
    EXPECT_TRUE(stalledUpload.ClosedByPeerWithin(5s));
}

}  // namespace
