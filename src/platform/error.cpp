#include "platform/error.h"

#include <cstring>

namespace tolvex::platform {

namespace {
std::string format_message(const std::string& file, int line, const std::string& reason) {
  std::string m = file;
  if (line > 0) m += ": line " + std::to_string(line);
  m += ": " + reason;
  return m;
}
}  // namespace

FileFormatError::FileFormatError(std::string file, int line, const std::string& reason)
    : PlatformError(format_message(file, line, reason)), file_(std::move(file)), line_(line), reason_(reason) {}

std::string errno_message(const std::string& what, const std::filesystem::path& path, int err) {
  return what + " '" + path.string() + "': " + std::strerror(err);
}

}  // namespace tolvex::platform
