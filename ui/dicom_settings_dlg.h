// The "DICOM settings" dialog (template 141): the archive's host and port, its AE title and ours,
// read from and written to dicom.ini. OK refuses entries the archive settings could not use and
// says why; Cancel leaves the file as it was.
#pragma once

#include <filesystem>

#include "platform/dialogs/template_dialog.h"

namespace vyr {

class CVyrApp;

inline constexpr int kDicomSettingsTemplateId = 141;
inline constexpr int kIdDicomHost = 1301;
inline constexpr int kIdDicomPort = 1302;
inline constexpr int kIdDicomCalledAe = 1303;
inline constexpr int kIdDicomCallingAe = 1304;
inline constexpr int kIdDicomHostLabel = 1311;
inline constexpr int kIdDicomPortLabel = 1312;
inline constexpr int kIdDicomCalledAeLabel = 1313;
inline constexpr int kIdDicomCallingAeLabel = 1314;

class DicomSettingsDlg : public TemplateDialog {
public:
    DicomSettingsDlg(CVyrApp& app, std::filesystem::path settingsFile, int languageIndex,
                     QWidget* parent = nullptr);

private:
    void OnOk();

    CVyrApp& app_;
    std::filesystem::path settingsFile_;
    int languageIndex_;
};

}  // namespace vyr
