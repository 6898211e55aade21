#include <gtest/gtest.h>

#include <string>

#include "fields/catalogue_checks.h"
#include "model/database_settings.h"
#include "model/project_settings.h"
#include "model/table_settings.h"

namespace tolvex {
namespace {

using testing::CatalogueFacts;

TEST(ProjectDatabaseTableCatalogues, TotalsAndFlags) {
  const CatalogueFacts facts[] = {
      // 92 per-user defaults: 81 texts (every Boolean, and the Integer defaultDateFormat), 11 double words.
      {"project", kProjectSettings, 122, 81, 11, {"ProjVar", "AppCssFolder", "AppChartCssFile"}, 121,
       {}, {"defaultDateFormat"},
       {{1, "ProjName"}, {2, "ProjVar"}, {12, "AppRelatedProject"}, {47, "TblAltColor"}, {51, "Destination"},
        {52, "SecType"}, {70, "defaultDateFormat"}, {97, "AutoSync"}, {98, "CreateVDir"}, {99, "AutoBrowse"},
        {115, "MultiDelete"}, {117, "PagerStyle"}, {120, "LinkOnLeft"}, {122, "RootRelativePath"}}},
      {"database", kDatabaseSettings, 30, 0, 1, {}, 13, {}, {},
       {{1, "DBName"}, {3, "DBDatabaseNames"}, {17, "DBProviderVer"}, {18, "MaxUploadSize"},
        {20, "SecDefault"}, {30, "SecuParentUserIDFld"}}},
      {"table", kTableSettings, 55, 19, 5,
       {"TblSync", "TblSeq", "TblSysGenUnits", "TblSysGenOption", "TblUserGenOption"}, 43, {}, {},
       {{1, "TblSync"}, {2, "TblSeq"}, {3, "TblName"}, {6, "TblGen"}, {12, "TblAnonymous"}, {29, "TblLoaded"},
        {37, "TblCustomSQL"}, {42, "TblRecPerPageList"}, {55, "TblShowBlankListPage"}}},
  };
  for (const auto& f : facts) testing::check_catalogue(f);
}

TEST(ProjectDatabaseTableCatalogues, NamedRows) {
  testing::check_rows({
      {kProjectSettings, setting_index(ProjectSetting::TblAltColor), "TblAltColor", "Boolean", true, 1, true, true},
      {kProjectSettings, setting_index(ProjectSetting::TblAltColor1), "TblAltColor1", "String", true, 1, true, true},
      {kProjectSettings, setting_index(ProjectSetting::defaultDateFormat), "defaultDateFormat", "Integer", true, 1, true, true},
      {kProjectSettings, setting_index(ProjectSetting::SmtpServerPort), "SmtpServerPort", "Long", true, 4, true, true},
      {kProjectSettings, setting_index(ProjectSetting::ProjVar), "ProjVar", "String", false, 0, false, false},
      {kProjectSettings, setting_index(ProjectSetting::AppCssFolder), "AppCssFolder", "String", true, 1, false, true},
      {kProjectSettings, setting_index(ProjectSetting::PagerStyle), "PagerStyle", "Integer", true, 4, true, true},
      {kDatabaseSettings, setting_index(DatabaseSetting::MaxUploadSize), "MaxUploadSize", "Long", true, 4, true, true},
      {kDatabaseSettings, setting_index(DatabaseSetting::UseDynamicUserLevel), "UseDynamicUserLevel", "Boolean", false, 0, true, true},
      {kTableSettings, setting_index(TableSetting::TblAnonymous), "TblAnonymous", "Integer", true, 4, true, true},
      {kTableSettings, setting_index(TableSetting::TblRecPerPageList), "TblRecPerPageList", "String", true, 1, true, true},
      {kTableSettings, setting_index(TableSetting::TblName), "TblName", "String", false, 0, true, false},
      {kTableSettings, setting_index(TableSetting::TblSeq), "TblSeq", "Integer", false, 0, false, false},
  });
}

// Project: SmtpServerPort is the only Long; the database's first 17 settings are
// the connection and driver values that are never carried over, the 13 after them are.
TEST(ProjectDatabaseTableCatalogues, GroupFacts) {
  size_t longs = 0;
  for (const auto& d : kProjectSettings) longs += std::string(d.data_type) == "Long";
  EXPECT_EQ(longs, 1u);
  for (size_t i = 0; i < kDatabaseSettings.size(); ++i) {
    EXPECT_EQ(kDatabaseSettings[i].sync, i >= 17) << kDatabaseSettings[i].name;
    EXPECT_TRUE(kDatabaseSettings[i].file_save) << kDatabaseSettings[i].name;
  }
}

}  // namespace
}  // namespace tolvex
