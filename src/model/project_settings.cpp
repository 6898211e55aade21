#include "model/project_settings.h"

namespace tolvex {
namespace {

constexpr SettingDecl kRows[] = {TOLVEX_PROJECT_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
static_assert(std::size(kRows) == setting_index(ProjectSetting::kCount));

}  // namespace

const SettingCatalogue kProjectSettings{kRows};

}  // namespace tolvex
