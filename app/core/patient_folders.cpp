// Single-level folder creation with mkdir(2); each failure is ignored, as an existing folder is
// what every later start finds.
#include "app/core/patient_folders.h"

#include <sys/stat.h>

namespace vyr {

bool IsUsableFolderName(std::string_view tel) {
    if (tel.empty() || tel == "." || tel == "..") {
        return false;
    }
    for (const char c : tel) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string PatientFolderPath(const std::string& exeDir, std::string_view tel) {
    std::string path = exeDir + "/jpg/";
    path.append(tel);
    return path;
}

int EnsurePatientFolders(const std::string& exeDir, const std::string& tel,
                         const PatientFolderNameSink& setPatientFolderName) {
    (void)::mkdir((exeDir + "/video").c_str(), 0777);
    (void)::mkdir((exeDir + "/jpg").c_str(), 0777);
    const std::string folder = PatientFolderPath(exeDir, tel);
    if (!IsUsableFolderName(tel) || folder.size() > kPatientFolderPathMaxBytes) {
        return -1;
    }
    (void)::mkdir(folder.c_str(), 0777);
    if (setPatientFolderName) {
        setPatientFolderName(tel);
    }
    return 0;
}

}  // namespace vyr
