#include "platform/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/error.h"
#include "vb/strings.h"

namespace tolvex::platform {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> env(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  return std::string(v);
}

fs::path home_folder() {
  if (auto h = env("HOME")) return *h;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

fs::path executable_folder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return fs::current_path(ec);
  return exe.parent_path();
}

// Compares names without letter case (the Unicode letters vb::utf8_lower knows).
bool same_name_nocase(const std::string& a, const std::string& b) {
  return vb::iequals(a, b) || vb::utf8_lower(a) == vb::utf8_lower(b);
}

}  // namespace

fs::path documents_folder() {
  if (auto d = env("XDG_DOCUMENTS_DIR")) return *d;
  return home_folder() / "Documents";
}

fs::path config_folder() {
  if (auto d = env("TOLVEX_CONFIG_DIR")) return *d;
  if (auto d = env("XDG_CONFIG_HOME")) return fs::path(*d) / "tolvex";
  return home_folder() / ".config" / "tolvex";
}

fs::path application_folder() {
  if (auto d = env("TOLVEX_DATA_DIR")) return *d;
  const fs::path bin = executable_folder();
  const fs::path installed = (bin.parent_path() / "share" / "tolvex").lexically_normal();
  std::error_code ec;
  if (fs::is_directory(installed, ec)) return installed;
  for (fs::path dir = bin; !dir.empty(); dir = dir.parent_path()) {
    fs::path candidate = dir / "share" / "tolvex";
    if (fs::is_directory(candidate, ec)) return candidate;
    if (dir == dir.parent_path()) break;
  }
  return installed;
}

std::string resolve_application_path(std::string_view path) {
  if (path.empty()) return {};
  std::string p = normalize_separators(path);
  if (p == "~" || p.rfind("~/", 0) == 0) {
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + p.substr(1);
    return p;
  }
  if (fs::path(p).is_absolute()) return p;
  return (application_folder() / p).string();
}

std::string expand_environment(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t open = text.find('%', i);
    if (open == std::string_view::npos) break;
    size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text, i, open - i);
    std::string name(text.substr(open + 1, close - open - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value) {
      out += value;
      i = close + 1;
    } else {
      // Not a reference: keep the first "%" and look again from the second one, which may open
      // a reference of its own ("100% of %HOME%").
      out.append(text, open, close - open);
      i = close;
    }
  }
  out.append(text, i, std::string_view::npos);
  return out;
}

std::string normalize_separators(std::string_view path) {
  std::string s(path);
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

std::optional<fs::path> find_path_nocase(const fs::path& path) {
  const fs::path p(normalize_separators(path.string()));
  std::error_code ec;
  if (fs::exists(fs::symlink_status(p, ec))) return p;
  fs::path current = p.has_root_path() ? p.root_path() : fs::path();
  for (const fs::path& part : p.relative_path()) {
    const std::string name = part.string();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      current /= part;
      continue;
    }
    fs::path exact = current / part;
    if (fs::exists(fs::symlink_status(exact, ec))) {
      current = exact;
      continue;
    }
    const fs::path folder = current.empty() ? fs::path(".") : current;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      std::string entry = it->path().filename().string();
      if (same_name_nocase(entry, name)) matches.push_back(std::move(entry));
    }
    if (matches.empty()) return std::nullopt;
    std::sort(matches.begin(), matches.end());
    current /= matches.front();
  }
  return current;
}

void create_folders(const fs::path& folder) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder)) {
    int err = ec ? ec.value() : ENOTDIR;
    if (!ec && fs::exists(folder)) err = EEXIST;
    // The folder that refused the first missing one names the place to look at.
    fs::path above = folder.parent_path();
    while (!above.empty() && above != above.parent_path() && !fs::is_directory(above, ec)) above = above.parent_path();
    throw PlatformError("Cannot create the folder", folder, folder_refusal(above, err));
  }
}

}  // namespace tolvex::platform
