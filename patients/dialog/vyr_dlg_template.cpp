// The control table of template 102 (373 x 284 dialog units).
#include "patients/dialog/vyr_dlg_template.h"

#include <array>
#include <string_view>

namespace vyr {
namespace {

// Sorted by the combo box, so "Female" is index 0 and "Male" index 1.
constexpr std::array<std::string_view, 2> kGenderItems = {"Male", "Female"};

constexpr std::array<ControlTemplate, 17> kControls = {{
    {kIdNameLabel, ControlKind::kLabel, "Name:", {68, 8, 45, 8}},
    {kIdNameBox, ControlKind::kEdit, "", {123, 1, 163, 22}, kStyleBorder},
    {kIdAgeLabel, ControlKind::kLabel, "Age:", {68, 32, 45, 8}},
    {kIdAgeBox, ControlKind::kEdit, "", {123, 25, 163, 22}, kStyleBorder},
    {kIdGenderLabel, ControlKind::kLabel, "Gender:", {68, 53, 45, 8}},
    {kIdGenderChoice,
     ControlKind::kComboDropDown,
     "",
     {122, 49, 163, 51},
     kStyleSorted,
     kGenderItems},
    {kIdTelLabel, ControlKind::kLabel, "TEL:", {68, 76, 45, 8}},
    {kIdTelBox, ControlKind::kEdit, "", {123, 70, 163, 22}, kStyleBorder},
    {kIdNew, ControlKind::kButton, "New", {0, 97, 62, 27}},
    {kIdSave, ControlKind::kButton, "Save", {62, 97, 62, 27}},
    {kIdDelete, ControlKind::kButton, "Delete", {123, 97, 62, 27}},
    {kIdEdit, ControlKind::kButton, "Edit", {185, 97, 62, 27}},
    {kIdSearch, ControlKind::kButton, "Search", {248, 97, 62, 27}},
    {kIdEnter, ControlKind::kButton, "Enter", {310, 97, 62, 27}},
    {kIdPatientList, ControlKind::kListReport, "", {0, 129, 372, 148}, kStyleBorder},
    {kIdOk, ControlKind::kDefaultButton, "确定", {357, 21, 15, 14}, kStyleHidden | kStyleDisabled},
    {kIdCancel, ControlKind::kButton, "取消", {227, 7, 14, 14}, kStyleHidden},
}};

constexpr DialogTemplate kTemplate102{102, kAppTitle, 373, 284, kShellDlg8, kControls};

}  // namespace

const DialogTemplate& PatientDialogTemplate() {
    return kTemplate102;
}

}  // namespace vyr
