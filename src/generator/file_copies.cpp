#include "generator/file_copies.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/folders.h"

namespace fs = std::filesystem;

namespace tolvex {
namespace {

std::string reason(const std::string& what, const fs::path& path, const std::error_code& ec) {
  return what + " '" + path.string() + "': " + ec.message();
}

// An existing file that nobody may write, or that this process may not write.
bool is_read_only(const fs::path& p) {
  struct stat st{};
  if (::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::access(p.c_str(), W_OK) != 0;
}

// A name beside `path` that nothing uses yet.
fs::path unused_sibling(const fs::path& path, const char* tag) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  for (;;) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "%s%08llx", tag, static_cast<unsigned long long>(random() & 0xffffffffULL));
    fs::path candidate = path;
    candidate += suffix;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
}

}  // namespace

std::string copy_file_replacing(const std::string& source, const std::string& target, bool replace_read_only) {
  const fs::path from(platform::normalize_separators(source));
  const fs::path to(platform::normalize_separators(target));
  std::error_code ec;
  if (!fs::is_regular_file(from, ec)) return reason("Cannot copy", from, std::make_error_code(std::errc::no_such_file_or_directory));
  if (fs::is_directory(to, ec)) return reason("Cannot replace", to, std::make_error_code(std::errc::is_a_directory));
  if (!replace_read_only && is_read_only(to)) return reason("Cannot replace", to, std::make_error_code(std::errc::permission_denied));
  try {
    platform::write_file_atomic(to, platform::read_file(from));
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

std::string copy_folder_into(const std::string& source, const std::string& target, bool replace_read_only) {
  const fs::path from(platform::normalize_separators(source));
  const fs::path to(platform::normalize_separators(target));
  std::error_code ec;
  if (!fs::is_directory(from, ec)) return reason("Cannot copy", from, std::make_error_code(std::errc::not_a_directory));
  // The whole source first: what the copy adds is never copied again.
  std::vector<fs::path> folders, files;
  fs::recursive_directory_iterator it(from, fs::directory_options::none, ec), end;
  if (ec) return reason("Cannot list", from, ec);
  for (; it != end; it.increment(ec)) {
    if (ec) return reason("Cannot list", from, ec);
    const fs::directory_entry& entry = *it;
    if (entry.is_symlink(ec)) continue;
    const fs::path relative = entry.path().lexically_relative(from);
    if (entry.is_directory(ec)) folders.push_back(relative);
    else if (entry.is_regular_file(ec)) files.push_back(relative);
  }
  if (ec) return reason("Cannot list", from, ec);
  try {
    platform::create_folders(to);
    for (const fs::path& f : folders) platform::create_folders(to / f);
  } catch (const std::exception& e) {
    return e.what();
  }
  for (const fs::path& f : files)
    if (std::string failure = copy_file_replacing((from / f).string(), (to / f).string(), replace_read_only);
        !failure.empty())
      return failure;
  return {};
}

std::string replace_folder_with_copy(const std::string& source, const std::string& target) {
  const fs::path to(platform::normalize_separators(target));
  const fs::path fresh = unused_sibling(to, ".tmp-");
  std::error_code ec;
  if (std::string failure = copy_folder_into(source, fresh.string(), true); !failure.empty()) {
    fs::remove_all(fresh, ec);
    return failure;
  }
  fs::path old;
  if (fs::exists(fs::symlink_status(to, ec))) {
    old = unused_sibling(to, ".old-");
    fs::rename(to, old, ec);
    if (ec) {
      const std::string failure = reason("Cannot replace", to, ec);
      fs::remove_all(fresh, ec);
      return failure;
    }
  }
  fs::rename(fresh, to, ec);
  if (ec) {
    const std::string failure = reason("Cannot replace", to, ec);
    if (!old.empty()) fs::rename(old, to, ec);
    fs::remove_all(fresh, ec);
    return failure;
  }
  if (!old.empty()) fs::remove_all(old, ec);
  return {};
}

}  // namespace tolvex
