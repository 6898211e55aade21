// The schema loaders of the database object: every table and view of the schema (or
// one table read in full on demand) and the columns of a custom view's SQL, turned into
// the project's tables. Registered with the model as its database loader.
#pragma once

#include <cstdint>
#include <string>

#include "database/schema_connection.h"
#include "model/database.h"
#include "platform/schema/schema_driver.h"

namespace tolvex {

// Load-all mode when table_name is empty: the connection values are stored in the
// database's settings and every "TABLE" and "VIEW" joins the tables (a name that differs
// from a table already there only in letter case is left out and reported in a message
// box once the load has succeeded). Otherwise the existing table of that name is read in
// full. 0 success, 3 failure with ProjErr set; a failure leaves the database's settings
// and tables as they were.
int16_t load_database_tables(AGPDatabase& db, const ConnectionSettings& c, const std::string& table_name);

// Adds the custom view `name` with the columns of `sql` (the driver prepares it, never
// runs it). 0 success; 1 a driver error or a name that cannot join the tables; 2 two
// columns share a name (letter case ignored). A failure leaves no table behind.
int16_t load_custom_view_table(AGPDatabase& db, const std::string& name, const std::string& sql);

// 1 with ProjErr "Columns with same field name: ..." when two columns of the driver's
// table have names that are equal without regard to letter case (the field collection
// would fold them into one field), else 0.
int16_t CheckDuplicateColumns(const platform::DriverTable& query);

// The loader that AGPDatabase::LoadzvDB and LoadzvCustomView call.
class ImportDatabaseLoader : public DatabaseLoader {
 public:
  int16_t LoadzvDB(AGPDatabase& db, vb::Args args) override;
  int16_t LoadzvCustomView(AGPDatabase& db, vb::Args args) override;
};

}  // namespace tolvex
