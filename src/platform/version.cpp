#include "platform/version.h"

#include <charconv>
#include <string_view>

#ifndef TOLVEX_FILE_VERSION
#error "TOLVEX_FILE_VERSION must be defined by the build"
#endif

namespace tolvex::platform {

std::string FileVersion::to_string() const {
  return std::to_string(part[0]) + "." + std::to_string(part[1]) + "." + std::to_string(part[2]) + "." +
         std::to_string(part[3]);
}

FileVersion library_file_version() {
  FileVersion v;
  std::string_view s = TOLVEX_FILE_VERSION;
  for (int i = 0; i < 4 && !s.empty(); ++i) {
    size_t comma = s.find_first_of(",.");
    std::string_view piece = s.substr(0, comma);
    unsigned value = 0;
    std::from_chars(piece.data(), piece.data() + piece.size(), value);
    v.part[i] = uint16_t(value);
    s = comma == std::string_view::npos ? std::string_view{} : s.substr(comma + 1);
  }
  return v;
}

}  // namespace tolvex::platform
