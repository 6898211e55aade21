// The own settings of an extension and of the nodes of its attribute tree, in
// declaration order. One row per setting: X(Name, Type, RegSave, RegFormat, FileSave,
// Sync, Access); see fields/setting_catalogue.h for what is made from it. The
// attributes that a definition file declares are added to the same stores later.
#pragma once

#include "fields/setting_catalogue.h"

// clang-format off
#define TOLVEX_EXTENSION_SETTINGS(X) \
  X(Seq,      Integer, false, 0, false, false, ReadWrite) \
  X(Name,     String,  false, 0, true,  false, ReadWrite) \
  X(Template, String,  false, 0, true,  false, ReadWrite) \
  X(XmlFile,  String,  false, 0, true,  false, ReadWrite) \
  X(Enabled,  Boolean, false, 0, true,  false, ReadWrite)

#define TOLVEX_EXT_DB_SETTINGS(X) \
  X(DBName, String, false, 0, false, false, ReadWrite)

#define TOLVEX_EXT_TABLE_SETTINGS(X) \
  X(TblSeq,  Integer, false, 0, false, false, ReadWrite) \
  X(TblName, String,  false, 0, true,  false, ReadWrite)

#define TOLVEX_EXT_CHART_SETTINGS(X) \
  X(ChartSeq,  Integer, false, 0, false, false, ReadWrite) \
  X(ChartName, String,  false, 0, true,  false, ReadWrite)

#define TOLVEX_EXT_FIELD_SETTINGS(X) \
  X(FldSeq,  Integer, false, 0, false, false, ReadWrite) \
  X(FldName, String,  false, 0, true,  false, ReadWrite)
// clang-format on

namespace tolvex {

TOLVEX_SETTING_INDEX_ENUM(ExtensionSetting, TOLVEX_EXTENSION_SETTINGS)
TOLVEX_SETTING_INDEX_ENUM(ExtDbSetting, TOLVEX_EXT_DB_SETTINGS)
TOLVEX_SETTING_INDEX_ENUM(ExtTableSetting, TOLVEX_EXT_TABLE_SETTINGS)
TOLVEX_SETTING_INDEX_ENUM(ExtChartSetting, TOLVEX_EXT_CHART_SETTINGS)
TOLVEX_SETTING_INDEX_ENUM(ExtFieldSetting, TOLVEX_EXT_FIELD_SETTINGS)

extern const SettingCatalogue kExtensionSettings;
extern const SettingCatalogue kExtDbSettings;
extern const SettingCatalogue kExtTableSettings;
extern const SettingCatalogue kExtChartSettings;
extern const SettingCatalogue kExtFieldSettings;
// The project level declares nothing of its own.
extern const SettingCatalogue kExtProjSettings;

}  // namespace tolvex
