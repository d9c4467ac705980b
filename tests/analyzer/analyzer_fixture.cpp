// The analyzer fixture. Touch sequences go through QTest::touchEvent, so they reach the surface the
// way a touch screen's do: through the window and Qt's touch delivery to the widget under them.
#include "analyzer_fixture.h"

#include <QApplication>
#include <QWheelEvent>

namespace vyr::test {

QPointingDevice* AnalyzerTest::touchScreen_ = nullptr;

AnalyzerTest::AnalyzerTest() {
    if (touchScreen_ == nullptr) {
        touchScreen_ = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
        // Deleted with the application.
        touchScreen_->setParent(QCoreApplication::instance());
    }
    app_ = std::make_unique<CVyrApp>(AppConfig{.settingsFile = dir_.File("language.ini"),
                                               .patientFile = dir_.File("usrinfo.bin"),
                                               .exeDir = dir_.path().string()},
                                     AppServices{&prompts_, &shell_});
    std::filesystem::create_directories(Folder());
    app_->SetPhotoFolder(Folder().string());
    app_->SetMainWindow(&mainWindow_);
    WriteSettings(Settings{});
}

AnalyzerTest::~AnalyzerTest() {
    touch_.reset();
    analyzer_.reset();
}

void AnalyzerTest::WriteSettings(const Settings& settings) {
    ASSERT_EQ(WriteSettingsFile(dir_.File("language.ini"), SettingsToBytes(settings)), 0);
}

void AnalyzerTest::WriteHalves(const std::string& name, int width, int height, int dotsPerMetre) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(kRightColour);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width / 2; ++x) {
            image.setPixelColor(x, y, kLeftColour);
        }
    }
    if (dotsPerMetre > 0) {
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
    }
    ASSERT_TRUE(image.save(QString::fromStdString((Folder() / name).string()), "BMP"));
}

CVyrOpenCV& AnalyzerTest::Open(const std::string& picture, InputModeChoice mode) {
    analyzer_.reset();
    app_->SetSelectedPicture(picture);
    analyzer_ = std::make_unique<CVyrOpenCV>(*app_, mode);
    analyzer_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(analyzer_.get()));
    EXPECT_TRUE(QTest::qWaitFor([this] { return analyzer_->isFirstDrawDone(); }));
    touch_ = std::make_unique<QTest::QTouchEventWidgetSequence>(
        QTest::touchEvent(analyzer_->surface(), touchScreen_, false));
    held_.clear();
    return *analyzer_;
}

void AnalyzerTest::MouseDrag(Qt::MouseButton button, QPoint from, QPoint to) {
    const QPoint origin = Surface().origin();
    QTest::mousePress(&Surface(), button, Qt::NoModifier, from + origin);
    QTest::mouseMove(&Surface(), (from + to) / 2 + origin);
    QTest::mouseMove(&Surface(), to + origin);
    QTest::mouseRelease(&Surface(), button, Qt::NoModifier, to + origin);
}

void AnalyzerTest::Wheel(QPoint at, int delta) {
    const QPointF local = at + Surface().origin();
    QWheelEvent wheel(local, Surface().mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Surface(), &wheel);
}

void AnalyzerTest::Touch(const FingerList& press, const FingerList& move,
                         const FingerList& release) {
    const QPoint origin = Surface().origin();
    std::map<int, QPoint> still = held_;
    for (const FingerList* changes : {&press, &move, &release}) {
        for (const auto& [id, at] : *changes) {
            still.erase(id);
        }
    }
    for (const auto& [id, at] : still) {
        touch_->stationary(id);
    }
    for (const auto& [id, at] : press) {
        touch_->press(id, at + origin, &Surface());
        held_[id] = at;
    }
    for (const auto& [id, at] : move) {
        touch_->move(id, at + origin, &Surface());
        held_[id] = at;
    }
    for (const auto& [id, at] : release) {
        touch_->release(id, at + origin, &Surface());
        held_.erase(id);
    }
    touch_->commit();
}

void AnalyzerTest::FingerDrag(QPoint from, QPoint to) {
    Touch({{0, from}}, {}, {});
    Touch({}, {{0, (from + to) / 2}}, {});
    Touch({}, {{0, to}}, {});
    Touch({}, {}, {{0, to}});
}

void AnalyzerTest::Pinch(QPoint middle, int fromDistance, int toDistance) {
    auto fingers = [&](int distance) {
        return FingerList{{0, middle - QPoint(distance / 2, 0)},
                          {1, middle + QPoint(distance / 2, 0)}};
    };
    Touch(fingers(fromDistance), {}, {});
    Touch({}, fingers((fromDistance + toDistance) / 2), {});
    Touch({}, fingers(toDistance), {});
    Touch({}, {}, fingers(toDistance));
}

QColor AnalyzerTest::Shown(int x, int y) const {
    return analyzer_->ShownPicture().pixelColor(x, y);
}

}  // namespace vyr::test
