// The control ids of the main window (template 130) and its fixed sizes: tests and the other
// parts of the photo browser address the controls by these numbers.
#pragma once

namespace vyr {

inline constexpr int kMainTemplateId = 130;

// The buttons along the top.
inline constexpr int kIdPhotoManagement = 1016;
inline constexpr int kIdVideo = 1017;
inline constexpr int kIdSystemManagement = 1018;
inline constexpr int kIdCompareBack = 1021;
inline constexpr int kIdRecord = 1019;
inline constexpr int kIdPlayer = 1022;
inline constexpr int kIdExit = 1020;

// The patient labels and the description box.
inline constexpr int kIdPatientName = 1000;
inline constexpr int kIdPatientGender = 1003;
inline constexpr int kIdPatientAge = 1013;
inline constexpr int kIdPatientTel = 1005;
inline constexpr int kIdDescriptionLabel = 1040;
inline constexpr int kIdDescription = 1056;

// The preview and the buttons under it.
inline constexpr int kIdPreview = 1037;
inline constexpr int kIdCapture = 1023;
inline constexpr int kIdMultiSelection = 1025;
inline constexpr int kIdCompare = 1024;
inline constexpr int kIdDelete = 1010;
inline constexpr int kIdOutputReport = 1027;

// The large area on the right: live video, the still picture over it, the photo list and the four
// comparison areas.
inline constexpr int kIdLiveArea = 1028;
inline constexpr int kIdStillArea = 1051;
inline constexpr int kIdPhotoList = 1007;
inline constexpr int kIdCompare1 = 1033;
inline constexpr int kIdCompare2 = 1034;
inline constexpr int kIdCompare3 = 1035;
inline constexpr int kIdCompare4 = 1036;
inline constexpr int kCompareAreaIds[4] = {kIdCompare1, kIdCompare2, kIdCompare3, kIdCompare4};

// Thumbnails of the photo list and the spacing of its icons, in pixels.
inline constexpr int kThumbnailWidth = 284;
inline constexpr int kThumbnailHeight = 160;
inline constexpr int kIconSpacingX = 288;
inline constexpr int kIconSpacingY = 184;

}  // namespace vyr
