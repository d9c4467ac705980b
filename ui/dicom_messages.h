// The message that ends a DICOM export or sending: how many pictures were written or confirmed,
// then what stopped the batch, then each picture that failed (the first ten, then a count).
#pragma once

#include <QString>
#include <string>

#include "dicom/archive_settings.h"
#include "dicom/batch_report.h"

namespace vyr {

inline constexpr int kListedPictureFailures = 10;

QString ExportReportText(int languageIndex, const BatchReport& report, const QString& folder);
QString SendReportText(int languageIndex, const BatchReport& report,
                       const ArchiveSettings& archive);

}  // namespace vyr
