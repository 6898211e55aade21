// The numbered backups of a project file: before Save replaces the file, the copy
// on disk becomes backup number 1 and the older copies move up by one.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
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

// Whether the file has no name but this one (a second name would share its bytes with
// whatever else the other name is used for).
bool single_name(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && st.st_nlink == 1;
}

// The full path of the project file, with symbolic links followed where they exist.
fs::path full_path(const std::string& projFile) {
  const fs::path given = platform::normalize_separators(projFile);
  std::error_code ec;
  fs::path absolute = fs::absolute(given, ec);
  if (ec) return given;
  fs::path resolved = fs::weakly_canonical(absolute, ec);
  return ec ? absolute.lexically_normal() : resolved;
}

// 64-bit FNV-1a: a code that stays the same for a path from one run and one build to the next.
uint64_t path_code(const std::string& text) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

constexpr const char* kPathNote = "project-path.txt";

}  // namespace

std::string ProjectBackupFolder(const std::string& backupFolder, const std::string& projFile) {
  const fs::path file = full_path(projFile);
  char code[13];
  std::snprintf(code, sizeof code, "%012llx",
                static_cast<unsigned long long>(path_code(file.string()) & 0xFFFFFFFFFFFFull));
  return (fs::path(platform::normalize_separators(backupFolder)) / (file.filename().string() + "-" + code)).string();
}

void LabelProjectBackupFolder(const std::string& folder, const std::string& projFile) {
  const fs::path dir = platform::normalize_separators(folder);
  std::error_code ec;
  if (!fs::is_directory(dir, ec) || is_file(dir / kPathNote)) return;
  try {
    platform::write_file_atomic(dir / kPathNote, full_path(projFile).string() + "\n");
  } catch (const std::exception&) {
    // Only a help for finding the backups: they are made without it.
  }
}

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

bool BackupProjectFile(const std::string& projFile, const std::string& backupFolder, int16_t maxCount,
                       BackupOfFile how) {
  const fs::path source = platform::normalize_separators(projFile);
  if (!is_file(source)) return false;
  AGP::CreateFolderTree(backupFolder);
  const fs::path folder = platform::normalize_separators(backupFolder);
  auto backup = [&](int n) { return folder / BackupFileName(projFile, n); };
  // Only the unbroken run from number 1 rotates; copies after a gap stay.
  int n = 1;
  while (is_file(backup(n))) ++n;
  --n;
  // Every step replaces its target whole, so a kill at any moment leaves no part of a file.
  // A backup moves up as a second name of its file (no bytes copied) where the file system
  // allows it; the name it leaves is replaced by the next step. Elsewhere it is copied.
  bool linked_any = false;
  auto put = [&](const fs::path& from, const fs::path& to, bool may_link) {
    if (may_link && single_name(from) && platform::link_file_atomic(from, to)) {
      linked_any = true;
      return true;
    }
    try {
      platform::copy_file_atomic(from, to);
    } catch (const std::exception&) {
      // A copy that fails leaves the backups as far as they got.
    }
    return false;
  };
  std::error_code ec;
  for (int i = n; i >= 1; --i) {
    if (i < maxCount) {
      if (is_file(backup(i))) put(backup(i), backup(i + 1), true);
    } else if (is_file(backup(i))) {
      fs::remove(backup(i), ec);
    }
  }
  const bool linked = put(source, backup(1), how == BackupOfFile::Link);
  // The new names reach the disk before the caller replaces the file.
  if (linked_any) platform::sync_folder(folder);
  return linked;
}

}  // namespace tolvex
