// The database check: how far the project's tables and views, custom views and reports
// have drifted from the live database, counted without changing the model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/schema_records.h"

namespace tolvex {

class AGP;
class AGPField;
class AGPSchema;

// One thing a check counted: what differs ("Table orders: new, with 3 fields") and what it
// adds to the count. The counts of a check's differences add up to its result.
struct CheckDifference {
  std::string text;
  int32_t count = 0;
};
using CheckDifferences = std::vector<CheckDifference>;

// 0 in step (or no database), n the number of differences (at most 32767), -1 when the
// schema could not be read (ProjErr keeps the reader's text). Only TblCustomError of
// custom views and reports and ProjErr change. With `out`, each counted difference is
// appended to it.
int16_t CheckDB(AGP& project, CheckDifferences* out = nullptr);

// The three counts against a schema snapshot already read.
int32_t CheckTablesAndViews(AGP& project, const AGPSchema& schema, CheckDifferences* out = nullptr);
int32_t CheckCustomViews(AGP& project, CheckDifferences* out = nullptr);
int32_t CheckReports(AGP& project, CheckDifferences* out = nullptr);
// One custom view (runs its SQL again through a snapshot of its own) and one report
// (against its source table in the project). A failure counts 0 with ProjErr set.
int32_t CheckCustomView(AGP& project, const std::string& name, CheckDifferences* out = nullptr);
int32_t CheckReport(AGP& project, const std::string& name, CheckDifferences* out = nullptr);

// True when the five facts (native type, size, unique index, auto-increment, attribute
// bits) are equal and, for enumeration and set columns unless `skip_tag_values`, the tag
// values (`expected`, else the schema field's) match by value.
bool FieldMatchesSchema(const AGSchemaField& schema_field, AGPField& field, bool skip_tag_values,
                        const std::string& expected);
bool FieldMatchesSource(AGPField& source, AGPField& report_field);
// Two tag-value lists hold the same values in the same order (labels are ignored; one
// trailing CR LF does not count).
bool TagValuesMatch(const std::string& a, const std::string& b);

}  // namespace tolvex
