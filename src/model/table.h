// AGPTable: a table, view, custom view or report of the project's database, with
// its 55 settings, its fields and its charts.
#pragma once

#include <string>

#include "fields/charts.h"
#include "fields/fields.h"
#include "fields/settings_owner.h"
#include "model/table_settings.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPTable : public vb::AutoDispatch<AGPTable>, public SettingsOwner<TableSetting, kTableSettings> {
 public:
  // Declares the settings and reads the per-user defaults (RegKeyTable).
  AGPTable();

  using SettingsStore::GetV;
  using SettingsStore::SetV;

  // The child collections, created on first use.
  const vb::Ref<AGPCharts>& Charts();
  const vb::Ref<AGPFields>& Fields();

  TOLVEX_TABLE_SETTINGS(TOLVEX_SETTING_ACCESSORS)

  // TblName; the table collection's rename writes the new name through Key.
  std::string Key() const { return TblName(); }
  void Key(const std::string& v) { TblName(v); }

  // Builds the table from a database driver's table object (members by name):
  // type, fields, key, column sources of a custom view, defaults. When the whole
  // database is loaded on demand (CurrentDynamicLoad), only the type is read.
  void Load_zvDB(const vb::Variant& Tbl, const vb::Variant& bLoadAll);
  // Asks the SQL parser where each column of the custom view's TblCustomSQL comes from.
  void ParseCustomSql();
  // The default settings from the table's name and type.
  void LoadTableDefault();

  // The release step of a table leaving the model: deletes its fields one by one
  // (the extensions hear of each under the table's current name) and lets its
  // charts go. Runs once; nothing of it runs in the destructor.
  void discard();

  static std::string_view collection_name_setting() { return setting_name(SettingIndex::TblName); }
  std::string collection_name() const { return TblName(); }
  const vb::Variant& collection_name_value() const { return setting_value(SettingIndex::TblName); }
  void set_collection_name(const std::string& v) { TblName(v); }
  int16_t collection_seq() const { return TblSeq(); }
  const vb::Variant& collection_seq_value() const { return setting_value(SettingIndex::TblSeq); }
  void set_collection_seq(int16_t s) { TblSeq(s); }

  static const vb::DispatchTable<AGPTable>& dispatch_table();

 private:
  vb::Ref<AGPCharts> charts_;
  vb::Ref<AGPFields> fields_;
};

}  // namespace tolvex
