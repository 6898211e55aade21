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
  // "<what> '<path>': <reason>", with the path and the reason kept apart as well.
  PlatformError(const std::string& what, std::filesystem::path path, std::string reason);

  // The file or folder the message names, and why it failed ("Permission denied in folder
  // '/srv/site'"); both empty when the error was made from a whole message only.
  const std::filesystem::path& path() const noexcept { return path_; }
  const std::string& cause() const noexcept { return cause_; }

 private:
  std::filesystem::path path_;
  std::string cause_;
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

// Why a new name cannot be made in `folder` (a file created, renamed or linked there, a folder
// made): strerror(err), and where the folder refuses it (no permission, a read-only file
// system) " in folder '<folder>'" after it, e.g. "Permission denied in folder '/srv/site'".
// A `folder` that is missing comes back as the folder that could not be made in its place:
// "the folder '/srv/site/css' cannot be made: Permission denied in folder '/srv/site'" (the
// deepest folder above it that exists refuses the new name), or "No such file or directory".
std::string folder_refusal(const std::filesystem::path& folder, int err);

// Why the existing file `file` may not be replaced by this process, its write access refused
// with `err`: strerror(err), with " in folder '<folder>'" after it where the file's folder takes
// no new name either (the replacement is made there), as folder_refusal says it.
std::string replace_refusal(const std::filesystem::path& file, int err);

}  // namespace tolvex::platform
