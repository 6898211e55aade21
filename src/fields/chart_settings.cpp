#include "fields/chart_settings.h"

namespace tolvex {
namespace {

constexpr SettingDecl kRows[] = {TOLVEX_CHART_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
static_assert(std::size(kRows) == setting_index(ChartSetting::kCount));

}  // namespace

const SettingCatalogue kChartSettings{kRows};

}  // namespace tolvex
