// The application object's shared values. Only the photo folder is read off the user-interface
// thread (by the picture server), so only it takes a lock.
#include "app/core/vyr_app.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/exe_dir.h"

namespace vyr {
namespace {

CVyrApp* current = nullptr;

}  // namespace

CVyrApp::CVyrApp(AppConfig config, AppServices services)
    : config_(std::move(config)), services_(services), patientStore_(config_.patientFile) {
    if (config_.exeDir.empty()) {
        config_.exeDir = GetExeDir();
    }
    current = this;
}

CVyrApp::~CVyrApp() {
    if (current == this) {
        current = nullptr;
    }
}

CVyrApp* CVyrApp::Current() {
    return current;
}

void CVyrApp::ResetForStart() {
    SetSelectedPicture("");
    currentPatient_ = PatientRecord{};
}

void CVyrApp::SetCurrentPatient(const PatientRecord& patient) {
    currentPatient_ = PatientRecord{};
    CopyPatientFields(patient, &currentPatient_);
}

int CVyrApp::GetCurrentPatient(PatientRecord* patient) const {
    CopyPatientFields(currentPatient_, patient);
    return 0;
}

void CVyrApp::SetPhotoFolder(const std::string& folder) {
    const std::lock_guard<std::mutex> lock(photoFolderLock_);
    photoFolder_ = folder;
}

std::string CVyrApp::GetPhotoFolder() const {
    const std::lock_guard<std::mutex> lock(photoFolderLock_);
    return photoFolder_;
}

void CVyrApp::SetSelectedPicture(const std::string& name) {
    selectedPicture_ = name;
}

std::string CVyrApp::GetSelectedPicture() const {
    return selectedPicture_;
}

void CVyrApp::SetMainWindow(NotificationTarget* mainWindow) {
    mainWindow_ = mainWindow;
}

NotificationTarget* CVyrApp::GetMainWindow() const {
    return mainWindow_;
}

Prompts& CVyrApp::prompts() const {
    if (services_.prompts == nullptr) {
        std::fputs("CVyrApp: no Prompts were given\n", stderr);
        std::abort();
    }
    return *services_.prompts;
}

Shell& CVyrApp::shell() const {
    if (services_.shell == nullptr) {
        std::fputs("CVyrApp: no Shell was given\n", stderr);
        std::abort();
    }
    return *services_.shell;
}

}  // namespace vyr
