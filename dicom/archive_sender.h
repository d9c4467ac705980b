// Sending: the pictures of a batch go to the practice's archive by C-STORE over one association.
// Runs on a worker thread (it blocks on the network); the window shows its progress.
#pragma once

#include "dicom/archive_settings.h"
#include "dicom/batch_report.h"
#include "dicom/photo_batch.h"

namespace vyr {

// How long a silent archive is waited for, in seconds: the TCP connection, the association's
// answer, and each C-STORE's answer (a 6 MB picture on a slow practice network included).
inline constexpr int kArchiveConnectTimeoutS = 10;
inline constexpr int kArchiveAssociationTimeoutS = 15;
inline constexpr int kArchiveStoreTimeoutS = 60;

// Checks the settings and the address (the socket guard's rule), opens an association offering
// VL Photographic Image Storage in Explicit and Implicit VR Little Endian, and stores the pictures
// one by one. A picture counts as sent only when the archive answered its C-STORE with success or
// a warning (stored with changes). A picture that cannot be read or that the archive refuses does
// not stop the others; a connection that breaks stops the batch, and the picture in flight is
// kDicomNotConfirmed. Pictures never tried keep the batch's result.
// Returns report->result: kDicomOk (even when single pictures failed), or kDicomNoArchive,
// kDicomOutsideLoopback, kDicomUnknownHost, kDicomConnectionRefused, kDicomConnectionFailed,
// kDicomAssociationRejected, kDicomNoPresentationContext, kDicomNotConfirmed, kDicomCancelled.
int SendBatch(const PhotoBatch& batch, const ArchiveSettings& settings,
              const BatchProgress& progress, BatchCancel cancel, BatchReport* report);

}  // namespace vyr
