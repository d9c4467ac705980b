// An analyzer for tests: an application object whose language.ini and patient folder live in a
// fresh folder, a main window that records the settings copies it is sent, pictures written into
// the patient folder, and the mouse and fingers of a person on the drawing surface (fingers through
// a fake touch screen, delivered by the real window system path).
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPointingDevice>
#include <QTest>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "analyzer/vyr_open_cv.h"
#include "app/core/vyr_app.h"
#include "platform/dialogs/testing/recording_shell.h"
#include "platform/dialogs/testing/scripted_prompts.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace vyr::test {

class SettingsRecorder : public NotificationTarget {
public:
    void OnSnapshot(const NotificationRecord&) override {}
    void OnSettingsChanged(const SettingsBytes& settings) override { copies.push_back(settings); }
    void OnDeviceEvent(const NotificationRecord&) override {}
    std::vector<SettingsBytes> copies;
};

// Picture colours that no pen has: the left half and the right half of a halves picture.
inline const QColor kLeftColour(200, 200, 0);
inline const QColor kRightColour(0, 200, 200);

class AnalyzerTest : public ::testing::Test {
protected:
    AnalyzerTest();
    ~AnalyzerTest() override;

    void WriteSettings(const Settings& settings);
    std::filesystem::path Folder() const { return dir_.path() / "jpg" / "10000"; }
    // A picture of two halves (left kLeftColour, right kRightColour) saved as BMP in the folder.
    void WriteHalves(const std::string& name, int width, int height, int dotsPerMetre = 0);

    // Opens the analyzer on that picture, shows it and waits for its first draw.
    CVyrOpenCV& Open(const std::string& picture, InputModeChoice mode);
    PictureView& Surface() const { return *analyzer_->surface(); }

    // The mouse on the surface, in surface pixels.
    void MouseDrag(Qt::MouseButton button, QPoint from, QPoint to);
    void Wheel(QPoint at, int delta);
    // Fingers on the surface, in surface pixels. Touch sends one touch event: these fingers put
    // down, moved and lifted, and every other finger still down as stationary, as a touch screen
    // reports them. FingerDrag drags one finger; Pinch puts two fingers down about a middle at one
    // distance, moves them to another and lifts them.
    using FingerList = std::vector<std::pair<int, QPoint>>;
    void Touch(const FingerList& press, const FingerList& move, const FingerList& release);
    void FingerDrag(QPoint from, QPoint to);
    void Pinch(QPoint middle, int fromDistance, int toDistance);

    // The shown picture's colour at a surface pixel.
    QColor Shown(int x, int y) const;

    TempDir dir_;
    testing::ScriptedPrompts prompts_;
    testing::RecordingShell shell_;
    SettingsRecorder mainWindow_;
    std::unique_ptr<CVyrApp> app_;
    std::unique_ptr<CVyrOpenCV> analyzer_;
    static QPointingDevice* touchScreen_;

private:
    std::unique_ptr<QTest::QTouchEventWidgetSequence> touch_;
    std::map<int, QPoint> held_;
};

}  // namespace vyr::test
