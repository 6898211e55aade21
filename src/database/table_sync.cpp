#include "database/table_sync.h"

#include <vector>

#include "database/custom_sync.h"
#include "database/project_hooks.h"
#include "database/schema_connection.h"
#include "database/schema_reader.h"
#include "database/sync_helpers.h"
#include "database/table_keys.h"
#include "fields/field.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "model/project.h"
#include "model/project_members.h"
#include "model/table.h"
#include "vb/error.h"

namespace tolvex {
namespace {

using namespace sync_detail;

bool is_table_or_view(const std::string& type) { return type == "TABLE" || type == "VIEW"; }

// The tables (in collection order) that the synchronization of tables and views handles.
std::vector<vb::Ref<AGPTable>> tables_and_views(AGPTables& tables, const std::string& type = std::string()) {
  std::vector<vb::Ref<AGPTable>> out;
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    if (t && is_table_or_view(t->TblType()) && (type.empty() || t->TblType() == type)) out.push_back(t);
  }
  return out;
}

void clear_marks(AGPTable& t) {
  t.TblSync(false);
  clear_field_marks(t);
}

// True when an item other than the one named `except` has `name` in any letter case.
template <class Collection>
bool name_taken(Collection& items, const std::string& name, const std::string& except) {
  for (size_t i = 0; i < items.size(); ++i) {
    auto item = items.at(i);
    if (!item) continue;
    const std::string n = item->collection_name();
    if (n != except && compare_keys(n, name, KeyCompare::Text) == 0) return true;
  }
  return false;
}

// The user's pairs as renames (old name, new name): for each new name in order, the old
// name paired with it when that old name was offered and is not taken yet.
std::vector<std::pair<std::string, std::string>> ask_renames(const std::string& what,
                                                            const std::vector<std::string>& new_names,
                                                            const std::vector<std::string>& old_names) {
  const std::vector<platform::NameMapping> pairs = host_ui().ask_name_mapping(what, new_names, old_names);
  std::vector<std::pair<std::string, std::string>> renames;
  std::vector<std::string> used;
  for (const std::string& n : new_names) {
    std::string old;
    for (const auto& p : pairs)
      if (p.new_name == n) {
        old = p.old_name;
        break;
      }
    if (old.empty() || old == n) continue;
    bool offered = false, taken = false;
    for (const auto& o : old_names) offered = offered || o == old;
    for (const auto& u : used) taken = taken || u == old;
    if (!offered || taken) continue;
    used.push_back(old);
    renames.emplace_back(old, n);
  }
  return renames;
}

vb::Ref<AGPField> unsynced_field(AGPFields& fields, const AGSchemaField& f, bool same_type) {
  for (size_t i = 0; i < fields.size(); ++i) {
    auto p = fields.at(i);
    if (p && !p->FldSync() && p->FldName() == f.FldName && (!same_type || p->NativeDataType() == f.NativeDataType))
      return p;
  }
  return nullptr;
}

}  // namespace

bool AskKeepOldDefinition(const std::string& prompt) {
  return host_ui().ask_keep_or_update(prompt) == platform::SyncAnswer::Keep;
}

void set_sync_defaults(AGP& project) {
  ModuleContext& ctx = context();
  ctx.CurrentDateFormat = common::integer_if_numeric(project.setting_value(ProjectSetting::defaultDateFormat));
  if (const vb::Ref<AGPDatabase>& db = project.DB()) {
    ctx.DefaultTblSecurity = db->setting_value(DatabaseSetting::SecDefault);
    ctx.CurrentDbmsName = common::text_if_any(db->setting_value(DatabaseSetting::DBDBMSName));
  }
}

std::string MergeTagValues(const std::string& new_list, const std::string& old_list) {
  const std::vector<std::string> fresh = tag_lines(new_list);
  const std::vector<std::string> old = tag_lines(old_list);
  std::string out;
  for (const std::string& line : fresh) {
    std::string merged = line;
    const std::string value = tag_value(line);
    for (const std::string& o : old) {
      if (tag_value(o) != value) continue;
      const size_t comma = tag_field_end(o, 0);
      if (comma < o.size()) merged = value + "," + o.substr(comma + 1, tag_field_end(o, comma + 1) - comma - 1);
      break;
    }
    out += merged + "\r\n";
  }
  return out;
}

std::string GetSourceFieldTagValues(AGP& project, const std::string& table, const std::string& field) {
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) return std::string();
  AGPTables& tables = *db->Tables();
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    if (!t || t->TblName() != table) continue;
    if (!t->TblLoaded()) return std::string();
    AGPFields& fields = *t->Fields();
    for (size_t j = 0; j < fields.size(); ++j) {
      auto f = fields.at(j);
      if (f && f->FldName() == field) return f->FldTagValues();
    }
    return std::string();
  }
  return std::string();
}

void InitSyncedTable(AGPTable& t, const AGSchemaTable& s, bool is_new) {
  if (is_new) {
    t.TblType(s.TblType);
    t.TblGen(s.TblGen);
    t.TblLoaded(true);
    t.TblKey(s.TblKey);
    t.LoadTableDefault();
  } else if (t.TblKey().empty()) {
    t.TblKey(s.TblKey);
  }
}

void CopySchemaField(AGP& project, AGPField& p, const AGSchemaField& f, bool is_new) {
  p.FldType(f.FldType);
  p.FldTypeName(f.FldTypeName);
  p.NativeDataType(f.NativeDataType);
  p.FldIsPrimaryKey(f.FldIsPrimaryKey);
  p.FldAutoIncrement(f.FldAutoIncrement);
  p.FldAttribute(f.FldAttribute);
  p.FldReq(f.FldReq);
  p.FldSize(f.FldSize);
  p.FldSupport(f.FldSupport);
  p.FldUniqueIdx(f.FldUniqueIdx);
  p.FldZeroLen(f.FldZeroLen);
  p.FldQuoteS(f.FldQuoteS);
  p.FldQuoteE(f.FldQuoteE);
  if (is_new) {
    p.FldTagValues(f.FldTagValues);
    p.FldGenerate(f.FldSupport);
    p.FldRequired(f.FldReq);
    p.FldCaption(f.FldCaption);
    p.LoadFldDefault();
  } else if (p.NativeDataType() == 247 || p.NativeDataType() == 248) {
    const std::string source_table = p.FldSourceTable();
    const std::string source_field = p.FldSourceField();
    const std::string tags = !source_table.empty() && !source_field.empty()
                                 ? GetSourceFieldTagValues(project, source_table, source_field)
                                 : f.FldTagValues;
    if (!tags.empty()) p.FldTagValues(MergeTagValues(tags, p.FldTagValues()));
  }
}

void MapRenamedTablesAndFields(AGP& project, const AGPSchema& schema) {
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) return;
  AGPTables& tables = *db->Tables();
  for (const auto& [type, word] : {std::pair<std::string, std::string>{"TABLE", "table"}, {"VIEW", "view"}}) {
    const std::vector<vb::Ref<AGPTable>> own = tables_and_views(tables, type);
    for (const auto& t : own) clear_marks(*t);
    std::vector<std::string> new_names, old_names;
    for (int16_t i = 1; i <= schema.tblcnt(); ++i) {
      const AGSchemaTable& s = schema.table(i);
      if (s.TblType != type) continue;
      vb::Ref<AGPTable> match;
      for (const auto& t : own)
        if (!match && t->TblName() == s.TblName) match = t;
      if (match) match->TblSync(true);
      else new_names.push_back(s.TblName);
    }
    for (const auto& t : own)
      if (!t->TblSync()) old_names.push_back(t->TblName());
    if (new_names.empty() || old_names.empty()) continue;
    for (const auto& [old_name, new_name] : ask_renames(word + "s", new_names, old_names)) {
      if (name_taken(tables, new_name, old_name)) continue;  // would fold two tables into one
      if (tables.Change(old_name, new_name)) {
        if (auto t = tables.Item(vb::Variant(new_name))) t->TblSync(true);
      }
    }
  }
  for (int16_t i = 1; i <= schema.tblcnt(); ++i) {
    const AGSchemaTable& s = schema.table(i);
    for (const auto& t : tables_and_views(tables)) {
      if (t->TblName() != s.TblName || t->TblType() != s.TblType || !t->TblLoaded()) continue;
      AGPFields& fields = *t->Fields();
      std::vector<std::string> new_names, old_names;
      for (int16_t k = 1; k <= s.TblFldCnt; ++k) {
        const AGSchemaField& f = s.TblFields.fld[size_t(k)];
        if (auto p = unsynced_field(fields, f, false)) p->FldSync(true);
        else new_names.push_back(f.FldName);
      }
      for (size_t j = 0; j < fields.size(); ++j) {
        auto p = fields.at(j);
        if (p && !p->FldSync()) old_names.push_back(p->FldName());
      }
      if (new_names.empty() || old_names.empty()) continue;
      const std::string table = t->TblName();
      for (const auto& [old_name, new_name] : ask_renames("fields of " + table, new_names, old_names)) {
        if (name_taken(fields, new_name, old_name)) continue;
        if (fields.Change(table, old_name, new_name)) {
          if (auto p = fields.Item(vb::Variant(new_name))) p->FldSync(true);
        }
      }
    }
  }
}

void match_schema_fields(AGP& project, AGPTable& t, const AGSchemaTable& s) {
  AGPFields& fields = *t.Fields();
  for (int16_t k = 1; k <= s.TblFldCnt; ++k) {
    const AGSchemaField& f = s.TblFields.fld[size_t(k)];
    if (auto p = unsynced_field(fields, f, true)) {
      p->FldSync(true);
      CopySchemaField(project, *p, f, false);
    }
  }
}

void add_schema_fields(AGP& project, AGPTable& t, const AGSchemaTable& s, bool notify_rebuilt) {
  AGPFields& fields = *t.Fields();
  const std::string name = t.TblName();
  for (int16_t k = 1; k <= s.TblFldCnt; ++k) {
    const AGSchemaField& f = s.TblFields.fld[size_t(k)];
    vb::Ref<AGPField> p;
    bool added = false;
    if (fields.FieldExist(vb::Variant(f.FldName))) {
      auto existing = fields.Item(vb::Variant(f.FldName));
      if (existing && existing->NativeDataType() != f.NativeDataType) p = existing;
    } else {
      // A field that differs only in letter case and already stands for another
      // column is not renamed away from it.
      auto twin = case_twin(fields, f.FldName);
      if (twin && twin->FldSync()) continue;
      if (fields.Add(name, f.FldName)) p = fields.Item(vb::Variant(f.FldName));
      added = true;
    }
    if (!p) continue;
    p->FldSync(true);
    CopySchemaField(project, *p, f, true);
    if (added || notify_rebuilt)
      call_project_member_if_registered(project, "ExtendFieldInExtensions",
                                        {vb::Variant(name), vb::Variant(f.FldName)});
  }
}

void SyncTablesAndViews(AGP& project, const AGPSchema& schema) {
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) return;
  set_sync_defaults(project);
  ProgressStep progress(project.lhWnd, " - Synchronizing Tables and Views...");
  AGPTables& tables = *db->Tables();
  for (const auto& t : tables_and_views(tables)) clear_marks(*t);

  // Pass 1: the tables that the schema still has under their name and type.
  for (int16_t i = 1; i <= schema.tblcnt(); ++i) {
    const AGSchemaTable& s = schema.table(i);
    vb::Ref<AGPTable> t;
    for (const auto& c : tables_and_views(tables))
      if (!t && !c->TblSync() && c->TblName() == s.TblName && c->TblType() == s.TblType) t = c;
    if (!t) continue;
    t->TblSync(true);
    if (!t->TblLoaded()) continue;
    InitSyncedTable(*t, s, false);
    match_schema_fields(project, *t, s);
    add_schema_fields(project, *t, s, /*notify_rebuilt=*/true);
    const std::string name = t->TblName();
    t->Fields()->SetSeq(1);
    if (t->TblType() == "TABLE" && common::SortLines(t->TblKey()) != common::SortLines(s.TblKey)) {
      const std::string prompt =
          "Primary key for \"" + name + "\" has been modified. Keep/Update primary Key?";
      if (!AskKeepOldDefinition(prompt)) t->TblKey(s.TblKey);
    }
    ApplyTableKeys(*t);
  }

  // Pass 2: new tables, and tables whose type changed.
  const bool dynamic = common::truth_if_any(project.setting_value(ProjectSetting::DynamicLoadDB));
  for (int16_t i = 1; i <= schema.tblcnt(); ++i) {
    const AGSchemaTable& s = schema.table(i);
    vb::Ref<AGPTable> t;
    if (tables.TableExist(vb::Variant(s.TblName))) {
      auto existing = tables.Item(vb::Variant(s.TblName));
      // A custom view or report of that name is the user's own: it stays as it is.
      if (!existing || existing->TblType() == s.TblType || !is_table_or_view(existing->TblType())) continue;
      t = existing;
      delete_fields(*t, true);
    } else if (auto twin = case_twin(tables, s.TblName)) {
      // The collection cannot hold both spellings: an unmatched table or view takes the
      // new spelling and is rebuilt; one that stands for another schema table, or a
      // custom view or report, stays.
      if (!is_table_or_view(twin->TblType()) || twin->TblSync()) continue;
      const std::string old_name = twin->TblName();
      delete_fields(*twin, true);
      if (!tables.Change(old_name, s.TblName)) continue;
      t = twin;
    } else if (tables.Add(s.TblName)) {
      t = tables.Item(vb::Variant(s.TblName));
    }
    if (!t) continue;
    t->TblSync(true);
    t->TblType(s.TblType);
    if (dynamic) {
      t->TblLoaded(false);
      t->TblGen(false);
      continue;
    }
    InitSyncedTable(*t, s, true);
    AGPFields& fields = *t->Fields();
    for (int16_t k = 1; k <= s.TblFldCnt; ++k) {
      const AGSchemaField& f = s.TblFields.fld[size_t(k)];
      if (!fields.Add(s.TblName, f.FldName)) continue;
      if (auto p = fields.Item(vb::Variant(f.FldName))) {
        CopySchemaField(project, *p, f, true);
        p->FldSync(true);
      }
    }
    call_project_member_if_registered(project, "ExtendTableInExtensions", {vb::Variant(s.TblName)});
  }

  // Pass 3: what the schema no longer has.
  std::vector<std::string> gone;
  for (const auto& t : tables_and_views(tables)) {
    if (t->TblSync()) delete_fields(*t, false);
    else gone.push_back(t->TblName());
  }
  for (const std::string& n : gone) tables.Delete(n);
  tables.SetSeq(1);
}

void SynchronizeDB(AGP& project) {
  const vb::Ref<AGPDatabase> db = project.DB();
  if (!db) return;
  ModuleContext& ctx = context();
  auto snapshot = vb::make_ref<AGPSchema>();
  snapshot->LoadDB(stored_connection(*db));
  if (!ctx.ProjErr.empty()) return;
  MapRenamedTablesAndFields(project, *snapshot);
  SyncTablesAndViews(project, *snapshot);
  SyncCustomViews(project);
  SyncReports(project);
  SyncMenus(project);
  BuildTableKeys(project);
}

namespace {

const bool registered = [] {
  register_project_member("SynchronizeDB", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    SynchronizeDB(p);
    return vb::Variant();
  });
  return true;
}();

}  // namespace
}  // namespace tolvex
