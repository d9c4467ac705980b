// Report to text: the batch's result picks one text, each failed picture another; pictures are
// named by their file name only, as the photo list shows them.
#include "ui/dicom_messages.h"

#include <QStringList>

#include "dicom/dicom_result.h"
#include "ui/dicom_texts.h"

namespace vyr {
namespace {

QString NameOf(const PictureOutcome& outcome) {
    return QString::fromStdString(outcome.picture.filename().string());
}

// The line of one failed picture, or "" for outcomes the batch's own line explains.
QString PictureLine(int language, const PictureOutcome& outcome) {
    switch (outcome.result) {
        case kDicomNotAPicture:
            return DicomTextFor(language, DicomText::kNotAPicture).arg(NameOf(outcome));
        case kDicomPictureTooLarge:
            return DicomTextFor(language, DicomText::kPictureTooLarge).arg(NameOf(outcome));
        case kDicomWriteFailed:
            return DicomTextFor(language, DicomText::kWriteFailed).arg(NameOf(outcome));
        case kDicomBuildFailed:
            return DicomTextFor(language, DicomText::kBuildFailed).arg(NameOf(outcome));
        case kDicomPictureRefused:
            return DicomTextFor(language, DicomText::kPictureRefused)
                .arg(NameOf(outcome))
                .arg(outcome.status, 4, 16, QLatin1Char('0'));
        default:
            return {};
    }
}

void AddPictureLines(int language, const BatchReport& report, QStringList* lines) {
    int listed = 0;
    int unlisted = 0;
    for (const PictureOutcome& outcome : report.pictures) {
        const QString line = PictureLine(language, outcome);
        if (line.isEmpty()) {
            continue;
        }
        if (listed < kListedPictureFailures) {
            lines->append(line);
            ++listed;
        } else {
            ++unlisted;
        }
    }
    if (unlisted > 0) {
        lines->append(DicomTextFor(language, DicomText::kAndMore).arg(unlisted));
    }
}

QString BatchLine(int language, const BatchReport& report, const ArchiveSettings& archive) {
    const QString host = QString::fromStdString(archive.host);
    const QString address = host + QLatin1Char(':') + QString::number(archive.port);
    const QString detail = QString::fromStdString(report.detail);
    switch (report.result) {
        case kDicomNoArchive:
            return DicomTextFor(language, DicomText::kNoArchive);
        case kDicomOutsideLoopback:
            return DicomTextFor(language, DicomText::kOutsideLoopback).arg(host);
        case kDicomUnknownHost:
            return DicomTextFor(language, DicomText::kUnknownHost).arg(host);
        case kDicomConnectionRefused:
            return DicomTextFor(language, DicomText::kConnectionRefused).arg(address);
        case kDicomConnectionFailed:
            return DicomTextFor(language, DicomText::kConnectionFailed).arg(address, detail);
        case kDicomAssociationRejected:
            return DicomTextFor(language, DicomText::kAssociationRejected).arg(address, detail);
        case kDicomNoPresentationContext:
            return DicomTextFor(language, DicomText::kNoPresentationContext);
        case kDicomNotConfirmed:
            for (const PictureOutcome& outcome : report.pictures) {
                if (outcome.result == kDicomNotConfirmed) {
                    return DicomTextFor(language, DicomText::kNotConfirmed)
                        .arg(NameOf(outcome), detail);
                }
            }
            return {};
        case kDicomCancelled:
            return DicomTextFor(language, DicomText::kCancelled);
        default:
            return {};
    }
}

}  // namespace

QString ExportReportText(int languageIndex, const BatchReport& report, const QString& folder) {
    QStringList lines;
    lines.append(DicomTextFor(languageIndex, DicomText::kExported)
                     .arg(report.DoneCount())
                     .arg(report.pictures.size())
                     .arg(folder));
    if (report.result == kDicomCancelled) {
        lines.append(DicomTextFor(languageIndex, DicomText::kCancelled));
    }
    AddPictureLines(languageIndex, report, &lines);
    return lines.join(QLatin1Char('\n'));
}

QString SendReportText(int languageIndex, const BatchReport& report,
                       const ArchiveSettings& archive) {
    QStringList lines;
    lines.append(DicomTextFor(languageIndex, DicomText::kSent)
                     .arg(report.DoneCount())
                     .arg(report.pictures.size()));
    if (const QString line = BatchLine(languageIndex, report, archive); !line.isEmpty()) {
        lines.append(line);
    }
    AddPictureLines(languageIndex, report, &lines);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace vyr
