#include "extensions/extension_tree.h"

#include "foundation/class_registry.h"
#include "foundation/collection_members.h"
#include "foundation/context.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGPExtProj);

// ---- chart and field items ---------------------------------------------------

AGPExtChart::~AGPExtChart() {
  // The store may outlive the chart item (the host may hold it): it is emptied, last
  // entry first, so that every step shrinks it.
  AGProperties& props = *props_;
  for (size_t left = props.size(); left > 0 && props.size() > 0; --left) {
    try {
      if (!props.Delete(std::string_view(props.name_at(props.size() - 1)))) break;
    } catch (const vb::VBError&) {
      break;
    }
  }
}

// ---- table items -------------------------------------------------------------

AGPExtTable::~AGPExtTable() {
  if (fields_) fields_->delete_all();
}

const vb::Ref<AGPExtCharts>& AGPExtTable::Charts() {
  if (!charts_) charts_ = vb::make_ref<AGPExtCharts>();
  return charts_;
}

const vb::Ref<AGPExtFields>& AGPExtTable::Fields() {
  if (!fields_) fields_ = vb::make_ref<AGPExtFields>();
  return fields_;
}

// ---- database level ----------------------------------------------------------

AGPExtDb::~AGPExtDb() {
  if (tables_) tables_->delete_all();
}

const vb::Ref<AGPExtTables>& AGPExtDb::Tables() {
  if (!tables_) tables_ = vb::make_ref<AGPExtTables>();
  return tables_;
}

AGPExtDbs::AGPExtDbs() : col_(vb::make_ref<CSuperCollection>()) {
  col_->setCompareMode(int32_t(KeyCompare::Text));
}

void AGPExtDbs::add_first(const std::string& name) {
  auto db = vb::make_ref<AGPExtDb>();
  db->DBName(name);
  col_->Add(vb::Variant(db), name);
  cur_name_ = name;
}

void AGPExtDbs::Add(const std::string& Name) {
  ModuleContext& ctx = context();
  if (col_->Count() > 0) {
    ctx.ProjErr = "support 1 db only!";
    return;
  }
  ctx.ProjErr.clear();
  add_first(Name);
}

void AGPExtDbs::delete_all() noexcept {
  for (int32_t left = col_->Count(); left > 0 && col_->Count() > 0; --left) {
    try {
      col_->Remove(vb::Variant(col_->Count() - 1 + col_->BaseIndex()));
    } catch (const vb::VBError&) {
      break;
    }
  }
}

void AGPExtDbs::Delete(const vb::Variant& Index) { col_->Remove(Index); }

vb::Ref<AGPExtDb> AGPExtDbs::Item(const vb::Variant& Index) {
  auto db = vb::ref_cast<AGPExtDb>(col_->Item(Index).object_or_null());
  if (db) cur_name_ = db->DBName();
  return db;
}

// ---- project level -----------------------------------------------------------

AGPExtProj::AGPExtProj() : SettingsStore(kExtProjSettings), dbs_(vb::make_ref<AGPExtDbs>()) {}

AGPExtProj::~AGPExtProj() {
  dbs_->delete_all();
  db_name_.clear();
}

vb::Ref<AGPExtDb> AGPExtProj::DB() {
  if (dbs_->Count() == 0) {
    db_name_ = "DB";
    // Made by a read: the last error of whatever ran before stays as it is.
    dbs_->add_first(db_name_);
  }
  return dbs_->Item(vb::Variant(db_name_));
}

// ---- dispatch ----------------------------------------------------------------

const vb::DispatchTable<AGPExtChart>& AGPExtChart::dispatch_table() {
  using Self = AGPExtChart;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPExtChart");
    add_store_members(table);
    add_key_member(table);
    TOLVEX_EXT_CHART_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPExtField>& AGPExtField::dispatch_table() {
  using Self = AGPExtField;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPExtField");
    add_store_members(table);
    add_key_member(table);
    TOLVEX_EXT_FIELD_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPExtTable>& AGPExtTable::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPExtTable;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPExtTable");
    add_store_members(table);
    table.property("Charts", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.Charts()); });
    table.property("Fields", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.Fields()); });
    add_key_member(table);
    TOLVEX_EXT_TABLE_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPExtCharts>& AGPExtCharts::dispatch_table() {
  using Self = AGPExtCharts;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPExtCharts");
    add_dispatch_members(t, {"ChartExist", /*owner_argument=*/false, /*current_setters=*/true, "NewEnum_extChart"});
    return t;
  }();
  return built;
}

const vb::DispatchTable<AGPExtFields>& AGPExtFields::dispatch_table() {
  using Self = AGPExtFields;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPExtFields");
    add_dispatch_members(t, {"FieldExist", /*owner_argument=*/false, /*current_setters=*/true, "NewEnum_extFld"});
    return t;
  }();
  return built;
}

const vb::DispatchTable<AGPExtTables>& AGPExtTables::dispatch_table() {
  using Self = AGPExtTables;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPExtTables");
    add_dispatch_members(t, {"TableExist", /*owner_argument=*/false, /*current_setters=*/true, "NewEnum_extTbl"});
    return t;
  }();
  return built;
}

const vb::DispatchTable<AGPExtDb>& AGPExtDb::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPExtDb;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPExtDb");
    add_store_members(table);
    table.property("Tables", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.Tables()); });
    TOLVEX_EXT_DB_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPExtDbs>& AGPExtDbs::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPExtDbs;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPExtDbs");
    t.property("curName", [](Self& s, Args) { return Variant(s.curName()); });
    add_keyed_collection_members(t);
    t.enumerator("NewEnum_extDb", [](Self& s, Args) { return Variant(s.NewEnum_extDb()); });
    return t;
  }();
  return built;
}

const vb::DispatchTable<AGPExtProj>& AGPExtProj::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPExtProj;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPExtProj");
    table.property("DB", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.DB()); });
    table.property("DBCnt", [](Self& s, Args) { return Variant(s.DBCnt()); });
    add_store_members(table);
    return table;
  }();
  return built;
}

}  // namespace tolvex
