#include "model/tables.h"

#include "fields/extension_sync.h"
#include "foundation/agp_vars.h"
#include "model/menus.h"

namespace tolvex {

vb::Ref<AGPTable> AGPTables::create_item(const std::string& name) {
  auto table = vb::make_ref<AGPTable>();
  table->TblName(name);
  return table;
}

void AGPTables::renamed(const std::string&, AGPTable& item, const std::string& old_name,
                        const std::string& new_name) {
  item.TblVar(AGPVars::MakeIdentifier(std::string_view(new_name), std::string_view()));
  common::RenameTableInExtensions(old_name, new_name);
  auto menus = menu_list();
  if (menus->MenuHasTable(old_name)) {
    if (auto entry = menus->GetItemByTableName(old_name)) entry->MenuUrl(new_name);
  }
}

void AGPTables::deleting(const std::string&, const std::string& name) {
  try {
    common::DeleteTableFromExtensions(name);
  } catch (const vb::VBError&) {
  }
  auto menus = menu_list();
  for (int32_t i = 1; i <= menus->Count(); ++i) {
    auto entry = menus->Item(i);
    if (!entry->MenuCustomUrl() && entry->MenuUrl() == name) {
      menus->DeleteMenu(entry->MenuId());
      break;
    }
  }
}

bool AGPTables::delete_last(std::string* type, std::string* name) {
  if (size() == 0) return false;
  const size_t last = size() - 1;
  const std::string table_name = name_at(last);
  if (type) {
    try {
      *type = at(last)->TblType();
    } catch (const vb::VBError&) {
      type->clear();
    }
  }
  if (name) *name = table_name;
  delete_at(std::string(), last, table_name);
  return true;
}

const vb::DispatchTable<AGPTables>& AGPTables::dispatch_table() {
  using Self = AGPTables;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPTables");
    add_dispatch_members(t, {"TableExist", /*owner_argument=*/false, /*current_setters=*/true, "NewEnum_tbl"});
    return t;
  }();
  return built;
}

}  // namespace tolvex
