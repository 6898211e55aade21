#include "generator/protected_inputs.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "foundation/context.h"
#include "platform/folders.h"
#include "templates/template_run.h"

namespace fs = std::filesystem;

namespace tolvex {
namespace {

thread_local const ProtectedInputs* t_active = nullptr;

// The folders from `folder` (resolved) up to the top of the file system, each with its identity;
// `visit` returns true to stop.
template <class Visit>
void walk_up(const std::string& folder, Visit visit) {
  std::error_code ec;
  const fs::path start = fs::canonical(folder.empty() ? fs::path(".") : fs::path(folder), ec);
  if (ec) return;
  for (fs::path p = start;; p = p.parent_path()) {
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0 && visit(st)) return;
    if (p == p.parent_path()) return;
  }
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

void ProtectedInputs::add_file(const std::string& path, std::string what) { add(path, std::move(what), false); }

void ProtectedInputs::add_folder(const std::string& path, std::string what) { add(path, std::move(what), true); }

void ProtectedInputs::add(const std::string& given, std::string what, bool folder) {
  if (given.empty()) return;
  const std::string path = platform::normalize_separators(given);
  holding_.clear();
  struct stat st {};
  // A link is kept as well as what it points to: an output replaces the link itself.
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) entries_.push_back({st.st_dev, st.st_ino, false, path, what});
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) == folder)
    entries_.push_back({st.st_dev, st.st_ino, folder, path, std::move(what)});
}

const ProtectedInputs::Entry* ProtectedInputs::folder_holding(const std::string& folder) const {
  if (auto it = holding_.find(folder); it != holding_.end()) return it->second;
  const Entry* found = nullptr;
  walk_up(folder, [&](const struct stat& st) {
    for (const Entry& e : entries_)
      if (e.folder && e.dev == st.st_dev && e.ino == st.st_ino) found = &e;
    return found != nullptr;
  });
  holding_.emplace(folder, found);
  return found;
}

std::string ProtectedInputs::replaced_by(const std::string& given, bool folder) const {
  if (entries_.empty()) return {};
  const std::string target = platform::normalize_separators(given);
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0) return {};
  for (const Entry& e : entries_)
    if (e.dev == st.st_dev && e.ino == st.st_ino) return e.what + " " + quoted(e.path);
  const fs::path parent = fs::path(target).parent_path();
  if (const Entry* e = folder_holding(parent.string()))
    return "the file " + quoted(target) + " of " + e->what + " " + quoted(e->path);
  // A folder that takes the place of one holding an input.
  if (folder && S_ISDIR(st.st_mode)) {
    for (const Entry& e : entries_) {
      bool holds = false;
      walk_up(fs::path(e.path).parent_path().string(), [&](const struct stat& up) {
        holds = up.st_dev == st.st_dev && up.st_ino == st.st_ino;
        return holds;
      });
      if (holds) return "the folder holding " + e.what + " " + quoted(e.path);
    }
  }
  return {};
}

ProtectedInputs::Scope::Scope(const ProtectedInputs& inputs) : outer_(t_active) { t_active = &inputs; }

ProtectedInputs::Scope::~Scope() { t_active = outer_; }

void refuse_protected_output(const std::string& target, bool folder) {
  if (!t_active) return;
  const std::string replaced = t_active->replaced_by(target, folder);
  if (replaced.empty()) return;
  ModuleContext& ctx = context();
  ctx.ProjErr = ctx.ProductTitle + ": The output " + quoted(platform::normalize_separators(target)) +
                " would replace " + replaced + ". Generation aborted!";
  RaiseGenError();
}

}  // namespace tolvex
