// CVyrApp, the application object: one per process, reached by every window through
// CVyrApp::Current(). It holds the values several windows share (the current patient, the photo
// folder, the main window, the picture chosen for the analyzer), the patient store, where the
// program's files are, the camera address, and the Prompts and Shell the windows use.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>

#include "patients/store/patient_record.h"
#include "patients/store/patient_store.h"
#include "platform/notification_target.h"
#include "settings/settings_file.h"

namespace vyr {

class Prompts;
class Shell;

inline constexpr char kDefaultCameraAddress[] = "192.168.1.1";

struct AppConfig {
    std::string cameraAddress = kDefaultCameraAddress;  // for the camera link
    // language.ini and usrinfo.bin are opened by bare name: they live in the working folder, which
    // is the data folder when start-up chose one (platform/data_folder.h).
    std::filesystem::path settingsFile = kSettingsFileName;
    std::filesystem::path patientFile = kPatientFileName;
    // Pictures and videos go under this folder; empty means GetExeDir(): the executable's folder,
    // or the data folder start-up chose.
    std::string exeDir;
};

// The windows' seams; not owned, they outlive the application object.
struct AppServices {
    Prompts* prompts = nullptr;
    Shell* shell = nullptr;
};

class CVyrApp {
public:
    CVyrApp(AppConfig config, AppServices services);
    ~CVyrApp();
    CVyrApp(const CVyrApp&) = delete;
    CVyrApp& operator=(const CVyrApp&) = delete;

    // The application object alive now, or nullptr.
    static CVyrApp* Current();

    // Start-up: no chosen picture, and a current patient of all zero bytes.
    void ResetForStart();

    // Zeroes the current patient, then copies name, age and tel as terminated strings and inUse
    // and gender as numbers.
    void SetCurrentPatient(const PatientRecord& patient);
    // Copies the same five fields the same way into *patient (bytes behind a terminator stay as
    // the caller left them). Returns 0.
    int GetCurrentPatient(PatientRecord* patient) const;

    // The current patient's picture folder, {exe dir}/jpg/{tel}. Also read by the camera link's
    // picture server thread, hence the lock.
    void SetPhotoFolder(const std::string& folder);
    std::string GetPhotoFolder() const;

    // The file name (no folder) of the picture last double-clicked in the photo list.
    void SetSelectedPicture(const std::string& name);
    std::string GetSelectedPicture() const;

    // The main window that opened last: the settings dialog and the analyzer notify it. A main
    // window sets it back to nullptr when it goes away, so nothing notifies a destroyed window.
    void SetMainWindow(NotificationTarget* mainWindow);
    NotificationTarget* GetMainWindow() const;

    const AppConfig& config() const { return config_; }
    const std::string& cameraAddress() const { return config_.cameraAddress; }
    const std::string& exeDir() const { return config_.exeDir; }
    PatientStore& patientStore() { return patientStore_; }
    Prompts& prompts() const;
    Shell& shell() const;

private:
    AppConfig config_;
    AppServices services_;
    PatientStore patientStore_;

    mutable std::mutex photoFolderLock_;
    std::string photoFolder_;
    NotificationTarget* mainWindow_ = nullptr;
    std::string selectedPicture_;
    PatientRecord currentPatient_;
};

}  // namespace vyr
