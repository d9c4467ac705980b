// Template 102, the patient dialog: three edit boxes, the gender choice, six buttons and the
// patient list, with the ids the dialog's handlers and its tests address them by.
#pragma once

#include "platform/dialogs/dialog_template.h"

namespace vyr {

inline constexpr int kIdNameLabel = 1000;
inline constexpr int kIdNameBox = 1001;
inline constexpr int kIdAgeLabel = 1013;
inline constexpr int kIdAgeBox = 1002;
inline constexpr int kIdGenderLabel = 1003;
inline constexpr int kIdGenderChoice = 1014;
inline constexpr int kIdTelLabel = 1005;
inline constexpr int kIdTelBox = 1006;
inline constexpr int kIdNew = 1008;
inline constexpr int kIdSave = 1050;
inline constexpr int kIdDelete = 1010;
inline constexpr int kIdEdit = 1009;
inline constexpr int kIdSearch = 1011;
inline constexpr int kIdEnter = 1012;
inline constexpr int kIdPatientList = 1007;

// The application's title, also the caption of the store's "only support 1000 users!" box.
inline constexpr char kAppTitle[] = "Vyr";

const DialogTemplate& PatientDialogTemplate();

}  // namespace vyr
