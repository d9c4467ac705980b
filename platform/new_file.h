// Writing a new file that appears whole or not at all and never replaces another file: pictures
// and other files the program creates once. The bytes go to a file without a name (O_TMPFILE) or,
// where the file system cannot make one, to a hidden temporary file in the same folder; they are
// flushed to disk, and only then does the file take its name, by linkat(2) or
// renameat2(RENAME_NOREPLACE), both of which fail rather than replace a file of that name. A full
// disk, a quota or a file-size limit therefore never leaves a partial file under the name, and two
// writers racing for one name never overwrite each other.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace vyr {

// Results of WriteNewFileAtomically.
enum NewFileResult : int {
    kNewFileWritten = 0,
    kNewFileNotCreated = -1,  // no file could be created in the folder (missing folder, no
                              // permission, no free inode)
    kNewFileNameTaken = -2,   // every candidate name was taken; nothing is left behind
    kNewFileNotWritten = -3,  // writing or flushing failed (disk full, quota, file-size limit, I/O
                              // error); nothing is left behind
};

// The candidate names of the new file, tried in order until one is free: called with 0, 1, 2, ...,
// it returns the path to try, or an empty path when there is no further candidate. Every
// candidate lies in the folder of the first one.
using NewFileNames = std::function<std::filesystem::path(int attempt)>;

// The file's bytes: the parts one after the other (a header and the pixels, for instance).
using NewFileParts = std::span<const std::span<const uint8_t>>;

// Writes parts as a new file under the first free candidate name. On success *writtenPath (when
// not null) is that name. On failure *reason (when not null) says why, as the system words it.
// Returns a NewFileResult.
[[nodiscard]] int WriteNewFileAtomically(const NewFileNames& names, NewFileParts parts,
                                         std::filesystem::path* writtenPath, std::string* reason);

// The same with one candidate name.
[[nodiscard]] int WriteNewFileAtomically(const std::filesystem::path& path, NewFileParts parts,
                                         std::string* reason);

// Test seam: false makes every later write take the path of file systems without O_TMPFILE (a
// hidden temporary file renamed into place), so that tests run both paths on one file system.
void SetUnnamedTemporaryFilesForTest(bool isAllowed);

}  // namespace vyr
