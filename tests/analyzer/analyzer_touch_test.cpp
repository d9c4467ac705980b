// The analyzer in touch mode, driven by synthetic touch sequences through the real window: how the
// mode is chosen, the initial zoom of 1920-wide pictures, one-finger pan and two-finger zoom with
// the picture following the fingers, press and tap, and the switch between gestures
// (Transformation) and marking (Image mark), also across a Close.
#include <QTest>
#include <cmath>
#include <cstdlib>

#include "analyzer/analyzer_ids.h"
#include "analyzer/input_mode.h"
#include "analyzer_fixture.h"
#include "support/gui/dialog_actions.h"

namespace vyr::test {
namespace {

const QColor kRed(255, 0, 0);

// The surface x where the two halves of a halves picture of this width meet.
double Boundary(const CVyrOpenCV& window, int pictureWidth) {
    return PictureToBuffer(window.view(), window.pictureRatio(), {pictureWidth / 2.0, 0}).x();
}

TEST(AnalyzerInputMode, ForcedByTheEnvironmentOtherwiseATouchScreenChooses) {
    EXPECT_EQ(ChooseInputMode(nullptr, false), InputMode::kMouse);
    EXPECT_EQ(ChooseInputMode(nullptr, true), InputMode::kTouch);
    EXPECT_EQ(ChooseInputMode("touch", false), InputMode::kTouch);
    EXPECT_EQ(ChooseInputMode("mouse", true), InputMode::kMouse);
    EXPECT_EQ(ChooseInputMode("Touch", false), InputMode::kMouse);
    // A touch screen that Qt knows is seen among the input devices.
    QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen)
        ->setParent(QCoreApplication::instance());
    ::unsetenv(kInputModeVariable);
    EXPECT_EQ(ResolveInputMode(InputModeChoice::kDetect), InputMode::kTouch);
    ::setenv(kInputModeVariable, "mouse", 1);
    EXPECT_EQ(ResolveInputMode(InputModeChoice::kDetect), InputMode::kMouse);
    ::unsetenv(kInputModeVariable);
}

TEST_F(AnalyzerTest, APicture1920WideOpensAtTheSmallZoomInTouchModeOnly) {
    // A snapshot stores 100 pixels per metre, so it is drawn at 0.016 x dpi / 2.54 of its size.
    WriteHalves("snap.bmp", 1920, 1080, 100);
    WriteHalves("other.bmp", 1918, 1080, 100);
    CVyrOpenCV& touch = Open("snap.bmp", InputModeChoice::kTouch);
    EXPECT_FLOAT_EQ(touch.view().scale, kInitialTouchZoom);
    const double dpi = touch.surface()->logicalDpiX();
    EXPECT_NEAR(touch.pictureRatio().x, dpi / 2.54, 1e-6);
    const int shownWidth = static_cast<int>(std::floor(1920 * 0.016 * dpi / 2.54));
    EXPECT_EQ(Shown(shownWidth - 3, 10), kRightColour);
    EXPECT_EQ(Shown(shownWidth + 3, 10), QColor(Qt::white));
    EXPECT_FLOAT_EQ(Open("other.bmp", InputModeChoice::kTouch).view().scale, 1.0f);
    EXPECT_FLOAT_EQ(Open("snap.bmp", InputModeChoice::kMouse).view().scale, 1.0f);
}

TEST_F(AnalyzerTest, TwoFingersZoomAboutTheirMiddleAndOneFingerPansOneToOne) {
    WriteHalves("a.bmp", 400, 300);
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kTouch);
    ASSERT_TRUE(window.touchMode());
    EXPECT_TRUE(window.Control(kIdTransformation)->isVisible());
    EXPECT_FALSE(window.Control(kIdPictureFrame)->isVisible());
    EXPECT_EQ(window.surface()->objectName(), QString::number(kIdTouchSurface));
    const int y = 100;
    auto halvesMeetAt = [&](double x) {
        const int at = static_cast<int>(std::lround(x));
        return Shown(at - 4, y) == kLeftColour && Shown(at + 4, y) == kRightColour;
    };
    const double boundary = Boundary(window, 400);
    ASSERT_TRUE(halvesMeetAt(boundary));

    // Two fingers put down on one spot (distance 0), then spread: the first zoom after a distance
    // of 0 changes nothing.
    Touch({{0, {300, y}}, {1, {300, y}}}, {}, {});
    Touch({}, {{0, {270, y}}, {1, {330, y}}}, {});
    Touch({}, {}, {{0, {270, y}}, {1, {330, y}}});
    EXPECT_FLOAT_EQ(window.view().scale, 1.0f);
    EXPECT_FLOAT_EQ(window.view().offsetX, 0.0f);

    const QPoint middle(static_cast<int>(boundary), y);
    Pinch(middle, 100, 200);
    EXPECT_FLOAT_EQ(window.view().scale, 2.0f);
    EXPECT_TRUE(halvesMeetAt(middle.x()));  // the point between the fingers stayed there

    const ViewState before = window.view();
    FingerDrag({middle.x() + 50, 300}, {middle.x() + 150, 300});
    EXPECT_FLOAT_EQ(window.view().offsetX - before.offsetX, 50.0f);
    EXPECT_FLOAT_EQ(window.view().offsetY, before.offsetY);
    EXPECT_TRUE(halvesMeetAt(middle.x() + 100));
    EXPECT_TRUE(window.strokes().strokes().empty());

    ClickControl(window, kIdReset);
    EXPECT_FLOAT_EQ(window.view().scale, 1.0f);
    EXPECT_TRUE(halvesMeetAt(boundary));
}

TEST_F(AnalyzerTest, PressAndTapBlanksTheSurfaceUntilTheNextPan) {
    WriteHalves("a.bmp", 400, 300);
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kTouch);
    Touch({{0, {300, 300}}}, {}, {});
    Touch({{1, {400, 300}}}, {}, {});
    Touch({}, {}, {{1, {400, 300}}});
    EXPECT_TRUE(window.surface()->isBlank());
    EXPECT_FLOAT_EQ(window.view().scale, 1.0f);
    Touch({}, {{0, {320, 300}}}, {});
    EXPECT_FALSE(window.surface()->isBlank());
    Touch({}, {}, {{0, {320, 300}}});
}

TEST_F(AnalyzerTest, ImageMarkDrawsWithTheFingerTransformationPansAgainAndCloseEndsMarking) {
    WriteHalves("a.bmp", 400, 300);
    CVyrOpenCV& window = Open("a.bmp", InputModeChoice::kTouch);
    ClickControl(window, kIdImageMark);
    EXPECT_TRUE(window.touchMarking());
    const ViewState marking = window.view();
    FingerDrag({50, 200}, {150, 200});
    EXPECT_EQ(Shown(100, 200), kRed);
    EXPECT_FLOAT_EQ(window.view().offsetX, marking.offsetX);
    // Two fingers each draw their own line and are never joined.
    Touch({{0, {50, 250}}, {1, {50, 290}}}, {}, {});
    Touch({}, {{0, {150, 250}}, {1, {150, 290}}}, {});
    Touch({}, {}, {{0, {150, 250}}, {1, {150, 290}}});
    EXPECT_EQ(Shown(100, 250), kRed);
    EXPECT_EQ(Shown(100, 290), kRed);
    EXPECT_EQ(Shown(100, 270), kLeftColour);

    ClickControl(window, kIdTransformation);
    EXPECT_FALSE(window.touchMarking());
    FingerDrag({300, 300}, {340, 300});
    EXPECT_FLOAT_EQ(window.view().offsetX, marking.offsetX + 40.0f);
    EXPECT_NE(Shown(100 + 40, 200), kRed);  // the pan drew the picture again, without the marks

    ClickControl(window, kIdImageMark);
    ClickControl(window, kIdCancel);
    CVyrOpenCV& again = Open("a.bmp", InputModeChoice::kTouch);
    EXPECT_FALSE(again.touchMarking());
    FingerDrag({300, 300}, {330, 300});
    EXPECT_FLOAT_EQ(again.view().offsetX, 30.0f);
    EXPECT_TRUE(again.strokes().strokes().empty());
}

}  // namespace
}  // namespace vyr::test
