#include "generator/output_pass.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>
#include <utility>

#include "foundation/agp_vars.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "foundation/status.h"
#include "foundation/text_files.h"
#include "generator/condition.h"
#include "generator/generation_state.h"
#include "generator/other_files.h"
#include "generator/output_paths.h"
#include "generator/overwrite.h"
#include "generator/page_runner.h"
#include "model/database.h"
#include "model/project_members.h"
#include "model/tables.h"
#include "fields/fields.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "templates/code_files.h"
#include "templates/file_cache.h"
#include "templates/template_compiler.h"
#include "templates/template_run.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace fs = std::filesystem;

namespace tolvex {
namespace {

constexpr std::string_view kCrLf = "\r\n";

vb::Variant setting(AGP& proj, std::string_view name) {
  const vb::Variant* v = proj.Properties()->find_value(name);
  return v ? *v : vb::Variant();
}

// A Boolean setting; a value that is no Boolean counts as False.
bool setting_on(AGP& proj, std::string_view name) {
  const vb::Variant v = setting(proj, name);
  if (v.is_empty() || v.is_null()) return false;
  try {
    return vb::to_bool(v);
  } catch (const std::exception&) {
    return false;
  }
}

std::string setting_text(AGP& proj, std::string_view name) {
  const vb::Variant v = setting(proj, name);
  if (v.is_empty() || v.is_null()) return {};
  return vb::to_string(v);
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(platform::normalize_separators(path), ec);
}

std::string name_part(AGP& proj, const AGPControl& ctrl) {
  if (setting_on(proj, "AppCompat") && !ctrl.CtrlOFileCompat.empty()) return ctrl.CtrlOFileCompat;
  return ctrl.CtrlOFile;
}


// Shows the output being generated and polls the user's Cancel.
void announce(const std::string& file) {
  AGPStatus& status = status_window();
  status.DispStatus("Generating " + file + "...");
  if (status.StatusIsCancelled()) RaiseCancelled();
}

void prefix_error(const std::string& heading) {
  ModuleContext& ctx = context();
  ctx.ProjErr = ctx.ProductTitle + heading + std::string(kCrLf) + ctx.ProjErr;
}

// The control at position i of the project's list, made the current control.
vb::Ref<AGPControl> control_at(AGP& proj, int32_t i) {
  return project_controls(proj).Item(vb::Variant(i));
}

// Copies a file over the target (a ".bak" copy is the overwrite decision's business).
void copy_over(const std::string& source, const std::string& target) {
  const std::string to = platform::normalize_separators(target);
  make_parent_folder(to);
  platform::write_file_atomic(to, platform::read_file(platform::normalize_separators(source)));
}

const bool kRegistered = [] {
  register_project_member("GenerateProject", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    return vb::Variant(GenerateProject(p, vb::to_bool(a[0])));
  });
  register_project_member("CreateOutputFolders", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    CreateOutputFolders(p);
    return vb::Variant();
  });
  register_project_member("AfterWriteHook", [](AGP&, vb::Args a) {
    vb::check_arg_count(a, 0, 1);
    return vb::Variant();
  });
  return true;
}();

}  // namespace

OutputPassState& output_pass_state() {
  thread_local OutputPassState state;
  return state;
}

void AfterWriteHook(const std::string&) {}

void GetDefaultPageSetting(AGP& proj) {
  ModuleContext& ctx = context();
  OutputPassState& st = output_pass_state();
  ctx.OverwriteMode.clear();
  ctx.OverwriteAnswer = false;
  const std::string ext = setting_text(proj, "Ext");
  st.OutputExt = ext.empty() ? "php" : ext;
  st.DefaultPage = setting_text(proj, "DefaultPage");
  const int16_t kind = proj.DB() ? AGPVars::DbKindFromName(proj.DB()->DBType()) : 5;
  st.DbAccess = kind == 1;
  st.DbMsSql = kind == 2;
  st.DbMySql = kind == 3;
  st.DbOracle = kind == 4;
}

void SetCurrentTable(AGP&, AGPTable* table) {
  if (!table) return;
  CurrentTableInfo& t = output_pass_state().table;
  t = CurrentTableInfo{};
  t.TblName = table->TblName();
  t.TblCaption = table->TblCaption();
  t.TblType = table->TblType();
  t.TblVar = table->TblVar();
  t.TblFilter = table->TblFilter();
  AGPFields& fields = *table->Fields();
  for (int32_t i = 1; i <= fields.Count(); ++i) {
    const vb::Ref<AGPField> f = fields.Item(vb::Variant(i));
    if (f && !f->FldOrder().empty()) {
      t.FldName = f->FldName();
      t.FldOrder = f->FldOrder();
      break;
    }
  }
  t.TblKey = table->TblKey();
  t.HasKey = !t.TblKey.empty();
  if (!t.HasKey) {
    table->TblAdd(false);
    table->TblCopy(false);
    table->TblView(false);
    table->TblEdit(false);
    table->TblInlineEdit(false);
    table->TblDelete(false);
  }
  const std::string srch = table->TblSrchType();
  if (srch.empty() || srch == "BASIC") {
    t.Search = t.BasicSearch = true;
  } else if (srch == "ADVANCED") {
    t.Search = t.AdvancedSearch = true;
  } else if (srch == "BOTH") {
    t.Search = t.BasicSearch = t.AdvancedSearch = true;
  }
}

bool IsTableForControl(AGP& proj, AGPTable& table, const std::string& ctrlId, const std::string& ctrlType,
                       const std::string& ctrlCond) {
  bool r = table.TblGen();
  const std::string units = table.TblSysGenUnits();
  if (!units.empty())
    for (const std::string& unit : split_names(units))
      if (unit == ctrlId) r = true;
  if (r) {
    const std::string type = table.TblType();
    r = (ctrlType == "table" && (type == "TABLE" || type == "VIEW" || type == "CUSTOMVIEW")) ||
        (ctrlType == "report" && type == "REPORT");
  }
  if (r) {
    if (proj.DB()) proj.DB()->Tables()->SetItem(vb::Variant(table.TblName()));
    r = EvalCondition(proj, vb::Variant(ctrlCond));
  }
  return r;
}

void CreateOutputFolders(AGP& proj) {
  const AGPControls& controls = project_controls(proj);
  // A copy of the list: nothing here changes it, but the resolution may run scripts.
  const std::vector<vb::Ref<AGPControl>> items = controls.items();
  for (const vb::Ref<AGPControl>& c : items)
    if (c->CtrlType == "folder" && !c->CtrlOFolder.empty()) ResolveOutputPath(proj, c->CtrlOFolder, "", false);
}

namespace {

// One output of a control, named `base` [ "_" part ] + its name part and extension. In check
// mode: whether it exists already. Otherwise it is announced (the user's Cancel ends the run
// here) and handed to `write` with the compiled template and the target path.
std::string output_file_name(AGP& proj, const AGPControl& ctrl, const std::string& base, const std::string& part) {
  const std::string ext = ResolveExt(proj, std::string_view(ctrl.CtrlOExt));
  return GetOutputName(proj, vb::Variant(base), vb::Variant(part), vb::Variant(name_part(proj, ctrl)), vb::Variant(ext));
}

template <class Write>
bool run_output(AGP& proj, AGPControl& ctrl, const std::string& base, const std::string& part, bool checkOnly,
                Write write) {
  OutputPassState& st = output_pass_state();
  const std::string file = output_file_name(proj, ctrl, base, part);
  st.OutputFile = file;
  const std::string folder = GetFolderPath(proj, ctrl.CtrlOFolderID, ctrl.CtrlOFolder);
  if (checkOnly)
    return ConfirmOverwriteFile(proj, ResolveOutputPath(proj, folder, file, true), true, vb::Variant(true), true);
  st.CtrlId = ctrl.CtrlID;
  st.TagSuffix = ctrl.CtrlTagExt.empty() ? "" : "_" + ctrl.CtrlTagExt;
  announce(file);
  write(TemplateCompiler::GetTemplateFileName(ctrl), ResolveOutputPath(proj, folder, file, false));
  return false;
}

}  // namespace

int16_t GenerateTablePages(AGP& proj, AGPTable& table, bool checkOnly) {
  ModuleContext& ctx = context();
  int16_t count = 0;
  const int32_t n = project_controls(proj).Count();
  for (int32_t i = 1; i <= n; ++i) {
    const vb::Ref<AGPControl> ctrl = control_at(proj, i);
    if (!ctrl) continue;
    if (!IsTableForControl(proj, table, ctrl->CtrlID, ctrl->CtrlType, ctrl->CtrlCond)) continue;
    if (run_output(proj, *ctrl, table.TblVar(), "", checkOnly, [&](const std::string& script, const std::string& path) {
          GenerateTableFile(proj, table, script, path, *ctrl);  // counts the page done
        }))
      ++count;
    if (!ctx.ProjErr.empty()) {
      prefix_error(": Generate Table " + table.TblName() + " " + ctrl->CtrlID + " page error");
      break;
    }
  }
  return count;
}

int16_t GenerateFieldPages(AGP& proj, AGPField& field, bool checkOnly) {
  ModuleContext& ctx = context();
  int16_t count = 0;
  set_current_field(proj, vb::ref_from(&field));
  if (!field.FldGenerate()) return 0;
  const vb::Ref<AGPTable> table = current_table(proj);
  const std::string base = table ? table->TblVar() : std::string();
  const int32_t n = project_controls(proj).Count();
  for (int32_t i = 1; i <= n; ++i) {
    const vb::Ref<AGPControl> ctrl = control_at(proj, i);
    if (!ctrl || ctrl->CtrlType != "field") continue;
    if (!EvalCondition(proj, vb::Variant(ctrl->CtrlCond))) continue;
    if (run_output(proj, *ctrl, base, field.FldParm(), checkOnly,
                   [&](const std::string& script, const std::string& path) {
                     GenerateFieldFile(proj, field, script, path, *ctrl);
                   }))
      ++count;
    if (!ctx.ProjErr.empty()) break;
  }
  return count;
}

int16_t GenerateCssAndLogo(AGP& proj, bool checkOnly) {
  ModuleContext& ctx = context();
  const bool overwrite = setting_on(proj, "OtherOverwrite");
  const vb::Variant prompt = setting(proj, "PromptOnOverwrite");

  // The generated style sheet, from the user's style-sheet template.
  std::string css_name = setting_text(proj, "ProjVar") + ".css";
  if (setting_on(proj, "OutputNameLCase")) css_name = vb::ascii_lower(css_name);
  const std::string css_target = ResolveOutputPath(proj, GetFolderControlPath(proj, "_css"), css_name, checkOnly);
  if (ConfirmOverwriteFile(proj, css_target, overwrite, prompt, checkOnly)) {
    if (checkOnly) return 1;
    try {
      const vb::Variant source = common::GetRegValue(vb::Variant("HKCU"), vb::Variant(ctx.RegKeyGeneral),
                                                     vb::Variant("CssFile"));
      const std::string source_path =
          source.is_empty() || source.is_null() ? std::string() : resolve_setting_path(vb::to_string(source));
      if (file_exists(source_path)) {
        if (const auto text = read_template_text(source_path)) {
          std::string css = template_compiler(proj).EvaluateScriptedText(*text);
          css += setting_text(proj, "CssStyles");
          if (WriteTextFile(css_target, css, false)) AfterWriteHook(css_target);
        }
      }
    } catch (const std::exception&) {
      // The style sheet is a convenience: a template that cannot be used writes nothing.
    }
  }

  // The project's own style sheet, copied to the site's root.
  const std::string css = setting_text(proj, "CSS");
  if (!css.empty()) {
    const std::string target = ResolveOutputPath(proj, "", last_path_part(css), checkOnly);
    if (ConfirmOverwriteFile(proj, target, overwrite, prompt, checkOnly)) {
      if (checkOnly) return 1;
      status_window().DispStatus("copying css...");
      if (file_exists(css)) copy_over(css, target);
      AfterWriteHook(target);
    }
  }

  // The header logo, copied to the site's root.
  const std::string logo = setting_text(proj, "HeaderLogo");
  if (!logo.empty() && file_exists(logo)) {
    const std::string target = ResolveOutputPath(proj, "", last_path_part(logo), checkOnly);
    if (ConfirmOverwriteFile(proj, target, overwrite, prompt, checkOnly)) {
      if (checkOnly) return 1;
      status_window().DispStatus("Copying logo...");
      copy_over(logo, target);
    }
  }
  return 0;
}

namespace {
int16_t generate_project(AGP& proj, bool checkOnly);
}  // namespace

int16_t GenerateProject(AGP& proj, bool checkOnly) {
  // Each output replaces its file whole as it is written; the flush to disk happens once for
  // the pass, when it ends (also when it ends early).
  platform::DeferredSync flush;
  // A link planted among the outputs is replaced, never written through.
  platform::ReplaceLinks links;
  const int16_t result = generate_project(proj, checkOnly);
  try {
    flush.finish();
  } catch (const std::exception& e) {
    ModuleContext& ctx = context();
    if (ctx.ProjErr.empty()) ctx.ProjErr = ctx.ProductTitle + ": " + e.what();
  }
  return result;
}

namespace {

// The field-level outputs that the table pass will generate for a table it generates: for
// each field to generate, the "field" controls whose condition holds with the field current
// (the table is the current one already).
// The outputs of the tables and fields of a run by path, each with the table or field it is
// made for: two of them with one path would leave only the one written last.
class OutputOwners {
 public:
  void add(AGP& proj, const AGPControl& ctrl, const std::string& base, const std::string& part, std::string owner) {
    const std::string folder = GetFolderPath(proj, ctrl.CtrlOFolderID, ctrl.CtrlOFolder);
    const std::string path =
        platform::normalize_separators(ResolveOutputPath(proj, folder, output_file_name(proj, ctrl, base, part), true));
    auto [it, added] = owners_.emplace(path, owner);
    if (added || it->second == owner) return;
    ModuleContext& ctx = context();
    ctx.ProjErr = ctx.ProductTitle + ": The " + it->second + " and the " + owner + " both give the output \"" + path +
                  "\": their names give the same file name. Rename one of them. Generation aborted!";
    RaiseGenError();
  }

 private:
  std::map<std::string, std::string> owners_;
};

std::string table_owner(const AGPTable& table) { return "table \"" + table.TblName() + "\""; }

int32_t field_output_count(AGP& proj, AGPTable& table, int32_t controls, OutputOwners& owners) {
  int32_t n = 0;
  AGPFields& fields = *table.Fields();
  const int32_t field_count = fields.Count();
  for (int32_t j = 1; j <= field_count; ++j) {
    const vb::Ref<AGPField> field = fields.Seq(int16_t(j));
    if (!field || !field->FldGenerate()) continue;
    set_current_field(proj, field);
    for (int32_t c = 1; c <= controls; ++c) {
      const vb::Ref<AGPControl> ctrl = control_at(proj, c);
      if (ctrl && ctrl->CtrlType == "field" && EvalCondition(proj, vb::Variant(ctrl->CtrlCond))) {
        ++n;
        owners.add(proj, *ctrl, table.TblVar(), field->FldParm(),
                   "field \"" + table.TblName() + "." + field->FldName() + "\"");
      }
    }
  }
  return n;
}

// The files that look like the pages of a table the project no longer has: for each table
// and report control, the files in its output folder named as its pages are (the part
// before and after the table's name that the naming settings give) around a name that is
// the TblVar of no table of the project.
std::vector<std::string> stale_table_outputs(AGP& proj, AGPTables& tables) {
  namespace fs = std::filesystem;
  std::vector<std::string> known;
  for (int32_t i = 1; i <= tables.Count(); ++i)
    if (const vb::Ref<AGPTable> t = tables.Item(vb::Variant(i))) known.push_back(vb::ascii_lower(t->TblVar()));
  std::vector<std::string> stale;
  const int32_t controls = project_controls(proj).Count();
  for (int32_t c = 1; c <= controls; ++c) {
    const vb::Ref<AGPControl> ctrl = control_at(proj, c);
    if (!ctrl || (ctrl->CtrlType != "table" && ctrl->CtrlType != "report")) continue;
    const std::string marker = "\x01";
    const std::string ext = ResolveExt(proj, std::string_view(ctrl->CtrlOExt));
    const std::string pattern = GetOutputName(proj, vb::Variant(marker), vb::Variant(""),
                                              vb::Variant(name_part(proj, *ctrl)), vb::Variant(ext));
    const size_t at = pattern.find(marker);
    if (at == std::string::npos) continue;
    const std::string before = vb::ascii_lower(pattern.substr(0, at));
    const std::string after = vb::ascii_lower(pattern.substr(at + marker.size()));
    if (after.size() < 2) continue;  // no name part to tell a page by
    const std::string folder = ResolveOutputPath(proj, GetFolderPath(proj, ctrl->CtrlOFolderID, ctrl->CtrlOFolder), "", true);
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      const std::string name = vb::ascii_lower(it->path().filename().string());
      if (name.size() <= before.size() + after.size() || !name.starts_with(before) || !name.ends_with(after)) continue;
      const std::string var = name.substr(before.size(), name.size() - before.size() - after.size());
      if (std::find(known.begin(), known.end(), var) != known.end()) continue;
      const std::string path = it->path().lexically_normal().string();
      if (std::find(stale.begin(), stale.end(), path) == stale.end()) stale.push_back(path);
    }
  }
  std::sort(stale.begin(), stale.end());
  return stale;
}

int16_t generate_project(AGP& proj, bool checkOnly) {
  ModuleContext& ctx = context();
  GetDefaultPageSetting(proj);
  int16_t result = 0;
  const vb::Ref<AGPDatabase> db = proj.DB();
  if (!db) return 0;
  AGPTables& tables = *db->Tables();
  const int32_t controls = project_controls(proj).Count();

  // Counting pass: the total of outputs for the progress bar. Field pages move the bar as
  // table pages do, so a generation counts them too.
  // A generation also makes sure, before it writes anything, that no two tables or fields give
  // one output path.
  ctx.ProgressTotal = 0;
  OutputOwners owners;
  for (int32_t i = 1; i <= tables.Count(); ++i) {
    const vb::Ref<AGPTable> table = tables.Item(vb::Variant(i));
    if (!table) continue;
    if (table->Fields()->Count() <= 0 || !table->TblCustomError().empty()) table->TblGen(false);
    set_current_table(proj, table);
    SetCurrentTable(proj, table.get());
    for (int32_t c = 1; c <= controls; ++c) {
      const vb::Ref<AGPControl> ctrl = control_at(proj, c);
      if (ctrl && (ctrl->CtrlType == "report" || ctrl->CtrlType == "table") &&
          IsTableForControl(proj, *table, ctrl->CtrlID, ctrl->CtrlType, ctrl->CtrlCond)) {
        ++ctx.ProgressTotal;
        if (!checkOnly) owners.add(proj, *ctrl, table->TblVar(), "", table_owner(*table));
      }
    }
    if (!checkOnly && table->TblGen()) ctx.ProgressTotal += field_output_count(proj, *table, controls, owners);
  }

  ctx.ProgressDone = 0;
  set_current_table(proj, nullptr);
  set_current_field(proj, nullptr);
  const bool other_gen = setting_on(proj, "OtherGen");

  const int32_t table_count = tables.Count();
  for (int32_t i = 1; i <= table_count; ++i) {
    const vb::Ref<AGPTable> table = tables.Seq(int16_t(i));
    if (!table) continue;
    if (table->TblGen() || !table->TblSysGenUnits().empty()) {
      set_current_table(proj, table);
      SetCurrentTable(proj, table.get());
      result = int16_t(result + GenerateTablePages(proj, *table, checkOnly));
      if (result > 0) return result;
      if (!ctx.ProjErr.empty()) return result;
    }
    if (!table->TblGen()) continue;
    AGPFields& fields = *table->Fields();
    const int32_t field_count = fields.Count();
    for (int32_t j = 1; j <= field_count; ++j) {
      const vb::Ref<AGPField> field = fields.Seq(int16_t(j));
      if (!field || !field->FldGenerate()) continue;
      set_current_table(proj, table);
      tables.SetItem(vb::Variant(table->TblName()));
      set_current_field(proj, field);
      fields.SetItem(vb::Variant(field->FldName()));
      result = int16_t(result + GenerateFieldPages(proj, *field, checkOnly));
      if (!ctx.ProjErr.empty()) {
        prefix_error(": Generate Table " + table->TblName() + " Field " + field->FldName() + " page error");
        return result;
      }
    }
  }

  if (other_gen) {
    set_current_table(proj, nullptr);
    result = int16_t(result + GenerateCssAndLogo(proj, checkOnly));
    if (!ctx.ProjErr.empty() || (checkOnly && result > 0)) return result;
    result = int16_t(result + GenerateOtherFiles(proj, checkOnly, "other,simple", setting_on(proj, "OtherOverwrite")));
    if (!ctx.ProjErr.empty() || (checkOnly && result > 0)) return result;
    result = int16_t(result + CopyControlFiles(proj, checkOnly));
  }
  if (!checkOnly && ctx.ProjErr.empty()) ctx.StaleOutputs = stale_table_outputs(proj, tables);
  return result;
}

}  // namespace

}  // namespace tolvex
