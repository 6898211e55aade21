// Synchronization of custom views (their SQL run again through the schema reader) and
// reports (against their source table in the project). Both keep the settings of fields
// that still match and give new fields defaults; TblCustomError tells the outcome.
#pragma once

#include <string>

namespace tolvex {

class AGP;
class AGPField;
class AGPTable;

void SyncCustomViews(AGP& project);
// A query that fails leaves the fields as they are, its error text in TblCustomError
// and ProjErr empty. Nothing without a database; a name that is no table raises error 91.
void SyncCustom(AGP& project, const std::string& name);
void SyncReports(AGP& project);
// A report whose source table is missing, fails or is not loaded keeps its fields.
// Nothing without a database; a name that is no table raises error 91.
void SyncReport(AGP& project, const std::string& name);

// A report without a key takes its source's.
void InitReportTable(AGPTable& report, AGPTable& source, bool is_new);
// The source field's facts into the report field, as CopySchemaField does with a schema
// record.
void CopySourceField(AGP& project, AGPField& report_field, AGPField& source_field, bool is_new);

}  // namespace tolvex
