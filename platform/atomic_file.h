// Replacing a small file whole and atomically: a crash or a full disk leaves either the old file
// or the new one, never a truncated one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace vyr {

// Test seam: when set, called after the temporary file is written and flushed and before it is
// renamed over the target; returning false abandons the replacement as a crash at that moment
// would (the temporary file is removed, the old file stays).
using BeforeRenameHook = bool (*)(const std::filesystem::path& temporary);
void SetBeforeRenameHookForTest(BeforeRenameHook hook);

// Writes size bytes to a temporary file beside path, flushes it to disk and renames it over path.
// An existing path that is read-only (not writable by this process, or without any write bit, even
// for the superuser) is left alone. Returns 0, or -1 when the file was not replaced.
int ReplaceFileAtomically(const std::filesystem::path& path, const uint8_t* data, size_t size);

}  // namespace vyr
