// CVyrConfig, the settings dialog (template 132), opened from the main window: the language, the
// camera type (three radio buttons, each written to language.ini at once when clicked) and the
// hidden number box. OK writes the whole file and notifies the main window; Cancel keeps what the
// camera-type clicks already wrote and drops a language chosen only in the box.
#pragma once

#include "platform/dialogs/template_dialog.h"
#include "platform/notification_target.h"

namespace vyr {

class CVyrApp;

inline constexpr int kIdConfigLanguage = 1058;
inline constexpr int kIdCameraTypeGroup = 1055;
inline constexpr int kIdCameraDefault = 1038;
inline constexpr int kIdCameraR905K = 1039;
inline constexpr int kIdCameraHandle = 1041;
inline constexpr int kIdBoxNumber = 1046;

class CVyrConfig : public TemplateDialog {
public:
    // Reads language.ini (creating it with the defaults when missing) from the application's
    // settings file; OK notifies the application's main window, if there is one.
    explicit CVyrConfig(CVyrApp& app, QWidget* parent = nullptr);

    int languageChoice() const { return languageChoice_; }
    int cameraTypeChoice() const { return cameraTypeChoice_; }

private:
    void OnCameraType(int cameraType);
    void CheckCameraType(int cameraType);
    void OnOk();

    CVyrApp& app_;
    SettingsBytes copy_{};
    int languageChoice_ = 0;
    int cameraTypeChoice_ = 0;
};

}  // namespace vyr
