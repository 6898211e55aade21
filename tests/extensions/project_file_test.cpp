#include <gtest/gtest.h>

#include <string>

#include "extension_fixture.h"
#include "projectfile/project_file.h"

namespace tolvex::testing {
namespace {

using vb::Variant;

using ExtensionProjectFileTest = ExtensionFixture;

TEST_F(ExtensionProjectFileTest, AttributesComeBackThroughTheDefinitionsConditions) {
  ASSERT_TRUE(AddExtension(*proj_, "rep", "rep.zip", "reports.xml"));
  ASSERT_TRUE(SetExtProjAtt(*proj_, "rep", "ProjTheme", Variant("saved")));
  ASSERT_TRUE(SetExtTblAtt(*proj_, "rep", "orders", "TblTheme", Variant("dark")));
  ASSERT_TRUE(SetExtFldAtt(*proj_, "rep", "orders", "total", "FldWidget", Variant("slider")));
  ASSERT_TRUE(SetExtChartAtt(*proj_, "rep", "orders", "trend", "ChartNote", Variant("note")));
  const std::string file = (docs_ / "shop.tvp").string();
  Save(*proj_, file);
  ASSERT_EQ(ctx().ProjErr, "");

  // A new session opens the file.
  ctx().ExtensionList = nullptr;
  ctx().MenuList = nullptr;
  auto again = vb::make_ref<AGP>();
  ctx().ExtensionsFolder = std::string(TOLVEX_TEST_DIR) + "/fixtures";
  Load(*again, file);
  ASSERT_EQ(ctx().ProjErr, "");
  AGP& q = *again;
  EXPECT_EQ(list().Count(), 1);
  EXPECT_EQ(vb::to_string(GetExtProjAtt(q, "rep", "ProjTheme")), "saved");
  EXPECT_EQ(vb::to_string(GetExtTblAtt(q, "rep", "orders", "TblTheme")), "dark");
  EXPECT_EQ(vb::to_string(GetExtTblAtt(q, "rep", "orders", "TblLimit")), "25");
  EXPECT_EQ(vb::to_string(GetExtFldAtt(q, "rep", "orders", "total", "FldWidget")), "slider");
  EXPECT_EQ(vb::to_string(GetExtChartAtt(q, "rep", "orders", "trend", "ChartNote")), "note");
  EXPECT_TRUE(GetExtTblAtt(q, "rep", "v_orders", "TblTheme").is_null());
  EXPECT_TRUE(GetExtFldAtt(q, "rep", "orders", "secret", "FldWidget").is_null());
}

}  // namespace
}  // namespace tolvex::testing
