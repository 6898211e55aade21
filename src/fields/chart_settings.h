// A chart's settings (30), in declaration order.
// One row per setting: X(Name, Type, RegSave, RegFormat, FileSave, Sync, Access);
// see fields/setting_catalogue.h for what is made from it.
#pragma once

#include "fields/setting_catalogue.h"

// clang-format off
#define TOLVEX_CHART_SETTINGS(X) \
  X(ChartSeq,              Integer, false, 0, false, false, ReadWrite) \
  X(ChartName,             String,  false, 0, true,  false, ReadWrite) \
  X(ChartVar,              String,  false, 0, false, false, ReadWrite) \
  X(ShowChart,             Boolean, true,  1, true,  true,  ReadWrite) \
  X(ChartXFldName,         String,  false, 0, true,  true,  ReadWrite) \
  X(ChartYFldName,         String,  false, 0, true,  true,  ReadWrite) \
  X(ChartSeriesFldName,    String,  false, 0, true,  true,  ReadWrite) \
  X(ChartSummaryType,      String,  false, 0, true,  true,  ReadWrite) \
  X(ChartType,             Integer, true,  4, true,  true,  ReadWrite) \
  X(ChartWidth,            Integer, true,  4, true,  true,  ReadWrite) \
  X(ChartHeight,           Integer, true,  4, true,  true,  ReadWrite) \
  X(ChartBgColor,          String,  true,  1, true,  true,  ReadWrite) \
  X(ChartCaption,          String,  false, 0, true,  true,  ReadWrite) \
  X(ChartChartBgColor,     String,  true,  1, true,  true,  ReadWrite) \
  X(ChartChartBorderColor, String,  true,  1, true,  true,  ReadWrite) \
  X(ChartNumGridLines,     Integer, true,  4, true,  true,  ReadWrite) \
  X(ChartGridColor,        String,  true,  1, true,  true,  ReadWrite) \
  X(ChartXAxisName,        String,  false, 0, true,  true,  ReadWrite) \
  X(ChartXAxisNameRotated, Boolean, true,  1, true,  true,  ReadWrite) \
  X(ChartYAxisName,        String,  false, 0, true,  true,  ReadWrite) \
  X(ChartYAxisNameRotated, Boolean, true,  1, true,  true,  ReadWrite) \
  X(ChartYAxisMinValue,    Long,    true,  4, true,  true,  ReadWrite) \
  X(ChartYAxisMaxValue,    Long,    true,  4, true,  true,  ReadWrite) \
  X(ChartShowNames,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(ChartShowValues,       Boolean, true,  1, true,  true,  ReadWrite) \
  X(ChartShowHover,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(ChartAlpha,            Integer, true,  4, true,  true,  ReadWrite) \
  X(ChartColorPalette,     String,  true,  1, true,  true,  ReadWrite) \
  X(ChartSortType,         Integer, true,  4, true,  true,  ReadWrite) \
  X(ChartPosition,         Integer, true,  4, true,  true,  ReadWrite)
// clang-format on

namespace tolvex {

TOLVEX_SETTING_INDEX_ENUM(ChartSetting, TOLVEX_CHART_SETTINGS)

extern const SettingCatalogue kChartSettings;

}  // namespace tolvex
