#include "database/project_hooks.h"

#include "foundation/common.h"
#include "foundation/context.h"
#include "model/project.h"
#include "model/project_members.h"
#include "vb/convert.h"

namespace tolvex {

vb::Variant call_project_member_if_registered(AGP& project, const std::string& name, std::vector<vb::Variant> args) {
  const int32_t index = find_project_member(name);
  if (index < 0) return vb::Variant();
  return project_member(index)(project, vb::Args(args));
}

void SyncMenus(AGP& project) {
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) return;
  AGPTables& tables = *db->Tables();
  AGPMenus& menus = *project.MenuList();
  for (int32_t k = menus.Count(); k >= 1; --k) {
    auto m = menus.Item(k);
    if (m && !m->MenuCustomUrl() && !tables.TableExist(vb::Variant(m->MenuUrl()))) menus.DeleteMenu(m->MenuId());
  }
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    if (!t || !t->TblLoaded()) continue;
    const std::string name = t->TblName();
    if (menus.MenuHasTable(name)) continue;
    menus.AddMenu(-1, t->TblCaption(), -1, name, false, 0, t->TblGen() && t->TblList(), -1);
  }
}

void refresh_load_settings(AGP& project, bool with_dynamic_load) {
  ModuleContext& ctx = context();
  const vb::Variant& quote = project.setting_value(ProjectSetting::SQLQuote);
  ctx.SqlQuoteSetting = quote.is_null() || quote.is_empty() ? std::string() : vb::to_string(quote);
  ctx.CurrentDateFormat = common::integer_if_numeric(project.setting_value(ProjectSetting::defaultDateFormat));
  if (with_dynamic_load) {
    ctx.CurrentDynamicLoad = common::truth_if_any(project.setting_value(ProjectSetting::DynamicLoadDB));
  }
}

}  // namespace tolvex
