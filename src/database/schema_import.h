// The project object's members that read a database schema into the model: the
// driver's environment, the databases of a server, the whole database and one table
// on demand. Each is also a member of the project object by name.
#pragma once

#include <string>

#include "database/schema_connection.h"

namespace tolvex {

class AGP;

// The driver's IsJVMLoaded; ProjErr untouched.
bool JVMLoaded(AGP& project);
// The databases the server shows to the user (CR LF separated). A failed connection
// gives "" with the driver's message in ProjErr.
std::string LoadDatabaseNames(AGP& project, const ConnectionSettings& c);
// Creates the project's database and loads its tables and views (mysql, oracle);
// other types give a database without tables. ProjErr "" on success; a failure leaves
// no database.
void LoadDB(AGP& project, const ConnectionSettings& c);
// Reads a table that the load left for later. ProjErr "" on success.
void LoadTable(AGP& project, const std::string& sTableName);

}  // namespace tolvex
