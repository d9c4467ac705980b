// dicom.ini: the practice's archive (PACS) and this installation's site key, kept in the data
// folder beside language.ini in the INI format of QSettings:
//
//   [archive]
//   host=127.0.0.1        name or dotted IPv4 address of the archive
//   port=11112            its DICOM port
//   called_ae=ARCHIVE     the archive's AE title
//   calling_ae=VYR        our AE title, as the archive knows us
//   [uids]
//   site=<uuid>           made on the first export; keeps study UIDs of this site apart
#pragma once

#include <filesystem>
#include <string>

namespace vyr {

inline constexpr char kDicomSettingsFileName[] = "dicom.ini";
inline constexpr char kDefaultCallingAe[] = "VYR";
inline constexpr int kDefaultArchivePort = 104;

struct ArchiveSettings {
    std::string host;
    int port = kDefaultArchivePort;
    std::string calledAe;
    std::string callingAe = kDefaultCallingAe;
};

// What is wrong with settings, first fault first.
enum class ArchiveSettingsFault { kNone, kHost, kPort, kCalledAe, kCallingAe };

// An AE title: 1 to 16 characters of printable ASCII without '\', not only spaces (surrounding
// spaces are not significant and are trimmed before the test).
bool IsValidAeTitle(const std::string& title);

// A host: 1 to 253 characters, letters, digits, '.', '-' (a name or a dotted address); a port:
// 1 to 65535.
ArchiveSettingsFault FindArchiveSettingsFault(const ArchiveSettings& settings);

// The settings in the file; defaults for missing keys (an empty host: no archive). Values are
// trimmed; a port that is no number reads as 0.
ArchiveSettings ReadArchiveSettings(const std::filesystem::path& file);

// Writes the [archive] keys, keeping the file's other keys. Returns 0, or -1 when the file could
// not be written.
[[nodiscard]] int WriteArchiveSettings(const std::filesystem::path& file,
                                       const ArchiveSettings& settings);

// The site key in [uids], made and written on first use. When it cannot be written the key is
// still returned (studies of later exports then differ from this one's); never empty.
std::string ReadOrCreateSiteKey(const std::filesystem::path& file);

}  // namespace vyr
