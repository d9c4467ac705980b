// The rows of template 130 in the order the window is drawn: later rows lie over earlier ones, so
// the still area lies over the live area.
#include "ui/main_dlg_template.h"

#include <array>

#include "ui/main_dlg_ids.h"

namespace vyr {
namespace {

constexpr ControlKind kButton = ControlKind::kButton;
constexpr ControlKind kLabel = ControlKind::kLabel;

constexpr std::array<ControlTemplate, 27> kControls = {{
    {kIdPhotoManagement, kButton, "Phote Management", {3, 0, 86, 20}},
    {kIdVideo, kButton, "Video", {89, 0, 86, 20}},
    {kIdSystemManagement, kButton, "System Management", {175, 0, 86, 20}},
    {kIdCompareBack, kButton, "Compare back", {261, 0, 86, 20}},
    {kIdRecord, kButton, "Record", {347, 0, 86, 20}},
    {kIdPlayer, kButton, "Player", {433, 0, 86, 20}},
    {kIdExit, kButton, "Exit", {519, 0, 86, 20}},
    {kNoControlId, ControlKind::kGroupBox, "", {2, 18, 104, 70}},
    {kIdPatientName, kLabel, "Name:", {9, 28, 79, 8}},
    {kIdPatientGender, kLabel, "Gender:", {9, 40, 79, 8}},
    {kIdPatientAge, kLabel, "Age:", {9, 52, 79, 8}},
    {kIdPatientTel, kLabel, "TEL:", {9, 64, 79, 8}},
    {kIdDescriptionLabel, kLabel, "Description of illness:", {9, 76, 78, 8}},
    {kIdPreview, kLabel, "", {5, 207, 100, 74}},
    {kIdCapture, kButton, "Capture", {4, 283, 103, 23}},
    {kIdMultiSelection, kButton, "Start multi selection", {4, 310, 103, 23}},
    {kIdCompare, kButton, "Compare", {4, 337, 103, 23}},
    {kIdDelete, kButton, "Delete", {4, 364, 103, 23}},
    {kIdOutputReport, kButton, "Output Image", {4, 389, 103, 23}},
    {kIdLiveArea, kLabel, "", {112, 21, 593, 390}},
    {kIdStillArea, kLabel, "", {112, 22, 593, 390}},
    {kIdCompare1, kLabel, "", {111, 22, 295, 194}, kStyleBorder},
    {kIdCompare2, kLabel, "", {407, 22, 295, 194}, kStyleBorder},
    {kIdCompare3, kLabel, "", {111, 217, 295, 194}, kStyleBorder},
    {kIdCompare4, kLabel, "", {407, 217, 295, 194}, kStyleBorder},
    {kIdOk, kButton, "确定", {0, 0, 1, 1}, kStyleHidden},
    {kIdCancel, kButton, "取消", {0, 0, 1, 1}, kStyleHidden},
}};

constexpr DialogTemplate kMainTemplate{
    kMainTemplateId, "Vyr（V8.5 2024/09/14)", 710, 415, kSystem10, kControls};

}  // namespace

const DialogTemplate& MainDlgTemplate() {
    return kMainTemplate;
}

}  // namespace vyr
