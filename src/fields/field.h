// AGPField: one field (column) of a table, a settings store of 114 settings with
// one typed property per setting.
#pragma once

#include <string>

#include "fields/field_settings.h"
#include "fields/settings_owner.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPField : public vb::AutoDispatch<AGPField>, public SettingsOwner<FieldSetting, kFieldSettings> {
 public:
  // Declares the settings and reads the per-user defaults (RegKeyField).
  AGPField();

  using SettingsStore::GetV;
  using SettingsStore::SetV;

  TOLVEX_FIELD_SETTINGS(TOLVEX_SETTING_ACCESSORS)

  // FldName and nothing else: the collection key and FldVar stay.
  std::string Key() const { return FldName(); }
  void Key(const std::string& v) { FldName(v); }
  // FldVar without its "x_" prefix (from its third character on).
  std::string FldParm() const;

  // Copies the schema facts of a database driver's field object (reached by
  // member name) into the field, then gives it its first settings.
  void LoadFld_zvDB(const vb::Variant& zvDBfld);
  // The field default rules: first values by ADO type, schema flags, the kind of
  // database (CurrentDbmsName) and the project's date format (CurrentDateFormat).
  void LoadFldDefault();

  static std::string_view collection_name_setting() { return setting_name(SettingIndex::FldName); }
  std::string collection_name() const { return FldName(); }
  const vb::Variant& collection_name_value() const { return setting_value(SettingIndex::FldName); }
  void set_collection_name(const std::string& v) { FldName(v); }
  int16_t collection_seq() const { return FldSeq(); }
  const vb::Variant& collection_seq_value() const { return setting_value(SettingIndex::FldSeq); }
  void set_collection_seq(int16_t s) { FldSeq(s); }

  static const vb::DispatchTable<AGPField>& dispatch_table();

 private:
  void SetFldType(const vb::Variant& adoType);
  void DefaultHtmlTag();
  void DefaultValidate();
  void DefaultSrchOpr();
  void DefaultSearch();
  void DefaultBasicSearch();
};

}  // namespace tolvex
