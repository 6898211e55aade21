#include "model/project.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fields/charts.h"
#include "model/project_fixture.h"
#include "foundation/class_registry.h"
#include "model/project_members.h"
#include "platform/error.h"
#include "platform/folders.h"
#include "platform/registry.h"
#include "vb/convert.h"
#include "vb/error.h"
#include "vb/vb_test_util.h"

namespace tolvex {
namespace {

using platform::RegValue;

using vbtest::error_of;

class ProjectTest : public testing::ProjectFixture {};

TEST_F(ProjectTest, StartUpFixesIdentityPathsFoldersAndDefaults) {
  user_value(project_key(), "defaultDateFormat", RegValue::make_text("7"));
  user_value(project_key(), "AppCompat", RegValue::make_text("True"));
  user_value(project_key(), "SmtpServerPort", RegValue::make_dword(25));
  user_value(project_key(), "PagerStyle", RegValue::make_dword(4));     // forced to 2 afterwards
  user_value(project_key(), "LinkOnLeft", RegValue::make_text("True"));  // forced to False
  user_value(general(), "UnloadThresholdCount", RegValue::make_dword(0));
  auto p = vb::make_ref<AGP>();

  EXPECT_FALSE(p->ProjInit());
  EXPECT_FALSE(p->DB());
  EXPECT_EQ(p->DBCnt(), 0);
  EXPECT_EQ(p->Properties()->Count(), 122);
  EXPECT_EQ(ctx().ProductTitle, "Tolvex");
  EXPECT_EQ(ctx().ProductCode, "TVX");
  EXPECT_EQ(ctx().ProjectFileExt, "tvp");
  EXPECT_EQ(ctx().RegKeyTrendline, "Software\\Tolvex\\3.0\\Settings\\Trendline");
  EXPECT_EQ(ctx().RegKeyOdbcInstIni, "Software\\ODBC\\ODBCINST.INI");
  EXPECT_EQ(vb::to_string(p->default_page()), "index.php");
  EXPECT_EQ(p->language(), "english.xml");
  EXPECT_EQ(ctx().WorkFolder, docs_.string() + "/Tolvex");
  EXPECT_TRUE(std::filesystem::is_directory(docs_ / "Tolvex" / "Backup"));

  EXPECT_EQ(p->defaultDateFormat(), 7);  // the user's default replaces the start-up 5
  EXPECT_EQ(ctx().CurrentDateFormat, 7);
  EXPECT_TRUE(p->AppCompat());
  EXPECT_EQ(p->SmtpServerPort(), 25);
  EXPECT_EQ(p->PagerStyle(), 2);
  EXPECT_FALSE(p->LinkOnLeft());
  EXPECT_TRUE(p->AutoSync());
  EXPECT_EQ(p->SecType(), "None");
  EXPECT_EQ(p->GetV("SecTbl"), "");
  EXPECT_EQ(p->GetV("Destination"), "");  // kept: never set
  EXPECT_EQ(p->GetV("ExportCsv"), "");  // a missing default: the empty text converts to nothing
  EXPECT_FALSE(p->ExportCsv());
  EXPECT_EQ(p->unload_threshold_count(), 20);
}

TEST_F(ProjectTest, MissingDateFormatDefaultLeavesItEmpty) {
  auto p = vb::make_ref<AGP>();
  EXPECT_EQ(p->defaultDateFormat(), 0);
  EXPECT_EQ(p->GetV("defaultDateFormat"), "");
}

TEST_F(ProjectTest, FirstRunCopiesTheMachineKeys) {
  registry_->delete_value(platform::RegRoot::CurrentUser, general(), "Language");
  machine_value(general(), "Language", RegValue::make_text("english.xml"));
  machine_value(project_key(), "RecPerPage", RegValue::make_dword(25));
  machine_value(testing::kRegRoot + "\\Extensions\\Sample", "Enabled", RegValue::make_dword(1));
  auto p = vb::make_ref<AGP>();
  EXPECT_EQ(p->language(), "english.xml");
  EXPECT_EQ(p->RecPerPage(), 25);
  auto copied = registry_->query_value(platform::RegRoot::CurrentUser, testing::kRegRoot + "\\Extensions\\Sample",
                                       "Enabled");
  ASSERT_TRUE(copied);
  EXPECT_EQ(copied->kind, platform::reg_kind::kDword);
  EXPECT_EQ(copied->number, 1u);
}

// A user registry whose writes stop working after a number of them, as a run killed half-way
// through the first-run copy would leave it.
class StoppingRegistry : public platform::RegistryBackend {
 public:
  StoppingRegistry(std::shared_ptr<platform::MemoryRegistry> inner, int writes) : inner_(std::move(inner)), left_(writes) {}
  bool key_exists(platform::RegRoot r, std::string_view p) override { return inner_->key_exists(r, p); }
  void create_key(platform::RegRoot r, std::string_view p) override { inner_->create_key(r, p); }
  std::optional<RegValue> query_value(platform::RegRoot r, std::string_view p, std::string_view n, bool e) override {
    return inner_->query_value(r, p, n, e);
  }
  void set_value(platform::RegRoot r, std::string_view p, std::string_view n, const RegValue& v) override {
    if (left_-- <= 0) throw platform::PlatformError("killed");
    inner_->set_value(r, p, n, v);
  }
  bool delete_value(platform::RegRoot r, std::string_view p, std::string_view n) override {
    return inner_->delete_value(r, p, n);
  }
  bool delete_key(platform::RegRoot r, std::string_view p) override { return inner_->delete_key(r, p); }
  std::vector<std::string> subkeys(platform::RegRoot r, std::string_view p) override { return inner_->subkeys(r, p); }
  std::vector<std::string> value_names(platform::RegRoot r, std::string_view p) override {
    return inner_->value_names(r, p);
  }

 private:
  std::shared_ptr<platform::MemoryRegistry> inner_;
  int left_;
};

// The first-run copy is all or nothing: stopped after any number of writes, the next start
// completes it, and the user ends with every machine value.
TEST_F(ProjectTest, AFirstRunStoppedAtAnyPointIsCompletedAtTheNextStart) {
  machine_value(general(), "Language", RegValue::make_text("english.xml"));
  machine_value(general(), "BackupFile", RegValue::make_text("True"));
  machine_value(general(), "ScriptEngineTimeout", RegValue::make_dword(30));
  machine_value(project_key(), "RecPerPage", RegValue::make_dword(25));
  machine_value(testing::kRegRoot + "\\Extensions\\Sample", "Enabled", RegValue::make_dword(1));
  const std::vector<std::pair<std::string, std::string>> all = {
      {general(), "Language"}, {general(), "BackupFile"}, {general(), "ScriptEngineTimeout"},
      {project_key(), "RecPerPage"}, {testing::kRegRoot + "\\Extensions\\Sample", "Enabled"}};
  for (int writes = 0; writes <= int(all.size()) + 1; ++writes) {  // and the stand-in marker
    SCOPED_TRACE("stopped after " + std::to_string(writes) + " writes");
    registry_->tree(platform::RegRoot::CurrentUser) = platform::RegistryTree();
    {
      platform::ScopedRegistry stopping(std::make_shared<StoppingRegistry>(registry_, writes));
      try {
        vb::make_ref<AGP>();
      } catch (const std::exception&) {
        // the run ends here
      }
    }
    auto p = vb::make_ref<AGP>();
    for (const auto& [key, name] : all)
      EXPECT_EQ(registry_->query_value(platform::RegRoot::CurrentUser, key, name),
                registry_->query_value(platform::RegRoot::LocalMachine, key, name))
          << key << " " << name;
    EXPECT_EQ(p->script_engine_timeout(), 30);
  }
}

// Start-up writes the module-wide values again for every project object; the last-error
// text, the site menu and the extension list stay as they were.
TEST_F(ProjectTest, ASecondProjectObjectRewritesTheModuleWideValues) {
  auto first = vb::make_ref<AGP>();
  EXPECT_EQ(ctx().ExtensionsFolder, platform::application_folder().string() + "/extensions");
  ASSERT_TRUE(first->MenuList()->AddMenu(-1, "Orders", -1, "orders"));
  ctx().ProductTitle = "changed";
  ctx().RegKeyField = "changed";
  ctx().WorkFolder = "changed";
  ctx().ProgramVersion = "9.9";
  ctx().ProjErr = "an earlier failure";
  user_value(testing::kRegRoot + "\\Extensions", "SourceFolder", RegValue::make_text("/opt/tolvex/ext"));

  auto second = vb::make_ref<AGP>();
  EXPECT_EQ(ctx().ProductTitle, "Tolvex");
  EXPECT_EQ(ctx().RegKeyField, "Software\\Tolvex\\3.0\\Settings\\Field");
  EXPECT_EQ(ctx().WorkFolder, docs_.string() + "/Tolvex");
  EXPECT_EQ(ctx().ProgramVersion, "3.0");
  EXPECT_EQ(ctx().ExtensionsFolder, "/opt/tolvex/ext");
  // A relative folder is below the application's folder, not the current one.
  user_value(testing::kRegRoot + "\\Extensions", "SourceFolder", RegValue::make_text("ext\\mine"));
  vb::make_ref<AGP>();
  EXPECT_EQ(ctx().ExtensionsFolder, (platform::application_folder() / "ext/mine").string());
  EXPECT_EQ(ctx().ProjErr, "an earlier failure");
  EXPECT_EQ(second->MenuList(), first->MenuList());
  EXPECT_EQ(second->MenuList()->Count(), 1);
}

TEST_F(ProjectTest, TypedLetsAndTextAccess) {
  auto p = vb::make_ref<AGP>();
  p->ProjName("My Shop");
  EXPECT_EQ(p->ProjVar(), "My_Shop");
  p->SetV("ProjName", "Other");  // text access changes that setting only
  EXPECT_EQ(p->ProjName(), "Other");
  EXPECT_EQ(p->ProjVar(), "My_Shop");
  p->Destination("/srv/www");
  EXPECT_EQ(ctx().DestinationFolder, "/srv/www");
  p->SetV("Destination", "/tmp/x");
  EXPECT_EQ(ctx().DestinationFolder, "/srv/www");
  p->SetV("MultiDelete", "True");
  EXPECT_TRUE(p->MultiDelete());
  EXPECT_EQ(p->GetV("Added"), "");
  EXPECT_EQ(p->Properties()->Count(), 123);
  EXPECT_EQ(error_of([&] { p->GetV("projname"); }), vb::err::kKeyAlreadyExists);
  EXPECT_EQ(p->ProjName(), "Other");
  // By name, as scripts reach it.
  vb::Dispatch& d = *p;
  d.let("RecPerPage", vb::Variant("30"));
  EXPECT_EQ(p->RecPerPage(), 30);
  EXPECT_EQ(error_of([&] { d.let("ProjVar", vb::Variant("x")); }), vb::err::kNotSupported);
  d.let("ProjErr", vb::Variant("failed"));
  EXPECT_EQ(ctx().ProjErr, "failed");
}

TEST_F(ProjectTest, AddProjAndDeleteProj) {
  auto p = vb::make_ref<AGP>();
  p->Properties()->Item(std::string_view("SecTbl"))->setValue(vb::Variant("users"));
  p->CssStyles("kept");
  p->AddProj("Shop 2");
  EXPECT_TRUE(p->ProjInit());
  EXPECT_EQ(p->ProjVar(), "Shop_2");
  EXPECT_EQ(p->SecTbl(), "");         // cleared
  EXPECT_EQ(p->CssStyles(), "kept");  // kept

  p->databases().Add("db");
  p->set_current_database(p->databases().Item(vb::Variant("db")));
  ASSERT_TRUE(p->DB()->Tables()->Add("T"));
  p->DB()->Key("renamed");  // its key in the holder stays "db": dropped all the same
  p->GetV("Added");
  ASSERT_TRUE(p->Properties()->Delete(std::string_view("ProjName")));
  p->DeleteProj();
  EXPECT_FALSE(p->ProjInit());
  EXPECT_FALSE(p->DB());
  EXPECT_EQ(p->DBCnt(), 0);
  EXPECT_EQ(p->Properties()->Count(), 122);  // declared again, the added one gone
  EXPECT_FALSE(p->Properties()->PropertyExist(std::string_view("Added")));
  EXPECT_EQ(p->ProjName(), "");
  EXPECT_EQ(p->defaultDateFormat(), 0);
  EXPECT_FALSE(p->AutoSync());
  EXPECT_EQ(p->CssStyles(), "");
  EXPECT_EQ(notices(), std::vector<std::string>{"delete table T"});
}

// Members of later layers are found after the object's own, by name in any letter case.
TEST_F(ProjectTest, RegisteredMembersAreCalledThroughDispatch) {
  register_project_member("SaveForTest", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    p.ProjErr("saved " + vb::to_string(a[0]));
    return vb::Variant(true);
  });
  auto p = vb::make_ref<AGP>();
  vb::Dispatch& d = *p;
  std::vector<vb::Variant> args{vb::Variant("a.tvp")};
  EXPECT_TRUE(vb::to_bool(d.call("saveFORtest", args)));
  EXPECT_EQ(ctx().ProjErr, "saved a.tvp");
  EXPECT_EQ(error_of([&] { d.let("SaveForTest", vb::Variant(1)); }), vb::err::kNotSupported);
  EXPECT_EQ(error_of([&] { d.call("NoSuchMember"); }), vb::err::kNotSupported);
}

TEST_F(ProjectTest, CreatableClassesByName) {
  for (const char* name : {"AGP", "AGPChart", "AGPCharts", "AGPTrend", "AGPTrends", "AGPMenu", "AGPMenus",
                           "AGPMasterDetail", "AGPMasterDetails"}) {
    auto obj = create_object(std::string("Tolvex.") + name);
    ASSERT_TRUE(obj) << name;
    EXPECT_EQ(obj->type_name(), name);
  }
  // Made only by the model itself.
  for (const char* name : {"AGPTable", "AGPTables", "AGPField", "AGPFields", "AGPDatabase", "AGPDatabases"})
    EXPECT_FALSE(create_object(std::string("Tolvex.") + name)) << name;
}

// Every setting is a member of its object's dispatch, read in its declared type
// (one table gives both, so they cannot drift apart).
TEST_F(ProjectTest, EverySettingIsReachableByNameInItsType) {
  auto project = vb::make_ref<AGP>();
  auto db = vb::make_ref<AGPDatabase>();
  auto table = vb::make_ref<AGPTable>();
  auto field = vb::make_ref<AGPField>();
  auto chart = vb::make_ref<AGPChart>();
  auto trend = vb::make_ref<AGPTrend>();
  struct Owner {
    vb::Dispatch& object;
    SettingCatalogue catalogue;
  } owners[] = {{*project, kProjectSettings}, {*db, kDatabaseSettings}, {*table, kTableSettings},
                {*field, kFieldSettings},     {*chart, kChartSettings},  {*trend, kTrendSettings}};
  for (const Owner& o : owners) {
    SCOPED_TRACE(o.object.type_name());
    for (const SettingDecl& d : o.catalogue) {
      SCOPED_TRACE(d.name);
      if (std::string(d.name) == "DBDatabaseNames") {
        EXPECT_FALSE(o.object.has_member(d.name));  // reached through GetV and Properties only
        continue;
      }
      ASSERT_TRUE(o.object.has_member(d.name));
      vb::Variant v = o.object.get(d.name);
      if (std::string(d.data_type) != "Variant") {
        EXPECT_EQ(vb::type_name(v), d.data_type);
      }
    }
  }
}

}  // namespace
}  // namespace tolvex
