// The application object's current patient: copied in after zeroing, copied out field by field so
// that the caller's bytes behind each terminator stay.
#include "app/core/vyr_app.h"

#include <gtest/gtest.h>

namespace {

TEST(VyrApp, CurrentPatientIsCopiedFieldByField) {
    vyr::CVyrApp app({}, {});
    EXPECT_EQ(vyr::CVyrApp::Current(), &app);
    vyr::PatientRecord patient = vyr::MakePatientRecord("abcdefgh", "44", "123", 1);
    patient.inUse = 1;
    app.SetCurrentPatient(patient);
    vyr::PatientRecord out{};
    ASSERT_EQ(app.GetCurrentPatient(&out), 0);
    EXPECT_EQ(out.Name(), "abcdefgh");
    EXPECT_EQ(out.Tel(), "123");
    EXPECT_EQ(out.gender, 1);
    EXPECT_EQ(out.inUse, 1);

    app.SetCurrentPatient(vyr::MakePatientRecord("xy", "", "9", 0));
    ASSERT_EQ(app.GetCurrentPatient(&out), 0);
    EXPECT_EQ(std::string(out.name.data(), 8), std::string("xy\0defgh", 8));
    EXPECT_EQ(out.Age(), "");
    EXPECT_EQ(out.gender, 0);

    app.ResetForStart();
    vyr::PatientRecord cleared{};
    ASSERT_EQ(app.GetCurrentPatient(&cleared), 0);
    EXPECT_EQ(cleared.Tel(), "");
}

}  // namespace
