// Per-user defaults read when model objects are made, the general values of the
// project, the first-run copy of the machine keys, text access to settings and the
// creation of folder trees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fields/charts.h"
#include "fields/field.h"
#include "fields/trends.h"
#include "model/database.h"
#include "model/project.h"
#include "model/project_fixture.h"
#include "model/table.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using platform::RegRoot;
using platform::RegValue;

class RegistryDefaultsTest : public testing::ProjectFixture {};

// "Type:text" of a value, so that a case states both at once ("Empty:" for Empty).
std::string shown(const vb::Variant& v) { return vb::type_name(v) + ":" + (v.is_null() ? "" : vb::to_string(v)); }

TEST_F(RegistryDefaultsTest, EachClassReadsItsOwnKeyAtConstruction) {
  using Make = std::function<vb::Ref<AGProperties>()>;
  const Make project = [] { return vb::make_ref<AGP>()->Properties(); };
  const Make database = [] { return vb::make_ref<AGPDatabase>()->Properties(); };
  const Make table = [] { return vb::make_ref<AGPTable>()->Properties(); };
  const Make field = [] { return vb::make_ref<AGPField>()->Properties(); };
  const Make chart = [] { return vb::make_ref<AGPChart>()->Properties(); };
  const Make trend = [] { return vb::make_ref<AGPTrend>()->Properties(); };
  struct Case {
    const char* owner;
    const Make& make;
    const char* key;  // below the product's root
    const char* setting;
    std::optional<RegValue> stored;  // none: the value is missing
    const char* expected;
  } cases[] = {
      // The project reads every default as text first; a missing one stays Empty.
      {"project", project, "\\Settings\\Project", "SmtpServerPort", RegValue::make_dword(25), "Long:25"},
      {"project", project, "\\Settings\\Project", "RecPerPage", RegValue::make_text(" 30 "), "Integer:30"},
      {"project", project, "\\Settings\\Project", "AppCompat", RegValue::make_text("True"), "Boolean:True"},
      {"project", project, "\\Settings\\Project", "FooterText", RegValue::make_text(" \"(c) Shop\" "), "String:(c) Shop"},
      {"project", project, "\\Settings\\Project", "ExportCsv", std::nullopt, "Empty:"},
      {"project", project, "\\Settings\\Project", "RecPerPage", RegValue::make_text("many"), "Empty:"},
      // The other classes convert what they read; a missing value gives the type's empty value.
      {"database", database, "\\Settings\\Database", "MaxUploadSize", RegValue::make_dword(2000000), "Long:2000000"},
      {"database", database, "\\Settings\\Database", "MaxUploadSize", std::nullopt, "Long:0"},
      {"table", table, "\\Settings\\Table", "TblRecPerPage", RegValue::make_text("15"), "Integer:15"},
      {"table", table, "\\Settings\\Table", "TblExportCsv", std::nullopt, "Boolean:False"},
      {"field", field, "\\Settings\\Field", "FldBold", RegValue::make_text("True"), "Boolean:True"},
      {"field", field, "\\Settings\\Field", "FldAlign", std::nullopt, "String:"},
      {"chart", chart, "\\Settings\\Chart", "ChartWidth", RegValue::make_dword(600), "Integer:600"},
      {"chart", chart, "\\Settings\\Chart", "ChartXAxisNameRotated", RegValue::make_text("True"), "Boolean:True"},
      {"chart", chart, "\\Settings\\Chart", "ChartBgColor", std::nullopt, "String:"},
      {"trend line", trend, "\\Settings\\Trendline", "TrendStartValue", RegValue::make_text("1.5"), "Double:1.5"},
      {"trend line", trend, "\\Settings\\Trendline", "TrendThickness", RegValue::make_dword(3), "Integer:3"},
      {"trend line", trend, "\\Settings\\Trendline", "TrendAlpha", std::nullopt, "Integer:0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.owner) + " " + c.setting);
    const std::string key = testing::kRegRoot + c.key;
    registry_->delete_value(RegRoot::CurrentUser, key, c.setting);
    if (c.stored) user_value(key, c.setting, *c.stored);
    // The same name under another class's key is not read.
    user_value(testing::kRegRoot + "\\Settings\\Other", c.setting, RegValue::make_text("7"));
    auto props = c.make();
    const vb::Variant* v = props->find_value(c.setting);
    ASSERT_TRUE(v);
    EXPECT_EQ(shown(*v), c.expected);
  }
}

TEST_F(RegistryDefaultsTest, GeneralValuesOfTheProject) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, RegValue>> general;
    bool backup;
    int32_t timeout;
    int16_t threshold;
    const char* user_code;
  } cases[] = {
      {"none", {}, false, 0, 20, ""},
      {"texts",
       {{"BackupFile", RegValue::make_text("True")},
        {"ScriptEngineTimeout", RegValue::make_text("30")},
        {"UnloadThresholdCount", RegValue::make_text("35")},
        {"USERCODE", RegValue::make_text("/home/u/my.vbs")}},
       true, 30, 35, "/home/u/my.vbs"},
      {"numbers",
       {{"BackupFile", RegValue::make_dword(1)},
        {"ScriptEngineTimeout", RegValue::make_dword(60000)},
        {"UnloadThresholdCount", RegValue::make_dword(5)}},
       true, 60000, 5, ""},
      {"below one",
       {{"BackupFile", RegValue::make_text("False")}, {"UnloadThresholdCount", RegValue::make_text("-3")}},
       false, 0, 20, ""},
      {"not numbers",
       {{"BackupFile", RegValue::make_text("perhaps")},
        {"ScriptEngineTimeout", RegValue::make_text("soon")},
        {"UnloadThresholdCount", RegValue::make_text("99999")}},
       false, 0, 20, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* n : {"BackupFile", "ScriptEngineTimeout", "UnloadThresholdCount", "USERCODE"})
      registry_->delete_value(RegRoot::CurrentUser, general(), n);
    for (const auto& [n, v] : c.general) user_value(general(), n, v);
    auto p = vb::make_ref<AGP>();
    EXPECT_EQ(p->backup_file(), c.backup);
    EXPECT_EQ(p->script_engine_timeout(), c.timeout);
    EXPECT_EQ(p->unload_threshold_count(), c.threshold);
    EXPECT_EQ(p->user_code(), c.user_code);
    EXPECT_EQ(p->language(), "english.xml");
  }
}

// Every value below `key` of one root, with its kind and data, subkeys included.
void collect(platform::MemoryRegistry& reg, RegRoot root, const std::string& key, const std::string& rel,
             std::vector<std::pair<std::string, RegValue>>& out) {
  for (const std::string& n : reg.value_names(root, key)) out.emplace_back(rel + ":" + n, *reg.query_value(root, key, n));
  for (const std::string& s : reg.subkeys(root, key)) collect(reg, root, key + "\\" + s, rel + "\\" + s, out);
}

TEST_F(RegistryDefaultsTest, FirstRunCopiesTheMachineTreeWhenLanguageIsMissingOrEmpty) {
  const std::string root = testing::kRegRoot;
  struct Case {
    const char* name;
    std::optional<RegValue> user_language;
    bool copied;
  } cases[] = {
      {"missing", std::nullopt, true},
      {"empty", RegValue::make_text(""), true},
      {"present", RegValue::make_text("german.xml"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    registry_ = std::make_shared<platform::MemoryRegistry>();
    platform::ScopedRegistry scoped(registry_);
    if (c.user_language) user_value(general(), "Language", *c.user_language);
    machine_value(general(), "Language", RegValue::make_text("english.xml"));
    machine_value(general(), "BackupFile", RegValue::make_text("True"));
    machine_value(project_key(), "RecPerPage", RegValue::make_dword(25));
    machine_value(project_key(), "FooterText", RegValue::make_text("100% of %HOME%"));
    machine_value(root + "\\Settings\\Field", "FldAlign", RegValue::make_text("right"));
    machine_value(root + "\\AdvancedFilters\\Dates\\Today", "Sql", RegValue::make_expand_text("%TODAY%"));
    machine_value(root + "\\AdvancedFilters\\Dates\\Today", "Types", RegValue::make_multi_text({"133", "135"}));
    machine_value(root + "\\Extensions\\Sample", "Enabled", RegValue::make_dword(1));
    machine_value(root + "\\Extensions\\Sample\\Files", "Icon", RegValue::make_binary({0, 1, 0xff}));
    machine_value(root + "\\Extensions\\Sample", "Order", RegValue::make_dword(7, platform::reg_kind::kDwordBigEndian));
    machine_value(root + "\\Elsewhere", "NotCopied", RegValue::make_text("x"));

    auto p = vb::make_ref<AGP>();
    std::vector<std::pair<std::string, RegValue>> machine, user;
    for (const char* sub : {"\\AdvancedFilters", "\\Settings", "\\Extensions", "\\Elsewhere"}) {
      collect(*registry_, RegRoot::LocalMachine, root + sub, sub, machine);
      collect(*registry_, RegRoot::CurrentUser, root + sub, sub, user);
    }
    if (c.copied) {
      machine.erase(machine.end() - 1);  // "\Elsewhere" is no key of the copy
      EXPECT_EQ(user, machine);
      EXPECT_EQ(p->language(), "english.xml");
      EXPECT_TRUE(p->backup_file());
      EXPECT_EQ(p->RecPerPage(), 25);  // the defaults are read after the copy
    } else {
      ASSERT_EQ(user.size(), 1u);
      EXPECT_EQ(user[0].first, "\\Settings\\General:Language");
      EXPECT_EQ(p->language(), "german.xml");
      EXPECT_EQ(p->RecPerPage(), 0);
    }
  }
}

TEST_F(RegistryDefaultsTest, TextAccessConvertsByTypeAndAddsUnknownNames) {
  auto p = vb::make_ref<AGP>();
  struct Case {
    const char* name;
    const char* text;
    const char* stored;
    const char* read_back;
  } cases[] = {
      {"MultiDelete", "True", "Boolean:True", "True"},
      {"MultiDelete", "no", "Empty:", ""},
      {"RecPerPage", " 25 ", "Integer:25", "25"},
      {"RecPerPage", "70000", "Empty:", ""},  // beyond an Integer
      {"SmtpServerPort", "70000", "Long:70000", "70000"},
      {"FooterText", " 'quoted' ", "String:quoted", "quoted"},
      {"AdHoc", " kept as given ", "String: kept as given ", " kept as given "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.text);
    EXPECT_TRUE(p->SetV(c.name, c.text).is_empty());
    EXPECT_EQ(shown(*p->Properties()->find_value(c.name)), c.stored);
    EXPECT_EQ(p->GetV(c.name), c.read_back);
  }
  // A name never declared is added as a text setting, written to the project file and
  // synchronized, with no per-user default; by GetV with the value "".
  auto db = vb::make_ref<AGPDatabase>();
  auto table = vb::make_ref<AGPTable>();
  auto field = vb::make_ref<AGPField>();
  struct Owner {
    const char* name;
    std::function<std::string()> get;
    vb::Ref<AGProperties> props;
  } owners[] = {{"project", [&] { return p->GetV("ViaGet"); }, p->Properties()},
                {"database", [&] { return db->GetV("ViaGet"); }, db->Properties()},
                {"table", [&] { return table->GetV("ViaGet"); }, table->Properties()},
                {"field", [&] { return field->GetV("ViaGet"); }, field->Properties()}};
  for (const Owner& o : owners) {
    SCOPED_TRACE(o.name);
    const int32_t before = o.props->Count();
    EXPECT_EQ(o.get(), "");
    EXPECT_EQ(o.props->Count(), before + 1);
    auto added = o.props->Item(std::string_view("ViaGet"));
    ASSERT_TRUE(added);
    EXPECT_EQ(shown(added->Value()), "String:");
    EXPECT_EQ(added->DataType(), "String");
    EXPECT_FALSE(added->RegSave());
    EXPECT_EQ(added->RegFormat(), 0);
    EXPECT_TRUE(added->FileSave());
    EXPECT_TRUE(added->Sync());
    EXPECT_EQ(o.get(), "");
    EXPECT_EQ(o.props->Count(), before + 1);  // added once
  }
}

TEST_F(RegistryDefaultsTest, CreateFolderTreeMakesEveryMissingFolder) {
  const std::filesystem::path base = docs_ / "tree";
  std::filesystem::create_directories(base);
  std::ofstream(base / "file") << "in the way";
  const std::string b = base.string();
  struct Case {
    std::string path;
    std::vector<std::string> made;  // relative to base
    std::vector<std::string> absent;
  } cases[] = {
      {b + "/a/b/c", {"a", "a/b", "a/b/c"}, {}},
      {b + "\\d\\e", {"d", "d/e"}, {}},
      {b + "/f\\g/h/", {"f", "f/g", "f/g/h"}, {}},
      {b + "//i///j", {"i", "i/j"}, {}},
      {b + "/a/b/c", {"a/b/c"}, {}},  // exists already: nothing to do
      {b + "/file/sub/deeper", {}, {"file/sub"}},  // a file in the way: skipped, nothing raised
      {"", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    AGP::CreateFolderTree(c.path);
    for (const std::string& m : c.made) EXPECT_TRUE(std::filesystem::is_directory(base / m)) << m;
    for (const std::string& m : c.absent) EXPECT_FALSE(std::filesystem::exists(base / m)) << m;
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(base / "file"));
}

}  // namespace
}  // namespace tolvex
