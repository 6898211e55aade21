#include "generator/other_files.h"

#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/status.h"
#include "foundation/text_files.h"
#include "generator/condition.h"
#include "generator/file_copies.h"
#include "generator/generation_state.h"
#include "generator/output_pass.h"
#include "generator/output_paths.h"
#include "generator/overwrite.h"
#include "generator/page_runner.h"
#include "model/project_members.h"
#include "platform/contained_path.h"
#include "platform/folders.h"
#include "templates/ag_script.h"
#include "templates/code_files.h"
#include "templates/template_compiler.h"
#include "templates/template_run.h"
#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

vb::Variant prompt_setting(AGP& proj) {
  const vb::Variant* v = proj.Properties()->find_value("PromptOnOverwrite");
  return v ? *v : vb::Variant(false);
}

void add_one(int16_t& count) {
  if (count < std::numeric_limits<int16_t>::max()) ++count;
}

// The controls of the project's list one by one, each made the current control (as a
// lookup by position does), so that conditions and the compiled templates see it.
template <class Fn>
void for_each_control(AGP& proj, Fn&& fn) {
  AGPControls& list = project_controls(proj);
  for (int32_t i = 1; i <= list.Count(); ++i) {
    vb::Ref<AGPControl> ctrl = list.Item(vb::Variant(i));
    if (ctrl && !fn(*ctrl)) return;
  }
}

bool condition_holds(AGP& proj, const AGPControl& ctrl) { return EvalCondition(proj, vb::Variant(ctrl.CtrlCond)); }

std::string in_quotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string without_trailing_separator(std::string path) {
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

// The package file or folder `name` below `folder`, "" when there is none. A name that would
// leave the folder raises the generation error naming the control.
std::string package_path(const AGPControl& ctrl, std::string_view folder, std::string_view name) {
  if (!platform::relative_inside(name)) RaiseOutsideTemplateFolder(ctrl.CtrlID, name);
  if (folder.empty()) return {};
  return PathExists(folder, name);
}

bool type_listed(const std::vector<std::string>& types, const std::string& ctrl_type) {
  const std::string wanted = vb::utf8_lower(ctrl_type);
  for (const std::string& t : types)
    if (t == wanted) return true;
  return false;
}

// The output file name of an other-file control.
std::string other_output_name(AGP& proj, const AGPControl& ctrl) {
  const std::string file = proj.AppCompat() && !ctrl.CtrlOFileCompat.empty() ? ctrl.CtrlOFileCompat : ctrl.CtrlOFile;
  const std::string type = vb::utf8_lower(ctrl.CtrlType);
  const std::string ext = ResolveExt(proj, ctrl.CtrlOExt);
  std::string name = type == "simple" || type == "web.config"
                         ? file + "." + ext
                         : GetOutputName(proj, vb::Variant(""), vb::Variant(""), vb::Variant(file), vb::Variant(ext));
  const std::string default_page = proj.DefaultPage();
  if ((ctrl.CtrlID == "default" || file == "*") && !default_page.empty()) return default_page;
  std::string out;
  for (char c : name) {
    if (c == '*') out += "index";
    else out.push_back(c);
  }
  return out;
}

// One file of a copy control. False when the pass ends here (AGP.ProjErr says why).
bool copy_one_file(AGP& proj, const AGPControl& ctrl, const std::string& source_folder, const std::string& item,
                   size_t item_count, bool overwrite, const vb::Variant& prompt, bool checkOnly, int16_t& count) {
  ModuleContext& ctx = context();
  const std::string source = package_path(ctrl, source_folder, item);
  const bool names_folder = !ctrl.CtrlOFolderID.empty() || !ctrl.CtrlOFolder.empty();
  std::string output = names_folder ? last_path_part(item) : item;
  if (source.empty()) {
    ctx.ProjErr = ctx.ProductTitle + ": Source file does not exist - " + in_quotes(item) + "! Check if correct template.";
    return false;
  }
  if (item_count == 1 && !ctrl.CtrlOFile.empty()) output = ctrl.CtrlOFile + "." + ResolveExt(proj, ctrl.CtrlOExt);
  const std::string target =
      ResolveOutputPath(proj, GetFolderPath(proj, ctrl.CtrlOFolderID, ctrl.CtrlOFolder), output, checkOnly);
  if (!ConfirmOverwriteFile(proj, target, overwrite, prompt, checkOnly)) return true;
  if (checkOnly) {
    add_one(count);
    return true;
  }
  status_window().DispStatus("Copying file " + item + "...");
  make_parent_folder(target);
  if (const std::string why = copy_file_replacing(source, target, /*replace_read_only=*/false); !why.empty()) {
    ctx.ProjErr = "Copying to file " + in_quotes(target) + " failed! " + why;
    return false;
  }
  return true;
}

// The folder of a copy control. False when the pass ends here.
bool copy_one_folder(AGP& proj, const AGPControl& ctrl, bool overwrite, const vb::Variant& prompt, bool checkOnly,
                     int16_t& count) {
  ModuleContext& ctx = context();
  const std::string source = without_trailing_separator(package_path(ctrl, ctx.CurrentTemplateFolder, ctrl.CtrlIFolder));
  if (source.empty()) {
    ctx.ProjErr = ctx.ProductTitle + ": Source folder does not exist - " + in_quotes(ctrl.CtrlIFolder) +
                  "! Check if correct template.";
    return true;
  }
  const bool names_folder = !ctrl.CtrlOFolderID.empty() || !ctrl.CtrlOFolder.empty();
  const std::string folder = names_folder ? GetFolderPath(proj, ctrl.CtrlOFolderID, ctrl.CtrlOFolder) : ctrl.CtrlIFolder;
  // Resolved without making it: a folder made now would always count as an existing one.
  const std::string target = without_trailing_separator(ResolveOutputPath(proj, folder, "", /*checkOnly=*/true));
  const std::string shown = without_trailing_separator(ctrl.CtrlIFolder);
  if (!ConfirmOverwriteFolder(proj, target, overwrite, prompt, checkOnly)) return true;
  if (checkOnly) {
    add_one(count);
    return true;
  }
  status_window().DispStatus("Copying folder " + shown + "...");
  const std::string why = target.empty() ? std::string() : copy_folder_into(source, target, /*replace_read_only=*/false);
  if (target.empty() || !why.empty()) {
    ctx.ProjErr = "Copying to folder " + in_quotes(shown) + " failed!" + (why.empty() ? "" : " " + why);
    return false;
  }
  return true;
}

bool bool_arg(const vb::Variant& v) { return vb::to_bool(vb::default_value(v)); }

AGPControl& control_arg(const vb::Variant& v) {
  auto* c = dynamic_cast<AGPControl*>(vb::default_value(v).object().get());
  if (!c) vb::raise(vb::err::kTypeMismatch);
  return *c;
}

const bool kRegistered = [] {
  register_project_member("ResolveExt", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    return ResolveExtValue(p, vb::default_value(a[0]));
  });
  register_project_member("CheckScriptFiles", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    CheckScriptFiles(p);
    return vb::Variant();
  });
  register_project_member("GenerateOtherFiles", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 3, 3);
    return vb::Variant(GenerateOtherFiles(p, bool_arg(a[0]), vb::to_string(a[1]), bool_arg(a[2])));
  });
  register_project_member("GenerateOtherFile", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 4, 4);
    GenerateOtherFile(p, vb::to_string(a[0]), vb::to_string(a[1]), bool_arg(a[2]), control_arg(a[3]));
    return vb::Variant();
  });
  register_project_member("CopyControlFiles", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    return vb::Variant(CopyControlFiles(p, bool_arg(a[0])));
  });
  return true;
}();

}  // namespace

std::string ResolveExt(AGP& proj, std::string_view ext) {
  if (ext != "*" && ext != "php") return std::string(ext);
  std::string own = proj.Ext();
  return own.empty() ? std::string("php") : own;
}

vb::Variant ResolveExtValue(AGP& proj, const vb::Variant& ext) {
  if (ext.type() != vb::VarType::String) return ext;
  const std::string text = vb::to_string(ext);
  if (text != "*" && text != "php") return ext;
  return vb::Variant(ResolveExt(proj, text));
}

void CheckScriptFiles(AGP& proj) {
  ModuleContext& ctx = context();
  for_each_control(proj, [&](AGPControl& ctrl) {
    if (ctrl.CtrlType != "function" || !condition_holds(proj, ctrl)) return true;
    ctx.CurrentTemplateFolder = ctx.TemplateFolder;
    if (ctrl.CtrlIFiles.empty()) return true;
    const std::string script = package_path(ctrl, ctx.CurrentTemplateFolder, ctrl.CtrlIFiles);
    if (script.empty()) {
      ctx.ProjErr = ctx.ProductTitle + ": Script file does not exist - " + in_quotes(ctrl.CtrlIFiles) +
                    "! Check if correct template.";
      return false;
    }
    AGScript* engine = generation_engine();
    if (!engine) {
      ctx.ProjErr = ctx.ProductTitle + ": Script engine not started. Generation aborted!";
      return false;
    }
    engine->AddTemplateScript(script);
    return ctx.ProjErr.empty();
  });
}

int16_t GenerateOtherFiles(AGP& proj, bool checkOnly, std::string_view types, bool overwrite) {
  ModuleContext& ctx = context();
  std::vector<std::string> wanted;
  for (std::string_view t : vb::split(types, ",")) wanted.push_back(vb::utf8_lower(common::trim_blanks(t)));
  int16_t count = 0;
  for_each_control(proj, [&](AGPControl& ctrl) {
    if (!type_listed(wanted, ctrl.CtrlType) || !condition_holds(proj, ctrl)) return true;
    if (!checkOnly) RaiseIfCancelled();
    const std::string script = checkOnly ? std::string() : TemplateCompiler::GetTemplateFileName(ctrl);
    const std::string name = other_output_name(proj, ctrl);
    if (!checkOnly) status_window().DispStatus("Generating " + name + "...");
    const std::string target =
        ResolveOutputPath(proj, GetFolderPath(proj, ctrl.CtrlOFolderID, ctrl.CtrlOFolder), name, checkOnly);
    if (checkOnly) {
      if (ConfirmOverwriteFile(proj, target, true, vb::Variant(true), true)) add_one(count);
      return true;
    }
    GenerateOtherFile(proj, script, target, overwrite, ctrl);
    if (ctx.ProjErr.empty()) return true;
    ctx.ProjErr = ctx.ProductTitle + ": Generate " + ctrl.CtrlID + " page error\r\n" + ctx.ProjErr;
    return false;
  });
  return count;
}

void GenerateOtherFile(AGP& proj, const std::string& scriptFile, const std::string& target, bool overwrite,
                       AGPControl& ctrl) {
  ModuleContext& ctx = context();
  std::string backup;
  if (!ConfirmOutputOverwrite(proj, target, ctrl.CtrlOverwrite && overwrite, prompt_setting(proj), backup)) return;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(platform::normalize_separators(scriptFile), ec)) {
    ctx.ProjErr = "File " + scriptFile + " not found. Generation aborted.";
    RaiseGenError();
  }
  // In the ANSI code page, or UTF-8 after a byte-order mark, as the compiler wrote it.
  const std::string script = read_script_file(scriptFile);
  AGScript* engine = generation_engine();
  if (!engine) {
    ctx.ProjErr = ctx.ProductTitle + ": Script engine not started. Generation aborted!";
    return;
  }
  const std::string text =
      engine->BuildNewCode(TemplateCompiler::GetScriptFunctionName(ctrl), script, 1, proj.script_engine_timeout());
  // A failing script never replaces what is there.
  if (!ctx.ProjErr.empty()) return;
  const std::string cleaned = ctrl.CtrlSpace ? PostProcessOutput(proj, ctrl.CtrlOExt, text) : StripLeadingBlankLines(text);
  make_parent_folder(target);
  if (WriteOutputFile(target, cleaned, backup)) AfterWriteHook(target);
}

int16_t CopyControlFiles(AGP& proj, bool checkOnly) {
  ModuleContext& ctx = context();
  int16_t count = 0;
  for_each_control(proj, [&](AGPControl& ctrl) {
    if (ctrl.CtrlType != "copy" || !condition_holds(proj, ctrl)) return true;
    if (!checkOnly) RaiseIfCancelled();
    set_current_template_folder(ctrl.CtrlExt);
    const bool overwrite = ctrl.CtrlOverwrite && proj.OtherOverwrite();
    const vb::Variant prompt = prompt_setting(proj);
    if (!ctrl.CtrlIFiles.empty()) {
      const std::string source_folder = package_path(ctrl, ctx.CurrentTemplateFolder, ctrl.CtrlIFolder);
      const std::vector<std::string> items = split_names(ctrl.CtrlIFiles);
      for (const std::string& item : items)
        if (!copy_one_file(proj, ctrl, source_folder, item, items.size(), overwrite, prompt, checkOnly, count))
          return false;
      return true;
    }
    if (ctrl.CtrlIFolder.empty()) return true;
    return copy_one_folder(proj, ctrl, overwrite, prompt, checkOnly, count);
  });
  return count;
}

}  // namespace tolvex
