#include "fields/field_settings.h"

namespace tolvex {
namespace {

constexpr SettingDecl kRows[] = {TOLVEX_FIELD_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
static_assert(std::size(kRows) == setting_index(FieldSetting::kCount));

}  // namespace

const SettingCatalogue kFieldSettings{kRows};

}  // namespace tolvex
