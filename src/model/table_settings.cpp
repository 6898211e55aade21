#include "model/table_settings.h"

namespace tolvex {
namespace {

constexpr SettingDecl kRows[] = {TOLVEX_TABLE_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
static_assert(std::size(kRows) == setting_index(TableSetting::kCount));

}  // namespace

const SettingCatalogue kTableSettings{kRows};

}  // namespace tolvex
