// Fuzz target for usrinfo.bin loading: any bytes are loaded as the patient table image, then every
// listed record is read, searched and changed the way the patient dialog does. Checks that the
// count stays within the 1000 slots, that no text read from a record is longer than its field,
// and that the search result table and removals stay in bounds.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "patients/store/patient_search.h"
#include "patients/store/patient_table.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vyr::PatientTable table;
    table.LoadImage(std::span<const uint8_t>(data, size));
    const int count = table.Count();
    Check(count >= 0 && count <= vyr::kPatientSlots);

    size_t textBytes = 0;
    for (int slot = 0; slot < count; ++slot) {
        const vyr::PatientRecord record = table.Slot(slot);
        Check(record.Name().size() <= record.name.size());
        Check(record.Age().size() <= record.age.size());
        Check(record.Tel().size() <= record.tel.size());
        textBytes += record.Name().size() + record.Age().size() + record.Tel().size();
    }

    // Search with the keys of the first and the last listed patient, as the boxes would hold them.
    const std::string name(table.Slot(0).Name());
    const std::string tel(table.Slot(count > 0 ? count - 1 : 0).Tel());
    const vyr::SearchResults results = vyr::SearchPatients(table, name, tel);
    Check(results.rows.size() <= static_cast<size_t>(vyr::kPatientSlots));
    Check(results.rows.size() == results.storeSlots.size());
    for (const int slot : results.storeSlots) {
        Check(slot >= 0 && slot < count);
    }
    const int first = vyr::FindPatient(table, name, tel);
    Check(first < count && (first >= 0) == !results.rows.empty());

    // Edit the last row, delete the first, add one: the operations of the dialog's buttons.
    if (count > 0) {
        Check(table.Update(count - 1, vyr::MakePatientRecord(tel, name, name, 1)) == 0);
        Check(table.Remove(0) == 0);
        Check(table.Count() == count - 1);
    }
    const int before = table.Count();
    const vyr::AddResult added = table.Add(vyr::MakePatientRecord(name, tel, name, 0));
    Check(table.Count() == before + (added == vyr::AddResult::kAdded ? 1 : 0));
    Check(table.Update(table.Count(), vyr::PatientRecord{}) == -1);
    Check(textBytes <= static_cast<size_t>(count) * (100 + 20 + 30));
    return 0;
}
