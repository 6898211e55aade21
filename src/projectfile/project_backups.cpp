// The numbered backups of a project file: before Save replaces the file, the copy
// on disk becomes backup number 1 and the older copies move up by one.
#include <filesystem>
#include <string>

#include "model/project.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "projectfile/project_file.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;

bool is_file(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

}  // namespace

std::string BackupFileName(const std::string& projFile, int n) {
  std::string name = projFile;
  for (char& c : name)
    if (c == '/') c = '\\';
  if (size_t slash = name.rfind('\\'); slash != std::string::npos) name.erase(0, slash + 1);
  const std::string number = "(" + std::to_string(n) + ")";
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name + number;
  return name.substr(0, dot) + number + name.substr(dot);
}

void BackupProjectFile(const std::string& projFile, const std::string& backupFolder, int16_t maxCount) {
  const fs::path source = platform::normalize_separators(projFile);
  if (!is_file(source)) return;
  AGP::CreateFolderTree(backupFolder);
  const fs::path folder = platform::normalize_separators(backupFolder);
  auto backup = [&](int n) { return folder / BackupFileName(projFile, n); };
  // Only the unbroken run from number 1 rotates; copies after a gap stay.
  int n = 1;
  while (is_file(backup(n))) ++n;
  --n;
  // Every copy replaces its target whole, so a kill at any moment leaves no part of a file.
  auto copy = [](const fs::path& from, const fs::path& to) {
    try {
      platform::copy_file_atomic(from, to);
    } catch (const std::exception&) {
      // A copy that fails leaves the backups as far as they got.
    }
  };
  std::error_code ec;
  for (int i = n; i >= 1; --i) {
    if (i < maxCount) {
      if (is_file(backup(i))) copy(backup(i), backup(i + 1));
    } else if (is_file(backup(i))) {
      fs::remove(backup(i), ec);
    }
  }
  copy(source, backup(1));
}

}  // namespace tolvex
