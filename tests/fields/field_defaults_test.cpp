#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fields/field.h"
#include "fields/fake_driver.h"
#include "fields/model_fixture.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

using vb::Variant;

using testing::driver_field;

class FieldDefaults : public testing::ModelFixture {
 protected:
  FieldDefaults() {
    ctx().CurrentDbmsName = "MySQL";
    ctx().CurrentDateFormat = 5;
  }
  vb::Ref<AGPField> load(const Variant& fld) {
    auto f = vb::make_ref<AGPField>();
    f->LoadFld_zvDB(fld);
    return f;
  }
};

TEST_F(FieldDefaults, FirstValuesByAdoType) {
  struct Case {
    int32_t ado;
    bool support;
    const char* quote;
    const char* html;
    int16_t tag_size;
    const char* validate;
    const char* srch;
    bool list;
    bool basic;
  } cases[] = {
      {3, true, "", "TEXT", 30, "INTEGER", "=", true, false},
      {21, true, "", "TEXT", 30, "INTEGER", "=", true, false},
      {131, true, "", "TEXT", 30, "FLOAT", "=", true, false},
      {139, true, "", "TEXT", 30, "", "=", true, false},
      {11, true, "", "RADIO", 0, "", "=", true, false},
      {135, true, "'", "TEXT", 0, "DATE", "=", true, false},
      {134, true, "'", "TEXT", 30, "TIME", "=", true, false},
      {72, true, "'", "TEXT", 38, "GUID", "=", true, false},
      {8, true, "'", "TEXT", 30, "", "LIKE", true, false},
      {130, true, "'", "TEXT", 30, "", "LIKE", true, true},
      {200, true, "'", "TEXT", 30, "", "LIKE", true, true},
      {203, true, "'", "TEXTAREA", 0, "", "LIKE", false, true},
      {205, false, "'", "FILE", 30, "", "=", false, false},
      {204, false, "", "TEXT", 30, "", "=", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ado);
    auto f = load(driver_field("order_date", c.ado));
    EXPECT_EQ(f->FldType(), c.ado);
    EXPECT_EQ(f->FldSupport(), c.support);
    EXPECT_EQ(f->FldQuoteS(), c.quote);
    EXPECT_EQ(f->FldQuoteE(), c.quote);
    EXPECT_EQ(f->FldHtmlTag(), c.html);
    EXPECT_EQ(f->FldTagSize(), c.tag_size);
    EXPECT_EQ(f->GetV("FldValidate"), c.validate);
    EXPECT_EQ(f->FldSrchOpr(), c.srch);
    EXPECT_EQ(f->FldList(), c.list);
    EXPECT_EQ(f->FldBasicSearch(), c.basic);
    for (bool v : {f->FldGenerate(), f->FldView(), f->FldEdit(), f->FldAdd()}) EXPECT_EQ(v, c.support);
    EXPECT_EQ(f->FldVar(), "x_order_date");
    EXPECT_EQ(f->FldCaption(), "Order Date");
    EXPECT_EQ(f->FldViewTag(), "FORMATTED TEXT");
    EXPECT_EQ(f->FldTagAPrefix(), "None");
    EXPECT_EQ(f->FldGpDigits(), -2);
  }
}

TEST_F(FieldDefaults, CompanionsAndDriverValues) {
  auto text = load(driver_field("name", 202, {{"size", Variant(int32_t(80))}, {"Required", Variant(true)}}));
  EXPECT_EQ(text->FldTagMaxLength(), 80);
  EXPECT_EQ(vb::type_name(text->FldSize()), "Long");
  EXPECT_TRUE(text->FldRequired());
  EXPECT_TRUE(text->FldZeroLen());

  auto date = load(driver_field("d", 7));
  EXPECT_EQ(date->FldFmtType(), "Date/Time");
  EXPECT_EQ(date->FldDtFormat(), 5);

  auto memo = load(driver_field("m", 201));
  EXPECT_EQ(memo->FldTagCols(), 35);
  EXPECT_EQ(memo->FldTagRows(), 4);

  auto file = load(driver_field("photo", 205));
  EXPECT_EQ(file->FldHrefFld(), "photo");

  auto flag = load(driver_field("active", 11));
  EXPECT_EQ(flag->FldTagValues(), "\"1\",\"Yes\"\r\n\"0\",\"No\"");

  auto id = load(driver_field("id", 3, {{"AutoIncrement", Variant(true)}}));
  EXPECT_EQ(id->FldHtmlTag(), "NO");
  EXPECT_EQ(id->FldTagSize(), 0);
  EXPECT_FALSE(id->FldAdd());
  EXPECT_TRUE(id->FldEdit());
  EXPECT_EQ(id->FldValidate(), "INTEGER");
}

TEST_F(FieldDefaults, EnumerationAndSetColumns) {
  struct Case {
    const char* member;
    int32_t native;
    const char* html;
  } cases[] = {{"IsEnum", 247, "RADIO"}, {"IsSet", 248, "CHECKBOX"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    auto f = load(driver_field("status", 3, {{c.member, Variant(true)}, {"NativeDataType", Variant(c.native)}}));
    EXPECT_EQ(f->FldType(), 202);
    EXPECT_TRUE(f->FldSupport());
    EXPECT_EQ(f->FldQuoteS(), "'");
    EXPECT_EQ(f->FldTagValues(), "'a','b'");
    EXPECT_EQ(f->FldTagSize(), 30);
    EXPECT_EQ(f->FldTagMaxLength(), 50);
    EXPECT_EQ(f->FldHtmlTag(), c.html);
    EXPECT_EQ(f->FldSrchOpr(), "=");
    EXPECT_TRUE(f->FldList());
  }
}

TEST_F(FieldDefaults, DatabaseKindAndDateFormat) {
  ctx().CurrentDbmsName = "ACCESS";
  auto date = load(driver_field("d", 7));
  EXPECT_EQ(date->FldQuoteS(), "#");
  auto time = load(driver_field("t", 134));
  EXPECT_EQ(time->FldQuoteE(), "#");
  EXPECT_EQ(time->FldTagSize(), 30);
  EXPECT_EQ(load(driver_field("b", 11))->FldTagValues(), "\"Yes\",\"Yes\"\r\n\"No\",\"No\"");

  ctx().CurrentDbmsName = "Microsoft SQL Server";
  struct Case {
    int32_t attributes;
    bool autoinc;
    bool editable;
  } cases[] = {{0, false, false}, {4, false, true}, {8, false, true}, {12, false, true}, {0, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    auto f = load(driver_field("n", 3, {{"ADOAttributes", Variant(c.attributes)}, {"AutoIncrement", Variant(c.autoinc)}}));
    EXPECT_EQ(f->FldEdit(), c.editable);
    EXPECT_EQ(f->FldAdd(), c.editable && !c.autoinc);
    EXPECT_TRUE(f->FldView());
    EXPECT_TRUE(f->FldList());
  }

  ctx().CurrentDbmsName = "MySQL";
  ctx().CurrentDateFormat = 8;
  auto other = vb::make_ref<AGPField>();
  other->FldValidate("kept");
  other->FldCaption(" ");  // blanks are a caption
  other->LoadFld_zvDB(driver_field("d", 135));
  EXPECT_EQ(other->FldFmtType(), "None");
  EXPECT_EQ(other->FldValidate(), "kept");
  EXPECT_EQ(other->FldCaption(), " ");
}

}  // namespace
}  // namespace tolvex
