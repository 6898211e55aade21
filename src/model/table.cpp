#include "model/table.h"

#include "foundation/context.h"
#include "model/menus.h"

namespace tolvex {

AGPTable::AGPTable() { load_registry_defaults(context().RegKeyTable); }

const vb::Ref<AGPCharts>& AGPTable::Charts() {
  if (!charts_) charts_ = vb::make_ref<AGPCharts>();
  return charts_;
}

const vb::Ref<AGPFields>& AGPTable::Fields() {
  if (!fields_) fields_ = vb::make_ref<AGPFields>();
  return fields_;
}

void AGPTable::TblGen(bool v) {
  write_setting<setting_types::Boolean>(TableSetting::TblGen, v);
  const std::string name = TblName();
  auto menus = menu_list();
  for (int32_t i = 1; i <= menus->Count(); ++i) {
    auto entry = menus->Item(i);
    if (!entry->MenuCustomUrl() && entry->MenuUrl() == name) entry->MenuShow(v);
  }
}

void AGPTable::discard() {
  if (fields_) {
    std::string name;
    try {
      name = TblName();
    } catch (const vb::VBError&) {
    }
    fields_->delete_all(name);
  }
  charts_.reset();
}

const vb::DispatchTable<AGPTable>& AGPTable::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPTable;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPTable");
    add_text_store_members(table);
    table.property("Charts", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.Charts()); });
    table.property("Fields", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.Fields()); });
    add_key_member(table);
    TOLVEX_TABLE_SETTINGS(TOLVEX_SETTING_DISPATCH)
    table.method("Load_zvDB", [](Self& s, Args a) {
      vb::check_arg_count(a, 2, 2);
      s.Load_zvDB(a[0], a[1]);
      return Variant();
    });
    table.method("ParseCustomSql", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      s.ParseCustomSql();
      return Variant();
    });
    table.method("LoadTableDefault", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      s.LoadTableDefault();
      return Variant();
    });
    return table;
  }();
  return built;
}

}  // namespace tolvex
