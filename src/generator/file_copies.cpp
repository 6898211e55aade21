#include "generator/file_copies.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#include "generator/protected_inputs.h"
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

// Where the copies of `path` are made: "." + its name, with a tag and a random part added.
fs::path hidden_sibling(const fs::path& path) {
  return path.parent_path() / ("." + path.filename().string() + ".tolvex");
}

bool it_is_a_folder(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(p, ec));
}

// Whether `name` is `base` followed by `tag` and eight hexadecimal digits.
bool is_tagged_sibling(const std::string& name, const std::string& base, std::string_view tag) {
  if (name.size() != base.size() + tag.size() + 8 || name.compare(0, base.size(), base) != 0 ||
      name.compare(base.size(), tag.size(), tag) != 0)
    return false;
  for (size_t i = base.size() + tag.size(); i < name.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

// Removes the folder copies of `path` that a killed run left beside it: the hidden ones made
// now and the "<name>.tmp-XXXXXXXX" / "<name>.old-XXXXXXXX" of earlier versions.
void remove_stale_siblings(const fs::path& path) {
  const std::string name = path.filename().string();
  const std::string hidden = hidden_sibling(path).filename().string();
  std::error_code ec;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(path.parent_path().empty() ? fs::path(".") : path.parent_path(), ec), end;
       !ec && it != end; it.increment(ec)) {
    const std::string n = it->path().filename().string();
    if (is_tagged_sibling(n, hidden, ".new-") || is_tagged_sibling(n, hidden, ".old-") ||
        is_tagged_sibling(n, name, ".tmp-") || is_tagged_sibling(n, name, ".old-"))
      stale.push_back(it->path());
  }
  for (const fs::path& p : stale)
    if (it_is_a_folder(p)) fs::remove_all(p, ec);
}

}  // namespace

std::string copy_file_replacing(const std::string& source, const std::string& target, bool replace_read_only) {
  const fs::path from(platform::normalize_separators(source));
  const fs::path to(platform::normalize_separators(target));
  std::error_code ec;
  // Where links are replaced rather than written through, a link is copied as a link and a link
  // in the target's place is no file to keep.
  const bool links_replaced = platform::replacing_links();
  const bool link_from = links_replaced && fs::is_symlink(fs::symlink_status(from, ec));
  const bool link_to = links_replaced && fs::is_symlink(fs::symlink_status(to, ec));
  if (!link_from && !fs::is_regular_file(from, ec))
    return reason("Cannot copy", from, std::make_error_code(std::errc::no_such_file_or_directory));
  if (!link_to && fs::is_directory(to, ec)) return reason("Cannot replace", to, std::make_error_code(std::errc::is_a_directory));
  if (!link_to && !replace_read_only && is_read_only(to))
    return platform::PlatformError("Cannot replace", to, platform::replace_refusal(to, EACCES)).what();
  try {
    if (link_from) platform::copy_link_atomic(from, to);
    else platform::write_file_atomic(to, platform::read_file(from));
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
  for (const fs::path& f : files) {
    refuse_protected_output((to / f).string(), false);
    if (std::string failure = copy_file_replacing((from / f).string(), (to / f).string(), replace_read_only);
        !failure.empty())
      return failure;
  }
  return {};
}

std::string replace_folder_with_copy(const std::string& source, const std::string& target) {
  const fs::path to(platform::normalize_separators(target));
  remove_stale_siblings(to);
  // The copy is built in a hidden folder that only its owner may enter, so that a web server
  // serves nothing of it while it is made (or when a kill leaves it).
  const fs::path fresh = unused_sibling(hidden_sibling(to), ".new-");
  std::error_code ec;
  fs::create_directory(fresh, ec);
  if (!ec) fs::permissions(fresh, fs::perms::owner_all, ec);
  if (ec) return reason("Cannot create", fresh, ec);
  if (std::string failure = copy_folder_into(source, fresh.string(), true); !failure.empty()) {
    fs::remove_all(fresh, ec);
    return failure;
  }
  fs::path old;
  if (fs::exists(fs::symlink_status(to, ec))) {
    old = unused_sibling(hidden_sibling(to), ".old-");
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
  // The copy takes the source folder's permissions now that it is in place.
  if (const fs::file_status st = fs::status(platform::normalize_separators(source), ec); !ec)
    fs::permissions(to, st.permissions(), ec);
  return {};
}

}  // namespace tolvex
