#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fields/field.h"
#include "fields/fake_driver.h"
#include "fields/model_fixture.h"
#include "platform/schema/fixture_driver.h"
#include "vb/convert.h"
#include "vb/error.h"
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

// The database kinds by the DBMS names that select them, and the date formats the rules
// know, with two they ignore.
struct Kind {
  const char* dbms;
  int kind;
};
constexpr Kind kKinds[] = {{"MS Jet", 1}, {"ACCESS", 1}, {"Microsoft SQL Server", 2}, {"MySQL", 3},
                           {"Oracle", 4},  {"schema driver", 5}};
constexpr int16_t kDateFormats[] = {0, 5, 6, 7, 8};

// The fields of one table of the rules schema, read through the fixture driver as an Oracle
// database would give them.
std::vector<Variant> rules_table(const std::string& name) {
  auto driver = vb::make_ref<platform::FixtureSchemaDriver>(std::string(TOLVEX_TEST_DIR) + "/fixtures/field_rules.schema");
  driver->set_DatabaseType("oracle");
  driver->set_Schema("RULES");
  platform::ConnectionValues v;
  v.database = "RULES";
  driver->Connect(v);
  EXPECT_EQ(driver->ErrorText(), "");
  std::vector<Variant> out;
  vb::Ref<platform::DriverTables> tables = driver->GetTables(name);
  if (tables->Count() != 1) {
    ADD_FAILURE() << "no table " << name;
    return out;
  }
  for (const auto& f : tables->Item(0)->Fields()->items()) out.emplace_back(vb::Ref<vb::Dispatch>(f));
  return out;
}

bool is_date(int code) { return code == 7 || code == 133 || code == 135; }

TEST_F(FieldDefaults, RulesByAdoTypeDatabaseKindAndDateFormat) {
  // First values on a database of kind 3 to 5 with the date format 5; the kind and the
  // format change what the loop below applies on top.
  struct Row {
    int code;
    bool support;
    const char* quote;
    const char* html;
    int16_t tag_size;
    int32_t max_length;  // 0: not set
    const char* validate;
    const char* srch;
    bool list;
    bool basic;
  } rows[] = {
      {2, true, "", "TEXT", 30, 0, "INTEGER", "=", true, false},
      {3, true, "", "TEXT", 30, 0, "INTEGER", "=", true, false},
      {4, true, "", "TEXT", 30, 0, "FLOAT", "=", true, false},
      {5, true, "", "TEXT", 30, 0, "FLOAT", "=", true, false},
      {6, true, "", "TEXT", 30, 0, "FLOAT", "=", true, false},
      {7, true, "'", "TEXT", 0, 0, "DATE", "=", true, false},
      {8, true, "'", "TEXT", 30, 0, "", "LIKE", true, false},
      {11, true, "", "RADIO", 0, 0, "", "=", true, false},
      {14, true, "", "TEXT", 30, 0, "FLOAT", "=", true, false},
      {16, true, "", "TEXT", 30, 0, "INTEGER", "=", true, false},
      {17, true, "", "TEXT", 30, 0, "INTEGER", "=", true, false},
      {18, true, "", "TEXT", 30, 0, "INTEGER", "=", true, false},
      {19, true, "", "TEXT", 30, 0, "INTEGER", "=", true, false},
      {20, true, "", "TEXT", 30, 0, "INTEGER", "=", true, false},
      {21, true, "", "TEXT", 30, 0, "INTEGER", "=", true, false},
      {72, true, "'", "TEXT", 38, 38, "GUID", "=", true, false},
      {128, false, "", "TEXT", 30, 0, "", "=", false, false},
      {129, true, "'", "TEXT", 30, 0, "", "LIKE", true, true},
      {130, true, "'", "TEXT", 30, 0, "", "LIKE", true, true},
      {131, true, "", "TEXT", 30, 0, "FLOAT", "=", true, false},
      {133, true, "'", "TEXT", 0, 0, "DATE", "=", true, false},
      {134, true, "'", "TEXT", 30, 0, "TIME", "=", true, false},
      {135, true, "'", "TEXT", 0, 0, "DATE", "=", true, false},
      {139, true, "", "TEXT", 30, 0, "", "=", true, false},
      {200, true, "'", "TEXT", 30, 80, "", "LIKE", true, true},
      {201, true, "'", "TEXTAREA", 0, 0, "", "LIKE", false, true},
      {202, true, "'", "TEXT", 30, 60, "", "LIKE", true, true},
      {203, true, "'", "TEXTAREA", 0, 0, "", "LIKE", false, true},
      {204, false, "", "TEXT", 30, 0, "", "=", false, false},
      {205, false, "'", "FILE", 30, 0, "", "=", false, false},
  };
  const std::map<int16_t, std::string> date_validate{{5, "DATE"}, {6, "USDATE"}, {7, "EURODATE"}};
  const std::vector<Variant> columns = rules_table("ALL_CODES");
  ASSERT_EQ(columns.size(), std::size(rows));
  for (const Kind& k : kKinds) {
    for (int16_t fmt : kDateFormats) {
      ctx().CurrentDbmsName = k.dbms;
      ctx().CurrentDateFormat = fmt;
      for (size_t i = 0; i < columns.size(); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(::testing::Message() << k.dbms << ", format " << fmt << ", ADO type " << r.code);
        auto f = load(columns[i]);
        const bool hash_quotes = k.kind == 1 && (is_date(r.code) || r.code == 134);
        const bool known_format = date_validate.count(fmt) > 0;
        ASSERT_EQ(f->FldName(), "C_" + std::to_string(r.code));
        EXPECT_EQ(f->FldType(), r.code);
        EXPECT_EQ(f->FldSupport(), r.support);
        EXPECT_EQ(f->FldQuoteS(), hash_quotes ? "#" : r.quote);
        EXPECT_EQ(f->FldQuoteE(), hash_quotes ? "#" : r.quote);
        EXPECT_EQ(f->FldHtmlTag(), r.html);
        EXPECT_EQ(f->FldTagSize(), r.tag_size);
        EXPECT_EQ(f->FldTagMaxLength(), r.max_length);
        std::string validate = r.validate;
        if (is_date(r.code)) validate = known_format ? date_validate.at(fmt) : "";
        EXPECT_EQ(f->GetV("FldValidate"), validate);
        EXPECT_EQ(f->FldFmtType(), is_date(r.code) && known_format ? "Date/Time" : "None");
        EXPECT_EQ(f->FldDtFormat(), is_date(r.code) && known_format ? fmt : 0);
        EXPECT_EQ(f->FldSrchOpr(), r.srch);
        EXPECT_EQ(f->FldList(), r.list);
        EXPECT_EQ(f->FldBasicSearch(), r.basic);
        for (bool v : {f->FldGenerate(), f->FldView(), f->FldEdit(), f->FldAdd()}) EXPECT_EQ(v, r.support);
        EXPECT_EQ(f->FldRequired(), r.code == 3);  // the one NOT NULL column
        EXPECT_EQ(f->FldTagCols(), r.code == 201 || r.code == 203 ? 35 : 0);
        EXPECT_EQ(f->FldTagRows(), r.code == 201 || r.code == 203 ? 4 : 0);
        EXPECT_EQ(f->FldHrefFld(), r.code == 205 ? f->FldName() : "");
        if (r.code == 11) {
          EXPECT_EQ(f->FldTagValues(), k.kind == 1 ? "\"Yes\",\"Yes\"\r\n\"No\",\"No\"" : "\"1\",\"Yes\"\r\n\"0\",\"No\"");
        } else {
          EXPECT_EQ(f->FldTagValues(), "");
        }
        EXPECT_EQ(f->FldVar(), "x_C_" + std::to_string(r.code));
        EXPECT_EQ(f->FldCaption(), "C " + std::to_string(r.code));
        EXPECT_EQ(f->FldViewTag(), "FORMATTED TEXT");
        EXPECT_EQ(f->FldTagAPrefix(), "None");
        EXPECT_EQ(f->FldGpDigits(), -2);
        EXPECT_TRUE(f->FldZeroLen());
      }
    }
  }
}

TEST_F(FieldDefaults, KeysOptionColumnsAndUpdateAttributesByKind) {
  struct Row {
    const char* name;
    int type;
    const char* html;
    int16_t tag_size;
    int32_t max_length;
    const char* validate;
    const char* srch;
    bool add, edit;            // kinds other than 2
    bool add_sql, edit_sql;    // kind 2: only updatable or autoincrement columns are edited
    bool has_tags;
  } rows[] = {
      {"ID", 3, "NO", 0, 0, "INTEGER", "=", false, true, false, true, false},
      {"SIZE_ENUM", 202, "RADIO", 30, 6, "", "=", true, true, true, true, true},
      {"COLOUR_SET", 202, "CHECKBOX", 30, 14, "", "=", true, true, true, true, true},
      {"FIXED_NAME", 200, "TEXT", 30, 30, "", "LIKE", true, true, false, false, false},
      {"FIXED_COUNT", 3, "TEXT", 30, 0, "INTEGER", "=", true, true, false, false, false},
      {"FLAG_BITS", 3, "TEXT", 30, 0, "INTEGER", "=", true, true, true, true, false},
  };
  const std::vector<Variant> columns = rules_table("SPECIAL");
  ASSERT_EQ(columns.size(), std::size(rows));
  for (const Kind& k : kKinds) {
    ctx().CurrentDbmsName = k.dbms;
    for (size_t i = 0; i < columns.size(); ++i) {
      const Row& r = rows[i];
      SCOPED_TRACE(::testing::Message() << k.dbms << ", " << r.name);
      auto f = load(columns[i]);
      ASSERT_EQ(f->FldName(), r.name);
      EXPECT_EQ(f->FldType(), r.type);
      EXPECT_TRUE(f->FldSupport());
      EXPECT_EQ(f->FldHtmlTag(), r.html);
      EXPECT_EQ(f->FldTagSize(), r.tag_size);
      EXPECT_EQ(f->FldTagMaxLength(), r.max_length);
      EXPECT_EQ(f->GetV("FldValidate"), r.validate);
      EXPECT_EQ(f->FldSrchOpr(), r.srch);
      EXPECT_EQ(f->FldAdd(), k.kind == 2 ? r.add_sql : r.add);
      EXPECT_EQ(f->FldEdit(), k.kind == 2 ? r.edit_sql : r.edit);
      EXPECT_TRUE(f->FldView());
      EXPECT_TRUE(f->FldList());
      EXPECT_EQ(f->FldTagValues().empty(), !r.has_tags);
      EXPECT_EQ(f->FldQuoteS(), r.type == 3 ? "" : "'");
    }
  }
  auto set = load(columns[2]);
  EXPECT_EQ(set->FldTagValues(), "\"red\",\"red\"\r\n\"blue\",\"blue\"");
  EXPECT_EQ(set->NativeDataType(), 248);
  EXPECT_EQ(set->FldTypeName(), "set");
  EXPECT_TRUE(set->FldBasicSearch());  // the basic-search rule runs before the option control is chosen
  EXPECT_TRUE(load(columns[1])->FldRequired());
}

TEST_F(FieldDefaults, DriverValuesAreStoredAsTheDriverGivesThem) {
  // A Long size stays a Long (also where it is copied), a Null IsSet counts as False, and
  // an enumeration is text whatever ADO type the driver reports with it.
  auto text = load(driver_field("name", 202, {{"size", Variant(int32_t(80))}, {"Required", Variant(true)}}));
  EXPECT_EQ(vb::type_name(text->FldSize()), "Long");
  EXPECT_EQ(vb::type_name(text->setting_value(FieldSetting::FldTagMaxLength)), "Long");
  EXPECT_EQ(text->FldTagMaxLength(), 80);
  EXPECT_TRUE(text->FldRequired());
  auto status = load(driver_field("status", 3, {{"IsEnum", Variant(true)}, {"NativeDataType", Variant(int32_t(247))}}));
  EXPECT_EQ(status->FldType(), 202);
  EXPECT_EQ(status->FldTagValues(), "'a','b'");
  EXPECT_EQ(status->FldHtmlTag(), "RADIO");
  auto plain = load(driver_field("code", 3, {{"FieldTagValues", Variant("ignored")}}));
  EXPECT_EQ(plain->FldTagValues(), "");  // read for enumerations and sets only
}

TEST_F(FieldDefaults, OnlyTheNamedSettingsChange) {
  // Fresh defaults for a field that the user has edited: the rules overwrite what they
  // name and keep the rest, a caption of blanks included.
  ctx().CurrentDateFormat = 8;
  auto f = vb::make_ref<AGPField>();
  f->FldValidate("kept");
  f->FldCaption(" ");
  f->SetV("FldMin", "1");
  f->FldHtmlTag("SELECT");
  f->FldSearch(true);
  f->LoadFld_zvDB(driver_field("d", 135));
  EXPECT_EQ(f->FldFmtType(), "None");
  EXPECT_EQ(f->FldValidate(), "kept");
  EXPECT_EQ(f->FldCaption(), " ");
  EXPECT_EQ(f->GetV("FldMin"), "1");
  EXPECT_EQ(f->FldHtmlTag(), "TEXT");
  EXPECT_FALSE(f->FldSearch());

  f->FldCaption("");
  f->FldName("order_total");
  f->FldType(5);
  f->LoadFldDefault();
  EXPECT_EQ(f->FldCaption(), "Order Total");
  EXPECT_EQ(f->FldVar(), "x_order_total");
  EXPECT_EQ(f->FldValidate(), "FLOAT");
}

TEST_F(FieldDefaults, FailingDriverFieldLeavesTheFieldAsItWas) {
  auto f = load(driver_field("id", 3));
  // No ADODataType, then no NativeDataType: the read fails before anything is written.
  for (const char* missing : {"ADODataType", "NativeDataType"}) {
    SCOPED_TRACE(missing);
    std::map<std::string, Variant> v{{"Name", Variant("other")}, {"IsEnum", Variant(false)}, {"IsSet", Variant(false)},
                                     {"ADODataType", Variant(int32_t(200))}, {"size", Variant(int32_t(9))},
                                     {"Required", Variant(true)}, {"Unique", Variant(true)},
                                     {"AutoIncrement", Variant(false)}, {"ADOAttributes", Variant(int32_t(0))},
                                     {"DataTypeName", Variant("varchar")}, {"NativeDataType", Variant(int32_t(253))}};
    v.erase(missing);
    EXPECT_THROW(f->LoadFld_zvDB(testing::object(v)), vb::VBError);
    EXPECT_EQ(f->FldName(), "id");
    EXPECT_EQ(f->FldType(), 3);
    EXPECT_EQ(f->FldSize(), 50);
    EXPECT_FALSE(f->FldReq());
    EXPECT_EQ(f->FldValidate(), "INTEGER");
  }
}

}  // namespace
}  // namespace tolvex
