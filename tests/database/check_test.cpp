// Counting how far a project has drifted from its live database.
#include <gtest/gtest.h>

#include <fstream>

#include "database/custom_tables.h"
#include "database/database_check.h"
#include "database/sync_fixture.h"

namespace tolvex {
namespace {

using vb::Variant;

class Check : public testing::SyncFixture {};

// The differences a check lists, a line each with what it adds to the count.
std::string listed(const CheckDifferences& differences, int32_t& total) {
  std::string out;
  total = 0;
  for (const CheckDifference& d : differences) {
    out += d.text + " " + std::to_string(d.count) + "\n";
    total += d.count;
  }
  return out;
}

TEST_F(Check, CountsTheDifferencesOfTablesAndViews) {
  struct Case {
    const char* what;
    const char* before;
    const char* after;
    int16_t count;
    const char* differences;
  } cases[] = {
      {"unchanged", "table name=t pk=id\nfield name=id type=int\nfield name=n type=varchar(20)\n",
       "table name=t pk=id\nfield name=id type=int\nfield name=n type=varchar(20)\n", 0, ""},
      // new field (1) + its remainder (1) + changed table (1)
      {"renamed column", "table name=t\nfield name=id type=int\nfield name=n type=int\n",
       "table name=t\nfield name=id type=int\nfield name=m type=int\n", 3,
       "Table t: changed; gone from the database: n 1\nField t.m: new 2\n"},
      {"column size", "table name=t\nfield name=n type=varchar(20)\n", "table name=t\nfield name=n type=varchar(30)\n", 2,
       "Table t: changed 1\nField t.n: changed 1\n"},
      {"column made unique", "table name=t\nfield name=n type=int\n", "table name=t\nfield name=n type=int unique\n", 2,
       "Table t: changed 1\nField t.n: changed 1\n"},
      {"column removed", "table name=t\nfield name=a type=int\nfield name=b type=int\n", "table name=t\nfield name=a type=int\n",
       1, "Table t: changed; gone from the database: b 1\n"},
      // one new table with its two fields, one deleted table with its two fields
      {"table became a view", "table name=t\nfield name=a type=int\nfield name=b type=int\n",
       "view name=t\nfield name=a type=int\nfield name=b type=int\n", 6,
       "Table t: new, with 2 fields 3\nTable t: removed, with its 2 fields 3\n"},
      {"name changed letter case", "table name=t\nfield name=a type=int\n", "table name=T\nfield name=a type=int\n", 4,
       "Table T: new, with 1 field 2\nTable t: removed, with its 1 field 2\n"},
      {"new table", "table name=t\nfield name=a type=int\n",
       "table name=t\nfield name=a type=int\ntable name=u\nfield name=a type=int\nfield name=b type=int\n", 3,
       "Table u: new, with 2 fields 3\n"},
      {"dropped view", "table name=t\nfield name=a type=int\nview name=v\nfield name=a type=int\nfield name=b type=int\n",
       "table name=t\nfield name=a type=int\n", 3, "Table v: removed, with its 2 fields 3\n"},
      // the key (1), and both columns' key attribute and unique index: two changed
      // fields of a changed table (3)
      {"key changed", "table name=t pk=a\nfield name=a type=int\nfield name=b type=int\n",
       "table name=t pk=b\nfield name=a type=int\nfield name=b type=int\n", 4,
       "Table t: changed 1\nTable t: its primary key changed 1\nField t.a: changed 1\nField t.b: changed 1\n"},
      {"key in another order", "table name=t pk=\"a,b\"\nfield name=a type=int\nfield name=b type=int\n",
       "table name=t pk=\"b,a\"\nfield name=a type=int\nfield name=b type=int\n", 0, ""},
      {"enumeration value added", "table name=t\nfield name=s type=\"enum('a','b')\"\n",
       "table name=t\nfield name=s type=\"enum('a','b','c')\"\n", 2, "Table t: changed 1\nField t.s: changed 1\n"},
      {"enumeration labels changed", "table name=t\nfield name=s type=\"enum('a','b')\" tags=\"a,A\\r\\nb,B\"\n",
       "table name=t\nfield name=s type=\"enum('a','b')\" tags=\"a,X\\r\\nb,Y\\r\\n\"\n", 0, ""},
      {"enumeration values reordered", "table name=t\nfield name=s type=\"enum('a','b')\"\n",
       "table name=t\nfield name=s type=\"enum('b','a')\"\n", 2, "Table t: changed 1\nField t.s: changed 1\n"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    fresh_project();
    load(k.before);
    const std::string before = dump();
    live(k.after);
    CheckDifferences differences;
    EXPECT_EQ(CheckDB(*project_, &differences), k.count);
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(dump(), before);  // the check changes nothing
    // The list names what the count counted, and adds up to it.
    int32_t total = 0;
    EXPECT_EQ(listed(differences, total), k.differences);
    EXPECT_EQ(total, k.count);
  }
}

TEST_F(Check, NoDatabaseUnreadableSchemaAndTablesNotLoaded) {
  EXPECT_EQ(CheckDB(*project_), 0);

  load("table name=t\nfield name=a type=int\n");
  std::ofstream(live_file_, std::ios::binary) << "database name=other\n";
  EXPECT_EQ(CheckDB(*project_), -1);
  EXPECT_EQ(ctx().ProjErr, "Unknown database 'shop'");

  // A table whose fields are read on demand counts nothing until it is read.
  fresh_project();
  project_->set_setting_value(ProjectSetting::DynamicLoadDB, Variant(true));
  load("table name=t\nfield name=a type=int\n");
  live("table name=t\nfield name=a type=int\nfield name=b type=int\n");
  EXPECT_EQ(CheckDB(*project_), 0);
}

TEST_F(Check, CustomViewsAndReports) {
  const char* schema = "table name=c pk=id\nfield name=id type=int\nfield name=name type=varchar(20)\n";
  load(schema);
  LoadCustomView(*project_, "cv", "SELECT id, name FROM c", false);
  ASSERT_TRUE(LoadReport(*project_, "rpt", "c"));
  ASSERT_EQ(CheckDB(*project_), 0);

  struct Case {
    const char* what;
    const char* live;
    int16_t count;
    const char* cv_error;
  } cases[] = {
      // The view's query fails: it counts nothing and keeps the reason.
      {"column renamed", "table name=c pk=id\nfield name=id type=int\nfield name=full type=varchar(20)\n", 3 + 0,
       "Unknown column 'name' in 'field list'"},
      // The view's column changed (1); the table's too (2); the report still matches its
      // source in the project.
      {"column size", "table name=c pk=id\nfield name=id type=int\nfield name=name type=varchar(40)\n", 2 + 1, ""},
      {"repaired", schema, 0, ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    live(k.live);
    CheckDifferences differences;
    EXPECT_EQ(CheckDB(*project_, &differences), k.count);
    EXPECT_EQ(table("cv")->TblCustomError(), k.cv_error);
    int32_t total = 0;
    listed(differences, total);
    EXPECT_EQ(total, k.count);
  }
  // A column of the report's source table that the report lacks, and a changed column.
  ASSERT_TRUE(table("rpt")->Fields()->Delete("rpt", Variant("name")));
  live("table name=c pk=id\nfield name=id type=int\nfield name=name type=varchar(40)\n");
  CheckDifferences differences;
  int32_t total = 0;
  const int16_t n = CheckDB(*project_, &differences);
  EXPECT_EQ(listed(differences, total),
            "Table c: changed 1\nField c.name: changed 1\nField cv.name: changed 1\nField rpt.name: new 2\n");
  EXPECT_EQ(total, n);

  // A report whose source table is gone from the project.
  tables().Delete("c");
  EXPECT_EQ(CheckReports(*project_), 0);
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Source Table not found");
  EXPECT_EQ(table("rpt")->TblCustomError(), "Tolvex: Source Table not found");
}

TEST_F(Check, TagValuesCompareByValueOnly) {
  struct Case {
    const char* a;
    const char* b;
    bool match;
  } cases[] = {
      {"a,A\r\nb,B", "a,X\r\nb,Y", true},
      {"a,A\r\nb,B\r\n", "a,A\r\nb,B", true},
      {"a,A", "a,A\r\nb,B", false},
      {"a,A\r\nb,B", "b,B\r\na,A", false},
      {"a", "a,label", true},
      {"", "a,A", false},
      {"a,A\r\n\r\nb,B", "a,A\r\n,x\r\nb,B", true},  // an empty line is the empty value
      // A quoted value holds its commas: 'd,e' and 'd,f' differ, 'd,e' matches itself.
      {"\"d,e\",\"d,e\"", "\"d,f\",\"d,e\"", false},
      {"\"d,e\",\"d,e\"", "\"d,e\",Label", true},
      {"\"say \"\"hi,\"\"\",x", "\"say \"\"hi,\"\"\",y", true},
      {"\"say \"\"hi,\"\"\",x", "\"say \"\"hi,\",y", false},
      {"\"open,x", "\"open,y", true},  // a quote never closed: the value ends at the comma
  };
  for (const Case& k : cases) EXPECT_EQ(TagValuesMatch(k.a, k.b), k.match) << k.a << " / " << k.b;
}

}  // namespace
}  // namespace tolvex
