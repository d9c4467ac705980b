// The control and picture servers of a running link, driven by the simulated camera's button and
// uploader from 127.0.0.2; the servers listen on loopback ports of their own choosing. Commands,
// the packet rules, upload names and sizes, namesakes and resent pictures, broken, oversize and
// unwritable uploads, hostile names and peers, and random traffic after which the servers still
// answer.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "link/camera_link.h"
#include "link/picture_upload.h"
#include "settings/settings_file.h"
#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/notification_recorder.h"
#include "support/temp_dir.h"
#include "tools/camsim/camera_button.h"
#include "tools/camsim/frame_loop.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using vyr::camsim::ButtonTarget;

constexpr char kTel[] = "13800138000";

// A JPEG of the camera's test pattern (width x height).
std::vector<uint8_t> PatternJpegOfSize(int width, int height) {
    vyr::camsim::CameraConfig config;
    config.streamKind = vyr::camsim::StreamKind::Mjpeg;
    config.width = width;
    config.height = height;
    config.loopFrames = 1;
    vyr::camsim::FrameLoop loop;
    std::string error;
    EXPECT_TRUE(vyr::camsim::BuildPatternLoop(config, &loop, &error)) << error;
    return loop.frames.empty() ? std::vector<uint8_t>{} : loop.frames[0];
}

// The 1280 x 1024 pattern: about 100 KB, several upload blocks.
const std::vector<uint8_t>& PatternJpeg() {
    static const std::vector<uint8_t> jpeg = PatternJpegOfSize(1280, 1024);
    return jpeg;
}

// The JPEG with the size in its frame header (SOF0) replaced: what a decoder would allocate for.
std::vector<uint8_t> WithHeaderSize(std::vector<uint8_t> jpeg, uint16_t width, uint16_t height) {
    for (size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no SOF0 marker";
    return jpeg;
}

class CameraServersTest : public testing::Test {
protected:
    void SetUp() override {
        previousFolder_ = fs::current_path();
        fs::current_path(root_.path());
        vyr::Settings settings;
        settings.cameraType = vyr::kCameraTypeMjpeg;  // no model query
        ASSERT_EQ(vyr::WriteSettingsFile(vyr::kSettingsFileName, vyr::SettingsToBytes(settings)),
                  0);
        fs::create_directories(Folder());
        link_.SetDeviceIp("127.0.0.2");
        vyr::LinkPorts ports;
        ports.stream = 9;  // nothing listens: the stream thread ends at once
        ports.control = 0;
        ports.picture = 0;
        link_.SetPorts(ports);
        link_.SetExeDir(root_.path().string());
        link_.SetPatientFolderName(kTel);
        link_.Start(&notes_, nullptr);
        ASSERT_TRUE(WaitFor([&] { return link_.ControlPort() != 0 && link_.PicturePort() != 0; }));
        control_.port = link_.ControlPort();
        picture_.port = link_.PicturePort();
    }
    void TearDown() override {
        link_.Stop();
        fs::current_path(previousFolder_);
    }

    static bool WaitFor(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    // Waits until the server has read and acted on `count` connections in all.
    void WaitForControl(uint64_t count) {
        ASSERT_TRUE(
            WaitFor([&] { return link_.shared().counters.controlPackets.load() >= count; }));
    }
    void WaitForUploads(uint64_t count) {
        ASSERT_TRUE(
            WaitFor([&] { return link_.shared().counters.pictureUploads.load() >= count; }));
    }

    fs::path Folder() const { return root_.path() / "jpg" / kTel; }
    // Every regular file under the root apart from language.ini, relative to the root.
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(root_.path())) {
            if (entry.is_regular_file() && entry.path().filename() != vyr::kSettingsFileName) {
                files.push_back(fs::relative(entry.path(), root_.path()).string());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    vyr::test::TempDir root_;
    fs::path previousFolder_;
    vyr::CCameraLink link_;
    vyr::test::NotificationRecorder notes_;
    ButtonTarget control_;
    ButtonTarget picture_;
};

TEST_F(CameraServersTest, CommandsReachTheFlagsAndTheNotificationTarget) {
    auto& flags = link_.shared().snapshotFlags;
    ASSERT_TRUE(vyr::camsim::SendControlCode(control_, vyr::camsim::kCapture, 7, 9).ok());
    WaitForControl(1);
    EXPECT_EQ(flags.value(), vyr::SnapshotFlags::kBoth);
    ASSERT_TRUE(vyr::camsim::SendControlCode(control_, vyr::camsim::kRelease).ok());
    WaitForControl(2);
    EXPECT_EQ(flags.value(), 0);
    vyr::camsim::SendControlCode(control_, vyr::camsim::kShowNone);
    vyr::camsim::SendControlCode(control_, vyr::camsim::kDeleteAll);
    vyr::camsim::SendControlCode(control_, 3);  // not a command
    WaitForControl(5);

    const auto entries = notes_.Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries[0].isSnapshot);
    const uint8_t begins[] = {0x01, 0x00, 0x07, 0x09};
    EXPECT_TRUE(std::equal(begins, begins + 4, entries[0].record.begin()));
    EXPECT_TRUE(std::all_of(entries[0].record.begin() + 4, entries[0].record.end(),
                            [](uint8_t b) { return b == 0; }));
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_FALSE(entries[i].isSnapshot);
        EXPECT_EQ(entries[i].Path(), "");
    }
    EXPECT_EQ(entries[1].Code(), 0);
    EXPECT_EQ(entries[2].Code(), 5);
    EXPECT_EQ(entries[3].Code(), 6);
}

TEST_F(CameraServersTest, OnlyExactlyTenBytesInOneReadAct) {
    std::vector<uint8_t> capture = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    auto eleven = capture;
    eleven.push_back(0);
    ASSERT_TRUE(vyr::camsim::SendRawControl(control_, {eleven}).ok());
    WaitForControl(1);
    // Two pieces with a pause: the single read sees only the first.
    ASSERT_TRUE(vyr::camsim::SendRawControl(
                    control_,
                    {{capture.begin(), capture.begin() + 4}, {capture.begin() + 4, capture.end()}},
                    200ms)
                    .ok());
    WaitForControl(2);
    EXPECT_EQ(link_.shared().snapshotFlags.value(), 0);
    EXPECT_EQ(notes_.Count(), 0u);
    ASSERT_TRUE(vyr::camsim::SendRawControl(control_, {capture}).ok());
    WaitForControl(3);
    EXPECT_EQ(link_.shared().snapshotFlags.value(), vyr::SnapshotFlags::kBoth);
}

TEST_F(CameraServersTest, UploadIsStoredUnderTheCameraNameAndAnnounced) {
    const auto& jpeg = PatternJpeg();
    ASSERT_GT(jpeg.size(), 3u * 8192);
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20260415_103007123.jpg", jpeg).ok());
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "DSC0012345678901234567.jpg", jpeg).ok());
    WaitForUploads(2);
    const std::string first = (Folder() / "IMG_20260415_103007.bmp").string();
    const std::string second = (Folder() / "12345678901234.bmp").string();
    for (const std::string& path : {first, second}) {
        QImage image(QString::fromStdString(path));
        ASSERT_FALSE(image.isNull()) << path;
        EXPECT_EQ(image.size(), QSize(1280, 1024));
    }
    const auto entries = notes_.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Code(), 1);
    EXPECT_EQ(entries[0].record[2] | entries[0].record[3], 0);
    EXPECT_EQ(entries[0].Path(), first);
    EXPECT_EQ(entries[1].Path(), second);
    EXPECT_EQ(link_.shared().ReceivedPicturePath(), second);

    // Command 4 deletes the picture received last, and only that one.
    vyr::camsim::SendControlCode(control_, vyr::camsim::kDeleteLast);
    WaitForControl(1);
    EXPECT_FALSE(fs::exists(second));
    EXPECT_TRUE(fs::exists(first));
}

TEST_F(CameraServersTest, PictureOfWholeBlocksEndsAtTheFollowingShortBlock) {
    std::vector<uint8_t> padded = PatternJpeg();
    padded.resize((padded.size() / 8192 + 1) * 8192, 0);  // zeros after the end-of-image marker
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20260415_000001.jpg", padded).ok());
    WaitForUploads(1);
    EXPECT_FALSE(
        QImage(QString::fromStdString((Folder() / "IMG_20260415_000001.bmp").string())).isNull());
}

// Two different pictures of one second share their stored name: both are kept and announced, the
// second under a numbered twin; command 4 deletes exactly the second; the first sent again is
// neither stored again nor announced, and becomes what command 4 names. A foreign file under a
// name is kept too.
TEST_F(CameraServersTest, SameSecondUploadsAreBothKeptAndAResentOneIsNot) {
    const auto& first = PatternJpeg();
    const auto second = PatternJpegOfSize(1280, 720);
    ASSERT_GT(second.size(), static_cast<size_t>(vyr::kPictureMinBytes));
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20261207_101010_001.jpg", first).ok());
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20261207_101010_002.jpg", second).ok());
    WaitForUploads(2);
    const std::string firstPath = (Folder() / "IMG_20261207_101010.bmp").string();
    const std::string secondPath = (Folder() / "IMG_20261207_101010_01.bmp").string();
    EXPECT_EQ(QImage(QString::fromStdString(firstPath)).size(), QSize(1280, 1024));
    EXPECT_EQ(QImage(QString::fromStdString(secondPath)).size(), QSize(1280, 720));
    auto entries = notes_.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Path(), firstPath);
    EXPECT_EQ(entries[1].Code(), 1);
    EXPECT_EQ(entries[1].Path(), secondPath);

    vyr::camsim::SendControlCode(control_, vyr::camsim::kDeleteLast);
    WaitForControl(1);
    const std::string folder = "jpg/" + std::string(kTel) + "/";
    EXPECT_EQ(Files(), std::vector<std::string>{folder + "IMG_20261207_101010.bmp"});

    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20261207_101010_001.jpg", first).ok());
    WaitForUploads(3);
    EXPECT_EQ(Files(), std::vector<std::string>{folder + "IMG_20261207_101010.bmp"});
    EXPECT_EQ(notes_.Count(), 2u);
    EXPECT_EQ(link_.shared().ReceivedPicturePath(), firstPath);

    { std::ofstream(Folder() / "IMG_20261207_101011.bmp") << "kept"; }
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20261207_101011_001.jpg", second).ok());
    WaitForUploads(4);
    EXPECT_EQ(vyr::test::ReadFileBytes((Folder() / "IMG_20261207_101011.bmp").string()).size(), 4u);
    ASSERT_EQ(notes_.Count(), 3u);
    EXPECT_EQ(notes_.Entries()[2].Path(), (Folder() / "IMG_20261207_101011_01.bmp").string());
}

// Sizes come from the picture's header and are judged before anything is decoded: over 4096 on a
// side is refused (the 8000 x 8000 JPEG would need a quarter of a gigabyte), 4096 itself is not.
TEST_F(CameraServersTest, PicturesOverTheSizeLimitAreRefusedAndTheNextIsServed) {
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20261207_101012_001.jpg",
                                         WithHeaderSize(PatternJpeg(), 8000, 8000))
                    .ok());
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20261207_101013_001.jpg",
                                         WithHeaderSize(PatternJpeg(), 4097, 1024))
                    .ok());
    WaitForUploads(2);
    EXPECT_EQ(Files(), std::vector<std::string>{});
    EXPECT_EQ(notes_.Count(), 0u);
    EXPECT_EQ(link_.shared().ReceivedPicturePath(), "");

    const auto wide = PatternJpegOfSize(4096, 96);
    ASSERT_LT(wide.size(), static_cast<size_t>(vyr::kPictureBufferBytes));
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20261207_101014_001.jpg", wide).ok());
    WaitForUploads(3);
    const std::string path = (Folder() / "IMG_20261207_101014.bmp").string();
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), QSize(4096, 96));
    ASSERT_EQ(notes_.Count(), 1u);
    EXPECT_EQ(notes_.Entries()[0].Path(), path);
}

// A picture whose file cannot be written whole (a full disk, here a file-size limit) leaves no
// file, not even a partial or hidden one, is not announced, and command 4 then names nothing; once
// there is room again the same upload lands.
TEST_F(CameraServersTest, UploadThatCannotBeWrittenLeavesNothingAndTheNextLands) {
    testing::internal::CaptureStdout();
    {
        vyr::test::FileSizeLimit full(100000);  // the BMP needs 3.9 MB
        ASSERT_TRUE(
            vyr::camsim::SendPicture(picture_, "IMG_20261207_101015.jpg", PatternJpeg()).ok());
        WaitForUploads(1);
    }
    const std::string path = (Folder() / "IMG_20261207_101015.bmp").string();
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find(path + " not saved: File too large!\n"), std::string::npos) << console;
    EXPECT_EQ(Files(), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_empty(Folder()));
    EXPECT_EQ(notes_.Count(), 0u);
    EXPECT_EQ(link_.shared().ReceivedPicturePath(), "");

    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20261207_101015.jpg", PatternJpeg()).ok());
    WaitForUploads(2);
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), QSize(1280, 1024));
    ASSERT_EQ(notes_.Count(), 1u);
    EXPECT_EQ(link_.shared().ReceivedPicturePath(), path);
}

TEST_F(CameraServersTest, BrokenUploadKeepsWhatArrivedWhenOverTheMinimum) {
    vyr::camsim::PictureOptions options;
    options.breakAfterBytes = 3 * vyr::kPictureBlockBytes + 100;  // three whole blocks arrive
    vyr::camsim::SendPicture(picture_, "IMG_20260415_000002.jpg", PatternJpeg(), options);
    options.breakAfterBytes = vyr::kPictureBlockBytes;  // 8192 bytes: not over 10240
    vyr::camsim::SendPicture(picture_, "IMG_20260415_000003.jpg", PatternJpeg(), options);
    WaitForUploads(2);
    const QImage partial(QString::fromStdString((Folder() / "IMG_20260415_000002.bmp").string()));
    EXPECT_EQ(partial.size(), QSize(1280, 1024));
    EXPECT_FALSE(fs::exists(Folder() / "IMG_20260415_000003.bmp"));
    ASSERT_EQ(notes_.Count(), 1u);
}

TEST_F(CameraServersTest, OversizeUploadsAndBadCountsWriteNothing) {
    std::vector<uint8_t> huge = PatternJpeg();
    huge.resize(vyr::kPictureBufferBytes + 1, 0);
    vyr::camsim::SendPicture(picture_, "IMG_20260415_000004.jpg", huge);
    vyr::camsim::PictureOptions options;
    options.countOverride = vyr::camsim::CountOverride{1, 8193};
    vyr::camsim::SendPicture(picture_, "IMG_20260415_000005.jpg", PatternJpeg(), options);
    WaitForUploads(2);
    EXPECT_EQ(Files(), std::vector<std::string>{});
    EXPECT_EQ(notes_.Count(), 0u);
}

TEST_F(CameraServersTest, NamesThatWouldLeaveTheFolderAreRefused) {
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20260415_000006.jpg", PatternJpeg()).ok());
    WaitForUploads(1);
    uint64_t uploads = 1;
    for (const char* name : {"../../../../tmp/x_y.jpg", "a/../../b_c.jpg", "_AAA../../../../x",
                             "..._leak.jpg", "abc"}) {
        vyr::camsim::SendPicture(picture_, name, PatternJpeg());
        WaitForUploads(++uploads);
        EXPECT_EQ(link_.shared().ReceivedPicturePath(), "") << name;
    }
    EXPECT_EQ(Files(),
              std::vector<std::string>{"jpg/" + std::string(kTel) + "/IMG_20260415_000006.bmp"});
    EXPECT_EQ(notes_.Count(), 1u);
    // After a refused name, command 4 deletes nothing.
    vyr::camsim::SendControlCode(control_, vyr::camsim::kDeleteLast);
    WaitForControl(1);
    EXPECT_TRUE(fs::exists(Folder() / "IMG_20260415_000006.bmp"));
}

TEST_F(CameraServersTest, PeersOtherThanTheCameraAreTurnedAway) {
    ButtonTarget stranger = control_;
    stranger.cameraAddress = "127.0.0.3";
    vyr::camsim::SendControlCode(stranger, vyr::camsim::kCapture);
    ButtonTarget strangerPicture = picture_;
    strangerPicture.cameraAddress = "127.0.0.3";
    vyr::camsim::SendPicture(strangerPicture, "IMG_20260415_000007.jpg", PatternJpeg());
    ASSERT_TRUE(WaitFor([&] { return link_.shared().counters.connectionsRefused.load() == 2; }));
    EXPECT_EQ(link_.shared().snapshotFlags.value(), 0);
    EXPECT_EQ(Files(), std::vector<std::string>{});
    // The camera itself is still served.
    ASSERT_TRUE(vyr::camsim::SendControlCode(control_, vyr::camsim::kShowNone).ok());
    WaitForControl(1);
    ASSERT_EQ(notes_.Count(), 1u);
    EXPECT_EQ(notes_.Entries()[0].Code(), 5);
}

TEST_F(CameraServersTest, RandomTrafficLeavesNoFileOutsideTheFolderAndServersAnswer) {
    std::mt19937 random(20260415);
    const auto bytes = [&](size_t n) {
        std::vector<uint8_t> out(n);
        for (auto& b : out) {
            b = static_cast<uint8_t>(random());
        }
        return out;
    };
    for (int i = 0; i < 40; ++i) {
        vyr::camsim::SendRawControl(control_, {bytes(random() % 2 == 0 ? 10 : random() % 64)});
    }
    const auto& jpeg = PatternJpeg();
    for (int i = 0; i < 12; ++i) {
        // Blocks with random headers, names and counts, some with real picture bytes behind them.
        std::vector<uint8_t> traffic;
        const size_t blocks = 1 + random() % 4;
        for (size_t b = 0; b < blocks; ++b) {
            auto block = bytes(vyr::kPictureBlockBytes);
            if (i % 3 == 0) {
                block[10] = 0x00;
                block[11] = 0x20;  // 8192
                std::copy_n(jpeg.begin() + static_cast<long>(b * 8192), 8192, block.begin() + 38);
            }
            traffic.insert(traffic.end(), block.begin(), block.end());
        }
        traffic.resize(traffic.size() - random() % 100);
        vyr::camsim::SendRawControl(picture_, {traffic});
    }
    WaitForControl(40);
    WaitForUploads(12);
    for (const std::string& file : Files()) {
        EXPECT_EQ(file.rfind("jpg/" + std::string(kTel) + "/", 0), 0u) << file;
    }
    // Both servers still answer a good request.
    vyr::camsim::SendControlCode(control_, vyr::camsim::kRelease);
    WaitForControl(41);
    ASSERT_TRUE(vyr::camsim::SendPicture(picture_, "IMG_20260415_000008.jpg", jpeg).ok());
    WaitForUploads(13);
    EXPECT_TRUE(fs::exists(Folder() / "IMG_20260415_000008.bmp"));
    EXPECT_EQ(link_.shared().snapshotFlags.value(), 0);
}

}  // namespace
