#include <gtest/gtest.h>

#include "foundation/context.h"
#include "foundation/properties.h"
#include "platform/registry.h"

using namespace tolvex;
using platform::RegRoot;
using platform::RegValue;

namespace {

const SettingDecl kSettings[] = {
    {"Count", "Integer", true, 4},
    {"Label", "String", true, 1},
    {"Plain", "String", false, 0},
    {"Flag", "Boolean", true, 4},
};
const std::string kKey = "Software\\Tolvex\\3.0\\Settings\\Widget";

class UserDefaults : public ::testing::Test {
 protected:
  void set(const char* name, RegValue v) { registry_->set_value(RegRoot::CurrentUser, kKey, name, v); }
  vb::Ref<AGProperties> fresh_store(bool as_text = false) {
    auto p = vb::make_ref<AGProperties>(SettingCatalogue(kSettings));
    p->LoadUserDefaults(kKey, as_text);
    return p;
  }

  ContextScope ctx_;
  std::shared_ptr<platform::MemoryRegistry> registry_ = std::make_shared<platform::MemoryRegistry>();
  platform::ScopedRegistry scoped_{registry_};
};

}  // namespace

TEST_F(UserDefaults, ReadsRegSaveEntriesConvertedByType) {
  set("Count", RegValue::make_text("2.5"));
  set("Label", RegValue::make_text(" 'x' "));
  set("Plain", RegValue::make_text("never read"));
  auto p = fresh_store();
  EXPECT_EQ(p->value_at(0).type(), vb::VarType::Integer);
  EXPECT_EQ(p->value_at(0).raw_integer(), 2);
  EXPECT_EQ(p->value_at(1).raw_string(), "x");
  EXPECT_TRUE(p->value_at(2).is_empty());
  EXPECT_EQ(p->value_at(3).type(), vb::VarType::Boolean);  // absent: the empty value of its type
  EXPECT_FALSE(p->value_at(3).raw_bool());
  EXPECT_EQ(ctx_->RegValueName, "Flag");
}

TEST_F(UserDefaults, LaterStoresSeeRegistryChanges) {
  set("Count", RegValue::make_dword(7));
  EXPECT_EQ(fresh_store()->value_at(0).raw_integer(), 7);
  EXPECT_EQ(fresh_store()->value_at(0).raw_integer(), 7);
  set("Count", RegValue::make_dword(8));
  EXPECT_EQ(fresh_store()->value_at(0).raw_integer(), 8);
  registry_->delete_value(RegRoot::CurrentUser, kKey, "Count");
  EXPECT_EQ(fresh_store()->value_at(0).raw_integer(), 0);

  // Another registry installed in its place is read afresh.
  auto other = std::make_shared<platform::MemoryRegistry>();
  other->set_value(RegRoot::CurrentUser, kKey, "Count", RegValue::make_dword(9));
  platform::ScopedRegistry swap(other);
  EXPECT_EQ(fresh_store()->value_at(0).raw_integer(), 9);
}

TEST_F(UserDefaults, TextModeAndChangedLayoutsAreKeptApart) {
  set("Flag", RegValue::make_text("True"));
  EXPECT_TRUE(fresh_store(false)->value_at(3).raw_bool());
  EXPECT_TRUE(fresh_store(true)->value_at(3).raw_bool());
  registry_->delete_value(RegRoot::CurrentUser, kKey, "Flag");
  // As text a missing Boolean stays Empty; converted it becomes False.
  EXPECT_TRUE(fresh_store(true)->value_at(3).is_empty());
  EXPECT_FALSE(fresh_store(false)->value_at(3).raw_bool());

  // A store whose entry was retyped reads with its own types.
  set("Count", RegValue::make_text("3"));
  auto p = vb::make_ref<AGProperties>(SettingCatalogue(kSettings));
  p->Item("Count")->setDataType("String");
  p->LoadUserDefaults(kKey);
  EXPECT_EQ(p->value_at(0).type(), vb::VarType::String);
  EXPECT_EQ(fresh_store()->value_at(0).type(), vb::VarType::Integer);
}
