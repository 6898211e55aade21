// AGPSchema: reads a snapshot of the live schema through the database driver into the
// schema records, without touching the project model; also the result columns of one
// custom view's SQL (never run) into a single record.
#pragma once

#include <cstdint>
#include <string>

#include "database/schema_connection.h"
#include "database/schema_records.h"
#include "platform/schema/schema_driver.h"
#include "vb/dispatch.h"

namespace tolvex {

// What a database read through the driver stores as its DBMS and provider names. Neither
// holds a marker of AGPVars::DbKindFromName, so such a database has the kind 5.
inline constexpr const char* kDriverDbmsName = "Schema Driver";
inline constexpr const char* kDriverProviderName = "Schema Driver Provider";

// Fills a field record from a driver column by the field rule (type, quotes, facts).
AGSchemaField schema_field_from_driver(const platform::FieldInfo& f);
// The type rule: FldType := code; FldSupport and the quotes by the code's class (codes
// of neither class leave the quotes as they are and are not supported).
void SetFieldTypeQuotes(AGSchemaField& field, int16_t ado_type);

class AGPSchema : public vb::AutoDispatch<AGPSchema> {
 public:
  // DBTblCnt.
  int16_t tblcnt() const noexcept { return db_.DBTblCnt; }
  // A copy of table record i; error 9 (subscript out of range) outside the array.
  AGSchemaTable Tbl(int16_t i) const { return table(i); }
  // The record itself, without a copy (same bounds).
  const AGSchemaTable& table(int16_t i) const;
  // The first table record 1 .. tblcnt named `name` exactly, or null.
  const AGSchemaTable* find_table(const std::string& name) const;
  const AGSchemaDB& database() const noexcept { return db_; }
  int16_t load_count() const noexcept { return load_count_; }

  // Reads every table and view once per object; ProjErr "" on success.
  void LoadDB(const ConnectionSettings& c);
  // The columns of `sql` as the record Tbl(1) of type "CUSTOMVIEW": 0 success, 1 failure
  // (ProjErr holds the reason). Refused on an object that holds a full read.
  int16_t LoadzvCustomView(const ConnectionSettings& c, const std::string& sTableName, const std::string& sSQL);

  static const vb::DispatchTable<AGPSchema>& dispatch_table();

 private:
  int16_t LoadSchemaFromDriver(const ConnectionSettings& c);

  AGSchemaDB db_;
  int16_t load_count_ = 0;
};

}  // namespace tolvex
