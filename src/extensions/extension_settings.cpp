#include "extensions/extension_settings.h"

namespace tolvex {
namespace {

constexpr SettingDecl kExtensionRows[] = {TOLVEX_EXTENSION_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
constexpr SettingDecl kDbRows[] = {TOLVEX_EXT_DB_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
constexpr SettingDecl kTableRows[] = {TOLVEX_EXT_TABLE_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
constexpr SettingDecl kChartRows[] = {TOLVEX_EXT_CHART_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
constexpr SettingDecl kFieldRows[] = {TOLVEX_EXT_FIELD_SETTINGS(TOLVEX_SETTING_DECL_ROW)};
static_assert(std::size(kExtensionRows) == setting_index(ExtensionSetting::kCount));
static_assert(std::size(kTableRows) == setting_index(ExtTableSetting::kCount));

}  // namespace

const SettingCatalogue kExtensionSettings{kExtensionRows};
const SettingCatalogue kExtDbSettings{kDbRows};
const SettingCatalogue kExtTableSettings{kTableRows};
const SettingCatalogue kExtChartSettings{kChartRows};
const SettingCatalogue kExtFieldSettings{kFieldRows};
const SettingCatalogue kExtProjSettings{};

}  // namespace tolvex
