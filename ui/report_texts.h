// The report's texts in the six languages (0 English, 1 Simplified Chinese, 2 Spanish,
// 3 Portuguese, 4 Italian, 5 Traditional Chinese), UTF-8. Portuguese letters without a GBK form
// stay literal question marks, as the program has always printed them.
#pragma once

#include <string_view>

namespace vyr {

struct ReportTexts {
    std::string_view saveTitle;         // the save dialog's title
    std::string_view heading;           // shown at (50, 800)
    std::string_view patientLine;       // %s name, %s gender word, %s age
    std::string_view female;            // gender word for gender 0
    std::string_view male;              // gender word for any other gender
    std::string_view telLine;           // %s tel
    std::string_view dateLine;          // %04d%02d%02d %02d:%02d year, month, day, hour, minute
    std::string_view descriptionLabel;  // the line above the description
};

// The texts of a language, or nullptr for an index outside 0 to 5 (no heading, no dialog title,
// empty lines).
const ReportTexts* ReportTextsFor(int languageIndex);

}  // namespace vyr
