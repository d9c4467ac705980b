// The folders beside the executable: {exe dir}/video/ for every video, {exe dir}/jpg/ and one
// folder per patient, {exe dir}/jpg/{tel}, named by the patient's TEL exactly as typed.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vyr {

// A patient folder's path has to fit a 255-byte buffer with its terminator.
inline constexpr size_t kPatientFolderPathMaxBytes = 254;

// Whether a TEL can name exactly one folder inside jpg/: not empty, not "." or "..", no "/", no
// control characters. Anything else would put pictures outside the patient's folder.
bool IsUsableFolderName(std::string_view tel);

// {exe dir}/jpg/{tel}, without a trailing '/'.
std::string PatientFolderPath(const std::string& exeDir, std::string_view tel);

// Receives the TEL once the patient's folders exist: the main window connects it to the camera
// link's SetPatientFolderName. May be empty when there is no link.
using PatientFolderNameSink = std::function<void(const std::string& tel)>;

// Creates {exe dir}/video, {exe dir}/jpg and {exe dir}/jpg/{tel} in this order, one level each,
// ignoring failures (existing folders are the normal case), then hands tel to the sink.
// Returns 0; or -1 when tel is not a usable folder name or its folder's path is longer than
// kPatientFolderPathMaxBytes: then video/ and jpg/ are created but no patient folder, and the sink
// is not called, so nothing is ever written outside jpg/.
int EnsurePatientFolders(const std::string& exeDir, const std::string& tel,
                         const PatientFolderNameSink& setPatientFolderName);

}  // namespace vyr
