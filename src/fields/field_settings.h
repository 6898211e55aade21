// A field's settings (114), in declaration order.
// One row per setting: X(Name, Type, RegSave, RegFormat, FileSave, Sync, Access);
// see fields/setting_catalogue.h for what is made from it.
#pragma once

#include "fields/setting_catalogue.h"

// clang-format off
#define TOLVEX_FIELD_SETTINGS(X) \
  X(FldSync,                     Boolean, false, 0, false, false, ReadWrite) \
  X(FldSeq,                      Integer, false, 0, false, false, ReadWrite) \
  X(FldName,                     String,  false, 0, true,  false, ReadWrite) \
  X(FldAlias,                    Boolean, false, 0, true,  false, ReadWrite) \
  X(FldSourceName,               String,  false, 0, true,  false, ReadWrite) \
  X(FldSourceTable,              String,  false, 0, true,  false, ReadWrite) \
  X(FldSourceField,              String,  false, 0, true,  false, ReadWrite) \
  X(FldType,                     Integer, false, 0, true,  false, ReadWrite) \
  X(FldTypeName,                 String,  false, 0, true,  false, ReadWrite) \
  X(NativeDataType,              Integer, false, 0, true,  false, ReadWrite) \
  X(FldSupport,                  Boolean, false, 0, true,  false, ReadWrite) \
  X(FldSize,                     Long,    false, 0, true,  false, ReadWrite) \
  X(FldUniqueIdx,                Boolean, false, 0, true,  false, ReadWrite) \
  X(FldZeroLen,                  Boolean, false, 0, true,  false, ReadWrite) \
  X(FldReq,                      Boolean, false, 0, true,  false, ReadWrite) \
  X(FldIsPrimaryKey,             Boolean, false, 0, true,  false, ReadWrite) \
  X(FldAutoIncrement,            Boolean, false, 0, true,  false, ReadWrite) \
  X(FldAttribute,                Long,    false, 0, true,  false, ReadWrite) \
  X(FldMin,                      Variant, false, 0, true,  true,  ReadWrite) \
  X(FldMax,                      Variant, false, 0, true,  true,  ReadWrite) \
  X(FldErrMsg,                   String,  false, 0, true,  true,  ReadWrite) \
  X(FldValidate,                 String,  false, 0, true,  true,  ReadWrite) \
  X(FldRequired,                 Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldPopCalendar,              Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldGenerate,                 Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldList,                     Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldView,                     Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldEdit,                     Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldAdd,                      Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldSearch,                   Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldBasicSearch,              Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldExtendedBasicSearch,      Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldFilterDropDown,           Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldDateSearch,               String,  false, 0, true,  true,  ReadWrite) \
  X(FldDateSearchDefaultYear,    String,  false, 0, true,  true,  ReadWrite) \
  X(FldDateSearchDefaultQuarter, String,  false, 0, true,  true,  ReadWrite) \
  X(FldDateSearchDefaultMonth,   String,  false, 0, true,  true,  ReadWrite) \
  X(FldDateSearchDefaultDay,     String,  false, 0, true,  true,  ReadWrite) \
  X(FldRegister,                 Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldSrchOpr,                  String,  false, 0, true,  true,  ReadWrite) \
  X(FldSrchOpr2,                 String,  false, 0, true,  true,  ReadWrite) \
  X(FldDefault,                  Variant, false, 0, true,  true,  ReadWrite) \
  X(FldCaption,                  String,  false, 0, true,  true,  ReadWrite) \
  X(FldVar,                      String,  false, 0, false, false, ReadWrite) \
  X(FldViewTag,                  String,  false, 0, true,  true,  ReadWrite) \
  X(FldHtmlTag,                  String,  false, 0, true,  true,  ReadWrite) \
  X(FldHtmlTagReadOnly,          Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldTagSize,                  Integer, false, 0, true,  true,  ReadWrite) \
  X(FldTagMaxLength,             Long,    false, 0, true,  true,  ReadWrite) \
  X(FldTagHiddenValue,           String,  false, 0, true,  true,  ReadWrite) \
  X(FldSelectType,               String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagValues,                String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagLnkTbl,                String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagLnkFld,                String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagLnkDisplay,            String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagLnkDisp2,              String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagLnkOrderBy,            String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagLnkOrderType,          String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagLnkDistinct,           Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldTagCols,                  Integer, false, 0, true,  true,  ReadWrite) \
  X(FldTagRows,                  Integer, false, 0, true,  true,  ReadWrite) \
  X(FldTagImgWidth,              Integer, false, 0, true,  true,  ReadWrite) \
  X(FldTagImgHeight,             Integer, false, 0, true,  true,  ReadWrite) \
  X(FldTagAType,                 String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagATarget,               String,  false, 0, true,  true,  ReadWrite) \
  X(FldTagAPrefix,               String,  true,  1, true,  true,  ReadWrite) \
  X(FldTagASuffix,               String,  false, 0, true,  true,  ReadWrite) \
  X(FldBold,                     Boolean, true,  1, true,  true,  ReadWrite) \
  X(FldItalic,                   Boolean, true,  1, true,  true,  ReadWrite) \
  X(FldAlign,                    String,  true,  1, true,  true,  ReadWrite) \
  X(FldFmtType,                  String,  false, 0, true,  true,  ReadWrite) \
  X(FldDtFormat,                 Integer, false, 0, true,  true,  ReadWrite) \
  X(FldNumDigits,                Integer, true,  4, true,  true,  ReadWrite) \
  X(FldIncLeadDigit,             Integer, false, 0, true,  true,  ReadWrite) \
  X(FldUseParen,                 Integer, false, 0, true,  true,  ReadWrite) \
  X(FldGpDigits,                 Integer, false, 0, true,  true,  ReadWrite) \
  X(FileNameFld,                 String,  false, 0, true,  true,  ReadWrite) \
  X(FileTypeFld,                 String,  false, 0, true,  true,  ReadWrite) \
  X(FileSizeFld,                 String,  false, 0, true,  true,  ReadWrite) \
  X(ImageWidthFld,               String,  false, 0, true,  true,  ReadWrite) \
  X(ImageHeightFld,              String,  false, 0, true,  true,  ReadWrite) \
  X(FldHrefFld,                  String,  false, 0, true,  true,  ReadWrite) \
  X(FldStrFunc,                  String,  false, 0, true,  true,  ReadWrite) \
  X(FldUseDHTMLEditor,           Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldMemoMaxLength,            Integer, true,  4, true,  true,  ReadWrite) \
  X(FldSelectSize,               Integer, false, 0, true,  true,  ReadWrite) \
  X(FldSelectMultiple,           Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldSelectFilter,             String,  false, 0, true,  true,  ReadWrite) \
  X(FldSelectFilterFld,          String,  false, 0, true,  true,  ReadWrite) \
  X(FldQuoteS,                   String,  false, 0, true,  false, ReadWrite) \
  X(FldQuoteE,                   String,  false, 0, true,  false, ReadWrite) \
  X(FldColumnWidth,              String,  false, 0, true,  true,  ReadWrite) \
  X(FldColumnWrap,               Boolean, true,  1, true,  true,  ReadWrite) \
  X(FldAggregate,                String,  false, 0, true,  true,  ReadWrite) \
  X(FldGroupBy,                  Integer, false, 0, true,  true,  ReadWrite) \
  X(FldGroupByType,              String,  false, 0, true,  true,  ReadWrite) \
  X(FldGroupByInterval,          Long,    false, 0, true,  true,  ReadWrite) \
  X(FldRowID,                    Integer, false, 0, true,  true,  ReadWrite) \
  X(FldColumnID,                 Integer, false, 0, true,  true,  ReadWrite) \
  X(FldColumnDateType,           String,  false, 0, true,  true,  ReadWrite) \
  X(FldColumnDateSelect,         Boolean, true,  1, true,  true,  ReadWrite) \
  X(FldSummaryID,                Integer, false, 0, true,  true,  ReadWrite) \
  X(FldSummaryType,              String,  false, 0, true,  true,  ReadWrite) \
  X(FldFilterName,               String,  false, 0, true,  true,  ReadWrite) \
  X(FldUseRange,                 Boolean, true,  1, true,  true,  ReadWrite) \
  X(FldUserIDSelect,             Boolean, true,  1, true,  true,  ReadWrite) \
  X(FldGroupByShowSummary,       Boolean, true,  1, true,  true,  ReadWrite) \
  X(FldOrderBy,                  Integer, false, 0, true,  false, ReadWrite) \
  X(FldOrder,                    String,  false, 0, true,  false, ReadWrite) \
  X(FldRptAggSum,                Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldRptAggAvg,                Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldRptAggMin,                Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldRptAggMax,                Boolean, false, 0, true,  true,  ReadWrite) \
  X(FldMemoCRLFReplace,          Boolean, false, 0, true,  true,  ReadWrite)
// clang-format on

namespace tolvex {

TOLVEX_SETTING_INDEX_ENUM(FieldSetting, TOLVEX_FIELD_SETTINGS)

extern const SettingCatalogue kFieldSettings;

}  // namespace tolvex
