// Picture and video files that never replace another file. When "stem.ext" is taken, the new file
// becomes "stem_01.ext", then "stem_02.ext", up to "stem_99.ext": "." sorts before "_" and the two
// digits keep the numbers in order, so a folder sorted by name lists the files in the order they
// were made, each numbered twin right after stem.ext and before any name of a later second.
#pragma once

#include <cstddef>
#include <string>

#include "platform/new_file.h"

namespace vyr {

inline constexpr int kLastFileNumber = 99;

// stem + extension for number 0, else stem + "_NN" + extension (number 1 to kLastFileNumber).
std::string NumberedFileName(const std::string& stem, const std::string& extension, int number);

// Writes parts as a new file folder/stem.ext or, when that is taken, the first free numbered name
// (WriteNewFileAtomically: whole or not at all). A candidate whose path has more than maxPathChars
// characters ends the search. On success *storedPath is the path taken. On failure nothing is left
// in the folder and the console says why (PrintNotSaved). Returns a NewFileResult.
[[nodiscard]] int WriteNumberedFile(const std::string& folder, const std::string& stem,
                                    const std::string& extension, NewFileParts parts,
                                    size_t maxPathChars, std::string* storedPath);

// The path of the file among folder/stem.ext and its numbered twins whose bytes are exactly parts,
// or "" when there is none.
std::string FindIdenticalNumberedFile(const std::string& folder, const std::string& stem,
                                      const std::string& extension, NewFileParts parts);

// The console lines of a file that was not saved: "open file failed!\n" when no file could be
// created, then "{path} not saved: {reason}!\n".
void PrintNotSaved(int result, const std::string& path, const std::string& reason);

}  // namespace vyr
