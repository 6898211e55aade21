#include "fields/trend_settings.h"

namespace tolvex {
namespace {

constexpr SettingDecl kRows[] = {TOLVEX_TREND_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
static_assert(std::size(kRows) == setting_index(TrendSetting::kCount));

}  // namespace

const SettingCatalogue kTrendSettings{kRows};

}  // namespace tolvex
