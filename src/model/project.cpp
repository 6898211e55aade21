#include "model/project.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "fields/search_operators.h"
#include "foundation/agp_vars.h"
#include "foundation/class_registry.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "foundation/status.h"
#include "foundation/text_files.h"
#include "model/project_members.h"
#include "platform/folders.h"
#include "platform/registry.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGP);

namespace {

std::function<vb::Ref<vb::Dispatch>()>& extension_list_factory() {
  static std::function<vb::Ref<vb::Dispatch>()> factory;
  return factory;
}

// Writes values of the current user as the shared registry object would, failing with its
// error; a failed list names its last value. With `or_keep`, values that the registry cannot
// store stay in memory for the run (the registry says why) rather than failing.
void set_user_values(const std::vector<platform::RegWrite>& writes, bool or_keep = false) {
  if (writes.empty()) return;
  try {
    platform::RegistryBackend& reg = platform::current_registry();
    if (or_keep) reg.keep_values(platform::RegRoot::CurrentUser, writes);
    else reg.set_values(platform::RegRoot::CurrentUser, writes);
  } catch (const std::exception& e) {
    throw RegistryWriteError("Failed to set registry value Key: '" + std::to_string(cRegistry::HKEY_CURRENT_USER) +
                                 "',Section: '" + writes.back().path + "',Key: '" + writes.back().name + "'",
                             e.what());
  }
}

std::string reg_text(const std::string& key, const char* name) {
  ModuleContext& ctx = context();
  ctx.RegValueName = name;
  vb::Variant v = common::GetRegValue(vb::Variant("HKCU"), vb::Variant(key), vb::Variant(name));
  try {
    return v.is_null() ? std::string() : vb::to_string(v);
  } catch (const vb::VBError&) {
    return std::string();
  }
}

vb::Variant reg_converted(const std::string& key, const char* name, const char* type) {
  ModuleContext& ctx = context();
  ctx.RegValueName = name;
  return common::ConvertByType(common::GetRegValue(vb::Variant("HKCU"), vb::Variant(key), vb::Variant(name)),
                               vb::Variant(type));
}

// A setting's value as an Integer; 0 when it is no number (or out of range).
int16_t integer_or_zero(const vb::Variant& v) {
  try {
    return vb::is_numeric(v) ? vb::to_integer(v) : int16_t(0);
  } catch (const vb::VBError&) {
    return 0;
  }
}

constexpr int32_t kOwnMembersOffset = 0;
constexpr int32_t kRegisteredMembersOffset = 0x10000;

}  // namespace

void register_extension_list_factory(std::function<vb::Ref<vb::Dispatch>()> factory) {
  extension_list_factory() = std::move(factory);
}

AGP::AGP() {
  ModuleContext& ctx = context();
  // 1. The settings are declared by the store. 2. The version text.
  AGPStatus& status = status_window();
  status.GetVer("tolvex3.dll");
  version_parts_[0] = status.mj1();
  version_parts_[1] = status.mj2();
  version_parts_[2] = status.mn1();
  version_parts_[3] = status.mn2();
  version_ = std::to_string(version_parts_[0]) + "." + std::to_string(version_parts_[1]) + "." +
             std::to_string(version_parts_[2]) + "." + std::to_string(version_parts_[3]);
  // 3. No database, no table in the slots, no engine or cache of a generation run.
  ctx.GenerationEngine.reset();
  ctx.TemplateCache.reset();
  // 4, 5.
  zip_ = platform::make_zip_extractor();
  proj_init_ = false;
  // 6. Product identity.
  ctx.TargetLanguage = vb::Variant("PHP");
  ctx.ProjectFileExt = "tvp";
  ctx.ProductCode = "TVX";
  ctx.ProductKey = "Tolvex";
  ctx.ProductTitle = "Tolvex";
  ctx.ProgramVersion = "3.0";
  ctx.ProjectFileVersion = "3.0";
  ctx.TemplateVersion = "3.0";
  // 7. Output defaults.
  default_ext_ = "php";
  default_page_ = vb::Variant("index." + default_ext_);
  // 8.
  defaultDateFormat(int16_t(5));
  // 9. Registry paths.
  const std::string root = "Software\\" + ctx.ProductKey + "\\" + ctx.ProgramVersion;
  ctx.RegKeyGeneral = root + "\\Settings\\General";
  ctx.RegKeyProject = root + "\\Settings\\Project";
  ctx.RegKeyDatabase = root + "\\Settings\\Database";
  ctx.RegKeyTable = root + "\\Settings\\Table";
  ctx.RegKeyChart = root + "\\Settings\\Chart";
  ctx.RegKeyTrendline = root + "\\Settings\\Trendline";
  ctx.RegKeyField = root + "\\Settings\\Field";
  ctx.RegKeyAdvancedFilters = root + "\\AdvancedFilters";
  ctx.RegKeyExtensions = root + "\\Extensions";
  ctx.RegKeyOdbcIni = "Software\\ODBC\\ODBC.INI";
  ctx.RegKeyOdbcInstIni = "Software\\ODBC\\ODBCINST.INI";
  // 10. First run for this user: copy the machine-wide keys.
  language_ = reg_text(ctx.RegKeyGeneral, "Language");
  if (language_.empty()) CopyDefaultSettings();
  // 11. The extension packages.
  ctx.ExtensionsFolder = platform::resolve_application_path(reg_text(ctx.RegKeyExtensions, "SourceFolder"));
  if (ctx.ExtensionsFolder.empty()) ctx.ExtensionsFolder = platform::application_folder().string() + "/extensions";
  // 12.
  LoadDefault();
  // 13, 14. The working folders.
  ctx.DocumentsFolder = common::GetSpecialFolderPath(lhWnd, 5);
  ctx.WorkFolder = common::trim_blanks(ctx.DocumentsFolder) + "/" + common::CompactName(ctx.ProductKey);
  CreateFolderTree(ctx.WorkFolder);
  ctx.BackupFolder = ctx.WorkFolder + "/Backup";
  CreateFolderTree(ctx.BackupFolder);
}

void AGP::CreateFolderTree(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string folder = platform::normalize_separators(path);
  if (folder.empty() || fs::is_directory(folder, ec)) return;
  // Each prefix up to a separator, then the whole path; empty pieces ("a//b", a
  // leading "/") add nothing to create.
  for (size_t end = folder.find('/');; end = folder.find('/', end + 1)) {
    const std::string prefix = folder.substr(0, end);
    if (!prefix.empty() && prefix.back() != '/' && !fs::is_directory(prefix, ec)) fs::create_directory(prefix, ec);
    if (end == std::string::npos) break;
  }
}

int16_t AGP::DBCnt() { return int16_t(databases().Count()); }

AGPDatabases& AGP::databases() {
  if (!databases_) databases_ = vb::make_ref<AGPDatabases>();
  return *databases_;
}

vb::Ref<vb::Dispatch> AGP::Extensions() const {
  ModuleContext& ctx = context();
  if (!ctx.ExtensionList && extension_list_factory()) ctx.ExtensionList = extension_list_factory()();
  return ctx.ExtensionList;
}

const std::string& AGP::ProjErr() const { return context().ProjErr; }
void AGP::ProjErr(const std::string& v) { context().ProjErr = v; }

void AGP::ProjName(const std::string& v) {
  write_setting<setting_types::String>(ProjectSetting::ProjName, v);
  set_setting_value(ProjectSetting::ProjVar,
                    vb::Variant(AGPVars::MakeIdentifier(std::string_view(v), std::string_view())));
}

void AGP::Destination(const std::string& v) {
  write_setting<setting_types::String>(ProjectSetting::Destination, v);
  context().DestinationFolder = v;
}

void AGP::AddProj(const std::string& strProjName) {
  set_setting_value(ProjectSetting::ProjName, vb::Variant(strProjName));
  set_setting_value(ProjectSetting::ProjVar,
                    vb::Variant(AGPVars::MakeIdentifier(std::string_view(strProjName), std::string_view())));
  LoadDefault();
  proj_init_ = true;
}

void AGP::DeleteProj() {
  // The store is emptied and declared again first, so that nothing below can leave
  // the project without its settings.
  redeclare();
  db_.reset();
  databases().delete_all();
  db_name_.clear();
  proj_init_ = false;
}

void AGP::LoadDefault() {
  ModuleContext& ctx = context();
  // 1. The per-user defaults of the project settings, each read as text.
  load_registry_defaults(ctx.RegKeyProject, /*as_text=*/true);
  // 2-6. The general values.
  language_ = reg_text(ctx.RegKeyGeneral, "Language");
  {
    vb::Variant b = reg_converted(ctx.RegKeyGeneral, "BackupFile", "Boolean");
    backup_file_ = b.is_bool() && b.raw_bool();
  }
  ctx.CurrentDateFormat = integer_or_zero(setting_value(ProjectSetting::defaultDateFormat));
  user_code_ = reg_text(ctx.RegKeyGeneral, "USERCODE");
  {
    vb::Variant t = reg_converted(ctx.RegKeyGeneral, "ScriptEngineTimeout", "Long");
    script_timeout_ = t.type() == vb::VarType::Long ? t.raw_long() : 0;
  }
  // 7. Fixed values, whatever the registry holds, in this order.
  const vb::Variant empty_text{std::string()};
  set_setting_value(ProjectSetting::IncFiles, empty_text);
  set_setting_value(ProjectSetting::IncVirtuals, empty_text);
  set_setting_value(ProjectSetting::SecType, vb::Variant("None"));
  set_setting_value(ProjectSetting::SecLoginID, empty_text);
  set_setting_value(ProjectSetting::SecPasswd, empty_text);
  set_setting_value(ProjectSetting::SecTbl, empty_text);
  set_setting_value(ProjectSetting::SecLoginIDFld, empty_text);
  set_setting_value(ProjectSetting::SecPasswdFld, empty_text);
  set_setting_value(ProjectSetting::AutoSync, vb::Variant(true));
  set_setting_value(ProjectSetting::AutoBrowse, vb::Variant(false));
  set_setting_value(ProjectSetting::CreateVDir, vb::Variant(false));
  set_setting_value(ProjectSetting::OtherGen, vb::Variant(true));
  set_setting_value(ProjectSetting::OtherOverwrite, vb::Variant(true));
  set_setting_value(ProjectSetting::PromptOnOverwrite, vb::Variant(true));
  set_setting_value(ProjectSetting::LinkOnLeft, vb::Variant(false));
  set_setting_value(ProjectSetting::PagerStyle, vb::Variant(int16_t(2)));
  set_setting_value(ProjectSetting::MultiDelete, vb::Variant(false));
  // 8. The unload threshold: below 1 (or absent) it is 20.
  {
    vb::Variant n = reg_converted(ctx.RegKeyGeneral, "UnloadThresholdCount", "Integer");
    int16_t count = n.type() == vb::VarType::Integer ? n.raw_integer() : int16_t(0);
    unload_threshold_ = count < 1 ? int16_t(20) : count;
  }
}

void AGP::CopyDefaultSettings() {
  ModuleContext& ctx = context();
  // "Language" marks a completed copy, so its value goes over last: until then it stands in
  // its place as an empty text. The hive file takes the whole copy in one write, so a run
  // stopped half-way leaves no copy at all (or, where a registry stores value by value, the
  // empty marker), which the next start takes for a first run and copies everything again.
  std::vector<platform::RegWrite> writes;
  for (const std::string* key : {&ctx.RegKeyAdvancedFilters, &ctx.RegKeyGeneral, &ctx.RegKeyProject,
                                 &ctx.RegKeyDatabase, &ctx.RegKeyTable, &ctx.RegKeyChart, &ctx.RegKeyTrendline,
                                 &ctx.RegKeyField, &ctx.RegKeyExtensions})
    copy_registry_key(*key, *key == ctx.RegKeyGeneral ? "Language" : "", writes);
  copy_registry_value(ctx.RegKeyGeneral, "Language", writes);
  // Where the user's settings cannot be stored the copy serves this run from memory: commands
  // that only read need no writable settings.
  set_user_values(writes, /*or_keep=*/true);
}

void AGP::CopyRegistryKey(const std::string& key) {
  std::vector<platform::RegWrite> writes;
  copy_registry_key(key, "", writes);
  set_user_values(writes);
}

bool AGP::copy_registry_value(const std::string& key, const std::string& name, std::vector<platform::RegWrite>& out) {
  ModuleContext& ctx = context();
  platform::RegistryBackend& backend = platform::current_registry();
  ctx.RegValueName = name;
  std::optional<platform::RegValue> value;
  try {
    value = backend.query_value(platform::RegRoot::LocalMachine, key, name, /*expand_text=*/false);
  } catch (const std::exception&) {
    // Reads never raise: a value that cannot be read is not copied.
  }
  if (!value) return false;
  ctx.RegLastValueType = int32_t(value->kind);
  out.push_back({key, name, std::move(*value)});
  return true;
}

void AGP::copy_registry_key(const std::string& key, std::string_view skip_value, std::vector<platform::RegWrite>& out) {
  cRegistry& reg = shared_registry();
  std::vector<std::string> names;
  int32_t count = 0;
  reg.ClassKey = cRegistry::HKEY_LOCAL_MACHINE;
  reg.SectionKey = key;
  reg.EnumerateValues(names, count);
  // Each value goes over as it is stored: a read through the shared registry object
  // would expand an expandable text and could not write a list of texts back, so the
  // copy would lose them or change their kind.
  for (const std::string& name : names) {
    if (skip_value.empty() || !vb::iequals(name, skip_value)) {
      copy_registry_value(key, name, out);
      continue;
    }
    out.push_back({key, name, platform::RegValue::make_text("")});
  }
  std::vector<std::string> subkeys;
  reg.ClassKey = cRegistry::HKEY_LOCAL_MACHINE;
  reg.SectionKey = key;
  reg.EnumerateSections(subkeys, count);
  for (const std::string& sub : subkeys) copy_registry_key(key + "\\" + sub, "", out);
}

// ---- dispatch ----------------------------------------------------------------

vb::DispId AGP::find_member(std::string_view name) const {
  vb::DispId id = dispatch_table().find(name);
  if (id != vb::kDispUnknown) return id + kOwnMembersOffset;
  int32_t reg = find_project_member(name);
  return reg < 0 ? vb::kDispUnknown : kRegisteredMembersOffset + reg;
}

vb::Variant AGP::invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) {
  if (id >= kRegisteredMembersOffset) {
    if (kind == vb::InvokeKind::Let || kind == vb::InvokeKind::Set) vb::raise(vb::err::kNotSupported);
    return project_member(id - kRegisteredMembersOffset)(*this, args);
  }
  return dispatch_table().invoke(*this, id, kind, args);
}

std::vector<std::string> AGP::member_names() const {
  std::vector<std::string> names = dispatch_table().names();
  for (auto& n : project_member_names()) names.push_back(std::move(n));
  return names;
}

const vb::DispatchTable<AGP>& AGP::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGP;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGP");
    table.property("lhWnd", [](Self& s, Args) { return Variant(s.lhWnd); },
                   [](Self& s, Args, const Variant& v) { s.lhWnd = vb::to_long(v); });
    table.property("ProjInit", [](Self& s, Args) { return Variant(s.ProjInit()); });
    table.property("DB", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.DB()); });
    table.property("MenuList", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.MenuList()); });
    table.property("DBCnt", [](Self& s, Args) { return Variant(s.DBCnt()); });
    add_text_store_members(table);
    table.property("Extensions", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.Extensions()); });
    table.property("hwnd", [](Self& s, Args) { return Variant(s.hwnd()); },
                   [](Self& s, Args, const Variant& v) { s.hwnd(vb::to_long(v)); });
    table.property("ProjErr", [](Self& s, Args) { return Variant(s.ProjErr()); },
                   [](Self& s, Args, const Variant& v) { s.ProjErr(vb::to_string(v)); });
    TOLVEX_PROJECT_SETTINGS(TOLVEX_SETTING_DISPATCH)
    table.method("AddProj", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      s.AddProj(vb::to_string(a[0]));
      return Variant();
    });
    table.method("DeleteProj", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      s.DeleteProj();
      return Variant();
    });
    table.method("GetFileCharset", [](Self&, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(GetFileCharset(a[0].is_null() ? std::string() : vb::to_string(a[0])));
    });
    table.method("BinToHex", [](Self&, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(BinToHex(a[0]));
    });
    table.method("RemoveBOM", [](Self&, Args a) {
      vb::check_arg_count(a, 1, 1);
      (void)RemoveBOM(a[0].is_null() ? std::string() : vb::to_string(a[0]));
      return Variant();
    });
    table.method("FldSrchOprs", [](Self&, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(FldSrchOprs(vb::to_integer(a[0])));
    });
    table.method("LoadDefault", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      s.LoadDefault();
      return Variant();
    });
    return table;
  }();
  return built;
}

}  // namespace tolvex
