#include "templates/package_preparation.h"

#include <filesystem>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "model/project.h"
#include "platform/contained_path.h"
#include "templates/cache_index.h"
#include "templates/code_files.h"
#include "templates/controls.h"
#include "templates/file_cache.h"
#include "templates/template_compiler.h"
#include "templates/template_run.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace fs = std::filesystem;

namespace tolvex {

namespace {

AGPCache* run_cache() { return dynamic_cast<AGPCache*>(context().TemplateCache.get()); }

// A file of the current template folder named in a control or session; a name that would leave
// the folder raises the generation error naming the control.
std::string in_current_folder(const AGPControl& ctrl, std::string_view name) {
  return control_file_path(ctrl.CtrlID, context().CurrentTemplateFolder, common::trim_blanks(name));
}

// The file an include names; a name that would leave the template folder raises the generation
// error naming the control whose files are read.
std::string include_path(const AGPControl& ctrl, const std::string& include) {
  std::string path = ResolveTemplateFile(include);
  if (path.empty()) RaiseOutsideTemplateFolder(ctrl.CtrlID, include);
  return path;
}

std::string file_name_part(std::string_view path) {
  const size_t sep = path.find_last_of("\\/");
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

[[noreturn]] void raise_missing(std::string_view name) {
  ModuleContext& ctx = context();
  ctx.ProjErr =
      "Missing \"" + std::string(name) + "\" in template folder \"" + ctx.TemplateFolder + "\". Generation aborted.";
  RaiseGenError();
}

// The names of the files that a template file includes ("" names no file).
std::vector<std::string> included_files(const std::string& path) {
  std::vector<std::string> out;
  const auto text = read_template_text(path);
  if (!text) return out;
  for (std::string& name : split_names(ListTemplateIncludes(*text)))
    if (!name.empty()) out.push_back(std::move(name));
  return out;
}

// A file as a walk over includes meets it: where its includes are found depends on the
// current template folder.
std::string walk_key(const std::string& path) { return path + '\0' + context().CurrentTemplateFolder; }

// The change check of one template file and, at any depth, of the files it includes: true at
// the first one modified after `cache_date`. Each file is examined once.
class ChangeCheck {
 public:
  ChangeCheck(const AGPControl& ctrl, std::string cache_date) : ctrl_(ctrl), cache_date_(std::move(cache_date)) {}

  bool changed(const std::string& path, std::string_view name) {
    const auto found = existing_template_path(path);
    if (!found) raise_missing(name);
    if (!seen_.insert(walk_key(*found)).second) return false;
    if (common::FormatTimestamp(file_date_last_modified(*found)) > cache_date_) return true;
    for (const std::string& include : included_files(*found))
      if (changed(include_path(ctrl_, include), include)) return true;
    return false;
  }

 private:
  const AGPControl& ctrl_;
  std::string cache_date_;
  std::set<std::string> seen_;
};

// Reads a template file and, at any depth, the files it includes into the shared file cache.
class FileLoader {
 public:
  explicit FileLoader(const AGPControl& ctrl) : ctrl_(ctrl) {}

  void load(const std::string& path, const std::string& name) {
    const auto found = existing_template_path(path);
    if (!found) return;
    if (!stored_.insert({*found, name}).second) return;
    shared_file_cache().AddFile(*found, name);
    if (!walked_.insert(walk_key(*found)).second) return;
    for (const std::string& include : included_files(*found)) load(include_path(ctrl_, include), include);
  }

 private:
  const AGPControl& ctrl_;
  std::set<std::pair<std::string, std::string>> stored_;  // (path, name) pairs stored
  std::set<std::string> walked_;                          // walk_key of files whose includes were followed
};

}  // namespace

int16_t CheckFileCache(const vb::Variant& group, const vb::Variant& key, const std::string& file) {
  const auto found = existing_template_path(file);
  if (!found) return -1;
  const AGPCache* cache = run_cache();
  if (!cache) return 2;
  return cache->CheckCache(group, key, file_date_last_modified(*found), file_size_value(*found));
}

void MergeControlSessions(AGPControl& main, AGPControl& ext) {
  AGPSessions& target = main.Sessions();
  // A copy of the list: the target may be the same control.
  const std::vector<vb::Ref<AGPSession>> sessions = ext.Sessions().items();
  for (const vb::Ref<AGPSession>& s : sessions) {
    s->SessExt = ext.CtrlExt;
    if (s->SessAction == "add")
      target.AddSession(*s, s->SessLocation, s->SessLocType);
    else if (s->SessAction == "change")
      target.ChangeSession(s->SessValue, *s);
    else if (s->SessAction == "delete")
      target.DeleteSession(s->SessValue);
  }
}

bool MergeExtensionControls(AGP& project, const std::string& ext_name) {
  ModuleContext& ctx = context();
  const vb::Ref<vb::Dispatch> extensions = project.Extensions();
  vb::Variant name_arg[1] = {vb::Variant(ext_name)};
  if (!extensions || !vb::to_bool(extensions->call("ExtensionExist", name_arg))) {
    ctx.ControlFileStatus = kControlFileNotLoaded;
    return false;
  }
  const auto file = existing_template_path(join_path(join_path(ctx.ExtensionWorkFolder, ext_name), "control.xml"));
  if (!file) {
    ctx.ControlFileStatus = kControlFileNotLoaded;
    return false;
  }
  ProjectTemplateState& state = project_template_state(project);
  AGPControls& loaded = *state.extension_controls;
  if (!loaded.LoadControls(*file)) return false;
  AGPControls& controls = *state.controls;
  const std::vector<vb::Ref<AGPControl>> ext_controls = loaded.items();
  for (const vb::Ref<AGPControl>& c : ext_controls) {
    c->CtrlExt = ext_name;
    if (c->CtrlAction == "add") {
      controls.AddControl(*c);
    } else if (c->CtrlAction == "change") {
      for (const vb::Ref<AGPControl>& m : controls.items())
        if (m->CtrlID == c->CtrlID) {
          MergeControlSessions(*m, *c);
          break;
        }
    } else if (c->CtrlAction == "delete") {
      controls.DeleteControl(c->CtrlID);
    }
  }
  return true;
}

void CheckControlPaths(AGPControl& ctrl) {
  auto check = [&ctrl](std::string_view name) {
    if (!platform::relative_inside(common::trim_blanks(name))) RaiseOutsideTemplateFolder(ctrl.CtrlID, name);
  };
  check(ctrl.CtrlIFolder);
  for (const std::string& name : split_names(ctrl.CtrlIFiles)) check(name);
  for (const vb::Ref<AGPSession>& s : ctrl.Sessions().items()) check(s->SessIFile);
}

bool CheckTemplateChanged(AGPControl& ctrl) {
  ctrl.CtrlGen = false;
  CheckControlPaths(ctrl);
  set_current_template_folder(ctrl.CtrlExt);
  if (!ctrl.CtrlIFolder.empty()) {
    const auto folder = existing_template_path(in_current_folder(ctrl, ctrl.CtrlIFolder), /*folders=*/true);
    std::error_code ec;
    if (!folder || !fs::is_directory(*folder, ec)) raise_missing(ctrl.CtrlIFolder);
  }

  const std::string compiled = TemplateCompiler::GetTemplateFileName(ctrl);
  const AGPCache* cache = run_cache();
  const vb::Variant date = cache ? cache->GetCacheDate("tpl", file_name_part(compiled)) : vb::Variant::date(0);
  const bool no_entry = date.type() == vb::VarType::Date && date.raw_date() == 0;
  if (no_entry || !existing_template_path(compiled)) {
    ctrl.CtrlGen = true;
    return true;
  }
  if (ctrl.CtrlIFiles.empty()) return ctrl.CtrlGen;

  ChangeCheck check(ctrl, vb::to_string(date));
  for (const std::string& name : split_names(ctrl.CtrlIFiles))
    if (check.changed(in_current_folder(ctrl, name), name)) return ctrl.CtrlGen = true;
  for (const vb::Ref<AGPSession>& s : ctrl.Sessions().items()) {
    if (s->SessType != "key") continue;
    set_current_template_folder(s->SessExt);
    if (!s->SessIFile.empty() && check.changed(in_current_folder(ctrl, s->SessIFile), s->SessIFile))
      return ctrl.CtrlGen = true;
  }
  return ctrl.CtrlGen;
}

namespace {

constexpr std::string_view kCodeGroup = "code";

std::string general_text(const char* name) {
  const vb::Variant v = common::GetRegValue(vb::Variant("HKCU"), vb::Variant(context().RegKeyGeneral), vb::Variant(name));
  if (v.is_empty() || v.is_null()) return {};
  try {
    return vb::to_string(v);
  } catch (const vb::VBError&) {
    return {};
  }
}

// One line of the state: a file with its time and size (none for a missing one).
std::string file_line(std::string_view label, const std::string& path) {
  std::string line = std::string(label) + "=" + path;
  if (!path.empty() && existing_template_path(path)) {
    line += "|" + common::FormatTimestamp(file_date_last_modified(path));
    line += "|" + vb::to_string(file_size_value(path));
  }
  return line;
}

// The state that compiled templates depend on besides their own files, one line each.
std::vector<std::string> compiled_template_inputs(bool non_english_locale) {
  std::vector<std::string> lines;
  lines.push_back("ConvertBoolean=" + general_text("ConvertBoolean"));
  lines.push_back(std::string("NonEnglishLocale=") + (non_english_locale ? "1" : "0"));
  for (const char* name : {"SYSCODE", "SYSCODEPREFIX", "SYSCODESUFFIX", "COMMONCODE", "VALIDATECODE", "USERCODE"})
    lines.push_back(file_line(name, resolve_setting_path(general_text(name))));
  const std::string system_list = resolve_setting_path(general_text("SYSCODE"));
  if (const auto entries = read_system_code_list(system_list))
    for (const SystemCodeEntry& e : *entries)
      if (!e.value.empty()) lines.push_back(file_line("SYSCODE file", code_entry_path(system_list, e.value)));
  const std::string validate_list = resolve_setting_path(general_text("VALIDATECODE"));
  if (const auto entries = read_validate_code_list(validate_list))
    for (const ValidateCodeEntry& e : *entries)
      if (!e.value.empty()) lines.push_back(file_line("VALIDATECODE file", code_entry_path(validate_list, e.value)));
  return lines;
}

}  // namespace

bool RenewCompiledTemplatesOnChangedCode(bool non_english_locale) {
  AGPCache* cache = run_cache();
  if (!cache) return false;
  const std::vector<std::string> lines = compiled_template_inputs(non_english_locale);
  std::string list;
  for (const std::string& line : lines) {
    if (!list.empty()) list += "\r\n";
    list += line;
  }
  const vb::Variant group{std::string(kCodeGroup)};
  if (cache->MatchCacheGroup(group, vb::Variant(list))) return false;
  std::error_code ec;
  for (fs::directory_iterator it(context().CacheFolder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".tpl" && it->is_regular_file(ec)) fs::remove(it->path(), ec);
  cache->DeleteCacheGroup(vb::Variant("tpl"));
  cache->DeleteCacheGroup(group);
  for (const std::string& line : lines) cache->AddCache(group, vb::Variant(line), vb::Variant(), vb::Variant());
  return true;
}

void LoadControlTemplateFiles(AGPControl& ctrl) {
  CheckControlPaths(ctrl);
  set_current_template_folder(ctrl.CtrlExt);
  if (ctrl.CtrlIFiles.empty()) return;
  FileLoader loader(ctrl);
  for (const std::string& name : split_names(ctrl.CtrlIFiles)) loader.load(in_current_folder(ctrl, name), name);
  for (const vb::Ref<AGPSession>& s : ctrl.Sessions().items()) {
    if (s->SessType != "key") continue;
    set_current_template_folder(s->SessExt);
    if (!s->SessIFile.empty()) loader.load(in_current_folder(ctrl, s->SessIFile), s->SessIFile);
  }
}

}  // namespace tolvex
