#include "database/schema_import.h"

#include "database/database_loader.h"
#include "database/project_hooks.h"
#include "foundation/context.h"
#include "foundation/status.h"
#include "model/project.h"
#include "model/project_members.h"
#include "vb/convert.h"
#include "vb/error.h"

namespace tolvex {
namespace {

void yield_to_host() { status_window().Refresh(); }

// Drops the database that a failed load created.
void drop_database(AGP& project) {
  project.set_current_database(nullptr);
  project.databases().delete_all();
  project.set_current_database_name(std::string());
}

}  // namespace

bool JVMLoaded(AGP&) { return schema_driver().IsJVMLoaded(); }

std::string LoadDatabaseNames(AGP&, const ConnectionSettings& c) {
  ModuleContext& ctx = context();
  ctx.ProjErr.clear();
  platform::SchemaDriver& driver = schema_driver();
  try {
    connect_schema_driver(c, std::string());
    std::string names = driver.DatabaseNames();
    ctx.ProjErr = driver.ErrorText();
    return names;
  } catch (const vb::VBError& e) {
    ctx.ProjErr = driver.ErrorText().empty() ? e.description() : driver.ErrorText();
    return std::string();
  }
}

void LoadDB(AGP& project, const ConnectionSettings& c) {
  ModuleContext& ctx = context();
  if (project.DB()) {
    ctx.ProjErr = "database already loaded!";
    return;
  }
  const bool driver_type = is_driver_type(c.type);
  if (driver_type) {
    if (c.database.empty()) {
      ctx.ProjErr = "Invalid DBName specified!";
      return;
    }
    project.set_current_database_name(c.database);
  }
  yield_to_host();
  AGPDatabases& databases = project.databases();
  const std::string name = project.current_database_name();
  try {
    databases.Add(name);
  } catch (const vb::VBError& e) {
    ctx.ProjErr = e.description();
  }
  if (databases.Count() != 1 || !ctx.ProjErr.empty()) {
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return;
  }
  vb::Ref<AGPDatabase> db;
  try {
    db = databases.Item(vb::Variant(int32_t(1)));  // the only one
  } catch (const vb::VBError& e) {
    ctx.ProjErr = e.description();
  }
  if (!db) {
    drop_database(project);
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return;
  }
  project.set_current_database(db);
  db->DBType(c.type);
  refresh_load_settings(project, /*with_dynamic_load=*/true);
  int16_t result = 0;
  if (driver_type) {
    project.XMLEncoding(c.encoding);
    result = load_database_tables(*db, c, std::string());
  }
  if (result == 0) {
    call_project_member_if_registered(project, "LoadRegisteredExtensions", {});
    SyncMenus(project);
    ctx.ProjErr.clear();
  } else {
    const std::string message = ctx.ProjErr;
    drop_database(project);
    ctx.ProjErr = message.empty() ? std::string("Load Database failed!") : message;
  }
}

void LoadTable(AGP& project, const std::string& sTableName) {
  ModuleContext& ctx = context();
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) {
    ctx.ProjErr = ctx.ProductTitle + ": Database not loaded!";
    return;
  }
  AGPTables& tables = *db->Tables();
  vb::Ref<AGPTable> table;
  for (int16_t i = 1; i <= tables.Count() && !table; ++i) {
    auto t = tables.Seq(i);
    if (t && t->TblName() == sTableName) table = t;
  }
  if (!table) {
    ctx.ProjErr = ctx.ProductTitle + ": Table " + sTableName + " not found!";
    return;
  }
  if (table->TblLoaded()) {
    ctx.ProjErr = ctx.ProductTitle + ": Table " + sTableName + " already loaded!";
    return;
  }
  yield_to_host();
  refresh_load_settings(project, /*with_dynamic_load=*/false);
  const ConnectionSettings c = stored_connection(*db);
  int16_t result = 0;
  if (is_driver_type(c.type)) result = load_database_tables(*db, c, sTableName);
  if (result == 0) {
    call_project_member_if_registered(project, "ExtendTableInExtensions", {vb::Variant(sTableName)});
    SyncMenus(project);
    ctx.ProjErr.clear();
  } else if (ctx.ProjErr.empty()) {
    ctx.ProjErr = "Load Database failed!";
  }
}

namespace {

const bool registered = [] {
  register_project_member("JVMLoaded", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    return vb::Variant(JVMLoaded(p));
  });
  register_project_member("LoadDatabaseNames", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 9, 9);
    // sDBType, sHost, sPort, sUID, sPwd, sSID, sMethod, sUrl, sEncoding: the loader
    // order without the database name.
    std::vector<vb::Variant> args{vb::Variant(std::string())};
    args.insert(args.end(), a.begin(), a.end());
    return vb::Variant(LoadDatabaseNames(p, connection_from_project_order(vb::Args(args))));
  });
  register_project_member("LoadDB", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 10, 10);
    LoadDB(p, connection_from_project_order(a));
    return vb::Variant();
  });
  register_project_member("LoadTable", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    LoadTable(p, argument_text(a[0]));
    return vb::Variant();
  });
  return true;
}();

}  // namespace
}  // namespace tolvex
