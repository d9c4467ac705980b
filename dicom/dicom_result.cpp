// Names of the results, for console lines and test messages.
#include "dicom/dicom_result.h"

namespace vyr {

const char* DicomResultName(int result) {
    switch (result) {
        case kDicomOk:
            return "Ok";
        case kDicomNotAPicture:
            return "NotAPicture";
        case kDicomPictureTooLarge:
            return "PictureTooLarge";
        case kDicomWriteFailed:
            return "WriteFailed";
        case kDicomBuildFailed:
            return "BuildFailed";
        case kDicomNoArchive:
            return "NoArchive";
        case kDicomOutsideLoopback:
            return "OutsideLoopback";
        case kDicomUnknownHost:
            return "UnknownHost";
        case kDicomConnectionRefused:
            return "ConnectionRefused";
        case kDicomConnectionFailed:
            return "ConnectionFailed";
        case kDicomAssociationRejected:
            return "AssociationRejected";
        case kDicomNoPresentationContext:
            return "NoPresentationContext";
        case kDicomPictureRefused:
            return "PictureRefused";
        case kDicomNotConfirmed:
            return "NotConfirmed";
        case kDicomCancelled:
            return "Cancelled";
        default:
            return "Unknown";
    }
}

}  // namespace vyr
