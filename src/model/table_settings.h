// A table's settings (55), in declaration order.
// One row per setting: X(Name, Type, RegSave, RegFormat, FileSave, Sync, Access);
// see fields/setting_catalogue.h for what is made from it.
#pragma once

#include "fields/setting_catalogue.h"

// clang-format off
#define TOLVEX_TABLE_SETTINGS(X) \
  X(TblSync,              Boolean, false, 0, false, false, ReadWrite) \
  X(TblSeq,               Integer, false, 0, false, false, ReadWrite) \
  X(TblName,              String,  false, 0, true,  false, ReadWrite) \
  X(TblType,              String,  false, 0, true,  false, ReadWrite) \
  X(TblKey,               String,  false, 0, true,  false, ReadWrite) \
  X(TblGen,               Boolean, false, 0, true,  true,  CustomLet) \
  X(TblList,              Boolean, false, 0, true,  true,  ReadWrite) \
  X(TblView,              Boolean, false, 0, true,  true,  ReadWrite) \
  X(TblInlineEdit,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblEdit,              Boolean, false, 0, true,  true,  ReadWrite) \
  X(TblAdd,               Boolean, false, 0, true,  true,  ReadWrite) \
  X(TblAnonymous,         Integer, true,  4, true,  true,  ReadWrite) \
  X(TblDelete,            Boolean, false, 0, true,  true,  ReadWrite) \
  X(TblCaption,           String,  false, 0, true,  true,  ReadWrite) \
  X(TblVar,               String,  false, 0, true,  false, ReadWrite) \
  X(TblSrchType,          String,  false, 0, true,  true,  ReadWrite) \
  X(TblDefault,           Boolean, false, 0, true,  true,  ReadWrite) \
  X(TblCopy,              Boolean, false, 0, true,  true,  ReadWrite) \
  X(TblFilter,            String,  false, 0, true,  false, ReadWrite) \
  X(TblUserIDFld,         String,  false, 0, true,  true,  ReadWrite) \
  X(TblSecurity,          String,  false, 0, true,  true,  ReadWrite) \
  X(TblMasterTbl,         String,  false, 0, true,  true,  ReadWrite) \
  X(TblMasterFld,         String,  false, 0, true,  true,  ReadWrite) \
  X(TblDetailFld,         String,  false, 0, true,  true,  ReadWrite) \
  X(TblSysGenUnits,       String,  false, 0, false, false, ReadWrite) \
  X(TblSysGenOption,      String,  false, 0, false, false, ReadWrite) \
  X(TblUserGenOption,     String,  false, 0, false, false, ReadWrite) \
  X(TblOverwrite,         Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblLoaded,            Boolean, false, 0, true,  true,  ReadWrite) \
  X(TblRptShowDetails,    Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblRptShowGrandTotal, Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblReportType,        String,  false, 0, true,  true,  ReadWrite) \
  X(TblShowReport,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblRptShowPageTotal,  Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblRowSum,            Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblShowEmptyRows,     Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblCustomSQL,         String,  false, 0, true,  false, ReadWrite) \
  X(TblCustomError,       String,  false, 0, true,  false, ReadWrite) \
  X(TblRptSrc,            String,  false, 0, true,  true,  ReadWrite) \
  X(TblUseGlobal,         Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblRecPerPage,        Integer, true,  4, true,  true,  ReadWrite) \
  X(TblRecPerPageList,    String,  true,  1, true,  true,  ReadWrite) \
  X(TblExportHtml,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblExportWord,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblExportExcel,       Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblExportXml,         Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblExportCsv,         Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblRecPerRow,         Integer, true,  4, true,  true,  ReadWrite) \
  X(TblMultiDelete,       Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblSortType,          Integer, true,  4, true,  true,  ReadWrite) \
  X(TblPagerStyle,        Integer, true,  4, true,  true,  ReadWrite) \
  X(TblTopPageLink,       Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblBottomPageLink,    Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblLinkOnLeft,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblShowBlankListPage, Boolean, false, 0, true,  true,  ReadWrite)
// clang-format on

namespace tolvex {

TOLVEX_SETTING_INDEX_ENUM(TableSetting, TOLVEX_TABLE_SETTINGS)

extern const SettingCatalogue kTableSettings;

}  // namespace tolvex
