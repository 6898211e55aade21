// Writing the per-user defaults back, comparing version texts, and the project
// object made by name with the members that this layer adds to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/class_registry.h"
#include "model/project.h"
#include "model/project_fixture.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using platform::RegRoot;
using platform::RegValue;
namespace reg_kind = platform::reg_kind;

class SaveDefaultTest : public testing::ProjectFixture {
 protected:
  // A value of the setting's type that differs from setting to setting.
  static vb::Variant sample(const PropertyDesc& d, size_t i) {
    if (d.data_type == "Boolean") return vb::Variant(i % 2 == 0);
    if (d.data_type == "Integer") return vb::Variant(int16_t(i + 1));
    if (d.data_type == "Long") return vb::Variant(int32_t(100000 + i));
    return vb::Variant("value " + std::to_string(i));
  }
  static void fill(AGProperties& props) {
    for (size_t i = 0; i < props.size(); ++i)
      if (props.desc_at(i).reg_save) props.set_value_at(i, sample(props.desc_at(i), i));
  }
  // The values that a store's RegSave settings must leave under their key, in order.
  static std::vector<std::pair<std::string, RegValue>> expected(const AGProperties& props) {
    std::vector<std::pair<std::string, RegValue>> out;
    for (size_t i = 0; i < props.size(); ++i) {
      const PropertyDesc& d = props.desc_at(i);
      if (!d.reg_save) continue;
      out.emplace_back(d.name, d.reg_format == 4 ? RegValue::make_dword(uint32_t(vb::to_long(props.value_at(i))))
                                                 : RegValue::make_text(vb::to_string(props.value_at(i))));
    }
    return out;
  }
  std::vector<std::pair<std::string, RegValue>> stored(const std::string& key) {
    std::vector<std::pair<std::string, RegValue>> out;
    for (const std::string& n : registry_->value_names(RegRoot::CurrentUser, key))
      out.emplace_back(n, *registry_->query_value(RegRoot::CurrentUser, key, n));
    return out;
  }
  void clear_user_keys() {
    for (const std::string& k : {project_key(), database_key(), general()}) registry_->delete_key(RegRoot::CurrentUser, k);
  }
};

TEST_F(SaveDefaultTest, WritesTheMarkedSettingsInTheirKindsAndTheGeneralValues) {
  user_value(general(), "BackupFile", RegValue::make_text("True"));
  user_value(general(), "USERCODE", RegValue::make_text("/home/u/own.vbs"));
  user_value(general(), "ScriptEngineTimeout", RegValue::make_dword(45));
  user_value(general(), "UnloadThresholdCount", RegValue::make_dword(9));  // read, never written
  auto p = vb::make_ref<AGP>();
  fill(*p->Properties());
  clear_user_keys();

  for (bool with_database : {false, true}) {
    SCOPED_TRACE(with_database ? "with a database" : "without a database");
    if (with_database) {
      p->databases().Add("shop");
      p->set_current_database(p->databases().Item(vb::Variant("shop")));
      fill(*p->DB()->Properties());
    }
    p->SaveDefault();
    const auto project = stored(project_key());
    EXPECT_EQ(project.size(), 92u);
    EXPECT_EQ(project, expected(*p->Properties()));
    if (with_database) {
      EXPECT_EQ(stored(database_key()), expected(*p->DB()->Properties()));
      ASSERT_EQ(stored(database_key()).size(), 1u);
      EXPECT_EQ(stored(database_key())[0].first, "MaxUploadSize");
    } else {
      EXPECT_FALSE(registry_->key_exists(RegRoot::CurrentUser, database_key()));
    }
    const std::vector<std::pair<std::string, RegValue>> general_values{
        {"Language", RegValue::make_text("english.xml")},
        {"BackupFile", RegValue::make_text("True")},
        {"USERCODE", RegValue::make_text("/home/u/own.vbs")},
        {"ScriptEngineTimeout", RegValue::make_dword(45)}};
    EXPECT_EQ(stored(general()), general_values);
    clear_user_keys();
  }
}

// The settings stored as double words; every other per-user default is a text
// (Booleans as "True" or "False").
TEST_F(SaveDefaultTest, NumberKindsAndRoundTrip) {
  auto p = vb::make_ref<AGP>();
  fill(*p->Properties());
  p->SaveDefault();
  std::vector<std::string> numbers;
  for (const auto& [name, value] : stored(project_key()))
    if (value.kind == reg_kind::kDword) numbers.push_back(name);
    else EXPECT_EQ(value.kind, reg_kind::kText) << name;
  const std::vector<std::string> expected_numbers{"BodyLeftMargin", "BodyTopMargin", "HeaderHeight", "TblPadding",
                                                  "TblBorder",      "TblSpacing",    "SmtpServerPort", "RecPerPage",
                                                  "RecPerRow",      "SortType",      "PagerStyle"};
  EXPECT_EQ(numbers, expected_numbers);

  // A new project reads back what was saved, apart from the values its defaults force.
  auto again = vb::make_ref<AGP>();
  const AGProperties& saved = *p->Properties();
  const AGProperties& read = *again->Properties();
  const std::vector<std::string> forced{"LinkOnLeft", "PagerStyle", "MultiDelete"};
  for (size_t i = 0; i < saved.size(); ++i) {
    const PropertyDesc& d = saved.desc_at(i);
    if (!d.reg_save || std::find(forced.begin(), forced.end(), d.name) != forced.end()) continue;
    EXPECT_EQ(vb::type_name(read.value_at(i)), vb::type_name(saved.value_at(i))) << d.name;
    EXPECT_EQ(vb::to_string(read.value_at(i)), vb::to_string(saved.value_at(i))) << d.name;
  }
}

// Empty values: a text setting writes "", a number setting without a value writes nothing.
TEST_F(SaveDefaultTest, EmptyValues) {
  auto p = vb::make_ref<AGP>();  // no per-user defaults: every one is Empty
  p->SaveDefault();
  auto project = stored(project_key());
  auto find = [&](const std::string& n) -> const RegValue* {
    for (const auto& [name, v] : project)
      if (name == n) return &v;
    return nullptr;
  };
  ASSERT_TRUE(find("FooterText"));
  EXPECT_EQ(*find("FooterText"), RegValue::make_text(""));
  ASSERT_TRUE(find("AutoSync") == nullptr);  // not a per-user default
  EXPECT_FALSE(find("RecPerPage"));
  ASSERT_TRUE(find("PagerStyle"));  // forced to 2 by the defaults
  EXPECT_EQ(*find("PagerStyle"), RegValue::make_dword(2));
  EXPECT_EQ(*find("LinkOnLeft"), RegValue::make_text("False"));
}

TEST(CompareVersion, VersionPairs) {
  struct Case {
    vb::Variant a, b;
    int16_t result;
  } cases[] = {
      {vb::Variant("3.5"), vb::Variant("3.0"), 1},
      {vb::Variant("4.0"), vb::Variant("3.0"), 2},
      {vb::Variant("4.0"), vb::Variant("3.9"), 2},
      {vb::Variant("2.9"), vb::Variant("3.0"), -1},
      {vb::Variant("2.9.9"), vb::Variant("3.0"), -1},
      {vb::Variant("3.0.0.1"), vb::Variant("3.0"), 0},
      {vb::Variant("3"), vb::Variant("3.0"), 0},
      {vb::Variant("3.0"), vb::Variant("3.0"), 0},
      {vb::Variant("3.1"), vb::Variant("3.2"), -1},
      {vb::Variant("3.0.5"), vb::Variant("3.0.1"), 0},  // a newer third part is not reported
      {vb::Variant("3.0.1"), vb::Variant("3.0.5"), -1},
      {vb::Variant("3.0.0.1"), vb::Variant("3.0.0.5"), 0},  // the fourth part is not compared
      {vb::Variant("10.0"), vb::Variant("9.0"), 2},    // as numbers, not as texts
      {vb::Variant("3.10"), vb::Variant("3.9"), 1},
      {vb::Variant(""), vb::Variant("3.0"), 0},
      {vb::Variant("3.0"), vb::Variant(""), 0},
      {vb::Variant(), vb::Variant("3.0"), 0},
      {vb::Variant::null(), vb::Variant("3.0"), 0},
      {vb::Variant(3.5), vb::Variant("3.0"), 1},
      {vb::Variant("beta.1"), vb::Variant("3.0"), -1},  // a part that is no number counts as 0
      {vb::Variant("3.x"), vb::Variant("3.0"), 0},
      // Parts too large for a Long are larger (or smaller) than any other, not 0.
      {vb::Variant("2147483648.0.0.0"), vb::Variant("3.0"), 2},
      {vb::Variant("3.99999999999"), vb::Variant("3.0"), 1},
      {vb::Variant("-2147483649.0"), vb::Variant("3.0"), -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.a.is_null() ? std::string("Null") : vb::to_string(c.a)) + " vs " + vb::to_string(c.b));
    EXPECT_EQ(AGP::CompareVersion(c.a, c.b), c.result);
  }
}

TEST_F(SaveDefaultTest, ProjectMadeByNameOffersTheDefaultsMembers) {
  auto obj = create_object("Tolvex.AGP");
  ASSERT_TRUE(obj);
  EXPECT_EQ(obj->type_name(), "AGP");
  registry_->delete_key(RegRoot::CurrentUser, project_key());
  obj->let("FooterText", vb::Variant("made by name"));
  obj->call("SaveDefault");
  auto footer = registry_->query_value(RegRoot::CurrentUser, project_key(), "FooterText");
  ASSERT_TRUE(footer);
  EXPECT_EQ(footer->text, "made by name");
  user_value(project_key(), "FooterText", RegValue::make_text("changed"));
  obj->call("loaddefault");
  EXPECT_EQ(vb::to_string(obj->get("FooterText")), "changed");
}

}  // namespace
}  // namespace tolvex
