// A main window for tests on the offscreen platform (with what its tests use to drive it): an
// application object whose files live in a fresh folder (also the working folder, where the link
// reads language.ini), prompts and shell that record, a home of the test's own (its trash and
// thumbnail cache), a current patient, and the camera address 127.0.0.2 with either the simulated
// camera's ports or ports where nothing listens.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <vector>

#include "app/core/vyr_app.h"
#include "link/camera_link.h"
#include "linkstate/link_ports.h"
#include "linkstate/link_shared.h"
#include "platform/dialogs/testing/recording_shell.h"
#include "platform/dialogs/testing/scripted_prompts.h"
#include "support/gui/dialog_actions.h"
#include "support/gui/modal_driver.h"
#include "support/loopback_camera.h"
#include "support/private_home.h"
#include "support/raw_socket.h"
#include "support/temp_dir.h"
#include "tools/camsim/camera.h"
#include "ui/current_item.h"
#include "ui/live_area.h"
#include "ui/main_dlg.h"
#include "ui/main_dlg_ids.h"
#include "ui/photo_list.h"

namespace vyr::test {

class MainDlgTest : public ::testing::Test {
protected:
    MainDlgTest();
    ~MainDlgTest() override;

    // language.ini with this language and camera type and the defaults for the rest.
    void WriteLanguage(int32_t languageIndex, int32_t cameraType = 0);
    void SetPatient(const char* name, const char* age, const char* tel, uint16_t gender);
    // The simulated camera (SmallCamera() unless given) on loopback; the next window uses it.
    void StartCamera(camsim::CameraConfig config);
    void StartCamera();
    // Opens and shows a main window (its start-up runs in the constructor).
    MainDlg& Open();
    // Opens a window and waits until its link streams from the camera and its servers listen.
    MainDlg& OpenConnected();
    // Opens a window, shows the Photo list and waits for its scan.
    PhotoList& OpenPhotoList();
    void Close();

    std::filesystem::path PatientFolder() const;
    // A picture file of one colour, written as BMP.
    std::filesystem::path WritePicture(const std::filesystem::path& file, int width, int height,
                                       const QColor& colour) const;

    TempDir dir_;
    PrivateHome home_;  // the trash and the thumbnail cache of this test alone
    testing::ScriptedPrompts prompts_;
    testing::RecordingShell shell_;
    std::unique_ptr<CVyrApp> app_;
    LinkPorts ports_;
    std::unique_ptr<camsim::Camera> camera_;
    std::unique_ptr<MainDlg> window_;
    ModalDriver driver_;

private:
    std::filesystem::path previousFolder_;
    Listener nobody_;  // holds the port the link finds refused when no camera runs
};

// A click on a row of the list as a person makes it, with these modifiers.
void ClickRow(PhotoList& list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
QStringList ItemTexts(const PhotoList& list);
QImage IconOf(const PhotoList& list, int row);
// The files in folder with this extension (".bmp"), none when it does not exist.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder,
                                           const std::string& extension);
// Which of the live area, the preview, the still area, the photo list and the comparison areas are
// visible, by control id.
std::set<int> VisibleAreas(const MainDlg& window);
// The colour of the middle of the label's picture; invalid without one.
QColor PictureCentre(const QWidget* label);

}  // namespace vyr::test
