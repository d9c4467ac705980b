// The analyzer in mouse mode through its real window: captions by language, the fitted picture,
// strokes under the pointer read back from the saved BMP with QImage, the pen colour in
// language.ini, saves that keep every file, failures that are not reported as saves, pictures that
// cannot be opened, and the wheel, the right button, Reset and Ctrl+Z.
#include <QTest>
#include <fstream>

#include "analyzer/analyzer_ids.h"
#include "analyzer_fixture.h"
#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/test_clock.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);

QImage LoadBmp(const fs::path& file) {
    return QImage(QString::fromStdString(file.string()), "BMP");
}

std::vector<fs::path> FolderFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files.push_back(entry.path().filename());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST_F(AnalyzerTest, CaptionsFollowTheLanguageAndLanguageSixKeepsTheTemplates) {
    struct Row {
        int language;
        const char* save;
        const char* transformation;
        const char* mark;
        const char* reset;
    };
    const Row rows[] = {
        {0, "Save", "Transformation", "Image mark", "Reset"},
        {1, "保存", "图像变换", "图像标注", "复位"},
        {2, "Salvar", "Transformación", "Marcar imagen", "Reset"},
        {3, "Salvar", "Transforma??o", "Marcar imagem", "Reiniciar"},
        {5, "保存", "圖像變換", "圖像標註", "復位"},
        {6, "保存", "图像旋转", "图像标注", "复位"},
        {-1, "保存", "图像旋转", "图像标注", "复位"},
    };
    for (const Row& row : rows) {
        Settings settings;
        settings.languageIndex = row.language;
        WriteSettings(settings);
        CVyrOpenCV& window = Open("none.bmp", InputModeChoice::kTouch);
        SCOPED_TRACE(row.language);
        EXPECT_EQ(window.windowTitle(), "Analyzer-1");
        EXPECT_EQ(window.ControlText(kIdSave), QString::fromUtf8(row.save));
        EXPECT_EQ(window.ControlText(kIdTransformation), QString::fromUtf8(row.transformation));
        EXPECT_EQ(window.ControlText(kIdImageMark), QString::fromUtf8(row.mark));
        EXPECT_EQ(window.ControlText(kIdReset), QString::fromUtf8(row.reset));
        EXPECT_EQ(window.ControlText(kIdCancel), "取消");
        EXPECT_EQ(window.ControlText(kIdPenRed) + window.ControlText(kIdPenGreen) +
                      window.ControlText(kIdPenBlue),
                  "RGB");
    }
}

TEST_F(AnalyzerTest, TheFittedPictureFillsTheFrameAndAStrokeLiesUnderThePointer) {
    WriteHalves("a.bmp", 400, 300);
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kMouse);
    EXPECT_FALSE(window.touchMode());
    EXPECT_FALSE(window.Control(kIdTransformation)->isVisible());
    EXPECT_TRUE(window.Control(kIdPictureFrame)->isVisible());
    EXPECT_EQ(window.surface()->parentWidget(), window.Control(kIdPictureFrame));
    const QSize size = window.surface()->contentsRect().size();
    // Stretched over the whole frame: the halves meet in its middle.
    EXPECT_EQ(Shown(0, 0), kLeftColour);
    EXPECT_EQ(Shown(size.width() / 2 - 3, size.height() - 1), kLeftColour);
    EXPECT_EQ(Shown(size.width() / 2 + 3, 0), kRightColour);
    EXPECT_EQ(Shown(size.width() - 1, size.height() - 1), kRightColour);

    MouseDrag(Qt::LeftButton, {100, 140}, {200, 140});
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
        // 40 pixels above the pointer, where the marks used to land, nothing is drawn.
        EXPECT_EQ(image.pixelColor(x, 100), kLeftColour) << x;
    }
}

TEST_F(AnalyzerTest, GreenIsWrittenToLanguageIniAndTheNextOpeningStartsGreen) {
    WriteSettings(Settings{3, 55, 0, 2});
    WriteHalves("a.bmp", 400, 300);
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kMouse);
    EXPECT_EQ(window.penColour(), kRed);
    ClickControl(window, kIdPenGreen);
    MouseDrag(Qt::LeftButton, {300, 200}, {400, 200});
    EXPECT_EQ(Shown(350, 200), kGreen);
    const SettingsBytes expected = SettingsToBytes(Settings{3, 55, 1, 2});
    EXPECT_EQ(ReadFileBytes(dir_.File("language.ini")),
              std::vector<uint8_t>(expected.begin(), expected.end()));
    // Enter ends the analyzer (its hidden default button).
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Open("a.bmp", InputModeChoice::kMouse).penColour(), kGreen);
    ClickControl(*analyzer_, kIdPenRed);
}

TEST_F(AnalyzerTest, TwoSavesInOneSecondKeepBothFilesInOrderAndTellTheMainWindow) {
    WriteHalves("a.bmp", 400, 300);
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kMouse);
    TestClock clock(2025, 2, 3, 9, 5, 7);
    fs::path first;
    fs::path second;
    ASSERT_EQ(window.Save(&first), 0);
    MouseDrag(Qt::LeftButton, {10, 10}, {50, 10});
    ASSERT_EQ(window.Save(&second), 0);
    EXPECT_EQ(FolderFiles(Folder()), (std::vector<fs::path>{"a.bmp", "mark_20250203_090507.bmp",
                                                            "mark_20250203_090507_02.bmp"}));
    EXPECT_EQ(first.filename(), "mark_20250203_090507.bmp");
    EXPECT_EQ(LoadBmp(first).pixelColor(30, 10), kLeftColour);
    EXPECT_EQ(LoadBmp(second).pixelColor(30, 10), kRed);
    ASSERT_EQ(mainWindow_.copies.size(), 2u);
    EXPECT_EQ(mainWindow_.copies[1], SettingsToBytes(Settings{}));
}

TEST_F(AnalyzerTest, AFailedSaveLeavesNoFileSaysWhyAndStillRefreshesTheList) {
    WriteHalves("a.bmp", 400, 300);
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kMouse);
    fs::remove_all(Folder());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(window.Save(), -1);
    const std::string console = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("not saved"), std::string::npos) << console;
    EXPECT_NE(console.find("No such file"), std::string::npos) << console;
    EXPECT_FALSE(fs::exists(Folder()));
    EXPECT_EQ(mainWindow_.copies.size(), 1u);
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
        MouseDrag(Qt::LeftButton, {100, 140}, {200, 140});
        fs::path saved;
        ASSERT_EQ(window.Save(&saved), 0);
        const QImage image = LoadBmp(saved);
        EXPECT_EQ(image.pixelColor(150, 140), kRed);
        EXPECT_EQ(image.pixelColor(150, 150), QColor(Qt::white));
        fs::remove(saved);
    }
}

TEST_F(AnalyzerTest, WheelZoomsAboutThePointerRightButtonPansResetFitsAndCtrlZUndoes) {
    WriteHalves("a.bmp", 400, 300);
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kMouse);
    const int middle = window.surface()->contentsRect().width() / 2;
    auto halvesMeetAt = [&](int x) {
        return Shown(x - 3, 300) == kLeftColour && Shown(x + 3, 300) == kRightColour;
    };
    MouseDrag(Qt::LeftButton, {100, 100}, {200, 100});
    MouseDrag(Qt::LeftButton, {100, 200}, {200, 200});
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Shown(150, 100), kRed);
    EXPECT_EQ(Shown(150, 200), kLeftColour);

    Wheel({middle, 300}, 120);
    EXPECT_FLOAT_EQ(window.view().scale, 1.25f);
    EXPECT_TRUE(halvesMeetAt(middle));
    EXPECT_EQ(Shown(150, 100), kLeftColour);  // a new draw wipes the marks
    MouseDrag(Qt::RightButton, {500, 300}, {400, 300});
    EXPECT_TRUE(halvesMeetAt(middle - 100));
    ClickControl(window, kIdReset);
    EXPECT_FLOAT_EQ(window.view().scale, 1.0f);
    EXPECT_TRUE(halvesMeetAt(middle));
}

}  // namespace
}  // namespace vyr::test
