// The results of building, writing and sending DICOM objects: 0 for success, a negative code for
// each failure a person can act on. The windows turn them into texts; tools print their names.
#pragma once

namespace vyr {

enum DicomResult : int {
    kDicomOk = 0,
    // One picture.
    kDicomNotAPicture = -1,      // the file does not load as a picture, or is empty
    kDicomPictureTooLarge = -2,  // more than 65535 rows or columns, or over the size limit
    kDicomWriteFailed = -3,      // the .dcm file could not be written
    kDicomBuildFailed = -4,      // the toolkit refused an attribute (a fault of ours)
    // The archive.
    kDicomNoArchive = -10,              // no usable host, port or AE titles in dicom.ini
    kDicomOutsideLoopback = -11,        // this build reaches archives on 127.0.0.0/8 only
    kDicomUnknownHost = -12,            // the host name does not resolve to an IPv4 address
    kDicomConnectionRefused = -13,      // nothing listens at the address and port
    kDicomConnectionFailed = -14,       // no TCP connection for another reason (timeout, route)
    kDicomAssociationRejected = -15,    // the archive said no (AE titles, busy)
    kDicomNoPresentationContext = -16,  // the archive does not take VL Photographic Images
    kDicomPictureRefused = -17,         // the archive answered the C-STORE with a failure status
    kDicomNotConfirmed = -18,           // the connection ended before the archive answered
    kDicomCancelled = -19,              // the user stopped the batch before this picture
};

// The enumerator's name without its prefix ("NotAPicture"), for console lines.
const char* DicomResultName(int result);

}  // namespace vyr
