#include "platform/error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tolvex::platform {

namespace {
std::string format_message(const std::string& file, int line, const std::string& reason) {
  std::string m = file;
  if (line > 0) m += ": line " + std::to_string(line);
  m += ": " + reason;
  return m;
}

std::string quoted_path_message(const std::string& what, const std::filesystem::path& path, const std::string& reason) {
  return what + " '" + path.string() + "': " + reason;
}

bool refuses_new_names(int err) { return err == EACCES || err == EPERM || err == EROFS; }

// Whether `folder` is an existing folder.
bool is_folder(const std::filesystem::path& folder) {
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

PlatformError::PlatformError(const std::string& what, std::filesystem::path path, std::string reason)
    : std::runtime_error(quoted_path_message(what, path, reason)), path_(std::move(path)), cause_(std::move(reason)) {}

FileFormatError::FileFormatError(std::string file, int line, const std::string& reason)
    : PlatformError(format_message(file, line, reason)), file_(std::move(file)), line_(line), reason_(reason) {}

std::string errno_message(const std::string& what, const std::filesystem::path& path, int err) {
  return quoted_path_message(what, path, std::strerror(err));
}

std::string folder_refusal(const std::filesystem::path& given, int err) {
  const std::filesystem::path folder = given.empty() ? std::filesystem::path(".") : given;
  if (refuses_new_names(err)) return std::string(std::strerror(err)) + " in folder '" + folder.string() + "'";
  if (err != ENOENT || is_folder(folder)) return std::strerror(err);
  // The folder is missing: was it left out because the folder above it takes no new names?
  std::filesystem::path above = folder.parent_path();
  while (!above.empty() && above != above.parent_path() && !is_folder(above)) above = above.parent_path();
  if (above.empty()) above = ".";
  if (!is_folder(above) || ::faccessat(AT_FDCWD, above.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
    return std::strerror(err);
  const int refused = errno;
  if (!refuses_new_names(refused)) return std::strerror(err);
  return "the folder '" + folder.string() + "' cannot be made: " + std::strerror(refused) + " in folder '" +
         above.string() + "'";
}

std::string replace_refusal(const std::filesystem::path& file, int err) {
  std::filesystem::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0) return std::strerror(err);
  const int refused = errno;
  return refuses_new_names(refused) ? folder_refusal(folder, refused) : std::strerror(err);
}

}  // namespace tolvex::platform
