// The main-window fixture. Ports where nothing listens are found by binding an ephemeral port on
// 127.0.0.2 and closing it again: the link's connections are then refused at once, and no test
// ever dials the camera's real address.
#include "main_dlg_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QLabel>
#include <QPixmap>

#include "linkstate/link_shared.h"
#include "settings/settings_file.h"
#include "ui/current_item.h"

namespace vyr::test {
namespace {

uint16_t UnusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    ::inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

}  // namespace

MainDlgTest::MainDlgTest() {
    previousFolder_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    app_ = std::make_unique<CVyrApp>(AppConfig{.cameraAddress = "127.0.0.2",
                                               .settingsFile = dir_.File("language.ini"),
                                               .patientFile = dir_.File("usrinfo.bin"),
                                               .exeDir = dir_.path().string()},
                                     AppServices{&prompts_, &shell_});
    SetPatient("zevra", "30", "10000", kGenderFemale);
    WriteLanguage(0);
    ports_.modelQuery = UnusedLoopbackPort();
    ports_.stream = UnusedLoopbackPort();
    // The servers pick free ports, so test programs can run side by side.
    ports_.control = 0;
    ports_.picture = 0;
    Globals().recordingRequested.store(0);
    SetCurrentItemIndex(-1);
}

MainDlgTest::~MainDlgTest() {
    Close();
    camera_.reset();
    app_.reset();
    std::filesystem::current_path(previousFolder_);
}

void MainDlgTest::WriteLanguage(int32_t languageIndex, int32_t cameraType) {
    Settings settings;
    settings.languageIndex = languageIndex;
    settings.cameraType = cameraType;
    ASSERT_EQ(WriteSettingsFile(dir_.File("language.ini"), SettingsToBytes(settings)), 0);
}

void MainDlgTest::SetPatient(const char* name, const char* age, const char* tel, uint16_t gender) {
    app_->SetCurrentPatient(MakePatientRecord(name, age, tel, gender));
}

void MainDlgTest::StartCamera(camsim::CameraConfig config) {
    config.address = "127.0.0.2";
    config.modelPort = 0;
    config.streamPort = 0;
    config.loopFrames = std::min(config.loopFrames, 25);
    camera_ = std::make_unique<camsim::Camera>(config);
    ASSERT_TRUE(camera_->Start()) << camera_->LastError();
    ports_.modelQuery = camera_->ModelPort();
    ports_.stream = camera_->StreamPort();
}

MainDlg& MainDlgTest::Open() {
    Close();
    window_ = std::make_unique<MainDlg>(*app_, ports_);
    window_->show();
    return *window_;
}

void MainDlgTest::Close() {
    window_.reset();
}

std::filesystem::path MainDlgTest::PatientFolder() const {
    PatientRecord patient;
    (void)app_->GetCurrentPatient(&patient);
    return dir_.path() / "jpg" / std::string(patient.Tel());
}

std::filesystem::path MainDlgTest::WritePicture(const std::filesystem::path& file, int width,
                                                int height, const QColor& colour) const {
    std::filesystem::create_directories(file.parent_path());
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    EXPECT_TRUE(image.save(QString::fromStdString(file.string()), "BMP"));
    return file;
}

bool HasPicture(const QWidget* label) {
    const auto* typed = qobject_cast<const QLabel*>(label);
    return typed != nullptr && !typed->pixmap().isNull();
}

QColor PictureCentre(const QWidget* label) {
    if (!HasPicture(label)) {
        return {};
    }
    const QImage image = qobject_cast<const QLabel*>(label)->pixmap().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

}  // namespace vyr::test
