// Errors raised by the platform layer. Callers turn them into a last-error text or a VB error.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tolvex::platform {

// A failure of a platform facility (file system, registry hive, code page, XML). what() is a
// complete message for a user: it names the file and the system's reason where there is one.
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text file that cannot be read as what it should be (a corrupt registry hive, malformed XML).
// what() reads "<file>: line <n>: <reason>"; file() and line() give the parts (line 0 when unknown).
class FileFormatError : public PlatformError {
 public:
  FileFormatError(std::string file, int line, const std::string& reason);
  const std::string& file() const noexcept { return file_; }
  int line() const noexcept { return line_; }
  const std::string& reason() const noexcept { return reason_; }

 private:
  std::string file_;
  int line_;
  std::string reason_;
};

// "<what> '<path>': <strerror(err)>", e.g. "Cannot open 'a.txt': No such file or directory".
std::string errno_message(const std::string& what, const std::filesystem::path& path, int err);

}  // namespace tolvex::platform
