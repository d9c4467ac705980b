// MainDlg, the main window (template 130): live video from the camera, the current patient, a
// preview of the last picture, the photo list, snapshots, recording, full screen, the settings
// dialog and the way back to the patient dialog. It owns the camera link and is its notification
// target: the link's workers report snapshots and the camera's events with queued calls, so a
// worker never waits for this window and the window may stop (join) the link at any time.
//
// Views of the large area: Live (live area and preview), Photo list, Comparison (up to four
// selected pictures side by side), Full screen (the live area over the whole screen).
#pragma once

#include <QPointer>
#include <QRect>
#include <filesystem>
#include <memory>

#include "app/start/init_instance.h"
#include "linkstate/link_ports.h"
#include "patients/store/patient_record.h"
#include "platform/dialogs/template_dialog.h"
#include "platform/notification_target.h"

class QLabel;
class QPlainTextEdit;

namespace vyr {

class CCameraLink;
class CVyrApp;
class LinkStateLabel;
class LiveArea;
class PhotoList;

class MainDlg : public TemplateDialog, public NotificationTarget {
public:
    enum class View { kLive, kPhotoList, kComparison };

    // Builds the window and runs the start-up (OnInitDialog): the language texts, the camera link
    // pointed at the application's camera address and these ports, the start-up scan of the
    // photo list, the adapter search, and the Live view, which starts the link.
    explicit MainDlg(CVyrApp& app, const LinkPorts& ports = {}, QWidget* parent = nullptr);
    // Stops the link and tells the application that this window is gone.
    ~MainDlg() override;

    // How the modal run ended: Exit goes back to the patient dialog, the close box ends the
    // program.
    ChainStep step() const { return step_; }

    // NotificationTarget: may be called on any thread; handled on this window's thread.
    void OnSnapshot(const NotificationRecord& record) override;
    void OnSettingsChanged(const SettingsBytes& settings) override;
    void OnDeviceEvent(const NotificationRecord& event) override;
    void OnLinkState(const LinkStateReport& report) override;

    View view() const { return view_; }
    bool isLiveFullScreen() const { return isFullScreen_; }
    bool isRecording() const { return isRecording_; }
    bool isMultiSelection() const { return isMultiSelection_; }
    int languageIndex() const { return languageIndex_; }
    const std::filesystem::path& photoFolder() const { return photoFolder_; }

    LiveArea* liveArea() const { return liveArea_; }
    LinkStateLabel* linkStateLabel() const { return linkStateLabel_; }
    PhotoList* photoList() const { return photoList_; }
    QPlainTextEdit* descriptionBox() const { return description_; }
    CCameraLink& link() const { return *link_; }

protected:
    // PreTranslateMessage: Esc leaves full screen and never closes the window, Return is consumed,
    // a double-click on the live area toggles full screen.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void ConnectCommands();
    void MakeOwnControls();
    void MakeClickable(int id);
    void MakeLinkStateLabel();

    void Video();
    void ShowPhotoList();
    void Capture();
    void Record();
    void Player();
    void Settings();
    void Exit();
    void OnCancel();
    void OnItemClick();

    // The photo browser's buttons: photo_compare.cpp and photo_delete.cpp.
    void ToggleMultiSelection();
    void SetMultiSelection(bool isOn);
    void Compare();
    void CompareBack();
    void DeletePictures();

    void HandleSnapshot(const NotificationRecord& record);
    void HandleSettings(const SettingsBytes& settings);
    void HandleDeviceEvent(const NotificationRecord& event);
    void ShowLiveHideStill();

    void EnterFullScreen();
    void LeaveFullScreen();
    void StopLink();

    CVyrApp& app_;
    std::unique_ptr<CCameraLink> link_;
    PatientRecord patient_;
    std::filesystem::path photoFolder_;
    int languageIndex_ = 0;
    View view_ = View::kLive;
    bool isRecording_ = false;
    bool isMultiSelection_ = false;
    bool isFullScreen_ = false;
    ChainStep step_ = ChainStep::kEnd;

    LiveArea* liveArea_ = nullptr;
    LinkStateLabel* linkStateLabel_ = nullptr;
    PhotoList* photoList_ = nullptr;
    QPlainTextEdit* description_ = nullptr;

    // Full screen: the live area's rectangle and the window's geometry of the normal layout.
    QRect savedLiveRect_;
    QRect savedGeometry_;
};

// Runs a main window modally for the application's current patient; the window chain's runner.
ChainStep RunMainWindow(CVyrApp& app);

}  // namespace vyr
