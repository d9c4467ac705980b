// Patient tables for tests: n numbered patients, and usrinfo.bin files written from a table.
#pragma once

#include <fstream>
#include <string>

#include "patients/store/patient_table.h"

namespace vyr::test {

// Patients "p0", "p1", ... with ages "20", "21", ... and TELs "t0", "t1", ..., gender by parity.
inline PatientTable TableWithPatients(int n) {
    PatientTable table;
    for (int i = 0; i < n; ++i) {
        const std::string number = std::to_string(i);
        (void)table.Add(MakePatientRecord("p" + number, std::to_string(20 + i % 50), "t" + number,
                                          static_cast<uint16_t>(i % 2)));
    }
    return table;
}

inline void WriteImage(const std::string& path, const PatientTable& table) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto image = table.Image();
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
}

}  // namespace vyr::test
