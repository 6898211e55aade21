// Tables and charts of the user's own making on a loaded database: custom views over an
// SQL query, reports over a loaded table, new and copied charts; and unloading the
// database with everything that hangs on it. Each is also a member of the project
// object by name.
#pragma once

#include <string>

namespace tolvex {

class AGP;

// Adds the custom view `sTableName` with the columns of `sSQL`; with bCopyFields the
// fields take the carried-over settings of the loaded fields they come from. ProjErr ""
// on success.
void LoadCustomView(AGP& project, const std::string& sTableName, const std::string& sSQL, bool bCopyFields);
// Adds the report `sTableName` over the fields of the loaded table `sFromTableName`.
bool LoadReport(AGP& project, const std::string& sTableName, const std::string& sFromTableName);
// Adds a chart to a table.
bool LoadChart(AGP& project, const std::string& sChartName, const std::string& sTableName);
// Adds a copy of a chart (its carried-over settings and trend lines) under a new name.
bool CopyChart(AGP& project, const std::string& sOldChartName, const std::string& sNewChartName,
               const std::string& sTableName);
// Drops the database, the extensions and the site menu; clears the login settings.
// Nothing happens without a database.
void UnLoadDB(AGP& project);
// The project settings SecTbl, SecLoginIDFld and SecPasswdFld := "".
void ClearSecurityFields(AGP& project);

}  // namespace tolvex
