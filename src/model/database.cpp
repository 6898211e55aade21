#include "model/database.h"

#include "fields/registered_service.h"
#include "foundation/collection_members.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/status.h"

namespace tolvex {

void register_database_loader(std::shared_ptr<DatabaseLoader> loader) {
  RegisteredService<DatabaseLoader>::set(std::move(loader));
}

DatabaseLoader& database_loader() { return RegisteredService<DatabaseLoader>::get(); }

// ---- AGPDatabase ---------------------------------------------------------------

AGPDatabase::AGPDatabase() { load_registry_defaults(context().RegKeyDatabase); }

const vb::Ref<AGPTables>& AGPDatabase::Tables() {
  if (!tables_) tables_ = vb::make_ref<AGPTables>();
  return tables_;
}

void AGPDatabase::SecDefault(const std::string& v) {
  write_setting<setting_types::String>(DatabaseSetting::SecDefault, v);
  context().DefaultTblSecurity = vb::Variant(v);
}

void AGPDatabase::unload() {
  if (unloaded_) return;
  unloaded_ = true;
  ModuleContext& ctx = context();
  AGPTables& tables = *Tables();
  const int32_t n = tables.Count();
  ctx.ProgressTotal = n;
  ctx.ProgressDone = n;
  ctx.StatusTitle = ctx.ProductTitle + " - Unloading Database...";
  AGPStatus& status = status_window();
  status.ShowStatus(0, ctx.StatusTitle);
  std::string type, name;
  // Each step removes the last table by position, so the loop always ends.
  while (tables.size() > 0) {
    const size_t last = tables.size() - 1;
    try {
      type = tables.at(last)->TblType();
    } catch (const vb::VBError&) {
      type.clear();
    }
    try {
      name = tables.at(last)->TblName();
    } catch (const vb::VBError&) {
      name.clear();
    }
    status.DispStatus("Unloading " + type + " " + name + "...");
    tables.delete_last();
    --ctx.ProgressDone;
    status.SetStatus(vb::Variant(common::Percent(ctx.ProgressDone, ctx.ProgressTotal)));
  }
  status.CloseStatus();
  ctx.DefaultTblSecurity = vb::Variant(std::string());
}

const vb::DispatchTable<AGPDatabase>& AGPDatabase::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPDatabase;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPDatabase");
    add_text_store_members(table);
    table.property("Tables", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.Tables()); });
    add_key_member(table);
    TOLVEX_DATABASE_SETTINGS(TOLVEX_SETTING_DISPATCH)
    table.method("LoadzvDB", [](Self& s, Args a) {
      vb::check_arg_count(a, 11, 11);
      return Variant(s.LoadzvDB(a));
    });
    table.method("LoadzvCustomView", [](Self& s, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(s.LoadzvCustomView(a));
    });
    return table;
  }();
  return built;
}

// ---- AGPDatabases --------------------------------------------------------------

AGPDatabases::AGPDatabases() : col_(vb::make_ref<CSuperCollection>()) {
  col_->setCompareMode(int32_t(KeyCompare::Text));
}

void AGPDatabases::Add(const std::string& Name) {
  ModuleContext& ctx = context();
  if (Count() >= 1) {
    ctx.ProjErr = "support 1 db only!";
    return;
  }
  ctx.ProjErr.clear();
  auto db = vb::make_ref<AGPDatabase>();
  db->DBName(Name);
  col_->Add(vb::Variant(db), Name);
  cur_name_ = Name;
  cur_seq_ = int16_t(Count());
}

void AGPDatabases::Delete(const vb::Variant& Index) {
  // The container finds the database (or raises its error), then lets it go.
  auto db = vb::ref_cast<AGPDatabase>(col_->Item(Index).object_or_null());
  col_->Remove(Index);
  if (db) db->unload();
}

vb::Ref<AGPDatabase> AGPDatabases::Item(const vb::Variant& Index) {
  auto db = vb::ref_cast<AGPDatabase>(col_->Item(Index).object_or_null());
  if (db) cur_name_ = db->DBName();
  return db;
}

void AGPDatabases::delete_all() {
  while (col_->size() > 0) {
    auto db = vb::ref_cast<AGPDatabase>(col_->at(col_->size() - 1).object_or_null());
    col_->Remove(vb::Variant(int32_t(col_->size() - 1) + col_->BaseIndex()));
    if (db) db->unload();
  }
}

const vb::DispatchTable<AGPDatabases>& AGPDatabases::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPDatabases;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPDatabases");
    t.property("curName", [](Self& s, Args) { return Variant(s.curName()); });
    t.property("curSeq", [](Self& s, Args) { return Variant(s.curSeq()); });
    add_keyed_collection_members(t);
    t.enumerator("NewEnum_db", [](Self& s, Args) { return Variant(s.NewEnum_db()); });
    return t;
  }();
  return built;
}

}  // namespace tolvex
