// The patient dialog's search: a patient matches when its whole name equals the given name, or its
// whole TEL equals the given TEL (byte comparison up to the terminator, case-sensitive, no prefix
// or substring matching, no trimming; an empty key matches only empty fields).
#pragma once

#include <string_view>
#include <vector>

#include "patients/store/patient_table.h"

namespace vyr {

// The first listed slot whose name or TEL matches, or -1 when none does.
int FindPatient(const PatientTable& table, std::string_view name, std::string_view tel);

// The search result table: for each listed slot in order, one row when its name matches and then,
// separately, one more when its TEL matches, so a patient matching both is listed twice in a row.
// At most kPatientSlots rows; further matches are dropped.
struct SearchResults {
    std::vector<PatientRecord> rows;
    std::vector<int> storeSlots;  // the store slot of each row
};
SearchResults SearchPatients(const PatientTable& table, std::string_view name,
                             std::string_view tel);

}  // namespace vyr
