// Search rules the dialog tests do not reach: empty keys and the bound of the result table.
#include "patients/store/patient_search.h"

#include <gtest/gtest.h>

namespace {

TEST(PatientSearch, AnEmptyKeyMatchesOnlyEmptyFields) {
    vyr::PatientTable table;
    (void)table.Add(vyr::MakePatientRecord("anna", "1", "777", 0));
    (void)table.Add(vyr::MakePatientRecord("", "9", "999", 1));
    const auto results = vyr::SearchPatients(table, "", "");
    EXPECT_EQ(results.storeSlots, std::vector<int>{1});
}

TEST(PatientSearch, ResultsStopAtTheTableSize) {
    vyr::PatientTable table;
    for (int i = 0; i < 991; ++i) {
        ASSERT_EQ(table.Add(vyr::MakePatientRecord("same", "1", "same", 0)),
                  vyr::AddResult::kAdded);
    }
    // Each patient matches twice: 1982 matches, of which the first 1000 are kept.
    const auto results = vyr::SearchPatients(table, "same", "same");
    EXPECT_EQ(results.rows.size(), 1000u);
    EXPECT_EQ(results.storeSlots.size(), 1000u);
    EXPECT_EQ(results.storeSlots.back(), 499);
}

}  // namespace
