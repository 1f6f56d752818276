// Whole-file access for the settings files: a bounded read, and a replacement that never leaves a
// half-written file behind (temporary file in the same folder, fsync, rename over the original).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantor::settings {

// Settings files are a few kilobytes; anything larger is not one of ours and is not loaded.
inline constexpr size_t kMaxSettingsFileBytes = 16 * 1024 * 1024;

enum class ReadStatus {
    Ok,       // `out` holds the whole file
    Missing,  // no such file (or a folder on the way is missing)
    Unusable, // exists but cannot be read, is not a regular file, or is too large
};

ReadStatus readWholeFile(const std::string& path, std::string& out);

// Where replaceWholeFile is made to fail, to prove that no failure damages the original file.
enum class WriteFault { None, ShortWrite, Sync, Rename };

// Replaces the file's contents atomically: readers see either the old or the new contents, also
// when the process dies half-way. A replaced file keeps its permission bits; a new one gets
// 0666 less the umask. Returns false on failure, with the original untouched and the temporary
// file removed.
bool replaceWholeFile(const std::string& path, std::string_view content, WriteFault fault = WriteFault::None);

// Creates `path` with `content` only when no file of that name exists yet; never replaces one,
// also when another program creates it at the same moment. Returns true when this call created it.
bool createWholeFile(const std::string& path, std::string_view content);

} // namespace vantor::settings
