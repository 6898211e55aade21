#include "model/database_settings.h"

namespace tolvex {
namespace {

constexpr SettingDecl kRows[] = {TOLVEX_DATABASE_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
static_assert(std::size(kRows) == setting_index(DatabaseSetting::kCount));

}  // namespace

const SettingCatalogue kDatabaseSettings{kRows};

}  // namespace tolvex
