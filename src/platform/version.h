// The file version of the library, as the build stamps it.
#pragma once

#include <cstdint>
#include <string>

namespace tolvex::platform {

// Four numbers, most significant first (major, minor, build, revision).
struct FileVersion {
  uint16_t part[4] = {0, 0, 0, 0};
  // "3.0.0.1"
  std::string to_string() const;
  bool operator==(const FileVersion&) const = default;
};

// The version the build gave the library (CMake's TOLVEX_FILE_VERSION, e.g. "3,0,0,1").
// Files on Linux carry no version resource, so this is the version of the library's own file,
// which is what the engine asks for.
FileVersion library_file_version();

}  // namespace tolvex::platform
