// usrinfo.bin: read whole, written whole through atomic replacement.
#include "patients/store/patient_store.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"

namespace vyr {

PatientStore::PatientStore(std::filesystem::path file) : file_(std::move(file)) {}

LoadResult PatientStore::LoadOrCreate() {
    // Read-only is enough to show the patients: a read-only file is used as it is and its writes
    // are skipped (ReplaceFileAtomically leaves read-only files alone).
    std::FILE* in = std::fopen(file_.c_str(), "rb");
    if (in != nullptr) {
        std::vector<uint8_t> bytes(kPatientImageBytes);
        const size_t read = std::fread(bytes.data(), 1, bytes.size(), in);
        std::fclose(in);
        table_.LoadImage(std::span<const uint8_t>(bytes.data(), read));
        mayWrite_ = true;
        return LoadResult::kLoaded;
    }
    std::error_code error;
    const bool missing =
        std::filesystem::status(file_, error).type() == std::filesystem::file_type::not_found;
    table_.ResetToSample();
    if (!missing) {
        mayWrite_ = false;
        std::fprintf(stderr, "%s cannot be read; it is left unchanged\n", file_.c_str());
        return LoadResult::kUnreadable;
    }
    mayWrite_ = true;
    (void)SaveAll();
    return LoadResult::kCreated;
}

int PatientStore::SaveAll() {
    const auto image = table_.Image();
    if (!mayWrite_ || ReplaceFileAtomically(file_, image.data(), image.size()) != 0) {
        std::fprintf(stderr, "%s could not be written\n", file_.c_str());
        return -1;
    }
    return 0;
}

AddResult PatientStore::Add(const PatientRecord& record) {
    const AddResult result = table_.Add(record);
    if (result == AddResult::kAdded) {
        (void)SaveAll();
    }
    return result;
}

int PatientStore::Update(int index, const PatientRecord& record) {
    if (table_.Update(index, record) != 0) {
        return -1;
    }
    (void)SaveAll();
    return 0;
}

int PatientStore::Remove(int index) {
    if (table_.Remove(index) != 0) {
        return -1;
    }
    (void)SaveAll();
    return 0;
}

}  // namespace vyr
