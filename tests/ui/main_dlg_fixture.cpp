// The main-window fixture. Where no camera runs, the link is given a port held on 127.0.0.1, where
// nothing on 127.0.0.2 listens: its connections are refused at once, and no test ever dials the
// camera's real address.
#include "main_dlg_fixture.h"

#include <QLabel>
#include <QPixmap>

#include "settings/settings_file.h"

namespace vyr::test {

MainDlgTest::MainDlgTest() : previousFolder_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir_.path());
    app_ = std::make_unique<CVyrApp>(AppConfig{.cameraAddress = "127.0.0.2",
                                               .settingsFile = dir_.File("language.ini"),
                                               .patientFile = dir_.File("usrinfo.bin"),
                                               .exeDir = dir_.path().string()},
                                     AppServices{&prompts_, &shell_});
    SetPatient("zevra", "30", "10000", kGenderFemale);
    WriteLanguage(0);
    // The servers pick free ports, so test programs can run side by side.
    ports_ = {.modelQuery = nobody_.port(), .stream = nobody_.port(), .control = 0, .picture = 0};
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
    camera_ = StartLoopbackCamera(config);
    ASSERT_NE(camera_, nullptr);
    ports_ = LoopbackPorts(*camera_);
}

void MainDlgTest::StartCamera() {
    StartCamera(SmallCamera());
}

MainDlg& MainDlgTest::Open() {
    Close();
    window_ = std::make_unique<MainDlg>(*app_, ports_);
    window_->show();
    return *window_;
}

MainDlg& MainDlgTest::OpenConnected() {
    MainDlg& window = Open();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return window.link().IsConnected() == 1 && window.link().ControlPort() != 0 &&
                   window.link().PicturePort() != 0;
        },
        10000));
    return window;
}

PhotoList& MainDlgTest::OpenPhotoList() {
    MainDlg& window = Open();
    ClickControl(window, kIdPhotoManagement);
    PhotoList* list = window.photoList();
    EXPECT_TRUE(QTest::qWaitFor([list] { return !list->isScanning(); }));
    return *list;
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

void ClickRow(PhotoList& list, int row, Qt::KeyboardModifiers modifiers) {
    list.scrollToItem(list.item(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                      list.visualItemRect(list.item(row)).center());
    QTest::qWait(0);  // the click acts once the list has seen the release
}

QStringList ItemTexts(const PhotoList& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) {
        texts << list.item(row)->text();
    }
    return texts;
}

QImage IconOf(const PhotoList& list, int row) {
    return list.item(row)->icon().pixmap(QSize(kThumbnailWidth, kThumbnailHeight)).toImage();
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder,
                                           const std::string& extension) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == extension) {
            files.push_back(entry.path());
        }
    }
    return files;
}

std::set<int> VisibleAreas(const MainDlg& window) {
    std::set<int> visible;
    for (int id : {kIdLiveArea, kIdPreview, kIdStillArea, kIdPhotoList, kIdCompare1, kIdCompare2,
                   kIdCompare3, kIdCompare4}) {
        const QWidget* area = id == kIdPhotoList ? window.photoList() : window.Control(id);
        if (area->isVisible()) {
            visible.insert(id);
        }
    }
    return visible;
}

QColor PictureCentre(const QWidget* label) {
    const auto* typed = qobject_cast<const QLabel*>(label);
    if (typed == nullptr || typed->pixmap().isNull()) {
        return {};
    }
    const QImage image = typed->pixmap().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

}  // namespace vyr::test
