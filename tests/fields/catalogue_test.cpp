#include <gtest/gtest.h>

#include <string>

#include "fields/catalogue_checks.h"
#include "fields/chart_settings.h"
#include "fields/field_settings.h"
#include "fields/trend_settings.h"

namespace tolvex {
namespace {

using testing::CatalogueFacts;

TEST(FieldChartTrendCatalogues, TotalsAndFlags) {
  const CatalogueFacts facts[] = {
      {"field", kFieldSettings, 114, 9, 2, {"FldSync", "FldSeq", "FldVar"}, 91,
       {{"String", 51}, {"Boolean", 36}, {"Integer", 20}, {"Long", 4}, {"Variant", 3}}, {},
       {{1, "FldSync"}, {3, "FldName"}, {19, "FldMin"}, {42, "FldDefault"}, {44, "FldVar"},
        {45, "FldViewTag"}, {66, "FldTagAPrefix"}, {90, "FldQuoteS"}, {109, "FldOrder"},
        {114, "FldMemoCRLFReplace"}}},
      {"chart", kChartSettings, 30, 11, 9, {"ChartSeq", "ChartVar"}, 27, {}, {},
       {{1, "ChartSeq"}, {2, "ChartName"}, {3, "ChartVar"}, {4, "ShowChart"}, {22, "ChartYAxisMinValue"},
        {30, "ChartPosition"}}},
      {"trend line", kTrendSettings, 11, 4, 4, {"TrendSeq"}, 9, {}, {},
       {{1, "TrendSeq"}, {2, "TrendName"}, {3, "TrendShow"}, {4, "TrendStartValue"}, {11, "TrendAlpha"}}},
  };
  for (const auto& f : facts) testing::check_catalogue(f);
}

// The rows the owners single out, and the index enums pointing at their own rows.
TEST(FieldChartTrendCatalogues, NamedRows) {
  testing::check_rows({
      {kFieldSettings, setting_index(FieldSetting::FldMin), "FldMin", "Variant", false, 0, true, true},
      {kFieldSettings, setting_index(FieldSetting::FldMax), "FldMax", "Variant", false, 0, true, true},
      {kFieldSettings, setting_index(FieldSetting::FldDefault), "FldDefault", "Variant", false, 0, true, true},
      {kFieldSettings, setting_index(FieldSetting::FldSize), "FldSize", "Long", false, 0, true, false},
      {kFieldSettings, setting_index(FieldSetting::FldNumDigits), "FldNumDigits", "Integer", true, 4, true, true},
      {kFieldSettings, setting_index(FieldSetting::FldBold), "FldBold", "Boolean", true, 1, true, true},
      {kFieldSettings, setting_index(FieldSetting::FldVar), "FldVar", "String", false, 0, false, false},
      {kFieldSettings, setting_index(FieldSetting::FldOrderBy), "FldOrderBy", "Integer", false, 0, true, false},
      {kChartSettings, setting_index(ChartSetting::ChartName), "ChartName", "String", false, 0, true, false},
      {kChartSettings, setting_index(ChartSetting::ChartYAxisMaxValue), "ChartYAxisMaxValue", "Long", true, 4, true, true},
      {kChartSettings, setting_index(ChartSetting::ChartColorPalette), "ChartColorPalette", "String", true, 1, true, true},
      {kTrendSettings, setting_index(TrendSetting::TrendShow), "TrendShow", "Boolean", false, 0, true, true},
      {kTrendSettings, setting_index(TrendSetting::TrendEndValue), "TrendEndValue", "Double", true, 4, true, true},
      {kTrendSettings, setting_index(TrendSetting::TrendName), "TrendName", "String", false, 0, true, false},
  });
}

}  // namespace
}  // namespace tolvex
