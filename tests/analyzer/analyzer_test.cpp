// The analyzer through its real window on the offscreen platform. Mouse mode: the fitted picture,
// strokes under the pointer read back from the saved BMP with QImage, the pen colour in
// language.ini, saves that keep every file, failures that are not reported as saves and pictures
// that cannot be opened. Touch mode, driven by synthetic touch sequences through the
// window system path: one-finger pan and two-finger zoom with the picture following the fingers,
// and marking with the fingers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPointingDevice>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "analyzer/analyzer_ids.h"
#include "analyzer/vyr_open_cv.h"
#include "app/core/vyr_app.h"
#include "platform/dialogs/testing/recording_shell.h"
#include "platform/dialogs/testing/scripted_prompts.h"
#include "settings/settings_file.h"
#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/notification_recorder.h"
#include "support/temp_dir.h"
#include "support/test_clock.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

// Picture colours that no pen has: the left half and the right half of a halves picture.
const QColor kLeftColour(200, 200, 0);
const QColor kRightColour(0, 200, 200);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);

QImage LoadBmp(const fs::path& file) {
    return QImage(QString::fromStdString(file.string()), "BMP");
}

// An application whose language.ini and patient folder (holding a.bmp, a halves picture) live in
// a fresh folder, a main window that records the settings copies it is sent, and the mouse and
// fingers of a person on the surface (fingers through a fake touch screen).
class AnalyzerTest : public ::testing::Test {
protected:
    AnalyzerTest() {
        if (touchScreen_ == nullptr) {
            touchScreen_ = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
            touchScreen_->setParent(QCoreApplication::instance());  // deleted with it
        }
        fs::create_directories(Folder());
        app_.SetPhotoFolder(Folder().string());
        app_.SetMainWindow(&mainWindow_);
        WriteSettings(Settings{});
        WriteHalves("a.bmp");
    }

    void WriteSettings(const Settings& settings) {
        ASSERT_EQ(WriteSettingsFile(dir_.File("language.ini"), SettingsToBytes(settings)), 0);
    }
    fs::path Folder() const { return dir_.path() / "jpg" / "10000"; }
    // A picture of two halves (left kLeftColour, right kRightColour) saved as BMP in the folder.
    void WriteHalves(const std::string& name, int width = 400, int height = 300) {
        QImage image(width, height, QImage::Format_RGB888);
        image.fill(kRightColour);
        QPainter(&image).fillRect(0, 0, width / 2, height, kLeftColour);
        ASSERT_TRUE(image.save(QString::fromStdString((Folder() / name).string()), "BMP"));
    }

    // Opens the analyzer on that picture, shows it and waits for its first draw.
    CVyrOpenCV& Open(const std::string& picture, InputModeChoice mode) {
        touch_.reset();
        analyzer_.reset();
        app_.SetSelectedPicture(picture);
        analyzer_ = std::make_unique<CVyrOpenCV>(app_, mode);
        analyzer_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(analyzer_.get()));
        EXPECT_TRUE(QTest::qWaitFor([this] { return analyzer_->isFirstDrawDone(); }));
        touch_ = std::make_unique<QTest::QTouchEventWidgetSequence>(
            QTest::touchEvent(analyzer_->surface(), touchScreen_, false));
        return *analyzer_;
    }
    PictureView& Surface() const { return *analyzer_->surface(); }
    // The shown picture's colour at a surface pixel.
    QColor Shown(int x, int y) const { return analyzer_->ShownPicture().pixelColor(x, y); }

    // The left mouse button dragged on the surface, in surface pixels.
    void MouseDrag(QPoint from, QPoint to) {
        const QPoint origin = Surface().origin();
        QTest::mousePress(&Surface(), Qt::LeftButton, Qt::NoModifier, from + origin);
        QTest::mouseMove(&Surface(), (from + to) / 2 + origin);
        QTest::mouseMove(&Surface(), to + origin);
        QTest::mouseRelease(&Surface(), Qt::LeftButton, Qt::NoModifier, to + origin);
    }

    // Fingers put down at the first step, moved through the others and lifted at the last, one
    // touch event each, in surface pixels.
    using FingerList = std::vector<std::pair<int, QPoint>>;
    void Fingers(const std::vector<FingerList>& steps) {
        const QPoint origin = Surface().origin();
        for (size_t step = 0; step < steps.size(); ++step) {
            for (const auto& [id, at] : steps[step]) {
                step == 0 ? touch_->press(id, at + origin, &Surface())
                          : touch_->move(id, at + origin, &Surface());
            }
            touch_->commit();
        }
        for (const auto& [id, at] : steps.back()) {
            touch_->release(id, at + origin, &Surface());
        }
        touch_->commit();
    }
    void FingerDrag(QPoint from, QPoint to) {
        Fingers({{{0, from}}, {{0, (from + to) / 2}}, {{0, to}}});
    }

    TempDir dir_;
    testing::ScriptedPrompts prompts_;
    testing::RecordingShell shell_;
    NotificationRecorder mainWindow_;
    CVyrApp app_{AppConfig{.settingsFile = dir_.File("language.ini"),
                           .patientFile = dir_.File("usrinfo.bin"),
                           .exeDir = dir_.path().string()},
                 AppServices{&prompts_, &shell_}};
    std::unique_ptr<CVyrOpenCV> analyzer_;
    static inline QPointingDevice* touchScreen_ = nullptr;

private:
    std::unique_ptr<QTest::QTouchEventWidgetSequence> touch_;
};

TEST_F(AnalyzerTest, CaptionsFollowTheLanguageAndLanguageSixKeepsTheTemplates) {
    // Captions of Save, Transformation, Image mark, Reset, Cancel and the three pens.
    const std::pair<int, const char*> rows[] = {
        {0, "Save|Transformation|Image mark|Reset|取消|R|G|B"},
        {1, "保存|图像变换|图像标注|复位|取消|R|G|B"},
        {2, "Salvar|Transformación|Marcar imagen|Reset|取消|R|G|B"},
        {3, "Salvar|Transforma??o|Marcar imagem|Reiniciar|取消|R|G|B"},
        {5, "保存|圖像變換|圖像標註|復位|取消|R|G|B"},
        {6, "保存|图像旋转|图像标注|复位|取消|R|G|B"},
        {-1, "保存|图像旋转|图像标注|复位|取消|R|G|B"}};
    for (const auto& [language, captions] : rows) {
        WriteSettings(Settings{.languageIndex = language});
        CVyrOpenCV& window = Open("none.bmp", InputModeChoice::kTouch);
        EXPECT_EQ(window.windowTitle(), "Analyzer-1");
        EXPECT_EQ(Captions(window, {kIdSave, kIdTransformation, kIdImageMark, kIdReset, kIdCancel,
                                    kIdPenRed, kIdPenGreen, kIdPenBlue}),
                  QString::fromUtf8(captions))
            << "language " << language;
    }
}

TEST_F(AnalyzerTest, TheFittedPictureFillsTheFrameAndAStrokeLiesUnderThePointer) {
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kMouse);
    const QSize size = window.surface()->contentsRect().size();
    // Stretched over the whole frame: the halves meet in its middle.
    EXPECT_EQ(Shown(0, 0), kLeftColour);
    EXPECT_EQ(Shown(size.width() / 2 - 3, size.height() - 1), kLeftColour);
    EXPECT_EQ(Shown(size.width() / 2 + 3, 0), kRightColour);
    EXPECT_EQ(Shown(size.width() - 1, size.height() - 1), kRightColour);

    MouseDrag({100, 140}, {200, 140});
    fs::path saved;
    ASSERT_EQ(window.Save(&saved), 0);
    const QImage image = LoadBmp(saved);
    ASSERT_EQ(image.size(), size);
    // 3 pixels wide from (100, 140) to (200, 140); the round ends cover only the middle row whole.
    EXPECT_EQ(image.pixelColor(100, 140), kRed);
    EXPECT_EQ(image.pixelColor(200, 140), kRed);
    for (int x = 101; x < 200; x += 7) {
        for (int y = 139; y <= 141; ++y) {
            EXPECT_EQ(image.pixelColor(x, y), kRed) << x << "," << y;
        }
        EXPECT_EQ(image.pixelColor(x, 137), kLeftColour) << x;
        EXPECT_EQ(image.pixelColor(x, 143), kLeftColour) << x;
        EXPECT_EQ(image.pixelColor(x, 100), kLeftColour) << x;  // where the marks used to land
    }
}

TEST_F(AnalyzerTest, GreenIsWrittenToLanguageIniAndTheNextOpeningStartsGreen) {
    WriteSettings(Settings{3, 55, 0, 2});
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kMouse);
    EXPECT_EQ(window.penColour(), kRed);
    ClickControl(window, kIdPenGreen);
    MouseDrag({300, 200}, {400, 200});
    EXPECT_EQ(Shown(350, 200), kGreen);
    const SettingsBytes expected = SettingsToBytes(Settings{3, 55, 1, 2});
    EXPECT_EQ(ReadFileBytes(dir_.File("language.ini")),
              std::vector<uint8_t>(expected.begin(), expected.end()));
    // Enter ends the analyzer (its hidden default button).
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Open("a.bmp", InputModeChoice::kMouse).penColour(), kGreen);
}

// Each save, and a failed one too, refreshes the main window's list (a settings copy is sent).
TEST_F(AnalyzerTest, TwoSavesInOneSecondKeepBothFilesAndAFailedSaveLeavesNoFileAndSaysWhy) {
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kMouse);
    TestClock clock(2025, 2, 3, 9, 5, 7);
    fs::path first;
    fs::path second;
    ASSERT_EQ(window.Save(&first), 0);
    MouseDrag({10, 10}, {50, 10});
    ASSERT_EQ(window.Save(&second), 0);
    EXPECT_EQ(first, Folder() / "mark_20250203_090507.bmp");
    EXPECT_EQ(second, Folder() / "mark_20250203_090507_02.bmp");
    EXPECT_EQ(LoadBmp(first).pixelColor(30, 10), kLeftColour);
    EXPECT_EQ(LoadBmp(second).pixelColor(30, 10), kRed);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 3);
    ASSERT_EQ(mainWindow_.SettingsCopies().size(), 2u);
    EXPECT_EQ(mainWindow_.SettingsCopies()[1], SettingsToBytes(Settings{}));

    fs::remove_all(Folder());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(window.Save(), -1);
    const std::string console = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("not saved"), std::string::npos) << console;
    EXPECT_NE(console.find("No such file"), std::string::npos) << console;
    EXPECT_FALSE(fs::exists(Folder()));
    EXPECT_EQ(mainWindow_.SettingsCopies().size(), 3u);
}

TEST_F(AnalyzerTest, APictureThatCannotBeLoadedLeavesAWhiteFrameThatCanBeMarkedAndSaved) {
    std::ofstream(Folder() / "broken.bmp") << "BM not a picture";
    // A path over 254 bytes is refused whole: cut to 254 bytes it would name this other picture.
    const size_t keep = kPicturePathMaxBytes - Folder().string().size() - 1;
    const std::string longName = std::string(keep, 'p') + "-the-rest.bmp";
    WriteHalves(longName.substr(0, keep), 40, 30);
    for (const std::string& name : {std::string("broken.bmp"), longName}) {
        SCOPED_TRACE(name.size());
        CVyrOpenCV& window = Open(name, InputModeChoice::kMouse);
        EXPECT_TRUE(window.picture().isNull());
        EXPECT_EQ(Shown(5, 5), QColor(Qt::white));
        MouseDrag({100, 140}, {200, 140});
        fs::path saved;
        ASSERT_EQ(window.Save(&saved), 0);
        const QImage image = LoadBmp(saved);
        EXPECT_EQ(image.pixelColor(150, 140), kRed);
        EXPECT_EQ(image.pixelColor(150, 150), QColor(Qt::white));
        fs::remove(saved);
    }
}

TEST_F(AnalyzerTest, TwoFingersZoomAboutTheirMiddleAndOneFingerPansOneToOne) {
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kTouch);
    ASSERT_TRUE(window.touchMode());
    const int y = 100;
    auto halvesMeetAt = [&](double x) {
        const int at = static_cast<int>(std::lround(x));
        return Shown(at - 4, y) == kLeftColour && Shown(at + 4, y) == kRightColour;
    };
    const double boundary = PictureToBuffer(window.view(), window.pictureRatio(), {200.0, 0}).x();
    ASSERT_TRUE(halvesMeetAt(boundary));

    // Two fingers put down on one spot (distance 0), then spread: the first zoom after a distance
    // of 0 changes nothing.
    Fingers({{{0, {300, y}}, {1, {300, y}}}, {{0, {270, y}}, {1, {330, y}}}});
    EXPECT_FLOAT_EQ(window.view().scale, 1.0f);
    EXPECT_FLOAT_EQ(window.view().offsetX, 0.0f);

    const QPoint middle(static_cast<int>(boundary), y);
    const auto apart = [&](int distance) {  // two fingers about the middle
        return FingerList{{0, middle - QPoint(distance / 2, 0)},
                          {1, middle + QPoint(distance / 2, 0)}};
    };
    Fingers({apart(100), apart(150), apart(200)});
    EXPECT_FLOAT_EQ(window.view().scale, 2.0f);
    EXPECT_TRUE(halvesMeetAt(middle.x()));  // the point between the fingers stayed there

    const ViewState before = window.view();
    FingerDrag({middle.x() + 50, 300}, {middle.x() + 150, 300});
    EXPECT_FLOAT_EQ(window.view().offsetX - before.offsetX, 50.0f);
    EXPECT_FLOAT_EQ(window.view().offsetY, before.offsetY);
    EXPECT_TRUE(halvesMeetAt(middle.x() + 100));
}

TEST_F(AnalyzerTest, ImageMarkDrawsWithEachFingerAndTransformationPansAgain) {
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kTouch);
    ClickControl(window, kIdImageMark);
    EXPECT_TRUE(window.touchMarking());
    const ViewState marking = window.view();
    FingerDrag({50, 200}, {150, 200});
    EXPECT_EQ(Shown(100, 200), kRed);
    EXPECT_FLOAT_EQ(window.view().offsetX, marking.offsetX);
    // Two fingers each draw their own line and are never joined.
    Fingers({{{0, {50, 250}}, {1, {50, 290}}},
             {{0, {100, 250}}, {1, {100, 290}}},
             {{0, {150, 250}}, {1, {150, 290}}}});
    EXPECT_EQ(Shown(100, 250), kRed);
    EXPECT_EQ(Shown(100, 290), kRed);
    EXPECT_EQ(Shown(100, 270), kLeftColour);

    ClickControl(window, kIdTransformation);
    EXPECT_FALSE(window.touchMarking());
    FingerDrag({300, 300}, {340, 300});
    EXPECT_FLOAT_EQ(window.view().offsetX, marking.offsetX + 40.0f);
    EXPECT_NE(Shown(100 + 40, 200), kRed);  // the pan drew the picture again, without the marks
}

}  // namespace
}  // namespace vyr::test
