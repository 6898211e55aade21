// Reading a project file into the model: version checks and conversion of old
// files, the site menu, every element's attributes into its settings store, the
// repairs that older files need, the database check when AutoSync is on, and the
// extensions registered for the user when the file names none.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/agp_vars.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "foundation/status.h"
#include "model/project.h"
#include "model/project_members.h"
#include "platform/folders.h"
#include "platform/host_ui.h"
#include "projectfile/object_members.h"
#include "projectfile/project_document.h"
#include "projectfile/project_file.h"
#include "projectfile/project_file_hooks.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;

using projectfile::member;
using projectfile::ProjectDocument;
using projectfile::ProjectElement;
using projectfile::member_object;
using projectfile::store_of;
constexpr auto text_of = projectfile::value_text;

bool bool_of(const vb::Variant& v) {
  try {
    return !v.is_empty() && !v.is_null() && vb::to_bool(vb::default_value(v));
  } catch (const vb::VBError&) {
    return false;
  }
}

bool file_exists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  const fs::path p = platform::normalize_separators(path);
  if (fs::is_regular_file(p, ec)) return true;
  // Settings name their files relative to the application's folder.
  return p.is_relative() && fs::is_regular_file(platform::application_folder() / p, ec);
}

std::string local_host_name() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return "localhost";
  return buf;
}

// The quote characters of a loaded field by its ADO type and the kind of database.
std::optional<std::string> field_quote(int32_t type, int16_t kind) {
  switch (type) {
    case 2: case 3: case 4: case 5: case 6: case 11: case 14: case 16: case 17: case 18: case 19: case 20:
    case 21: case 131: case 139:
      return std::string();
    case 7: case 133: case 134: case 135:
      return std::string(kind == 1 ? "#" : "'");
    case 8: case 72: case 129: case 130: case 200: case 201: case 202: case 203: case 204: case 205:
      return std::string("'");
    default:
      return std::nullopt;
  }
}

// What a failed load puts back: the project's settings, a database this load
// created, the extensions it added and the site menu it replaced.
class LoadRollback {
 public:
  explicit LoadRollback(AGP& project) : project_(project) {
    AGProperties& props = *project.Properties();
    for (size_t i = 0; i < props.size(); ++i) values_.push_back(props.value_at(i));
    if (const std::vector<KeptElement>* kept = props.kept_elements()) kept_ = *kept;
    had_database_ = bool(project.DB());
    if (auto exts = project.Extensions()) {
      const int32_t n = vb::to_long(member(*exts, "Count"));
      for (int32_t i = 1; i <= n; ++i)
        if (auto ext = member_object(*exts, "Seq", {vb::Variant(int16_t(i))})) extensions_.push_back(text_of(member(*ext, "Name")));
    }
  }

  // Called just before the site menu is read from the file.
  void keep_menus() {
    vb::Ref<AGPMenus> menus = project_.MenuList();
    for (int32_t i = 1; i <= menus->Count(); ++i) {
      vb::Ref<AGPMenu> m = menus->Item(i);
      if (m)
        menus_.push_back({m->MenuId(), m->MenuText(), m->MenuParentID(), m->MenuUrl(), m->MenuCustomUrl(),
                          m->MenuLevel(), m->MenuShow(), m->MenuDisplayOrder(),
                          m->kept_elements() ? *m->kept_elements() : std::vector<KeptElement>()});
    }
    menus_kept_ = true;
  }

  void restore() noexcept {
    try {
      AGProperties& props = *project_.Properties();
      for (size_t i = props.size(); i > values_.size(); --i) props.Delete(std::string(props.name_at(i - 1)));
      for (size_t i = 0; i < values_.size() && i < props.size(); ++i) props.set_value_at(i, values_[i]);
      props.set_kept_elements(kept_);
    } catch (...) {
    }
    try {
      if (!had_database_ && project_.DB()) {
        project_.databases().delete_all();
        project_.set_current_database(nullptr);
        project_.set_current_database_name(std::string());
      }
    } catch (...) {
    }
    try {
      if (auto exts = project_.Extensions()) {
        for (int32_t i = vb::to_long(member(*exts, "Count")); i >= 1; --i) {
          auto ext = member_object(*exts, "Seq", {vb::Variant(int16_t(i))});
          if (!ext) continue;
          const std::string name = text_of(member(*ext, "Name"));
          if (std::find(extensions_.begin(), extensions_.end(), name) == extensions_.end())
            member(*exts, "Delete", {vb::Variant(name)});
        }
      }
    } catch (...) {
    }
    try {
      if (menus_kept_) {
        vb::Ref<AGPMenus> menus = project_.MenuList();
        while (menus->Count() > 0) {
          vb::Ref<AGPMenu> first = menus->Item(1);
          if (!first || !menus->DeleteMenu(first->MenuId())) break;
        }
        for (MenuEntry& m : menus_)
          if (menus->AddMenu(m.id, m.text, m.parent, m.url, m.custom, m.level, m.show, m.order) && !m.kept.empty())
            if (vb::Ref<AGPMenu> added = menus->Item(menus->Count())) added->set_kept_elements(std::move(m.kept));
      }
    } catch (...) {
    }
  }

 private:
  AGP& project_;
  std::vector<vb::Variant> values_;
  std::vector<KeptElement> kept_;
  bool had_database_ = false;
  std::vector<std::string> extensions_;
  struct MenuEntry {
    int32_t id;
    std::string text;
    int32_t parent;
    std::string url;
    bool custom;
    int32_t level;
    bool show;
    int32_t order;
    std::vector<KeptElement> kept;
  };
  std::vector<MenuEntry> menus_;
  bool menus_kept_ = false;
};

// What the file's text of a setting becomes, decided once per setting of a layout.
enum class SpecialValue : uint8_t { None, Js, TagValues, Ext, DefaultPage };
enum class ValueType : uint8_t { Text, Boolean, Integer, Long, Single, Double };

struct SlotRule {
  size_t slot = 0;
  bool file_save = false;
  SpecialValue special = SpecialValue::None;
  ValueType type = ValueType::Text;
};

SlotRule rule_for(const PropertyDesc& d, size_t slot) {
  SlotRule r;
  r.slot = slot;
  r.file_save = d.file_save;
  const std::string name = vb::ascii_lower(d.name);
  if (name == "js") r.special = SpecialValue::Js;
  else if (name == "fldtagvalues") r.special = SpecialValue::TagValues;
  else if (name == "ext") r.special = SpecialValue::Ext;
  else if (name == "defaultpage") r.special = SpecialValue::DefaultPage;
  // As common::ConvertByTypeRaw reads the type name; other names keep the text.
  const std::string type = vb::utf8_lower(d.data_type);
  if (type == "boolean") r.type = ValueType::Boolean;
  else if (type == "integer") r.type = ValueType::Integer;
  else if (type == "long") r.type = ValueType::Long;
  else if (type == "single") r.type = ValueType::Single;
  else if (type == "double") r.type = ValueType::Double;
  return r;
}

// A short run of decimal digits with an optional minus sign: its value.
std::optional<int32_t> plain_whole_number(std::string_view text) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string_view digits = text.substr(negative ? 1 : 0);
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  int32_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return negative ? -n : n;
}

// The text converted by the setting's type; Empty when it does not convert.
vb::Variant converted(std::string text, ValueType type) {
  if (type == ValueType::Text) return vb::Variant(std::move(text));
  // The common texts of a file (no text, small whole numbers) without the general
  // conversion, which reports a failure by raising: the results are the same.
  if (text.empty()) return vb::Variant();
  if (const std::optional<int32_t> n = plain_whole_number(text)) {
    switch (type) {
      case ValueType::Boolean: return vb::Variant(*n != 0);
      case ValueType::Integer:
        if (*n >= INT16_MIN && *n <= INT16_MAX) return vb::Variant(int16_t(*n));
        break;
      case ValueType::Long: return vb::Variant(*n);
      default: break;
    }
  }
  try {
    const vb::Variant value(std::move(text));
    switch (type) {
      case ValueType::Boolean: return vb::cbool(value);
      case ValueType::Integer: return vb::cint(value);
      case ValueType::Long: return vb::clng(value);
      case ValueType::Single: return vb::csng(value);
      case ValueType::Double: return vb::cdbl(value);
      case ValueType::Text: break;
    }
  } catch (const std::exception&) {
  }
  return vb::Variant();
}

void set_from_file(AGProperties& store, const SlotRule& r, std::string_view text) {
  if (!r.file_save) return;
  vb::Variant value;
  switch (r.special) {
    case SpecialValue::Js:
      if (text.empty() || !file_exists(std::string(text))) return;
      value = converted(std::string(text), r.type);
      break;
    case SpecialValue::TagValues: {
      std::string lines;
      lines.reserve(text.size());
      for (char c : text) {
        if (c == '|') lines += "\r\n";
        else lines += c;
      }
      value = vb::Variant(std::move(lines));
      break;
    }
    case SpecialValue::Ext: value = vb::Variant(text.empty() ? std::string("php") : std::string(text)); break;
    case SpecialValue::DefaultPage:
      value = vb::Variant(text.empty() ? std::string("index.php") : std::string(text));
      break;
    case SpecialValue::None: value = converted(std::string(text), r.type); break;
  }
  store.set_value_at(r.slot, std::move(value));
}

// A name the store lacks becomes a saved text setting.
void add_from_file(AGProperties& store, std::string_view name, std::string_view text) {
  store.Add(name, "String", false, 0, true, true);
  if (auto added = store.index_of(name)) store.set_value_at(*added, vb::Variant(std::string(text)));
}

// The root's Version and Product name the file, not the project: a saved file always
// names the library that wrote it.
bool names_the_file(std::string_view name) { return name == "Version" || name == "Product"; }

// The rules of the settings by the document's name numbers, per layout: the stores of
// one class share a layout, so each attribute name is looked up once per class.
class AttributeRules {
 public:
  explicit AttributeRules(const ProjectDocument& doc) : doc_(doc) {}

  void load(const ProjectElement& element, AGProperties& store) {
    std::vector<std::optional<SlotRule>>& rules = rules_of(store);
    const bool root = element.is_root();
    for (const ProjectElement::Attribute* a = element.attributes_begin(); a != element.attributes_end(); ++a) {
      const std::string_view name = doc_.name(a->name);
      if (root && names_the_file(name)) continue;
      std::optional<SlotRule>& rule = rules[a->name];
      if (!rule) {
        if (auto slot = store.layout()->find_folded(name)) rule = rule_for((*store.layout())[*slot], *slot);
      }
      if (!rule || rule->slot >= store.size()) {
        add_from_file(store, name, element.attribute_value(*a));
        // The store now has a layout of its own: the rest is looked up in it.
        return load_rest(element, store, a + 1, root);
      }
      set_from_file(store, *rule, element.attribute_value(*a));
    }
  }

 private:
  // After the store's layout changed: the remaining attributes, looked up again.
  void load_rest(const ProjectElement& element, AGProperties& store, const ProjectElement::Attribute* from, bool root) {
    for (const ProjectElement::Attribute* a = from; a != element.attributes_end(); ++a) {
      const std::string_view name = doc_.name(a->name);
      if (root && names_the_file(name)) continue;
      auto slot = store.layout()->find_folded(name);
      if (!slot || *slot >= store.size()) add_from_file(store, name, element.attribute_value(*a));
      else set_from_file(store, rule_for(store.desc_at(*slot), *slot), element.attribute_value(*a));
    }
  }

  std::vector<std::optional<SlotRule>>& rules_of(const AGProperties& store) {
    for (auto& [layout, rules] : by_layout_)
      if (layout.get() == store.layout().get()) return rules;
    by_layout_.emplace_back(store.layout(), std::vector<std::optional<SlotRule>>(doc_.name_count()));
    return by_layout_.back().second;
  }

  const ProjectDocument& doc_;
  // Few layouts occur (one per class, and the rare store with settings of its own).
  std::deque<std::pair<vb::Ref<SettingsLayout>, std::vector<std::optional<SlotRule>>>> by_layout_;
};

std::string attribute_folded(const ProjectElement& element, std::string_view name) {
  for (const ProjectElement::Attribute* a = element.attributes_begin(); a != element.attributes_end(); ++a)
    if (vb::iequals(element.attribute_name(*a), name)) return std::string(element.attribute_value(*a));
  return std::string();
}


bool is_container(std::string_view name) {
  return vb::iequals(name, "database") || vb::iequals(name, "table") || vb::iequals(name, "chart") ||
         vb::iequals(name, "extension") || vb::iequals(name, "extproject") || vb::iequals(name, "extdatabase") ||
         vb::iequals(name, "exttable") || vb::iequals(name, "extchart") || vb::iequals(name, "extfield");
}

// The child elements that the reader reads (load_node, and the site menu below the root); any
// other is kept as it stood by the object of its parent.
bool reads_child(std::string_view parent, bool parent_is_root, std::string_view child) {
  if (!parent_is_root && !is_container(parent)) return false;
  if (is_container(child) || vb::iequals(child, "field") || vb::iequals(child, "trendline")) return true;
  return parent_is_root && vb::iequals(child, "menu");
}

class ProjectReader {
 public:
  explicit ProjectReader(AGP& project) : project_(project), ctx_(context()) {}

  void load(std::string projFile);

 private:
  // The system's text, followed by the reason when there is one.
  void fail_load(const std::string& reason = {}) {
    ctx_.ProjErr = ctx_.ProductTitle + ": Load Project File failed! Please check!";
    if (!reason.empty()) ctx_.ProjErr += " " + reason;
  }
  // Hands the file to the converter; true when its result loaded (doc and projFile then name it).
  bool convert(std::string& projFile, ProjectDocument& doc);
  // The element's attributes into the store, and its children that the reader does not
  // read, kept in the store as they stood for the next save.
  void load_settings(const ProjectElement& element, AGProperties& store) {
    rules_->load(element, store);
    store.set_kept_elements(element.kept_children());
  }
  void load_node(const ProjectElement& node);
  void load_database(const ProjectElement& child);
  void load_table(const ProjectElement& child);
  void load_chart(const ProjectElement& child);
  void load_trend(const ProjectElement& child);
  void load_field(const ProjectElement& child);
  void load_extension(const ProjectElement& child);
  void load_ext_level(const std::string& name, const ProjectElement& child);
  void load_menus(const ProjectElement& root);
  vb::Ref<AGPTable> current_table();
  vb::Ref<vb::Dispatch> current_extension();
  platform::XmlNode definition(const char* xpath) const {
    return definitions_ ? definitions_->select_one(xpath) : platform::XmlNode();
  }
  void check_database();

  AGP& project_;
  ModuleContext& ctx_;
  int32_t progress_total_ = 0;
  int32_t progress_done_ = 0;
  bool progress_open_ = false;
  std::optional<platform::XmlDocument> definitions_;
  std::optional<AttributeRules> rules_;
  vb::Ref<AGPTable> current_table_;
  std::string current_table_name_;
  vb::Ref<AGPDatabase> current_database_;
};

bool ProjectReader::convert(std::string& projFile, ProjectDocument& doc) {
  std::string converted;
  project_converter().ConvertProjectFile(projFile, ctx_.ProductCode, project_.version_text(), converted);
  if (converted.empty()) return false;
  try {
    doc = ProjectDocument::read(platform::normalize_separators(converted), &reads_child);
  } catch (const std::exception&) {
    return false;  // the caller's file is read instead
  }
  projFile = converted;
  return true;
}

void ProjectReader::load(std::string projFile) {
  ctx_.ProjErr.clear();
  std::optional<LoadRollback> rollback;
  try {
    rollback.emplace(project_);
    project_.LoadDefault();
    std::optional<ProjectDocument> parsed;
    try {
      parsed = ProjectDocument::read(platform::normalize_separators(projFile), &reads_child);
    } catch (const std::exception& e) {
      rollback->restore();
      fail_load(e.what());
      return;
    }
    ProjectDocument& doc = *parsed;
    auto version_of = [&](const ProjectDocument& d) -> std::optional<std::string> {
      if (auto v = d.root().attribute("Version")) return std::string(*v);
      return std::nullopt;
    };
    std::optional<std::string> version = version_of(doc);
    // Files of another extension go through the converter.
    std::string file_name = projFile;
    if (size_t slash = file_name.find_last_of("/\\"); slash != std::string::npos) file_name.erase(0, slash + 1);
    if (size_t dot = file_name.rfind('.'); dot != std::string::npos &&
                                           !vb::iequals(file_name.substr(dot + 1), ctx_.ProjectFileExt)) {
      if (convert(projFile, doc)) version = version_of(doc);
    }
    if (!version) {
      rollback->restore();
      fail_load("The file has no version number.");
      return;
    }
    const int16_t r = AGP::CompareVersion(vb::Variant(*version), vb::Variant(ctx_.ProjectFileVersion));
    if (r == -1) convert(projFile, doc);
    if (r == 2) {
      rollback->restore();
      ctx_.ProjErr = ctx_.ProductTitle + ": Project file version (" + *version + ") newer than software (" +
                     project_.version_text() + ")! Please check!";
      return;
    }
    const ProjectElement root = doc.root();
    // The root is checked before the menu is read, so that a file that is no project
    // leaves the site menu as it was.
    if (root.name() != "Project") {
      rollback->restore();
      ctx_.ProjErr = ctx_.ProductTitle + ": Invalid Project File!";
      return;
    }
    rollback->keep_menus();
    load_menus(root);

    for (const ProjectElement& child : root.child_elements()) {
      if (child.name() == "Database") {
        progress_total_ = int32_t(child.child_elements().size() + child.other_children());
        break;
      }
    }
    progress_done_ = 0;
    ctx_.ProgressTotal = progress_total_;
    ctx_.ProgressDone = 0;
    if (progress_total_ > 0) {
      status_window().ShowStatus(project_.lhWnd, "Loading Project File...");
      progress_open_ = true;
    }
    rules_.emplace(doc);
    load_settings(root, *project_.Properties());
    if (text_of(project_.setting_value(ProjectSetting::SmtpServer)).empty()) {
      project_.set_setting_value(ProjectSetting::SmtpServer, vb::Variant(local_host_name()));
      project_.set_setting_value(ProjectSetting::SmtpServerPort, vb::Variant(int16_t(25)));
    }
    project_.set_setting_value(
        ProjectSetting::ProjVar,
        vb::Variant(AGPVars::MakeIdentifier(text_of(project_.setting_value(ProjectSetting::ProjName)), "")));
    load_node(root);
    if (progress_open_) {
      status_window().CloseStatus();
      progress_open_ = false;
    }

    if (!file_exists(text_of(project_.setting_value(ProjectSetting::Template)))) {
      project_.set_setting_value(
          ProjectSetting::Template,
          vb::Variant(text_of(common::GetRegValue(vb::Variant("HKCU"), vb::Variant(ctx_.RegKeyProject),
                                                  vb::Variant("Template")))));
    }
    ctx_.SqlQuoteSetting = text_of(project_.setting_value(ProjectSetting::SQLQuote));
    ctx_.CurrentDateFormat = common::integer_if_numeric(project_.setting_value(ProjectSetting::defaultDateFormat));
    if (vb::Ref<AGPDatabase> db = project_.DB()) {
      ctx_.CurrentDbmsName = text_of(db->setting_value(DatabaseSetting::DBDBMSName));
      ctx_.DefaultTblSecurity = db->setting_value(DatabaseSetting::SecDefault);
      project_database_hooks().BuildTableKeys(project_);
      if (bool_of(project_.setting_value(ProjectSetting::AutoSync)) && !ctx_.SkipAutoSyncOnLoad) check_database();
    } else {
      ctx_.ProjErr = ctx_.ProductTitle + ": No Database Information in Project File!";
    }
    if (ctx_.ProjErr.empty()) {
      auto exts = project_.Extensions();
      if (!exts || vb::to_long(member(*exts, "Count")) == 0) project_extension_hooks().LoadRegisteredExtensions(project_);
    }
  } catch (const std::exception& e) {
    if (progress_open_) {
      try {
        status_window().CloseStatus();
      } catch (...) {
      }
    }
    if (rollback) rollback->restore();
    fail_load(e.what());
  }
}

// The site menu: the file's Menu elements, handed to the menu list as a small document.
void ProjectReader::load_menus(const ProjectElement& root) {
  platform::XmlWriter w({"", ""});
  w.start_element("Project");
  for (const ProjectElement& child : root.child_elements()) {
    if (!vb::iequals(child.name(), "menu")) continue;
    std::vector<std::pair<std::string, std::string>> attributes;
    for (const ProjectElement::Attribute* a = child.attributes_begin(); a != child.attributes_end(); ++a)
      attributes.emplace_back(child.attribute_name(*a), child.attribute_value(*a));
    w.start_element("Menu", attributes);
    w.end_element();
  }
  w.end_element();
  const platform::XmlDocument menus = platform::XmlDocument::parse_memory(w.finish(), "the site menu");
  vb::Ref<AGPMenus> list = project_.MenuList();
  list->LoadMenus(menus.root());
  // The list holds an entry per menu element, in file order.
  int32_t entry = 0;
  for (const ProjectElement& child : root.child_elements()) {
    if (!vb::iequals(child.name(), "menu")) continue;
    std::vector<KeptElement> kept = child.kept_children();
    if (vb::Ref<AGPMenu> m = list->Item(++entry); m && !kept.empty()) m->set_kept_elements(std::move(kept));
  }
}

void ProjectReader::check_database() {
  vb::Ref<AGPDatabase> db = project_.DB();
  std::vector<std::string> connection;
  for (DatabaseSetting s : {DatabaseSetting::DBName, DatabaseSetting::DBType, DatabaseSetting::DBHost,
                            DatabaseSetting::DBPort, DatabaseSetting::DBUID, DatabaseSetting::DBPwd,
                            DatabaseSetting::DBSID, DatabaseSetting::DBConnectionMethod, DatabaseSetting::DBURL,
                            DatabaseSetting::DBEncoding})
    connection.push_back(text_of(db->setting_value(s)));
  ctx_.StatusTitle = ctx_.ProductTitle + " - Database Synchronization Check...";
  ProjectDatabaseHooks& hooks = project_database_hooks();
  hooks.LoadSchemaSnapshot(project_, connection);
  if (!ctx_.ProjErr.empty()) {
    if (ctx_.ProjErr != "JDBC ERROR")
      host_ui().message_box("Unable to load database information! Reason: " + ctx_.ProjErr +
                                ". Please check if correct database is in use.",
                            ctx_.ProductTitle, platform::msgbox::vbExclamation | platform::msgbox::vbOKOnly);
    ctx_.ProjErr.clear();
  } else {
    const int32_t differences =
        hooks.CheckTablesAndViews(project_) + hooks.CheckCustomViews(project_) + hooks.CheckReports(project_);
    bool keep = true;
    if (differences >= 1)
      keep = hooks.AskKeepOldDefinition(project_,
                                        "Database has been modified since last change. Do you want to keep old "
                                        "definition or update to new definition?");
    if (keep) {
      hooks.SyncMenus(project_);
    } else {
      hooks.MapRenamedTablesAndFields(project_);
      hooks.SyncTablesAndViews(project_);
      hooks.SyncCustomViews(project_);
      hooks.SyncReports(project_);
      hooks.BuildTableKeys(project_);
      hooks.SyncMenus(project_);
    }
  }
  hooks.ReleaseSchemaSnapshot(project_);
}

vb::Ref<AGPTable> ProjectReader::current_table() {
  vb::Ref<AGPDatabase> db = project_.DB();
  if (!db) return nullptr;
  const std::string name = db->Tables()->curName();
  if (name.empty()) return nullptr;
  // Every field of a table asks for it: the table found last is kept (the reader deletes none).
  if (name != current_table_name_ || !current_table_ || current_database_ != db) {
    current_table_ = db->Tables()->Item(vb::Variant(name));
    current_table_name_ = name;
    current_database_ = db;
  }
  return current_table_;
}

vb::Ref<vb::Dispatch> ProjectReader::current_extension() {
  auto exts = project_.Extensions();
  if (!exts) return nullptr;
  const std::string name = text_of(member(*exts, "curName"));
  if (name.empty()) return nullptr;
  return member_object(*exts, "Item", {vb::Variant(name)});
}

void ProjectReader::load_node(const ProjectElement& node) {
  const std::vector<ProjectElement> children = node.child_elements();
  for (const ProjectElement& child : children) {
    const std::string name = vb::ascii_lower(std::string(child.name()));
    if (name == "database") load_database(child);
    else if (!project_.DB()) continue;
    else if (name == "table") load_table(child);
    else if (name == "chart") load_chart(child);
    else if (name == "trendline") load_trend(child);
    else if (name == "field") load_field(child);
  }
  for (const ProjectElement& child : children) {
    const std::string name = vb::ascii_lower(std::string(child.name()));
    if (name == "extension") load_extension(child);
    else if (name == "extproject" || name == "extdatabase" || name == "exttable" || name == "extchart" ||
             name == "extfield")
      load_ext_level(name, child);
  }
}

void ProjectReader::load_database(const ProjectElement& child) {
  std::string name = attribute_folded(child, "DBName");
  if (name.empty()) name = "zv_db";
  project_.set_current_database_name(name);
  project_.databases().Add(name);
  vb::Ref<AGPDatabase> db = project_.databases().Item(vb::Variant(int32_t(1)));
  if (!db) return;
  project_.set_current_database(db);
  load_settings(child, *db->Properties());
  load_node(child);
}

void ProjectReader::load_table(const ProjectElement& child) {
  const std::string name = attribute_folded(child, "TblName");
  if (name.empty()) return;
  if (progress_total_ > 0) {
    AGPStatus& status = status_window();
    status.DispStatus("Loading TABLE/VIEW \"" + name + "\"...");
    ctx_.ProgressDone = ++progress_done_;
    status.SetStatus(vb::Variant(common::Percent(progress_done_, progress_total_)));
  }
  AGPTables& tables = *project_.DB()->Tables();
  if (!tables.Add(name)) return;
  vb::Ref<AGPTable> table = tables.Item(vb::Variant(name));
  if (!table) return;
  // The defaults switch the table's generation off, and with it the table's menu
  // entries; the entries keep what the file says about them.
  vb::Ref<AGPMenus> menus = project_.MenuList();
  std::vector<std::pair<vb::Ref<AGPMenu>, bool>> shown;
  for (int32_t i = 1; i <= menus->Count(); ++i)
    if (vb::Ref<AGPMenu> m = menus->Item(i); m && !m->MenuCustomUrl() && m->MenuUrl() == name)
      shown.emplace_back(m, m->MenuShow());
  table->LoadTableDefault();
  for (auto& [m, show] : shown) m->MenuShow(show);
  load_settings(child, *table->Properties());
  table->set_setting_value(TableSetting::TblVar,
                           vb::Variant(AGPVars::MakeIdentifier(text_of(table->setting_value(TableSetting::TblName)), "")));
  load_node(child);
  if (table->Fields()->Count() >= 1) table->set_setting_value(TableSetting::TblLoaded, vb::Variant(true));
}

void ProjectReader::load_chart(const ProjectElement& child) {
  const std::string name = attribute_folded(child, "ChartName");
  vb::Ref<AGPTable> table = current_table();
  if (name.empty() || !table) return;
  AGPCharts& charts = *table->Charts();
  if (!charts.Add(table->TblName(), name)) return;
  vb::Ref<AGPChart> chart = charts.Item(vb::Variant(name));
  if (!chart) return;
  load_settings(child, *chart->Properties());
  chart->set_setting_value(ChartSetting::ChartVar,
                           vb::Variant(AGPVars::MakeIdentifier(text_of(chart->setting_value(ChartSetting::ChartName)), "")));
  load_node(child);
  // Files of older versions have no trend lines.
  if (chart->Trendlines()->Count() == 0)
    for (const char* trend : {"Trendline1", "Trendline2", "Trendline3", "Trendline4"}) chart->Trendlines()->Add(trend);
}

void ProjectReader::load_trend(const ProjectElement& child) {
  const std::string name = attribute_folded(child, "TrendName");
  vb::Ref<AGPTable> table = current_table();
  if (name.empty() || !table) return;
  const std::string chart_name = table->Charts()->curName();
  if (chart_name.empty()) return;
  vb::Ref<AGPChart> chart = table->Charts()->Item(vb::Variant(chart_name));
  if (!chart) return;
  AGPTrends& trends = *chart->Trendlines();
  if (!trends.Add(name)) return;
  if (vb::Ref<AGPTrend> trend = trends.Item(vb::Variant(name))) load_settings(child, *trend->Properties());
}

void ProjectReader::load_field(const ProjectElement& child) {
  const std::string name = attribute_folded(child, "FldName");
  vb::Ref<AGPTable> table = current_table();
  if (name.empty() || !table) return;
  AGPFields& fields = *table->Fields();
  if (!fields.Add(table->TblName(), name)) return;
  vb::Ref<AGPField> field = fields.Item(vb::Variant(name));
  if (!field) return;
  load_settings(child, *field->Properties());
  field->set_setting_value(FieldSetting::FldVar,
                           vb::Variant(AGPVars::MakeIdentifier(text_of(field->setting_value(FieldSetting::FldName)), "x_")));
  int32_t type = -1;
  try {
    type = vb::to_long(field->setting_value(FieldSetting::FldType));
  } catch (const vb::VBError&) {
  }
  const int16_t kind = AGPVars::DbKindFromName(text_of(project_.DB()->setting_value(DatabaseSetting::DBDBMSName)));
  if (std::optional<std::string> quote = field_quote(type, kind)) {
    field->set_setting_value(FieldSetting::FldQuoteS, vb::Variant(*quote));
    field->set_setting_value(FieldSetting::FldQuoteE, vb::Variant(*quote));
  }
  if (bool_of(field->setting_value(FieldSetting::FldAutoIncrement)))
    field->set_setting_value(FieldSetting::FldAdd, vb::Variant(false));
}

void ProjectReader::load_extension(const ProjectElement& child) {
  auto exts = project_.Extensions();
  const std::string name = attribute_folded(child, "Name");
  if (!exts || name.empty()) return;
  if (!bool_of(member(*exts, "Add", {vb::Variant(name)}))) return;
  auto ext = member_object(*exts, "Item", {vb::Variant(name)});
  if (!ext) return;
  if (auto props = store_of(*ext)) load_settings(child, *props);
  // Each extension reads its own definitions; without them the file's attributes are
  // kept as they stand (a later Save writes them back).
  definitions_.reset();
  const std::string xml_file = text_of(member(*ext, "XmlFile"));
  if (!xml_file.empty()) {
    ProjectExtensionHooks& hooks = project_extension_hooks();
    if (std::optional<platform::XmlDocument> defs = hooks.LoadDefinitionFile(xml_file)) {
      definitions_ = std::move(defs);
      auto proj = member_object(*ext, "PROJ");
      if (proj) {
        if (auto props = store_of(*proj)) hooks.LoadAttributeDefs(*props, definition("//Project"));
        if (auto db = member_object(*proj, "DB"))
          if (auto props = store_of(*db)) hooks.LoadAttributeDefs(*props, definition("//Project/Database"));
      }
    }
  }
  load_node(child);
}

// A node of the extension's tree below `items` (a Tables, Charts or Fields list), added
// when the file names it: what keeps the file's attributes when the definitions cannot
// be read.
vb::Ref<AGProperties> kept_item(const vb::Ref<vb::Dispatch>& items, const std::string& name) {
  if (!items || name.empty()) return nullptr;
  member(*items, "Add", {vb::Variant(name)});
  auto item = member_object(*items, "Item", {vb::Variant(name)});
  return item ? store_of(*item) : nullptr;
}

void ProjectReader::load_ext_level(const std::string& name, const ProjectElement& child) {
  auto ext = current_extension();
  // Without definitions, the tree the file holds is made as it is read.
  const bool keep = !definitions_;
  if (ext && (bool_of(member(*ext, "IsExtended")) || (keep && name == "extproject"))) {
    const std::string ext_name = text_of(member(*ext, "Name"));
    auto proj = member_object(*ext, "PROJ");
    if (keep && proj && name == "extdatabase") member_object(*proj, "DB");
    const bool has_ext_db = proj && vb::to_long(member(*proj, "DBCnt")) >= 1;
    auto ext_db = has_ext_db ? member_object(*proj, "DB") : nullptr;
    vb::Ref<AGPDatabase> db = project_.DB();
    ProjectExtensionHooks& hooks = project_extension_hooks();
    if (name == "extproject") {
      if (proj)
        if (auto props = store_of(*proj)) load_settings(child, *props);
    } else if (name == "extdatabase") {
      if (ext_db)
        if (auto props = store_of(*ext_db)) load_settings(child, *props);
    } else if (name == "exttable") {
      const std::string table_name = attribute_folded(child, "TblName");
      if (ext_db && db && db->Tables()->TableExist(vb::Variant(table_name))) {
        vb::Ref<AGPTable> table = db->Tables()->Item(vb::Variant(table_name));
        if (table && bool_of(table->setting_value(TableSetting::TblLoaded)))
          if (auto props = keep ? kept_item(member_object(*ext_db, "Tables"), table_name)
                                : hooks.AddExtendedTable(project_, ext_name, table_name,
                                                         definition("//Project/Database/Table")))
            load_settings(child, *props);
      }
    } else if (ext_db && db) {
      auto ext_tables = member_object(*ext_db, "Tables");
      const std::string table_name = ext_tables ? text_of(member(*ext_tables, "curName")) : std::string();
      const bool chart = name == "extchart";
      const std::string item_name = attribute_folded(child, chart ? "ChartName" : "FldName");
      if (!table_name.empty() && bool_of(member(*ext_tables, "TableExist", {vb::Variant(table_name)})) &&
          db->Tables()->TableExist(vb::Variant(table_name))) {
        vb::Ref<AGPTable> table = db->Tables()->Item(vb::Variant(table_name));
        const bool has_item = table && (chart ? table->Charts()->ChartExist(vb::Variant(item_name))
                                              : table->Fields()->FieldExist(vb::Variant(item_name)));
        if (has_item && keep) {
          auto ext_table = member_object(*ext_tables, "Item", {vb::Variant(table_name)});
          if (auto props = kept_item(ext_table ? member_object(*ext_table, chart ? "Charts" : "Fields") : nullptr, item_name))
            load_settings(child, *props);
        } else if (has_item) {
          auto props = chart ? hooks.AddExtendedChart(project_, ext_name, table_name, item_name,
                                                      definition("//Project/Database/Table/Chart"))
                             : hooks.AddExtendedField(project_, ext_name, table_name, item_name,
                                                      definition("//Project/Database/Table/Field"));
          if (props) load_settings(child, *props);
        }
      }
    }
  }
  load_node(child);
}

const bool registered = [] {
  register_project_member("Load", [](AGP& project, vb::Args args) {
    vb::check_arg_count(args, 1, 1);
    Load(project, vb::to_string(args[0]));
    return vb::Variant();
  });
  return true;
}();

}  // namespace

std::string GetXmlAttribute(const platform::XmlNode& element, const std::string& name) {
  for (const platform::XmlAttribute& a : element.attributes())
    if (vb::iequals(a.name, name)) return a.value;
  return std::string();
}

void LoadXmlAttributes(const platform::XmlNode& element, AGProperties& store) {
  const bool root = !element.parent().is_element();
  for (const platform::XmlAttribute& a : element.attributes()) {
    if (root && names_the_file(a.name)) continue;
    auto slot = store.layout()->find_folded(a.name);
    if (!slot || *slot >= store.size()) add_from_file(store, a.name, a.value);
    else set_from_file(store, rule_for(store.desc_at(*slot), *slot), a.value);
  }
}

void Load(AGP& project, const std::string& projFile) {
  project.set_project_file(platform::normalize_separators(projFile));
  ProjectReader(project).load(projFile);
}

}  // namespace tolvex
