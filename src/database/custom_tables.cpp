#include "database/custom_tables.h"

#include "database/database_loader.h"
#include "database/project_hooks.h"
#include "foundation/context.h"
#include "foundation/properties.h"
#include "foundation/status.h"
#include "foundation/super_collection.h"
#include "model/project.h"
#include "model/project_members.h"
#include "model/table_loading.h"
#include "vb/convert.h"
#include "vb/error.h"

namespace tolvex {
namespace {

std::string not_loaded() { return context().ProductTitle + ": Database not loaded!"; }

// The table named exactly `name`, walking the sequence 1 .. Count.
vb::Ref<AGPTable> table_in_sequence(AGPTables& tables, const std::string& name) {
  for (int16_t i = 1; i <= tables.Count(); ++i) {
    auto t = tables.Seq(i);
    if (t && t->TblName() == name) return t;
  }
  return nullptr;
}

// True when a chart of the table has this name, letter case ignored: the collection
// would take such a name as a rename of that chart.
bool chart_name_taken(AGPCharts& charts, const std::string& name) {
  for (size_t i = 0; i < charts.size(); ++i) {
    auto c = charts.at(i);
    if (c && compare_keys(c->ChartName(), name, KeyCompare::Text) == 0) return true;
  }
  return false;
}

// Copies the values of the settings that `from` carries over (Sync) into the settings
// of the same name that `to` has.
void copy_synced_settings(const AGProperties& from, AGProperties& to) {
  for (size_t i = 0; i < from.size(); ++i) {
    if (!from.desc_at(i).sync) continue;
    if (auto slot = to.index_of(from.name_at(i))) to.set_value_at(*slot, from.value_at(i));
  }
}

// Opens the progress window of a custom view or report load.
void show_loading(AGP& project, const std::string& name) {
  AGPStatus& status = status_window();
  status.ShowStatus2(project.hwnd(), context().ProductTitle + " - Loading " + name + "...");
  status.DispStatus("Please wait...");
  status.Refresh();
}

// The table that holds the charts, or null with ProjErr set.
vb::Ref<AGPTable> chart_source(AGP& project, const std::string& sTableName) {
  ModuleContext& ctx = context();
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) {
    ctx.ProjErr = not_loaded();
    return nullptr;
  }
  auto table = db->Tables()->Item(vb::Variant(sTableName));
  if (!table) ctx.ProjErr = ctx.ProductTitle + ": Chart source " + sTableName + " not exist!";
  return table;
}

}  // namespace

void LoadCustomView(AGP& project, const std::string& sTableName, const std::string& sSQL, bool bCopyFields) {
  ModuleContext& ctx = context();
  ctx.ProjErr.clear();
  const vb::Ref<AGPDatabase> db = project.DB();
  if (!db) {
    ctx.ProjErr = not_loaded();
    return;
  }
  AGPTables& tables = *db->Tables();
  if (table_in_sequence(tables, sTableName)) {
    ctx.ProjErr = ctx.ProductTitle + ": Table/View " + sTableName + " already exists!";
    return;
  }
  show_loading(project, sTableName);
  refresh_load_settings(project, /*with_dynamic_load=*/false);
  int16_t result = load_custom_view_table(*db, sTableName, sSQL);
  if (result == 0 && bCopyFields) {
    if (auto view = tables.Item(vb::Variant(sTableName))) {
      AGPFields& fields = *view->Fields();
      for (size_t i = 0; i < fields.size(); ++i) {
        auto f = fields.at(i);
        if (!f) continue;
        const std::string src_table = f->FldSourceTable();
        const std::string src_field = f->FldSourceField();
        if (src_table.empty() || src_field.empty()) continue;
        vb::Ref<AGPTable> t;
        for (size_t k = 0; k < tables.size() && !t; ++k)
          if (auto c = tables.at(k); c && c->TblName() == src_table) t = c;
        if (!t || !t->TblLoaded()) continue;
        AGPFields& src_fields = *t->Fields();
        for (size_t k = 0; k < src_fields.size(); ++k) {
          auto s = src_fields.at(k);
          if (s && s->FldName() == src_field) {
            copy_synced_settings(*s->Properties(), *f->Properties());
            break;
          }
        }
      }
    }
  }
  status_window().CloseStatus();
  if (result != 0) {
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return;
  }
  call_project_member_if_registered(project, "ExtendTableInExtensions", {vb::Variant(sTableName)});
  SyncMenus(project);
  ctx.ProjErr.clear();
}

bool LoadReport(AGP& project, const std::string& sTableName, const std::string& sFromTableName) {
  ModuleContext& ctx = context();
  const vb::Ref<AGPDatabase> db = project.DB();
  if (!db) {
    ctx.ProjErr = not_loaded();
    return false;
  }
  AGPTables& tables = *db->Tables();
  bool taken = false;
  vb::Ref<AGPTable> source;
  for (int16_t i = 1; i <= tables.Count(); ++i) {
    auto t = tables.Seq(i);
    if (!t) continue;
    const std::string name = t->TblName();
    if (name == sTableName) taken = true;
    if (!source && name == sFromTableName && t->TblLoaded()) source = t;
  }
  if (taken) {
    ctx.ProjErr = ctx.ProductTitle + ": Table/View " + sTableName + " already exists!";
    return false;
  }
  if (!source) {
    ctx.ProjErr = ctx.ProductTitle + ": Table/View " + sFromTableName + " not exist or loaded!";
    return false;
  }
  // A letter-case twin would be taken as a rename of the table already there.
  if (!table_name_fits(tables, sTableName)) return false;
  show_loading(project, sTableName);
  if (!tables.Add(sTableName)) {
    status_window().CloseStatus();
    return false;
  }
  try {
    auto report = tables.Item(vb::Variant(sTableName));
    report->TblType("REPORT");
    report->TblRptSrc(sFromTableName);
    report->TblLoaded(true);
    report->TblGen(true);
    report->LoadTableDefault();
    using P = ProjectSetting;
    using T = TableSetting;
    report->set_setting_value(T::TblRecPerPage, project.setting_value(P::RecPerPage));
    report->set_setting_value(T::TblRecPerPageList, project.setting_value(P::RecPerPageList));
    report->set_setting_value(T::TblPagerStyle, project.setting_value(P::PagerStyle));
    report->set_setting_value(T::TblTopPageLink, project.setting_value(P::TopPageLink));
    report->set_setting_value(T::TblExportHtml, project.setting_value(P::ExportHtml));
    report->set_setting_value(T::TblExportWord, project.setting_value(P::ExportWord));
    report->set_setting_value(T::TblExportExcel, project.setting_value(P::ExportExcel));
    AGPFields& src_fields = *source->Fields();
    AGPFields& fields = *report->Fields();
    for (size_t i = 0; i < src_fields.size(); ++i) {
      auto s = src_fields.at(i);
      if (!s) continue;
      const std::string name = s->FldName();
      if (!fields.Add(sTableName, name)) continue;
      auto f = fields.Item(vb::Variant(name));
      const AGProperties& from = *s->Properties();
      AGProperties& to = *f->Properties();
      for (size_t k = 0; k < from.size(); ++k) {
        const std::string& key = from.name_at(k);
        // The name and the place in the sequence are the new field's own.
        if (key == "FldName" || key == "FldSeq") continue;
        auto slot = to.index_of(key);
        if (!slot) {
          // A setting added to the source field by name goes over with its flags.
          const PropertyDesc& d = from.desc_at(k);
          to.Add(key, d.data_type, d.reg_save, d.reg_format, d.file_save, d.sync);
          slot = to.index_of(key);
        }
        if (slot) to.set_value_at(*slot, from.value_at(k));
      }
      f->FldAdd(false);
      f->FldView(false);
      f->FldEdit(false);
      f->FldSearch(false);
      f->FldBasicSearch(false);
      f->FldRegister(false);
    }
  } catch (const vb::VBError& e) {
    // No half-made report stays behind.
    tables.Delete(sTableName);
    status_window().CloseStatus();
    ctx.ProjErr = e.description();
    return false;
  }
  status_window().CloseStatus();
  call_project_member_if_registered(project, "ExtendTableInExtensions", {vb::Variant(sTableName)});
  SyncMenus(project);
  ctx.ProjErr.clear();
  return true;
}

bool LoadChart(AGP& project, const std::string& sChartName, const std::string& sTableName) {
  ModuleContext& ctx = context();
  auto table = chart_source(project, sTableName);
  if (!table) return false;
  AGPCharts& charts = *table->Charts();
  if (chart_name_taken(charts, sChartName)) {
    ctx.ProjErr = ctx.ProductTitle + ": Chart " + sChartName + " already exists!";
    return false;
  }
  if (!charts.Add(table->TblName(), sChartName)) {
    ctx.ProjErr = ctx.ProductTitle + ": Add Chart " + sChartName + " failed!";
    return false;
  }
  ctx.ProjErr.clear();
  call_project_member_if_registered(project, "ExtendChartInExtensions",
                                    {vb::Variant(sTableName), vb::Variant(sChartName)});
  return true;
}

bool CopyChart(AGP& project, const std::string& sOldChartName, const std::string& sNewChartName,
               const std::string& sTableName) {
  ModuleContext& ctx = context();
  auto table = chart_source(project, sTableName);
  if (!table) return false;
  AGPCharts& charts = *table->Charts();
  auto old_chart = charts.Item(vb::Variant(sOldChartName));
  if (!old_chart) {
    ctx.ProjErr = ctx.ProductTitle + ": Chart " + sOldChartName + " does not exist!";
    return false;
  }
  if (chart_name_taken(charts, sNewChartName)) {
    ctx.ProjErr = ctx.ProductTitle + ": Chart " + sNewChartName + " already exists!";
    return false;
  }
  if (!charts.Add(table->TblName(), sNewChartName)) {
    ctx.ProjErr = ctx.ProductTitle + ": Add Chart " + sNewChartName + " failed!";
    return false;
  }
  auto new_chart = charts.Item(vb::Variant(sNewChartName));
  copy_synced_settings(*old_chart->Properties(), *new_chart->Properties());
  AGPTrends& old_trends = *old_chart->Trendlines();
  AGPTrends& new_trends = *new_chart->Trendlines();
  for (int16_t k = 1; k <= old_trends.Count(); ++k) {
    auto old_trend = old_trends.Seq(k);
    if (!old_trend) continue;
    const std::string name = old_trend->TrendName();
    new_trends.Add(name);
    if (auto new_trend = new_trends.Item(vb::Variant(name)))
      copy_synced_settings(*old_trend->Properties(), *new_trend->Properties());
  }
  call_project_member_if_registered(project, "CopyChartToExtensions",
                                    {vb::Variant(sTableName), vb::Variant(sOldChartName), vb::Variant(sNewChartName)});
  ctx.ProjErr.clear();
  return true;
}

void ClearSecurityFields(AGP& project) {
  project.SecTbl(std::string());
  project.SecLoginIDFld(std::string());
  project.SecPasswdFld(std::string());
}

void UnLoadDB(AGP& project) {
  ModuleContext& ctx = context();
  if (!project.DB()) return;
  project.set_current_database(nullptr);
  project.databases().delete_all();
  project.set_current_database_name(std::string());
  if (vb::Ref<vb::Dispatch> extensions = project.Extensions()) {
    const int32_t n = vb::to_long(extensions->call("Count"));
    for (int32_t i = n; i >= 1; --i) {
      std::vector<vb::Variant> index{vb::Variant(int16_t(i))};
      vb::Variant ext = extensions->call("Seq", vb::Args(index));
      if (!ext.is_object() || !ext.object_or_null()) continue;
      const vb::Variant name = ext.object()->get("Name");
      if (find_project_member("DeleteExtension") >= 0) {
        call_project_member_if_registered(project, "DeleteExtension", {name});
      } else {
        std::vector<vb::Variant> arg{name};
        extensions->call("Delete", vb::Args(arg));
      }
    }
  }
  AGPMenus& menus = *project.MenuList();
  for (int32_t i = menus.Count(); i >= 1; --i) {
    if (auto m = menus.Item(i)) menus.DeleteMenu(m->MenuId());
  }
  ctx.ProjErr.clear();
  ClearSecurityFields(project);
}

namespace {

const bool registered = [] {
  register_project_member("LoadCustomView", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 3, 3);
    const bool copy = !a[2].is_empty() && !a[2].is_null() && vb::to_bool(a[2]);
    LoadCustomView(p, argument_text(a[0]), argument_text(a[1]), copy);
    return vb::Variant();
  });
  register_project_member("LoadReport", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 2, 2);
    return vb::Variant(LoadReport(p, argument_text(a[0]), argument_text(a[1])));
  });
  register_project_member("LoadChart", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 2, 2);
    return vb::Variant(LoadChart(p, argument_text(a[0]), argument_text(a[1])));
  });
  register_project_member("CopyChart", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 3, 3);
    return vb::Variant(CopyChart(p, argument_text(a[0]), argument_text(a[1]), argument_text(a[2])));
  });
  register_project_member("UnLoadDB", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    UnLoadDB(p);
    return vb::Variant();
  });
  return true;
}();

}  // namespace
}  // namespace tolvex
