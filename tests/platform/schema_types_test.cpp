#include "platform/schema/mariadb_types.h"

#include <gtest/gtest.h>

#include "platform/schema/ado_types.h"

namespace tolvex::platform {
namespace {

TEST(SchemaTypes, EnumValuesAndTagValues) {
  struct Case {
    const char* column_type;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {"enum('a','b')", {"a", "b"}},
      {"enum('it''s','a,b','say \"hi\"','back\\\\slash','')", {"it's", "a,b", "say \"hi\"", "back\\slash", ""}},
      {"set('x', 'y')", {"x", "y"}},
      {"enum('unterminated", {"unterminated"}},
      {"int", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column_type);
    EXPECT_EQ(parse_enum_values(c.column_type), c.values);
  }
  EXPECT_EQ(make_tag_values({"a", "say \"hi\""}), "\"a\",\"a\"\r\n\"say \"\"hi\"\"\",\"say \"\"hi\"\"\"");
  EXPECT_EQ(make_tag_values({}), "");
}

TEST(SchemaTypes, DefaultsAsTheCatalogueGivesThem) {
  struct Case {
    std::optional<std::string> column_default;
    const char* text;  // nullptr: Null
  };
  const Case cases[] = {
      {std::nullopt, nullptr},
      {"NULL", nullptr},
      {"'NULL'", "NULL"},
      {"'it''s'", "it's"},
      {"''", ""},
      {"'a\\\\b'", "a\\b"},
      {"42", "42"},
      {"current_timestamp()", "current_timestamp()"},
      {"'a' 'b'", "'a' 'b'"},  // not one literal: kept as written
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column_default.value_or("<none>"));
    vb::Variant v = default_from_information_schema(c.column_default);
    if (!c.text) {
      EXPECT_TRUE(v.is_null());
    } else {
      ASSERT_TRUE(v.is_string());
      EXPECT_EQ(v.raw_string(), c.text);
    }
  }
}

TEST(SchemaTypes, SizesNeverOverflow) {
  EXPECT_EQ(clamp_size(4294967295LL), 2147483647);
  EXPECT_EQ(clamp_size(2147483647LL), 2147483647);
  EXPECT_EQ(clamp_size(-1), 0);
  MariaColumn c;
  c.name = "big";
  c.data_type = "longtext";
  c.char_max_length = 4294967295LL;
  EXPECT_EQ(field_from_mariadb_column(c, true, false, false).size, 2147483647);
  // A type the table does not know is reported as text, so that nothing fails on it.
  c.data_type = "vector";
  c.char_max_length = -1;
  FieldInfo f = field_from_mariadb_column(c, true, false, false);
  EXPECT_EQ(f.ado_type, ado::adVarChar);
  EXPECT_EQ(f.data_type_name, "vector");
}

TEST(SchemaTypes, ColumnTypesWrittenAsInCreateTable) {
  struct Case {
    const char* type;
    int ado;
    int32_t size;
  };
  const Case cases[] = {
      {"bigint unsigned", ado::adUnsignedBigInt, 20}, {"int(6) unsigned zerofill", ado::adUnsignedInt, 10},
      {"decimal(12, 4)", ado::adNumeric, 12},         {"bit(1)", ado::adBoolean, 1},
      {"bit(4)", ado::adBinary, 4},                   {"char", ado::adChar, 1},
      {"varchar(30)", ado::adVarChar, 30},            {"time(6)", ado::adDBTime, 17},
      {"longblob", ado::adLongVarBinary, 2147483647}, {"set('a','bb','ccc')", ado::adChar, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    std::string error;
    std::optional<MariaColumn> col = mariadb_column_from_type("x", c.type, &error);
    ASSERT_TRUE(col) << error;
    FieldInfo f = field_from_mariadb_column(*col, true, false, false);
    EXPECT_EQ(f.ado_type, c.ado);
    EXPECT_EQ(f.size, c.size);
  }
  for (const char* bad : {"", "varchar", "frob(3)", "decimal(1", "int(x)"}) {
    SCOPED_TRACE(bad);
    std::string error;
    EXPECT_FALSE(mariadb_column_from_type("x", bad, &error));
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace tolvex::platform
