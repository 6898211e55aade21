// The database object's settings (30), in declaration order.
// One row per setting: X(Name, Type, RegSave, RegFormat, FileSave, Sync, Access);
// see fields/setting_catalogue.h for what is made from it.
#pragma once

#include "fields/setting_catalogue.h"

// clang-format off
#define TOLVEX_DATABASE_SETTINGS(X) \
  X(DBName,                    String,  false, 0, true,  false, ReadWrite) \
  X(DBType,                    String,  false, 0, true,  false, ReadWrite) \
  X(DBDatabaseNames,           String,  false, 0, true,  false, None) \
  X(DBSID,                     String,  false, 0, true,  false, ReadWrite) \
  X(DBConnectionMethod,        String,  false, 0, true,  false, ReadWrite) \
  X(DBURL,                     String,  false, 0, true,  false, ReadWrite) \
  X(DBHost,                    String,  false, 0, true,  false, ReadWrite) \
  X(DBPort,                    String,  false, 0, true,  false, ReadWrite) \
  X(DBEncoding,                String,  false, 0, true,  false, ReadWrite) \
  X(DBUID,                     String,  false, 0, true,  false, ReadWrite) \
  X(DBPwd,                     String,  false, 0, true,  false, ReadWrite) \
  X(DBQuoteS,                  String,  false, 0, true,  false, ReadWrite) \
  X(DBQuoteE,                  String,  false, 0, true,  false, ReadWrite) \
  X(DBDBMSName,                String,  false, 0, true,  false, ReadOnly) \
  X(DBDBMSVer,                 String,  false, 0, true,  false, ReadOnly) \
  X(DBProviderName,            String,  false, 0, true,  false, ReadOnly) \
  X(DBProviderVer,             String,  false, 0, true,  false, ReadOnly) \
  X(MaxUploadSize,             Long,    true,  4, true,  true,  ReadWrite) \
  X(SecUserLevelFld,           String,  false, 0, true,  true,  ReadWrite) \
  X(SecDefault,                String,  false, 0, true,  true,  CustomLet) \
  X(SecuUserIDFld,             String,  false, 0, true,  true,  ReadWrite) \
  X(UseDynamicUserLevel,       Boolean, false, 0, true,  true,  ReadWrite) \
  X(UserLevelTbl,              String,  false, 0, true,  true,  ReadWrite) \
  X(UserLevelIdFld,            String,  false, 0, true,  true,  ReadWrite) \
  X(UserLevelNameFld,          String,  false, 0, true,  true,  ReadWrite) \
  X(UserLevelPrivTbl,          String,  false, 0, true,  true,  ReadWrite) \
  X(UserLevelPrivTblNameFld,   String,  false, 0, true,  true,  ReadWrite) \
  X(UserLevelPrivUserLevelFld, String,  false, 0, true,  true,  ReadWrite) \
  X(UserLevelPrivPrivFld,      String,  false, 0, true,  true,  ReadWrite) \
  X(SecuParentUserIDFld,       String,  false, 0, true,  true,  ReadWrite)
// clang-format on

namespace tolvex {

TOLVEX_SETTING_INDEX_ENUM(DatabaseSetting, TOLVEX_DATABASE_SETTINGS)

extern const SettingCatalogue kDatabaseSettings;

}  // namespace tolvex
