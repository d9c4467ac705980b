// Whole-field matching over the listed slots and the bounded search result table.
#include "patients/store/patient_search.h"

#include "patients/store/text_field.h"

namespace vyr {

int FindPatient(const PatientTable& table, std::string_view name, std::string_view tel) {
    for (int slot = 0; slot < table.Count(); ++slot) {
        const PatientRecord record = table.Slot(slot);
        if (TextFieldEquals(record.name, name) || TextFieldEquals(record.tel, tel)) {
            return slot;
        }
    }
    return -1;
}

SearchResults SearchPatients(const PatientTable& table, std::string_view name,
                             std::string_view tel) {
    SearchResults results;
    auto append = [&results](const PatientRecord& record, int slot) {
        if (results.rows.size() < static_cast<size_t>(kPatientSlots)) {
            results.rows.push_back(record);
            results.storeSlots.push_back(slot);
        }
    };
    for (int slot = 0; slot < table.Count(); ++slot) {
        const PatientRecord record = table.Slot(slot);
        if (TextFieldEquals(record.name, name)) {
            append(record, slot);
        }
        if (TextFieldEquals(record.tel, tel)) {
            append(record, slot);
        }
    }
    return results;
}

}  // namespace vyr
