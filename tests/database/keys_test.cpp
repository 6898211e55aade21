// The two forms of a primary key: TblKey lines and the fields' key flags.
#include <gtest/gtest.h>

#include "database/sync_fixture.h"
#include "database/table_keys.h"
#include "fields/field.h"

namespace tolvex {
namespace {

using vb::Variant;

TEST(UnquoteName, StripsIdentifierQuotes) {
  struct Case {
    const char* name;
    const char* bare;
  } cases[] = {
      {"id", "id"},           {"\"id\"", "id"},     {"\"a\"\"b\"", "a\"b"}, {"[id]", "id"},
      {"\"[id]\"", "id"},     {"[\"id\"]", "\"id\""}, {"\"", "\""},       {"[", "["},
      {"\"\"", ""},           {"[]", ""},           {"", ""},               {"\"id", "\"id"},
  };
  for (const Case& k : cases) EXPECT_EQ(UnquoteName(k.name), k.bare) << k.name;
}

class Keys : public testing::SyncFixture {};

TEST_F(Keys, FlagsFollowTblKeyAndTblKeyFollowsFlags) {
  load("table name=t\nfield name=a type=int\nfield name=b type=int\nfield name=c type=int\n");
  auto t = table("t");
  auto flags = [&] {
    std::string out;
    for (size_t i = 0; i < t->Fields()->size(); ++i)
      if (t->Fields()->at(i)->FldIsPrimaryKey()) out += t->Fields()->at(i)->FldName();
    return out;
  };
  struct Case {
    const char* key;
    const char* flagged;
  } cases[] = {
      {"a\r\nb", "ab"}, {"\"b\"\r\n[c]", "bc"}, {"A", ""}, {"", ""}, {"c", "c"}, {" a", ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.key);
    t->TblKey(k.key);
    ApplyTableKeys(*t);
    EXPECT_EQ(flags(), k.flagged);
  }

  // Key fields b and a give the lines a and b in that order; a table without key fields,
  // of any type, gets "".
  t->Fields()->Item(Variant("b"))->FldIsPrimaryKey(true);
  t->Fields()->Item(Variant("a"))->FldIsPrimaryKey(true);
  t->Fields()->Item(Variant("c"))->FldIsPrimaryKey(false);
  ASSERT_TRUE(tables().Add("rpt"));
  auto empty = table("rpt");
  empty->TblType("REPORT");
  empty->TblKey("stale");
  BuildTableKeys(*project_);
  EXPECT_EQ(t->TblKey(), "a\r\nb");
  EXPECT_EQ(empty->TblKey(), "");
}

}  // namespace
}  // namespace tolvex
