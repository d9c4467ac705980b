// The report's one page, written through the PDF layer in the fixed order of calls: document and
// its information, a 595 x 842 point page, the heading at (50, 800) and six lines below it with
// leading 26 in the page font at 24 points, the description flowed into the box (30, 620) -
// (560, 220) (what does not fit is left out), and the pictures standing on y 30: one in a
// 598 x 480 box at x 2, or two in 290 x 200 boxes at x 4 and x 300.
//
// Failures print the program's console lines on standard output ("Couldn't create PDFlib object
// (out of memory)!", "Error: ...", or "PDFlib exception occurred in image sample:" and
// "[number] function: message") and leave no file.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "patients/store/patient_record.h"

namespace vyr {

// The description box's text is cut to this many bytes, at a character boundary.
inline constexpr size_t kReportDescriptionMaxBytes = 499;
// Each line is formatted into a 255-byte buffer: at most this many bytes, cut the same way.
inline constexpr size_t kReportLineMaxBytes = 254;

struct ReportContent {
    PatientRecord patient;
    int languageIndex = 0;
    std::string description;  // UTF-8, at most kReportDescriptionMaxBytes
    // Picture A, then picture B: none, one (large) or two (side by side, A on the left).
    std::vector<std::filesystem::path> pictures;
};

// The patient, TEL and date lines (date from the local time now), formatted as the report shows
// them; empty strings for a language outside 0 to 5.
struct ReportLines {
    std::string patient;
    std::string tel;
    std::string date;
};
ReportLines MakeReportLines(const PatientRecord& patient, int languageIndex, std::time_t now);

// Writes the report to fileName (the final name, ".pdf" already applied). Returns 0, or -1 with
// *why saying what failed (for the user's message box); the file is then not written.
[[nodiscard]] int WriteReport(const ReportContent& content, const std::string& fileName,
                              std::string* why);

}  // namespace vyr
