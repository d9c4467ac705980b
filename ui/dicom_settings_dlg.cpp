// Template 141 and its OK handler. The template's captions are English; the language's texts are
// set over them when the dialog opens.
#include "ui/dicom_settings_dlg.h"

#include <QLineEdit>
#include <array>

#include "app/core/vyr_app.h"
#include "dicom/archive_settings.h"
#include "platform/dialogs/prompts.h"
#include "ui/dicom_texts.h"

namespace vyr {
namespace {

constexpr std::array<ControlTemplate, 10> kControls = {{
    {kIdDicomHostLabel, ControlKind::kLabel, "Archive host:", {7, 10, 72, 10}},
    {kIdDicomHost, ControlKind::kEdit, "", {82, 8, 118, 12}, kStyleBorder},
    {kIdDicomPortLabel, ControlKind::kLabel, "Port:", {7, 26, 72, 10}},
    {kIdDicomPort, ControlKind::kEdit, "", {82, 24, 40, 12}, kStyleBorder},
    {kIdDicomCalledAeLabel, ControlKind::kLabel, "Archive AE title:", {7, 42, 72, 10}},
    {kIdDicomCalledAe, ControlKind::kEdit, "", {82, 40, 118, 12}, kStyleBorder},
    {kIdDicomCallingAeLabel, ControlKind::kLabel, "Our AE title:", {7, 58, 72, 10}},
    {kIdDicomCallingAe, ControlKind::kEdit, "", {82, 56, 118, 12}, kStyleBorder},
    {kIdOk, ControlKind::kDefaultButton, "OK", {96, 78, 50, 14}},
    {kIdCancel, ControlKind::kButton, "Cancel", {150, 78, 50, 14}},
}};

constexpr DialogTemplate kTemplate{
    kDicomSettingsTemplateId, "DICOM settings", 207, 99, kShellDlg8, kControls};

}  // namespace

DicomSettingsDlg::DicomSettingsDlg(CVyrApp& app, std::filesystem::path settingsFile,
                                   int languageIndex, QWidget* parent)
    : TemplateDialog(kTemplate, parent),
      app_(app),
      settingsFile_(std::move(settingsFile)),
      languageIndex_(languageIndex) {
    setWindowTitle(DicomTextFor(languageIndex_, DicomText::kSettingsTitle));
    const std::pair<int, DicomText> texts[] = {{kIdDicomHostLabel, DicomText::kHost},
                                               {kIdDicomPortLabel, DicomText::kPort},
                                               {kIdDicomCalledAeLabel, DicomText::kCalledAe},
                                               {kIdDicomCallingAeLabel, DicomText::kCallingAe},
                                               {kIdOk, DicomText::kOk},
                                               {kIdCancel, DicomText::kCancel}};
    for (const auto& [id, text] : texts) {
        SetControlText(id, DicomTextFor(languageIndex_, text));
    }

    const ArchiveSettings settings = ReadArchiveSettings(settingsFile_);
    Edit(kIdDicomHost)->setMaxLength(253);
    Edit(kIdDicomPort)->setMaxLength(5);
    Edit(kIdDicomCalledAe)->setMaxLength(16);
    Edit(kIdDicomCallingAe)->setMaxLength(16);
    Edit(kIdDicomHost)->setText(QString::fromStdString(settings.host));
    Edit(kIdDicomPort)->setText(QString::number(settings.port));
    Edit(kIdDicomCalledAe)->setText(QString::fromStdString(settings.calledAe));
    Edit(kIdDicomCallingAe)->setText(QString::fromStdString(settings.callingAe));
    OnCommand(kIdOk, [this] { OnOk(); });
}

void DicomSettingsDlg::OnOk() {
    ArchiveSettings settings;
    settings.host = Edit(kIdDicomHost)->text().trimmed().toStdString();
    bool isNumber = false;
    settings.port = Edit(kIdDicomPort)->text().trimmed().toInt(&isNumber);
    settings.port = isNumber ? settings.port : 0;
    settings.calledAe = Edit(kIdDicomCalledAe)->text().trimmed().toStdString();
    settings.callingAe = Edit(kIdDicomCallingAe)->text().trimmed().toStdString();
    const QString caption = DicomTextFor(languageIndex_, DicomText::kCaption);
    if (FindArchiveSettingsFault(settings) != ArchiveSettingsFault::kNone) {
        (void)app_.prompts().ShowMessage(
            this, {DicomTextFor(languageIndex_, DicomText::kSettingsInvalid), caption,
                   PromptIcon::kWarning, PromptButtons::kOk});
        return;
    }
    if (WriteArchiveSettings(settingsFile_, settings) != 0) {
        (void)app_.prompts().ShowMessage(this,
                                         {DicomTextFor(languageIndex_, DicomText::kWriteFailed)
                                              .arg(QString::fromStdString(settingsFile_.string())),
                                          caption, PromptIcon::kError, PromptButtons::kOk});
        return;
    }
    EndOk();
}

}  // namespace vyr
