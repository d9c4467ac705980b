// The patient dialog's texts in the six user-interface languages (LanguageIndex 0 English,
// 1 Simplified Chinese, 2 Spanish, 3 Portuguese, 4 Italian, 5 Traditional Chinese). The column
// headers, the gender items and the title are the same in every language.
#pragma once

#include <string_view>

namespace vyr {

struct PatientDialogTexts {
    std::string_view save;
    std::string_view newPatient;
    std::string_view remove;
    std::string_view edit;
    std::string_view search;
    std::string_view enter;
    std::string_view telLabel;
    std::string_view nameLabel;
    std::string_view ageLabel;
    std::string_view genderLabel;
};

// The texts for a language, or nullptr for an index outside 0 .. 5 (the template's captions stay).
const PatientDialogTexts* PatientDialogTextsFor(int languageIndex);

}  // namespace vyr
