// The patient store: the patient table kept as the exact image of usrinfo.bin in the current
// working folder and written back whole, atomically, after every change.
#pragma once

#include <filesystem>

#include "patients/store/patient_table.h"

namespace vyr {

inline constexpr char kPatientFileName[] = "usrinfo.bin";

enum class LoadResult {
    kLoaded,      // the file was read over the image
    kCreated,     // there was no file: it was written with the sample patient
    kUnreadable,  // the file exists but cannot be read: the sample patient is shown, and the file
                  // is never written by this store, so its patients are not replaced
};

class PatientStore {
public:
    explicit PatientStore(std::filesystem::path file = kPatientFileName);

    // Reads the file (at most 156004 bytes, over the image; a short file leaves the rest as it
    // was). Without a file: the image becomes the sample patient and is written.
    LoadResult LoadOrCreate();
    // Replaces the file with the whole image (write to a temporary file, flush, rename), so the
    // file is never seen truncated. Returns 0, or -1 when the file could not be written (read-only
    // file, unwritable folder, full disk): the image keeps the change and the program goes on.
    int SaveAll();

    // The table's operations, each followed by SaveAll when it changed something. Update and
    // Remove return 0 when the table changed (even if the file could not be written), -1 when the
    // index is not a listed row.
    AddResult Add(const PatientRecord& record);
    int Update(int index, const PatientRecord& record);
    int Remove(int index);

    const PatientTable& table() const { return table_; }
    int Count() const { return table_.Count(); }
    PatientRecord Slot(int index) const { return table_.Slot(index); }
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
    PatientTable table_;
    bool mayWrite_ = true;
};

}  // namespace vyr
