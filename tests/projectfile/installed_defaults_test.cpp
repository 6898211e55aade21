// The machine-wide defaults that the installation ships, as a new user's first
// start-up copies and reads them through the file-backed registry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "fields/chart_settings.h"
#include "fields/field_settings.h"
#include "fields/trend_settings.h"
#include "foundation/registry.h"
#include "model/database_settings.h"
#include "model/project.h"
#include "model/project_fixture.h"
#include "model/table_settings.h"

namespace tolvex {
namespace {

using platform::RegRoot;

// The registry reads a copy of the shipped hive: a write to the machine root goes
// to that copy, never to the file in the source tree.
std::filesystem::path copy_of_shipped_hive(const std::filesystem::path& folder) {
  const auto copy = folder / "machine.reg";
  std::filesystem::copy_file(std::filesystem::path(TOLVEX_SOURCE_DIR) / "share/tolvex/machine.reg", copy,
                             std::filesystem::copy_options::overwrite_existing);
  return copy;
}

class InstalledDefaultsTest : public testing::ProjectFixture {
 protected:
  InstalledDefaultsTest()
      : machine_hive_(copy_of_shipped_hive(docs_)),
        user_hive_(docs_ / "config" / "user.reg"),
        files_(std::make_shared<platform::FileRegistry>(user_hive_, machine_hive_)),
        scoped_files_(files_) {}

  std::filesystem::path machine_hive_, user_hive_;
  std::shared_ptr<platform::FileRegistry> files_;
  platform::ScopedRegistry scoped_files_;
};

TEST_F(InstalledDefaultsTest, FirstStartUpCopiesTheShippedHive) {
  ASSERT_TRUE(std::filesystem::is_regular_file(machine_hive_));
  ASSERT_FALSE(std::filesystem::exists(user_hive_));
  auto p = vb::make_ref<AGP>();
  EXPECT_TRUE(std::filesystem::is_regular_file(user_hive_));
  ASSERT_FALSE(p->language().empty());
  EXPECT_EQ(p->language(), files_->query_value(RegRoot::LocalMachine, general(), "Language")->text);
  EXPECT_GE(p->unload_threshold_count(), 1);
  EXPECT_TRUE(p->AutoSync());  // forced, whatever the hive holds
  // Every key of the machine hive now stands below the user with the same values.
  for (const char* sub : {"\\Settings\\General", "\\Settings\\Project", "\\Settings\\Database", "\\Settings\\Table",
                          "\\Settings\\Chart", "\\Settings\\Trendline", "\\Settings\\Field"}) {
    SCOPED_TRACE(sub);
    const std::string key = testing::kRegRoot + sub;
    const auto names = files_->value_names(RegRoot::LocalMachine, key);
    EXPECT_FALSE(names.empty());
    EXPECT_EQ(files_->value_names(RegRoot::CurrentUser, key), names);
    for (const std::string& n : names)
      EXPECT_EQ(files_->query_value(RegRoot::CurrentUser, key, n), files_->query_value(RegRoot::LocalMachine, key, n))
          << n;
  }
  // A second start-up finds the user's values and copies nothing again.
  files_->set_value(RegRoot::LocalMachine, project_key(), "FooterText", platform::RegValue::make_text("changed"));
  auto again = vb::make_ref<AGP>();
  EXPECT_NE(again->FooterText(), "changed");
}

// A user hive that cannot be written: the first start-up's copy serves the run from memory and
// the registry says why; the same value written again needs no file, a changed one fails naming
// the file and its cause and leaves the copy as it was; neither hive file changes.
TEST_F(InstalledDefaultsTest, ACopyThatCannotBeStoredServesTheRunFromMemory) {
  std::ofstream(docs_ / "blocked") << "a file where the user's folder should be";
  const auto hive = docs_ / "blocked" / "user.reg";
  auto blocked = std::make_shared<platform::FileRegistry>(hive, machine_hive_);
  platform::ScopedRegistry scoped(blocked);
  const auto before = std::filesystem::last_write_time(machine_hive_);
  const std::string language = blocked->query_value(RegRoot::LocalMachine, general(), "Language")->text;

  auto p = vb::make_ref<AGP>();
  EXPECT_EQ(p->language(), language);
  EXPECT_EQ(blocked->query_value(RegRoot::CurrentUser, project_key(), "FooterText"),
            blocked->query_value(RegRoot::LocalMachine, project_key(), "FooterText"));
  const auto unsaved = blocked->unsaved(RegRoot::CurrentUser);
  ASSERT_TRUE(unsaved);
  EXPECT_EQ(unsaved->file, hive);
  EXPECT_EQ(unsaved->cause.rfind("Cannot create the folder '" + (docs_ / "blocked").string() + "': ", 0), 0u)
      << unsaved->cause;
  EXPECT_FALSE(blocked->unsaved(RegRoot::LocalMachine));

  int32_t text = 1;
  EXPECT_NO_THROW(common::SetRegValue(vb::Variant("HKCU"), vb::Variant(general()), vb::Variant("Language"), text,
                                      vb::Variant(language)));
  // A changed value, and one in a key that must be made first.
  for (const std::string& section : {general(), testing::kRegRoot + "\\Settings\\New"}) {
    SCOPED_TRACE(section);
    try {
      common::SetRegValue(vb::Variant("HKCU"), vb::Variant(section), vb::Variant("Language"), text,
                          vb::Variant("changed.xml"));
      ADD_FAILURE() << "stored";
    } catch (const RegistryWriteError& e) {
      EXPECT_EQ(e.number(), 26001);
      EXPECT_EQ(e.source(), "tolvex3.cRegistry");
      EXPECT_EQ(e.cause(), "Cannot keep the user settings in '" + hive.string() + "': " + unsaved->cause);
      EXPECT_EQ(e.description(), "Failed to set registry value Key: '-2147483647',Section: '" + section +
                                     "',Key: 'Language': " + e.cause());
    }
  }
  EXPECT_FALSE(blocked->key_exists(RegRoot::CurrentUser, testing::kRegRoot + "\\Settings\\New"));
  EXPECT_EQ(blocked->query_value(RegRoot::CurrentUser, general(), "Language")->text, language);
  EXPECT_EQ(vb::make_ref<AGP>()->language(), language) << "a second start-up copies nothing again";
  EXPECT_TRUE(std::filesystem::is_regular_file(docs_ / "blocked"));
  EXPECT_EQ(std::filesystem::last_write_time(machine_hive_), before);
}

// The shipped defaults name settings that exist, with the value kind that saving
// them back would write, so that a user's saved defaults keep the kinds.
TEST_F(InstalledDefaultsTest, ShippedValuesMatchTheCatalogues) {
  struct Owner {
    const char* key;
    SettingCatalogue catalogue;
  } owners[] = {{"\\Settings\\Project", kProjectSettings}, {"\\Settings\\Database", kDatabaseSettings},
                {"\\Settings\\Table", kTableSettings},     {"\\Settings\\Chart", kChartSettings},
                {"\\Settings\\Trendline", kTrendSettings}, {"\\Settings\\Field", kFieldSettings}};
  for (const Owner& o : owners) {
    SCOPED_TRACE(o.key);
    const std::string key = testing::kRegRoot + o.key;
    for (const std::string& n : files_->value_names(RegRoot::LocalMachine, key)) {
      SCOPED_TRACE(n);
      const SettingDecl* decl = nullptr;
      for (const SettingDecl& d : o.catalogue)
        if (n == d.name) decl = &d;
      ASSERT_TRUE(decl) << "no such setting";
      EXPECT_TRUE(decl->reg_save) << "never read from the registry";
      EXPECT_EQ(int32_t(files_->query_value(RegRoot::LocalMachine, key, n)->kind), decl->reg_format);
    }
  }
}

}  // namespace
}  // namespace tolvex
