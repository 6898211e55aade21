// A trend line's settings (11), in declaration order.
// One row per setting: X(Name, Type, RegSave, RegFormat, FileSave, Sync, Access);
// see fields/setting_catalogue.h for what is made from it.
#pragma once

#include "fields/setting_catalogue.h"

// clang-format off
#define TOLVEX_TREND_SETTINGS(X) \
  X(TrendSeq,          Integer, false, 0, false, false, ReadWrite) \
  X(TrendName,         String,  false, 0, true,  false, ReadWrite) \
  X(TrendShow,         Boolean, false, 0, true,  true,  ReadWrite) \
  X(TrendStartValue,   Double,  true,  4, true,  true,  ReadWrite) \
  X(TrendEndValue,     Double,  true,  4, true,  true,  ReadWrite) \
  X(TrendColor,        String,  true,  1, true,  true,  ReadWrite) \
  X(TrendDisplayValue, String,  true,  1, true,  true,  ReadWrite) \
  X(TrendThickness,    Integer, true,  4, true,  true,  ReadWrite) \
  X(TrendIsTrendZone,  Boolean, true,  1, true,  true,  ReadWrite) \
  X(TrendShowOnTop,    Boolean, true,  1, true,  true,  ReadWrite) \
  X(TrendAlpha,        Integer, true,  4, true,  true,  ReadWrite)
// clang-format on

namespace tolvex {

TOLVEX_SETTING_INDEX_ENUM(TrendSetting, TOLVEX_TREND_SETTINGS)

extern const SettingCatalogue kTrendSettings;

}  // namespace tolvex
