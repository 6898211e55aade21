#include "generator/output_paths.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/status.h"
#include "templates/controls.h"
#include "templates/template_compiler.h"
#include "templates/template_run.h"
#include "platform/contained_path.h"
#include "platform/folders.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

std::string text_of(const vb::Variant& v) {
  if (v.is_null() || v.is_empty()) return {};
  try {
    return vb::to_string(v);
  } catch (const std::exception&) {
    return {};
  }
}

[[noreturn]] void refuse_output(std::string text) {
  ModuleContext& ctx = context();
  ctx.ProjErr = ctx.ProductTitle + ": " + text + " Generation aborted!";
  RaiseGenError();
}

// The path of an output folder or file below its root: a leading separator means the top of the
// root; a name that would climb out of the root is refused (`shown` is the name as written).
std::string contained_path(std::string_view path, std::string_view shown, std::string_view root) {
  std::optional<std::string> inside = platform::relative_inside(path, /*rooted_is_relative=*/true);
  if (!inside)
    refuse_output("The output \"" + std::string(shown) + "\" lies outside the folder \"" + std::string(root) + "\".");
  return *inside;
}

// Refuses an output whose folders below the root (`inside`, relative) pass through a symbolic
// link that leads out of the root: the output would be written elsewhere.
void refuse_link_leaving(const std::string& root, const std::string& inside, std::string_view shown) {
  std::error_code ec;
  const std::filesystem::path top = std::filesystem::canonical(root.empty() ? "." : root, ec);
  if (ec) return;  // a root that does not exist yet holds no links
  std::filesystem::path at = root.empty() ? std::filesystem::path(".") : std::filesystem::path(root);
  for (const auto& piece : std::filesystem::path(inside)) {
    at /= piece;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, ec))) continue;
    const std::filesystem::path to = std::filesystem::weakly_canonical(at, ec);
    const auto rel = to.lexically_relative(top);
    if (ec || rel.empty() || *rel.begin() == "..")
      refuse_output("The output folder \"" + std::string(shown) + "\" is a link to \"" + to.string() +
                    "\", outside the folder \"" + root + "\".");
  }
}

}  // namespace

std::string ComposeOutputName(std::string_view base, std::string_view part, std::string_view name,
                              std::string_view ext, std::string_view nameType, std::string_view nameExt,
                              bool lowerCase) {
  std::string s(base);
  if (!part.empty()) s.append("_").append(part);
  const std::string type = vb::utf8_lower(nameType);
  if (type == "prefix") {
    s = std::string(nameExt) + s + std::string(name);
  } else if (type == "infix") {
    s = s.empty() ? std::string(name) : s + std::string(nameExt) + std::string(name);
  } else if (type == "suffix") {
    s = s + std::string(name) + std::string(nameExt);
  } else {
    s += name;
  }
  s.append(".").append(ext);
  return lowerCase ? vb::utf8_lower(s) : s;
}

std::string GetOutputName(AGP& proj, const vb::Variant& base, const vb::Variant& part, const vb::Variant& name,
                          const vb::Variant& ext) {
  return ComposeOutputName(text_of(base), text_of(part), text_of(name), text_of(ext), proj.OutputNameType(),
                           proj.OutputNameExt(), proj.OutputNameLCase());
}

std::string GetFolderControlPath(AGP& proj, std::string_view id) {
  const std::string wanted = vb::utf8_lower(id);
  for (const auto& ctrl : project_controls(proj).items())
    if (vb::utf8_lower(ctrl->CtrlType) == "folder" && vb::utf8_lower(ctrl->CtrlID) == wanted) return ctrl->CtrlOFolder;
  return {};
}

std::string GetFolderPath(AGP& proj, std::string_view folderId, std::string_view folder) {
  return folderId.empty() ? std::string(folder) : GetFolderControlPath(proj, folderId);
}

std::string ResolveOutputPath(AGP& proj, std::string_view folder, std::string_view file, bool checkOnly) {
  std::string root;
  std::string_view rest;
  if (folder.size() >= 2 && folder[0] == '~' && (folder[1] == '\\' || folder[1] == '/')) {
    root = common::AddBackslash(platform::normalize_separators(proj.AppRootFolder()));
    // The application root is a folder the user named, never the current folder or the top
    // of the file system.
    if (root.find_first_not_of('/') == std::string::npos)
      refuse_output("The output folder \"" + std::string(folder) +
                    "\" needs an application root folder, and \"" + proj.AppRootFolder() + "\" is none.");
    rest = folder.substr(2);
  } else {
    root = common::AddBackslash(platform::normalize_separators(proj.Destination()));
    rest = folder;
  }
  std::string path = root;
  const std::string sub = contained_path(rest, folder, root);
  const std::string name = contained_path(file, file, root);
  // The folders of the output, those in its file name included (not the file itself: a link in
  // its place is replaced by the write).
  std::string folders = sub;
  if (const size_t slash = name.rfind('/'); slash != std::string::npos)
    folders += (folders.empty() ? "" : "/") + name.substr(0, slash);
  if (!folders.empty()) refuse_link_leaving(root, folders, folder.empty() ? std::string_view(file) : folder);
  if (!sub.empty()) {
    path += sub + "/";
    if (!checkOnly) AGP::CreateFolderTree(path);
  }
  return path + name;
}

std::string PathExists(std::string_view folder, std::string_view file) {
  if (!folder.empty()) return find_template_path(folder, file);
  // No folder: the file itself, never a name at the root of the file system.
  if (std::optional<std::string> found = existing_template_path(file, /*folders=*/true)) return *found;
  status_window().CloseStatus();
  return {};
}

std::string last_path_part(std::string_view path) {
  const std::string normal = platform::normalize_separators(path);
  const size_t slash = normal.rfind('/');
  return slash == std::string::npos ? normal : normal.substr(slash + 1);
}

void make_parent_folder(std::string_view path) {
  const std::string normal = platform::normalize_separators(path);
  if (const size_t slash = normal.rfind('/'); slash != std::string::npos && slash > 0)
    AGP::CreateFolderTree(normal.substr(0, slash));
}

}  // namespace tolvex
