// The interim main window: four labels with the current patient in English and Exit.
#include "app/start/interim_main_window.h"

#include <array>

#include "app/core/patient_folders.h"
#include "app/core/vyr_app.h"

namespace vyr {
namespace {

constexpr std::array<ControlTemplate, 5> kControls = {{
    {kIdInterimName, ControlKind::kLabel, "Name:", {10, 10, 200, 10}},
    {kIdInterimGender, ControlKind::kLabel, "Gender:", {10, 25, 200, 10}},
    {kIdInterimAge, ControlKind::kLabel, "Age:", {10, 40, 200, 10}},
    {kIdInterimTel, ControlKind::kLabel, "TEL:", {10, 55, 200, 10}},
    {kIdInterimExit, ControlKind::kButton, "Exit", {160, 75, 50, 14}},
}};

constexpr DialogTemplate kInterimTemplate{0,        "Vyr（V8.5 2024/09/14)", 220, 96, kShellDlg8,
                                          kControls};

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

InterimMainWindow::InterimMainWindow(CVyrApp& app, QWidget* parent)
    : TemplateDialog(kInterimTemplate, parent) {
    PatientRecord patient;
    (void)app.GetCurrentPatient(&patient);
    app.SetPhotoFolder(PatientFolderPath(app.exeDir(), patient.Tel()));

    SetControlText(kIdInterimName, QString("Name: %1").arg(Utf8(patient.Name())));
    SetControlText(kIdInterimGender,
                   QString("Gender: %1").arg(patient.gender != 0 ? "Male" : "Female"));
    SetControlText(kIdInterimAge, QString("Age: %1").arg(Utf8(patient.Age())));
    SetControlText(kIdInterimTel, QString("TEL: %1").arg(Utf8(patient.Tel())));
    OnCommand(kIdInterimExit, [this] {
        step_ = ChainStep::kBackToPatients;
        EndCancel();
    });
}

ChainStep RunInterimMainWindow(CVyrApp& app) {
    InterimMainWindow window(app);
    (void)window.exec();
    return window.step();
}

}  // namespace vyr
