#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "extension_fixture.h"
#include "platform/host_ui.h"
#include "foundation/class_registry.h"
#include "templates/file_cache.h"

namespace tolvex::testing {
namespace {

using vb::Variant;

// Names and numbers of the listed extensions, in list order: "a:1 b:2".
std::string listing(const AGPExtensions& list) {
  std::string out;
  for (const auto& e : list.items()) out += (out.empty() ? "" : " ") + e->Name() + ":" + std::to_string(e->Seq());
  return out;
}

TEST(ExtensionListTest, AddDeleteAndLookupsFollowTheListRules) {
  ContextScope scope;
  struct Step {
    const char* op;  // "add", "del"
    const char* name;
    bool result;
    const char* listing_after;
  };
  const Step steps[] = {
      {"add", "", false, ""},
      {"add", "alpha", true, "alpha:1"},
      {"add", "alpha", true, "alpha:1"},  // a second Add only makes it current
      {"add", "beta", true, "alpha:1 beta:2"},
      {"add", "Beta", false, "alpha:1 beta:2"},  // a letter-case twin would share beta's key and folder
      {"add", "gamma", true, "alpha:1 beta:2 gamma:3"},
      {"del", "", false, "alpha:1 beta:2 gamma:3"},
      {"del", "BETA", false, "alpha:1 beta:2 gamma:3"},
      {"del", "beta", true, "alpha:1 gamma:2"},
      {"add", "1", true, "alpha:1 gamma:2 1:3"},
  };
  AGPExtensions& list = extension_list();
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.op) + " '" + s.name + "'");
    const bool r = std::string(s.op) == "add" ? list.Add(s.name) : list.Delete(Variant(s.name));
    EXPECT_EQ(r, s.result);
    EXPECT_EQ(listing(list), s.listing_after);
  }
  EXPECT_EQ(list.Seq(3)->Name(), "1");
  EXPECT_FALSE(list.Seq(4));
  // Lookups go by exact name; a number is a name, not a position.
  EXPECT_FALSE(list.Item(Variant("ALPHA")));
  EXPECT_FALSE(list.ExtensionExist(Variant("Alpha")));
  EXPECT_EQ(list.Item(Variant(int16_t(1)))->Name(), "1");
  EXPECT_EQ(list.Item(Variant("gamma"))->Name(), "gamma");
  EXPECT_EQ(list.curName(), "gamma");
  EXPECT_EQ(list.curSeq(), "2");
  list.Seq(1);  // Seq does not move the current extension
  EXPECT_EQ(list.curName(), "gamma");

  auto alpha = list.Item(Variant("alpha"));
  EXPECT_FALSE(alpha->IsExtended());
  alpha->PROJ();
  EXPECT_TRUE(alpha->IsExtended());
  // The list is one per context: AGP.Extensions and creation by name give it.
  EXPECT_EQ(create_object("Tolvex.AGPExtensions").get(), &list);
}

TEST(ExtensionListTest, TreeCollectionsKeepSequencesAndRenameByLetterCase) {
  ContextScope scope;
  AGPExtProj proj;
  EXPECT_EQ(proj.DBCnt(), 0);
  auto db = proj.DB();
  EXPECT_EQ(proj.DBCnt(), 1);
  EXPECT_EQ(db->DBName(), "DB");
  EXPECT_EQ(proj.DB().get(), db.get());

  ASSERT_TRUE(db->Tables()->Add("t"));
  AGPExtCharts& charts = *db->Tables()->Item(Variant("t"))->Charts();
  EXPECT_TRUE(charts.Add("a"));
  EXPECT_TRUE(charts.Add("b"));
  EXPECT_FALSE(charts.Add("a"));  // exact name exists
  EXPECT_TRUE(charts.Add("B"));   // other letter case: renames b
  EXPECT_EQ(charts.Count(), 2);
  EXPECT_TRUE(charts.ChartExist(Variant("B")));
  EXPECT_FALSE(charts.ChartExist(Variant("b")));
  EXPECT_TRUE(charts.Change("B", "c"));
  EXPECT_FALSE(charts.Change("a", "c"));  // the new name is taken
  EXPECT_EQ(charts.Item(Variant("c"))->ChartSeq(), 2);
  EXPECT_EQ(charts.Item(Variant(int32_t(2)))->ChartName(), "c");  // a number is a position
  EXPECT_FALSE(charts.Item(Variant("2")));
  EXPECT_TRUE(charts.Delete(Variant("a")));
  EXPECT_EQ(charts.Seq(1)->ChartName(), "c");
  EXPECT_FALSE(charts.Seq(2));

  // Only one database item; the second is refused with the model's message.
  AGPExtDbs dbs;
  dbs.Add("one");
  EXPECT_EQ(context().ProjErr, "");
  dbs.Add("two");
  EXPECT_EQ(dbs.Count(), 1);
  EXPECT_EQ(context().ProjErr, "support 1 db only!");
  // Reading DB of a new tree does not clear a pending error.
  AGPExtProj other;
  other.DB();
  EXPECT_EQ(context().ProjErr, "support 1 db only!");
}

class RegisteredExtensionsTest : public ExtensionFixture {
 protected:
  void registered(const std::string& subkey, const std::string& name, const std::string& xml) {
    const std::string key = ctx().RegKeyExtensions + "\\" + subkey;
    user_value(key, "Name", platform::RegValue::make_text(name));
    user_value(key, "Template", platform::RegValue::make_text(name + ".zip"));
    if (!xml.empty()) user_value(key, "XmlFile", platform::RegValue::make_text(xml));
  }
};

TEST_F(RegisteredExtensionsTest, NoExtensionsKeyAddsNothing) {
  LoadRegisteredExtensions(*proj_);
  EXPECT_EQ(list().Count(), 0);
}

// A damaged definition keeps its registered extension, without attributes, and says why.
TEST_F(RegisteredExtensionsTest, EachSubkeyIsAddedOnceInRegistryOrderAndDamagedOnesWithoutAttributes) {
  registered("2-second", "charts", "reports.xml");
  registered("1-first", "plain", "");
  registered("3-third", "broken", "damaged.xml");
  auto ui = std::make_shared<platform::ScriptedUI>();
  ctx().HostUi = ui;
  ctx().ProjErr = "";
  LoadRegisteredExtensions(*proj_);
  EXPECT_EQ(listing(list()), "plain:1 charts:2 broken:3");
  EXPECT_EQ(ctx().ProjErr, "");  // a registered extension's damaged file does not fail the caller
  ASSERT_EQ(ui->questions().size(), 1u);
  EXPECT_EQ(ui->questions()[0].kind, "message_box");
  EXPECT_NE(ui->questions()[0].text.find("damaged.xml\" is damaged: "), std::string::npos) << ui->questions()[0].text;
  EXPECT_EQ(list().find("broken")->XmlFile(), "damaged.xml");
  EXPECT_TRUE(list().find("broken")->Enabled());
  EXPECT_FALSE(list().find("broken")->IsExtended());
  EXPECT_EQ(list().find("charts")->Template(), "charts.zip");
  EXPECT_TRUE(list().find("plain")->Enabled());
  EXPECT_FALSE(list().find("plain")->IsExtended());
  EXPECT_EQ(GetExtTblAtt(*proj_, "charts", "orders", "TblTheme").raw_string(), "plain");

  // After another database load the same list comes again: nothing doubles, the
  // switch is back on and attributes already set stay.
  list().find("charts")->Enabled(false);
  ASSERT_TRUE(SetExtTblAtt(*proj_, "charts", "orders", "TblTheme", Variant("dark")));
  LoadRegisteredExtensions(*proj_);
  EXPECT_EQ(listing(list()), "plain:1 charts:2 broken:3");
  EXPECT_TRUE(list().find("charts")->Enabled());
  EXPECT_EQ(GetExtTblAtt(*proj_, "charts", "orders", "TblTheme").raw_string(), "dark");
  EXPECT_EQ(tree_tables("charts")->Count(), 1);
}

TEST_F(RegisteredExtensionsTest, IncludedFilesComeFromEnabledExtensionsInTheirOrder) {
  namespace fs = std::filesystem;
  const fs::path root = docs_ / "Templates" / "pkg";
  ctx().TemplateFolder = (root / "Script").string();
  ctx().CurrentTemplateFolder = ctx().TemplateFolder;
  ctx().ExtensionWorkFolder = (root / "extensions").string();
  for (const char* ext : {"first", "second", "third"}) {
    fs::create_directories(root / "extensions" / ext);
    std::ofstream(root / "extensions" / ext / "header.php") << ext;
  }
  for (const char* ext : {"third", "second", "first"}) ASSERT_TRUE(AddExtension(*proj_, ext, "", ""));
  // The list order decides; a disabled extension's old folder does not count.
  list().find("third")->Enabled(false);
  EXPECT_EQ(ResolveTemplateFile("header.php"), (root / "extensions" / "second" / "header.php").string());
  EXPECT_EQ(ResolveTemplateFile("footer.php"), ctx().TemplateFolder + "/footer.php");
}

}  // namespace
}  // namespace tolvex::testing
