#include "fields/field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fields/model_fixture.h"
#include "vb/convert.h"
#include "vb/error.h"
#include "vb/vb_test_util.h"

namespace tolvex {
namespace {

using platform::RegValue;

class FieldTest : public testing::ModelFixture {};

using vbtest::error_of;

TEST_F(FieldTest, NewFieldHoldsEmptyValuesAndTheUsersDefaults) {
  const std::string key = ctx().RegKeyField;
  user_value(key, "FldNumDigits", RegValue::make_text("2"));
  user_value(key, "FldMemoMaxLength", RegValue::make_dword(2));
  user_value(key, "FldBold", RegValue::make_text("True"));
  user_value(key, "FldAlign", RegValue::make_text("right"));
  user_value(key, "FldList", RegValue::make_text("True"));  // not a per-user default: ignored
  auto f = vb::make_ref<AGPField>();

  EXPECT_EQ(f->Properties()->Count(), 114);
  EXPECT_EQ(f->FldNumDigits(), 2);  // a text and a double word convert alike
  EXPECT_EQ(f->FldMemoMaxLength(), 2);
  EXPECT_TRUE(f->FldBold());
  EXPECT_EQ(f->FldAlign(), "right");
  EXPECT_FALSE(f->FldList());
  EXPECT_EQ(f->GetV("FldList"), "");         // never set: Empty
  EXPECT_FALSE(f->FldItalic());              // a default that is missing is stored converted
  EXPECT_EQ(f->GetV("FldItalic"), "False");
  EXPECT_EQ(f->GetV("FldTagAPrefix"), "");
  EXPECT_TRUE(f->FldMin().is_empty());
  EXPECT_EQ(f->FldSize(), 0);
  EXPECT_EQ(f->FldName(), "");
}

TEST_F(FieldTest, TextAccessConvertsByTheDeclaredType) {
  auto f = vb::make_ref<AGPField>();
  struct Case {
    const char* name;
    const char* text;
    const char* read_back;  // GetV afterwards
  } cases[] = {
      {"FldSize", "12", "12"},
      {"FldSize", "abc", ""},         // no number: Empty
      {"FldGroupBy", "2.5", "2"},     // halves to the even neighbour
      {"FldBold", "true", "True"},
      {"FldBold", "0", "False"},
      {"FldCaption", "  'Order date'  ", "Order date"},  // trimmed and unquoted
      {"FldMin", " 5 ", " 5 "},       // a Variant setting keeps the text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.text);
    EXPECT_TRUE(f->SetV(c.name, c.text).is_empty());
    EXPECT_EQ(f->GetV(c.name), c.read_back);
  }
  EXPECT_EQ(f->FldSize(), 0);
  EXPECT_EQ(f->FldGroupBy(), 2);
}

TEST_F(FieldTest, UndeclaredNamesBecomeTextSettings) {
  auto f = vb::make_ref<AGPField>();
  EXPECT_EQ(f->GetV("MyExtra"), "");
  EXPECT_EQ(f->GetV("MyExtra"), "");
  ASSERT_EQ(f->Properties()->Count(), 115);
  auto p = f->Properties()->Item(std::string_view("MyExtra"));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->DataType(), "String");
  EXPECT_FALSE(p->RegSave());
  EXPECT_EQ(p->RegFormat(), 0);
  EXPECT_TRUE(p->FileSave());
  EXPECT_TRUE(p->Sync());

  f->SetV("Other", " 'x' ");
  EXPECT_EQ(f->GetV("Other"), " 'x' ");  // first SetV stores the text as given
  f->SetV("Other", " 'x' ");
  EXPECT_EQ(f->GetV("Other"), "x");  // now a String setting: converted
  EXPECT_EQ(f->Properties()->name_at(115), "Other");

  // An empty name has no setting to read; a letter-case twin is refused by the store.
  EXPECT_EQ(error_of([&] { f->GetV(""); }), vb::err::kObjectVariableNotSet);
  EXPECT_EQ(error_of([&] { f->SetV("fldname", "x"); }), vb::err::kKeyAlreadyExists);
  EXPECT_EQ(f->Properties()->Count(), 116);
}

TEST_F(FieldTest, TypedAccessOfADeletedSettingRaises91) {
  auto f = vb::make_ref<AGPField>();
  f->FldName("Amount");
  ASSERT_TRUE(f->Properties()->Delete(std::string_view("FldCaption")));
  EXPECT_EQ(error_of([&] { f->FldCaption(); }), vb::err::kObjectVariableNotSet);
  EXPECT_EQ(error_of([&] { f->FldCaption("x"); }), vb::err::kObjectVariableNotSet);
  // The settings after it are still found where they now stand.
  f->FldVar("x_Amount");
  EXPECT_EQ(f->FldVar(), "x_Amount");
  EXPECT_EQ(f->FldName(), "Amount");
  // Deleted settings are never re-created by typed access; GetV declares it again.
  EXPECT_EQ(f->GetV("FldCaption"), "");
  EXPECT_EQ(f->FldCaption(), "");
}

TEST_F(FieldTest, KeyParmAndDispatch) {
  auto f = vb::make_ref<AGPField>();
  f->Key("Order");
  EXPECT_EQ(f->FldName(), "Order");
  EXPECT_EQ(f->FldVar(), "");  // Key sets the name and nothing else
  EXPECT_EQ(f->FldParm(), "");
  f->FldVar("x_Order");
  EXPECT_EQ(f->FldParm(), "Order");

  vb::Dispatch& d = *f;
  d.let("FldSize", vb::Variant("12"));  // a let through dispatch converts like a typed argument
  EXPECT_EQ(f->FldSize(), 12);
  EXPECT_EQ(vb::type_name(d.get("FldSize")), "Long");
  d.let("FldMin", vb::Variant(" 5 "));
  EXPECT_EQ(vb::to_string(d.get("fldmin")), " 5 ");
  EXPECT_EQ(vb::to_string(d.get("FldParm")), "Order");
  std::vector<vb::Variant> args{vb::Variant("FldSize")};
  EXPECT_EQ(vb::to_string(d.call("GetV", args)), "12");
  EXPECT_EQ(error_of([&] { d.let("FldSize", vb::Variant("abc")); }), vb::err::kTypeMismatch);
  EXPECT_FALSE(d.has_member("FldNoSuch"));
}

}  // namespace
}  // namespace tolvex
