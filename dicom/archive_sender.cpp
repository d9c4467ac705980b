// C-STORE with the toolkit's DcmSCU. The toolkit reports a failed TCP connection only as text, so
// "refused" is told apart from other connection failures by the system's words in that text.
#include "dicom/archive_sender.h"

#include <dcmtk/config/osconfig.h>  // before every other DCMTK header
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/diutil.h>
#include <dcmtk/dcmnet/scu.h>
#include <dcmtk/oflog/oflog.h>

#include <mutex>

#include "dicom/archive_address.h"
#include "dicom/dicom_result.h"

namespace vyr {
namespace {

// The toolkit's own log says "Requesting Association" and the like at its default level; our
// console keeps its warnings and errors only.
void QuietToolkitLog() {
    static std::once_flag once;
    std::call_once(once, [] { OFLog::configure(OFLogger::WARN_LOG_LEVEL); });
}

// C-STORE statuses that mean "stored": success and the three warnings of PS3.4 B.2.3.
bool IsStored(Uint16 status) {
    return status == 0x0000 || status == 0xB000 || status == 0xB006 || status == 0xB007;
}

int ConnectionFailure(const OFCondition& condition) {
    if (condition == DUL_ASSOCIATIONREJECTED) {
        return kDicomAssociationRejected;
    }
    if (condition == NET_EC_NoAcceptablePresentationContexts) {
        return kDicomNoPresentationContext;
    }
    const std::string text = condition.text();
    if (text.find("Connection refused") != std::string::npos) {
        return kDicomConnectionRefused;
    }
    return kDicomConnectionFailed;
}

// Fills the outcomes of the pictures from index on with result and returns the batch's result.
int StopBatch(const PhotoBatch& batch, size_t from, int result, BatchReport* report) {
    for (size_t i = from; i < batch.size(); ++i) {
        report->pictures.push_back({batch.item(i).picture, result, 0, {}});
    }
    report->result = result;
    return result;
}

}  // namespace

int SendBatch(const PhotoBatch& batch, const ArchiveSettings& settings,
              const BatchProgress& progress, BatchCancel cancel, BatchReport* report) {
    *report = {};
    if (FindArchiveSettingsFault(settings) != ArchiveSettingsFault::kNone) {
        return StopBatch(batch, 0, kDicomNoArchive, report);
    }
    const auto port = static_cast<uint16_t>(settings.port);
    std::string address;
    if (const int resolved = ResolveArchiveAddress(settings.host, port, &address);
        resolved != kDicomOk) {
        return StopBatch(batch, 0, resolved, report);
    }

    QuietToolkitLog();
    DcmSCU scu;
    scu.setAETitle(settings.callingAe.c_str());
    scu.setPeerAETitle(settings.calledAe.c_str());
    scu.setPeerHostName(address.c_str());
    scu.setPeerPort(port);
    scu.setConnectionTimeout(kArchiveConnectTimeoutS);
    scu.setACSETimeout(kArchiveAssociationTimeoutS);
    scu.setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    scu.setDIMSETimeout(kArchiveStoreTimeoutS);
    OFList<OFString> syntaxes;
    syntaxes.push_back(UID_LittleEndianExplicitTransferSyntax);
    syntaxes.push_back(UID_LittleEndianImplicitTransferSyntax);
    OFCondition condition = scu.addPresentationContext(UID_VLPhotographicImageStorage, syntaxes);
    if (condition.good()) {
        condition = scu.initNetwork();
    }
    if (condition.good()) {
        condition = scu.negotiateAssociation();
    }
    if (condition.bad()) {
        report->detail = condition.text();
        return StopBatch(batch, 0, ConnectionFailure(condition), report);
    }
    const T_ASC_PresentationContextID context =
        scu.findPresentationContextID(UID_VLPhotographicImageStorage, "");
    if (context == 0) {
        (void)scu.releaseAssociation();
        return StopBatch(batch, 0, kDicomNoPresentationContext, report);
    }

    for (size_t i = 0; i < batch.size(); ++i) {
        if (cancel != nullptr && cancel->load()) {
            (void)scu.releaseAssociation();
            return StopBatch(batch, i, kDicomCancelled, report);
        }
        PictureOutcome outcome{batch.item(i).picture, kDicomOk, 0, {}};
        DcmFileFormat file;
        outcome.result = batch.BuildDataset(i, file.getDataset());
        if (outcome.result == kDicomOk) {
            Uint16 status = 0;
            condition = scu.sendSTORERequest(context, OFFilename(), file.getDataset(), status);
            if (condition.bad()) {
                // No answer: the archive may or may not have kept it, so it is not counted.
                report->detail = condition.text();
                report->pictures.push_back({outcome.picture, kDicomNotConfirmed, 0, {}});
                if (condition == DUL_PEERABORTEDASSOCIATION) {
                    // Gone already: only our side is cleaned up (an abort would fail loudly).
                    scu.closeAssociation(DCMSCU_PEER_ABORTED_ASSOCIATION);
                } else {
                    (void)scu.abortAssociation();
                }
                if (progress) {
                    progress(i + 1, batch.size());
                }
                return StopBatch(batch, i + 1, kDicomNotConfirmed, report);
            }
            outcome.status = status;
            outcome.result = IsStored(status) ? kDicomOk : kDicomPictureRefused;
        }
        report->pictures.push_back(outcome);
        if (progress) {
            progress(i + 1, batch.size());
        }
    }
    (void)scu.releaseAssociation();
    return report->result;
}

}  // namespace vyr
