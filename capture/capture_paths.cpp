// Folder and file names of the capture files.
#include "capture/capture_paths.h"

#include <cstdio>

#include "linkstate/link_shared.h"
#include "platform/exe_dir.h"

namespace vyr {

std::string LinkExeDir(const LinkShared& link) {
    return link.exeDir.empty() ? GetExeDir() : link.exeDir;
}

std::string PhotoFolder(const LinkShared& link) {
    return LinkExeDir(link) + "/jpg/" + link.PatientFolderName();
}

std::string VideoFolder(const LinkShared& link) {
    return LinkExeDir(link) + "/video";
}

std::string SnapshotFileStem(const std::tm& t) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return name;
}

std::string VideoFileStem(const std::tm& t) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return name;
}

}  // namespace vyr
