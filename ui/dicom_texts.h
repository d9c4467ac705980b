// The texts of the photo list's DICOM menu, its settings dialog and its messages, in the six
// languages of the main window (0 English, 1 Simplified Chinese, 2 Spanish, 3 Portuguese,
// 4 Italian, 5 Traditional Chinese). These texts are new, so they have no template captions to
// fall back on: any other index gets English.
#pragma once

#include <QString>

namespace vyr {

enum class DicomText {
    kMenuExport,
    kMenuSend,
    kMenuSettings,
    kCaption,
    kSelectPictures,
    kExporting,  // %1 of %2
    kSending,    // %1 of %2
    kStopping,
    kCancel,
    kOk,
    kExported,  // %1 of %2, folder %3
    kSent,      // %1 of %2
    kNoArchive,
    kOutsideLoopback,        // %1 host
    kUnknownHost,            // %1 host
    kConnectionRefused,      // %1 host:port
    kConnectionFailed,       // %1 host:port, %2 the toolkit's words
    kAssociationRejected,    // %1 host:port, %2 the toolkit's words
    kNoPresentationContext,  //
    kNotConfirmed,           // %1 picture, %2 the toolkit's words
    kCancelled,              //
    kPictureRefused,         // %1 picture, %2 status in hex
    kNotAPicture,            // %1 picture
    kPictureTooLarge,        // %1 picture
    kWriteFailed,            // %1 picture or file
    kBuildFailed,            // %1 picture
    kAndMore,                // %1 count
    kSettingsTitle,
    kHost,
    kPort,
    kCalledAe,
    kCallingAe,
    kSettingsInvalid,
    kCount
};

QString DicomTextFor(int languageIndex, DicomText text);

}  // namespace vyr
