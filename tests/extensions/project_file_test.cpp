#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/host_ui.h"

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


// An extension name that is not a plain folder name would place the extension's folder
// elsewhere: the project file's element is skipped with a message, the rest loads.
TEST_F(ExtensionProjectFileTest, AnExtensionNameThatIsNoPlainFolderNameIsRefusedAtLoad) {
  ASSERT_TRUE(AddExtension(*proj_, "rep", "rep.zip", "reports.xml"));
  ASSERT_TRUE(AddExtension(*proj_, "esc", "rep.zip", "reports.xml"));
  const std::string file = (docs_ / "shop.tvp").string();
  Save(*proj_, file);
  ASSERT_EQ(ctx().ProjErr, "");
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  std::string xml = text.str();
  const size_t at = xml.find("Name=\"esc\"");
  ASSERT_NE(at, std::string::npos);
  xml.replace(at, 10, "Name=\"../../../../escape\"");
  std::ofstream(file, std::ios::trunc) << xml;

  auto ui = std::make_shared<platform::ScriptedUI>();
  ctx().HostUi = ui;
  ctx().ExtensionList = nullptr;
  ctx().MenuList = nullptr;
  auto again = vb::make_ref<AGP>();
  Load(*again, file);
  EXPECT_EQ(ctx().ProjErr, "");
  ASSERT_EQ(list().Count(), 1);
  EXPECT_TRUE(list().ExtensionExist(Variant("rep")));
  int refusals = 0;
  for (const auto& q : ui->questions())
    if (q.text == "Tolvex: Extension name '../../../../escape' is not a plain folder name! Extension ignored.") ++refusals;
  EXPECT_EQ(refusals, 1);

  for (const char* bad : {"..", "a/b", "a\\b", "/abs", "."}) EXPECT_FALSE(list().Add(bad)) << bad;
  EXPECT_EQ(list().Count(), 1);
}

}  // namespace
}  // namespace tolvex::testing
