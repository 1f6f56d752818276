// Helpers for the history tests: temporary folders, the element manifest of a compound file as
// our engine reads it, and the Python checkers (olefile, libgsf) run as child processes.
#pragma once

#include "history/compound_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vantor::history::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

std::string sha256Hex(const std::string& bytes);

// The bytes libgsf_write.py puts in a stream: byte j is (j * 131 + seed) % 256, seed = the sum of
// the path's bytes modulo 256.
std::string patternBytes(const std::string& path, size_t size);

// "D <path>" and "S <path> <size> <sha256>" lines, sorted, for every element below the root.
std::vector<std::string> engineManifest(const std::filesystem::path& file);

// The interpreter that has `module` importable ("olefile" or "gsf"); nullopt when none has it.
std::optional<std::string> pythonWith(const std::string& module);

struct CommandResult {
    int status = -1; // the exit status, or -1 when the program did not exit normally
    std::string output;
};
CommandResult runCommand(const std::vector<std::string>& argv);

// olefile's manifest per file (see ole_manifest.py); a file that did not open maps to
// {"error ..."}. Empty when olefile is missing.
std::optional<std::vector<std::vector<std::string>>>
oleManifests(const std::vector<std::filesystem::path>& files);

std::string scriptPath(const std::string& name);

} // namespace vantor::history::test
