#include "database/database_loader.h"

#include <memory>
#include <vector>

#include "database/schema_reader.h"
#include "foundation/agp_vars.h"
#include "foundation/context.h"
#include "foundation/properties.h"
#include "foundation/super_collection.h"
#include "model/table_loading.h"
#include "vb/convert.h"
#include "vb/error.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

const bool registered = [] {
  register_database_loader(std::make_shared<ImportDatabaseLoader>());
  return true;
}();

// Every value of a settings store, to be put back when a load fails.
class StoreSnapshot {
 public:
  explicit StoreSnapshot(const AGProperties& props) {
    values_.reserve(props.size());
    for (size_t i = 0; i < props.size(); ++i) values_.push_back(props.value_at(i));
  }
  void restore(AGProperties& props) const {
    for (size_t i = 0; i < values_.size() && i < props.size(); ++i) props.set_value_at(i, values_[i]);
  }

 private:
  std::vector<vb::Variant> values_;
};

// The reason of a failure inside a driver call: the driver's text, else the error's.
std::string failure_text(const vb::VBError& e) {
  const std::string& driver_text = schema_driver().ErrorText();
  if (!driver_text.empty()) return driver_text;
  return e.description().empty() ? std::string("Load Database failed!") : e.description();
}

}  // namespace

int16_t load_database_tables(AGPDatabase& db, const ConnectionSettings& c, const std::string& table_name) {
  ModuleContext& ctx = context();
  platform::SchemaDriver& driver = schema_driver();
  const bool load_all = table_name.empty();
  AGPTables& tables = *db.Tables();
  const StoreSnapshot settings_before(*db.Properties());
  std::vector<std::string> added;      // tables this load added (load-all mode)
  std::vector<std::string> refused;    // letter-case twins left out
  try {
    ctx.ProjErr = connect_schema_driver(c, c.database);
    if (!ctx.ProjErr.empty()) return 3;
    using S = DatabaseSetting;
    if (load_all) {
      db.DBHost(c.host);
      db.DBPort(c.port);
      db.DBUID(c.user);
      db.DBPwd(c.password);
      db.DBSID(c.sid);
      db.DBConnectionMethod(c.method);
      db.DBURL(c.url);
      db.DBEncoding(c.encoding);
      db.set_setting_value(S::DBDBMSName, vb::Variant(std::string(kDriverDbmsName)));
      db.set_setting_value(S::DBDBMSVer, vb::Variant(ctx.ProgramVersion));
      db.set_setting_value(S::DBProviderName, vb::Variant(std::string(kDriverProviderName)));
      db.set_setting_value(S::DBProviderVer, vb::Variant(ctx.ProgramVersion));
    }
    ctx.CurrentDbmsName = db.DBDBMSName();
    vb::Ref<platform::DriverTables> found = driver.GetTables(table_name);
    if (load_all) {
      const std::string quote = AGPVars::IdentQuoteChar(c.type, c.method);
      const std::string q = quote == "NA" ? driver.IdentifierQuote() : quote;
      db.DBQuoteS(q);
      db.DBQuoteE(q);
    }
    const bool oracle = vb::iequals(c.type, "oracle");
    for (const auto& t : found->items()) {
      if (!load_all && t->Name() != table_name) continue;
      if (t->TableType() != "TABLE" && t->TableType() != "VIEW") continue;
      const vb::Variant driver_table{vb::Ref<vb::Dispatch>(t)};
      if (load_all) {
        if (!table_name_fits(tables, t->Name())) {
          refused.push_back(ctx.ProjErr);
          ctx.ProjErr.clear();
          continue;
        }
        if (!tables.Add(t->Name())) continue;
        added.push_back(t->Name());
        auto table = tables.Item(vb::Variant(t->Name()));
        table->TblLoaded(false);
        table->Load_zvDB(driver_table, vb::Variant(true));
      } else if (tables.TableExist(vb::Variant(t->Name()))) {
        tables.Item(vb::Variant(t->Name()))->Load_zvDB(driver_table, vb::Variant(false));
      }
      if (oracle && t->TableType() == "VIEW") {
        if (auto table = tables.Item(vb::Variant(t->Name()))) table->TblView(true);
      }
    }
  } catch (const vb::VBError& e) {
    ctx.ProjErr = failure_text(e);
  }
  if (!ctx.ProjErr.empty()) {
    // Nothing of a failed load stays: the tables it added go, the settings come back.
    for (auto it = added.rbegin(); it != added.rend(); ++it) tables.Delete(*it);
    settings_before.restore(*db.Properties());
    return 3;
  }
  if (!refused.empty()) {
    std::string text;
    for (const std::string& r : refused) text += (text.empty() ? "" : "\r\n") + r;
    host_ui().message_box(text, ctx.ProductTitle, platform::msgbox::vbExclamation);
  }
  return 0;
}

int16_t CheckDuplicateColumns(const platform::DriverTable& query) {
  const auto& columns = query.Fields()->items();
  for (size_t i = 0; i < columns.size(); ++i) {
    for (size_t j = i + 1; j < columns.size(); ++j) {
      const std::string& a = columns[i]->info().name;
      if (compare_keys(a, columns[j]->info().name, KeyCompare::Text) == 0) {
        context().ProjErr = "Columns with same field name: " + a + ". Please create Alias for the fields.";
        return 1;
      }
    }
  }
  return 0;
}

int16_t load_custom_view_table(AGPDatabase& db, const std::string& name, const std::string& sql) {
  ModuleContext& ctx = context();
  platform::SchemaDriver& driver = schema_driver();
  AGPTables& tables = *db.Tables();
  const ConnectionSettings c = stored_connection(db);
  // A letter-case twin would be taken as a rename of the table already there.
  if (!table_name_fits(tables, name)) return 1;
  bool added = false;
  int16_t result = 0;
  try {
    ctx.ProjErr = connect_schema_driver(c, c.database);
    if (!ctx.ProjErr.empty()) return 1;
    if (!tables.Add(name)) return 1;
    added = true;
    auto table = tables.Item(vb::Variant(name));
    table->TblLoaded(true);
    vb::Ref<platform::DriverTable> q = driver.OpenQuery(name, sql);
    ctx.ProjErr = driver.ErrorText();
    if (!ctx.ProjErr.empty() || !q) {
      result = 1;
    } else if (CheckDuplicateColumns(*q) > 0) {
      result = 2;
    } else {
      table->TblCustomSQL(sql);
      table->Load_zvDB(vb::Variant(vb::Ref<vb::Dispatch>(q)), vb::Variant(false));
      table->TblType("CUSTOMVIEW");
    }
  } catch (const vb::VBError& e) {
    ctx.ProjErr = failure_text(e);
    result = 1;
  }
  if (result != 0 && added) {
    const std::string message = ctx.ProjErr;
    tables.Delete(name);
    ctx.ProjErr = message;
  }
  return result;
}

int16_t ImportDatabaseLoader::LoadzvDB(AGPDatabase& db, vb::Args args) {
  return load_database_tables(db, connection_from_loader_order(args), args.size() > 10 ? argument_text(args[10]) : "");
}

int16_t ImportDatabaseLoader::LoadzvCustomView(AGPDatabase& db, vb::Args args) {
  return load_custom_view_table(db, args.size() > 0 ? argument_text(args[0]) : "",
                                args.size() > 1 ? argument_text(args[1]) : "");
}

}  // namespace tolvex
