#include "platform/sqlparser/sql_parser.h"

#include <gtest/gtest.h>

#include "platform/sqlparser/sql_lexer.h"
#include "vb/convert.h"

namespace tolvex::platform {
namespace {

struct SourceCase {
  const char* sql;
  const char* column;
  const char* source_name;
  const char* table;
  const char* field;
  bool alias;
};

TEST(SqlParser, NamesTheSourceOfEachColumn) {
  const SourceCase cases[] = {
      {"SELECT id, name FROM customers", "name", "name", "customers", "name", false},
      {"SELECT c.id AS cid FROM customers c", "cid", "c.id", "customers", "id", true},
      {"select c.id cid from customers as c", "cid", "c.id", "customers", "id", true},
      {"SELECT `Full Name` FROM `Mixed Case`", "Full Name", "`Full Name`", "Mixed Case", "Full Name", false},
      {"SELECT \"Order\".\"Total\" AS \"Sum, total\" FROM \"Order\"", "Sum, total", "\"Order\".\"Total\"", "Order", "Total", true},
      {"SELECT m.`we``ird` AS `a``b` FROM `Mixed Case` m", "a`b", "m.`we``ird`", "Mixed Case", "we`ird", true},
      {"SELECT price * qty AS total FROM items", "total", "price * qty", "", "", true},
      {"SELECT CONCAT(a, ',', b) label FROM items", "label", "CONCAT(a, ',', b)", "", "", true},
      {"SELECT COUNT(*) FROM t", "COUNT(*)", "COUNT(*)", "", "", false},
      {"SELECT o.id, c.name AS customer FROM orders o INNER JOIN customers c ON c.id = o.cust_id "
       "LEFT OUTER JOIN x ON (x.a = o.a) WHERE c.name LIKE 'a%'",
       "customer", "c.name", "customers", "name", true},
      {"SELECT o.id FROM orders o, customers c WHERE c.id = o.cid", "id", "o.id", "orders", "id", false},
      {"SELECT name FROM a JOIN b USING (id)", "name", "name", "", "name", false},
      {"SELECT s.total FROM (SELECT o.amount AS total FROM orders o) s", "total", "s.total", "orders", "amount", false},
      {"SELECT total FROM (SELECT amount total FROM orders) AS s", "total", "total", "orders", "amount", false},
      {"SELECT /* a, b */ a, -- c, d\n 'x, y' AS lit, b # e, f\nFROM t", "b", "b", "t", "b", false},
      {"SELECT /* a, b */ a, -- c, d\n 'x, y' AS lit, b # e, f\nFROM t", "lit", "'x, y'", "", "", true},
      {"SELECT 'it''s, here' FROM t", "it's, here", "'it''s, here'", "", "", false},
      {"SELECT * FROM customers", "email", "email", "customers", "email", false},
      {"SELECT c.*, o.id AS oid FROM customers c JOIN orders o ON o.cid = c.id", "email", "c.email", "customers", "email", false},
      {"SELECT * FROM (SELECT a.* FROM alpha a) d", "x", "x", "alpha", "x", false},
      {"WITH big AS (SELECT id AS bid FROM orders) SELECT bid FROM big", "bid", "bid", "orders", "id", false},
      {"SELECT shop.orders.id FROM shop.orders", "id", "shop.orders.id", "orders", "id", false},
      {"SELECT Id FROM t", "ID", "Id", "t", "Id", false},
      {"SELECT DISTINCT city FROM customers", "city", "city", "customers", "city", false},
      {"SELECT CASE WHEN a THEN 1 ELSE 0 END FROM t", "CASE WHEN a THEN 1 ELSE 0 END", "CASE WHEN a THEN 1 ELSE 0 END", "", "", false},
      {"SELECT CASE WHEN a THEN 1 END flag FROM t", "flag", "CASE WHEN a THEN 1 END", "", "", true},
      {"SELECT DATE '2020-01-01' FROM t", "DATE '2020-01-01'", "DATE '2020-01-01'", "", "", false},
      {"SELECT a IS NULL FROM t", "a IS NULL", "a IS NULL", "", "", false},
      {"SELECT (SELECT MAX(x) FROM y) AS mx, a FROM t", "a", "a", "t", "a", false},
      {"SELECT (SELECT MAX(x) FROM y) AS mx, a FROM t", "mx", "(SELECT MAX(x) FROM y)", "", "", true},
      {"SELECT EXTRACT(YEAR FROM d) AS y, TRIM(BOTH ' ' FROM n) n2, k FROM t", "k", "k", "t", "k", false},
      {"SELECT a FROM t1 UNION SELECT b FROM t2", "a", "a", "t1", "a", false},
      {"SELECT a /*!, b */ FROM t", "b", "b", "t", "b", false},
      {"(SELECT a FROM t)", "a", "a", "t", "a", false},
      {"SELECT a FROM t FORCE INDEX (ix) WHERE a > 1 ORDER BY a LIMIT 5;", "a", "a", "t", "a", false},
      {"SELECT x.v FROM t AS x PARTITION (p0)", "v", "x.v", "t", "v", false},
      {"SELECT ROW_NUMBER() OVER w FROM t WINDOW w AS (ORDER BY a)", "ROW_NUMBER() OVER w", "ROW_NUMBER() OVER w", "", "", false},
      {"SELECT e.NAME \"Employee, Name\" FROM HR.EMPLOYEES e", "Employee, Name", "e.NAME", "EMPLOYEES", "NAME", true},
      {"SELECT id FROM customers", "nothing", "", "", "", false},
  };
  for (const SourceCase& c : cases) {
    SCOPED_TRACE(std::string(c.sql) + " / " + c.column);
    SqlParser p;
    ASSERT_TRUE(p.Parse(c.sql, 3)) << p.error();
    SqlColumnSource s = p.GetFieldSource(c.column);
    EXPECT_EQ(s.source_name, c.source_name);
    EXPECT_EQ(s.source_table, c.table);
    EXPECT_EQ(s.source_field, c.field);
    EXPECT_EQ(s.is_alias, c.alias);
  }
}

TEST(SqlParser, ListsColumnsAndTablesInOrder) {
  SqlParser p;
  ASSERT_TRUE(p.Parse("SELECT o.id, o.total * 2 AS doubled, c.* FROM shop.orders o JOIN (SELECT 1 AS one) d ON 1 = 1 "
                      "JOIN customers c ON c.id = o.cid"));
  ASSERT_EQ(p.columns().size(), 3u);
  EXPECT_EQ(p.columns()[0].name, "id");
  EXPECT_EQ(p.columns()[1].name, "doubled");
  EXPECT_TRUE(p.columns()[1].is_expression);
  EXPECT_TRUE(p.columns()[2].is_star);
  EXPECT_EQ(p.columns()[2].source_table, "customers");
  ASSERT_EQ(p.tables().size(), 3u);
  EXPECT_EQ(p.tables()[0].schema, "shop");
  EXPECT_EQ(p.tables()[0].name, "orders");
  EXPECT_EQ(p.tables()[0].alias, "o");
  EXPECT_TRUE(p.tables()[1].derived);
  EXPECT_EQ(p.tables()[1].alias, "d");
  EXPECT_EQ(p.derived_names(), std::vector<std::string>{"d"});
}

TEST(SqlParser, RefusesTextItCannotRead) {
  for (const char* sql : {"", "   -- only a comment", "UPDATE t SET a = 1", "SELECT a FROM (SELECT b FROM t",
                          "SELECT a FROM t)", "SELECT 'unterminated", "SELECT a, FROM t", "SELECT /* open",
                          "SELECT a FROM", "SELECT `a FROM t"}) {
    SCOPED_TRACE(sql);
    SqlParser p;
    EXPECT_FALSE(p.Parse(sql));
    EXPECT_FALSE(p.error().empty());
    EXPECT_TRUE(p.columns().empty());
    EXPECT_EQ(p.GetFieldSource("a").source_name, "");
  }
  // Every cut of a long query is read or refused, never more.
  const std::string full =
      "WITH c AS (SELECT id FROM t) SELECT /*! DISTINCT */ a.`x``y` AS \"q\", (SELECT 1) s, 'a;b' AS lit, f(x, ',') "
      "FROM c JOIN (SELECT * FROM u) d USING (id) LEFT JOIN v AS w ON (w.a = d.a) -- end\n WHERE a.b > 1;";
  for (size_t n = 0; n <= full.size(); ++n) {
    SqlParser cut;
    if (cut.Parse(full.substr(0, n))) cut.GetFieldSource("q");
    check_single_statement(full.substr(0, n));
  }
  // Nesting: a deep but sensible query is read through every level; one nested beyond any
  // real query is refused instead of exhausting the stack.
  auto nested_from = [](int levels) {
    std::string sql;
    for (int i = 0; i < levels; ++i) sql += "SELECT a FROM (";
    sql += "SELECT a FROM base_t";
    for (int i = levels; i > 0; --i) sql += ") d" + std::to_string(i);
    return sql;
  };
  SqlParser deep;
  ASSERT_TRUE(deep.Parse(nested_from(100))) << deep.error();
  EXPECT_EQ(deep.GetFieldSource("a").source_table, "base_t");
  for (const std::string& sql : {nested_from(100000), std::string(100000, '(') + "SELECT a FROM t" + std::string(100000, ')'),
                                 "SELECT a FROM " + std::string(100000, '(') + "t" + std::string(100000, ')')}) {
    SqlParser p;
    EXPECT_FALSE(p.Parse(sql));
    EXPECT_NE(p.error().find("nests more than"), std::string::npos) << p.error();
  }
  // A failed parse forgets the previous one.
  SqlParser p;
  ASSERT_TRUE(p.Parse("SELECT a FROM t"));
  EXPECT_FALSE(p.Parse("SELECT ("));
  EXPECT_EQ(p.GetFieldSource("a").source_table, "");
}

TEST(SqlParser, AnswersThroughDispatchWithOutputArguments) {
  vb::Ref<SqlParser> parser = vb::make_ref<SqlParser>();
  vb::Ref<vb::Dispatch> d = parser;
  std::vector<vb::Variant> parse = {vb::Variant("SELECT c.name AS who FROM customers c"), vb::Variant(int16_t(3)),
                                    vb::Variant(false)};
  d->call("Parse", parse);
  EXPECT_TRUE(vb::to_bool(parse[2]));
  std::vector<vb::Variant> out = {vb::Variant("who"), vb::Variant(), vb::Variant(), vb::Variant(), vb::Variant()};
  d->call("GetFieldSource", out);
  EXPECT_EQ(vb::to_string(out[1]), "c.name");
  EXPECT_EQ(vb::to_string(out[2]), "customers");
  EXPECT_EQ(vb::to_string(out[3]), "name");
  EXPECT_TRUE(vb::to_bool(out[4]));

  std::vector<vb::Variant> bad = {vb::Variant("DELETE FROM t"), vb::Variant(int16_t(3)), vb::Variant(true)};
  d->call("Parse", bad);
  EXPECT_FALSE(vb::to_bool(bad[2]));
}

TEST(SqlLexer, AllowsOneStatementOnly) {
  struct Case {
    const char* sql;
    bool ok;
  };
  const Case cases[] = {
      {"SELECT 1", true},
      {"SELECT 1;", true},
      {"SELECT 1 ;  -- done\n", true},
      {"SELECT ';' AS a, \";\" AS b, `c;d` FROM t", true},
      {"SELECT 'a\\'; b' FROM t", true},          // the backslash keeps the quote inside
      {"SELECT 1 # ; not code\n", true},
      {"SELECT 1 /* ; */", true},
      {"SELECT 1; SELECT 2", false},
      {"SELECT 1;;", false},
      {"SELECT 1 /*!; DROP TABLE t */", false},    // the server runs what "/*!" holds
      {"SELECT 1 /*M!100000 ; DROP TABLE t */", false},
      {"SELECT 1 --x; DROP TABLE t", false},       // "--" without a blank starts no comment
      {"SELECT 'open", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(check_single_statement(c.sql).empty(), c.ok) << check_single_statement(c.sql);
  }
  EXPECT_EQ(strip_trailing_semicolon("SELECT 1 ; -- end"), "SELECT 1");
  EXPECT_EQ(strip_trailing_semicolon("SELECT ';'"), "SELECT ';'");
}

}  // namespace
}  // namespace tolvex::platform
