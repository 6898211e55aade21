#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fields/model_fixture.h"
#include "fields/fields.h"
#include "model/database.h"
#include "model/menus.h"
#include "model/tables.h"
#include "platform/progress.h"
#include "vb/error.h"

namespace tolvex {
namespace {

using Strings = std::vector<std::string>;

class TableTest : public testing::ModelFixture {};

TEST_F(TableTest, NewTableHoldsEmptyValuesAndTheUsersDefaults) {
  user_value(ctx().RegKeyTable, "TblAnonymous", platform::RegValue::make_dword(3));
  user_value(ctx().RegKeyTable, "TblRecPerPageList", platform::RegValue::make_text(" 10,20 "));
  user_value(ctx().RegKeyTable, "TblEdit", platform::RegValue::make_text("True"));  // no per-user default
  ctx().DefaultTblSecurity = vb::Variant("ignored by the constructor");
  auto t = vb::make_ref<AGPTable>();
  EXPECT_EQ(t->Properties()->Count(), 55);
  EXPECT_EQ(t->TblAnonymous(), 3);
  EXPECT_EQ(t->TblRecPerPageList(), "10,20");
  EXPECT_FALSE(t->TblEdit());
  EXPECT_EQ(t->GetV("TblEdit"), "");
  EXPECT_EQ(t->GetV("TblOverwrite"), "False");  // missing default, stored converted
  EXPECT_EQ(t->TblSecurity(), "");
  EXPECT_EQ(t->Fields()->Count(), 0);
  EXPECT_EQ(t->Charts()->Count(), 0);
}

// A change to the tables and what a lookup finds after it.
struct LookupStep {
  const char* what;
  std::function<void()> change;
  const char* expected;
};

// Runs the steps in turn, looking up before each change as well as after it (so that what
// the lookups kept from before must not outlive the change).
void expect_lookups(const std::vector<LookupStep>& steps, const std::function<std::string()>& found) {
  for (const LookupStep& step : steps) {
    SCOPED_TRACE(step.what);
    found();
    step.change();
    EXPECT_EQ(found(), step.expected);
  }
}

// Seq finds the first table in container order holding a number, however the number
// got there: the collection's own numbering, a typed write, the settings store, text
// access, a number stored as text, a deleted setting.
TEST_F(TableTest, SeqFollowsEveryChangeOfTheNumbers) {
  AGPTables tables;
  for (const char* n : {"A", "B", "C", "D"}) ASSERT_TRUE(tables.Add(n));
  auto item = [&](const char* name) { return tables.Item(vb::Variant(name)); };
  // "number:name" for each number from -3 to 8 that Seq finds.
  auto found = [&] {
    std::string out;
    for (int16_t n = -3; n <= 8; ++n) {
      if (auto t = tables.Seq(n)) out += (out.empty() ? "" : " ") + std::to_string(n) + ":" + t->TblName();
    }
    return out;
  };
  expect_lookups({
      {"numbered by Add", [] {}, "1:A 2:B 3:C 4:D"},
      {"typed write", [&] { item("D")->TblSeq(2); }, "1:A 2:B 3:C"},
      {"store entry", [&] { item("B")->Properties()->Item("TblSeq")->setValue(vb::Variant(int16_t(7))); },
       "1:A 2:D 3:C 7:B"},
      {"text access", [&] { item("B")->SetV("TblSeq", "-3"); }, "-3:B 1:A 2:D 3:C"},
      {"stored as text", [&] { item("A")->Properties()->Item("TblSeq")->setValue(vb::Variant("3")); },
       "-3:B 2:D 3:A"},
      {"setting deleted", [&] { item("A")->Properties()->Delete("TblSeq"); }, "-3:B 2:D 3:C"},
      {"table deleted", [&] { tables.Delete("D"); }, "-3:B 2:C"},
      {"table added", [&] { tables.Add("E"); }, "-3:B 2:C 4:E"},
      {"table renamed", [&] { tables.Change("C", "F"); }, "-3:B 2:F 4:E"},
  }, found);
}

// Lookups by name find the first table in container order whose name setting is the name
// exactly, however the name got there.
TEST_F(TableTest, LookupsByNameFollowEveryChangeOfTheNames) {
  AGPTables tables;
  for (const char* n : {"A", "B", "C"}) ASSERT_TRUE(tables.Add(n));
  std::vector<vb::Ref<AGPTable>> t;
  for (int16_t i = 1; i <= 3; ++i) t.push_back(tables.Seq(i));
  // For each name asked: which of the three tables Item answers ("-" for none).
  auto found = [&] {
    std::string out;
    for (const char* n : {"A", "B", "C", "D", "a", ""}) {
      auto item = tables.Item(vb::Variant(n));
      char which = '-';
      for (size_t i = 0; i < t.size(); ++i)
        if (item.get() == t[i].get()) which = char('1' + i);
      out += which;
      EXPECT_EQ(tables.TableExist(vb::Variant(n)), which != '-') << n;
    }
    return out;
  };
  // The table found for A, B, C, D, a and "".
  expect_lookups({
      {"named by Add", [] {}, "123---"},
      {"renamed", [&] { tables.Change("B", "D"); }, "1-32--"},
      {"typed write", [&] { t[2]->TblName("A"); }, "1--2--"},
      {"text access", [&] { t[0]->SetV("TblName", "a"); }, "3--21-"},
      {"stored as a number", [&] { t[1]->Properties()->Item("TblName")->setValue(vb::Variant(int16_t(5))); }, "3---1-"},
      {"stored empty", [&] { t[1]->Properties()->Item("TblName")->setValue(vb::Variant()); }, "3---12"},
      {"setting deleted", [&] { t[0]->Properties()->Delete("TblName"); }, "3----2"},
  }, found);
}

// The table collection and a table's field collection behind one face, for the tests
// that hold for both.
struct TablesFace {
  AGPTables c;
  static constexpr const char* setting = "TblName";
  static std::string renamed(const std::string& o, const std::string& n) { return "rename table " + o + " " + n; }
  bool add(const std::string& n) { return c.Add(n); }
  bool change(const std::string& o, const std::string& n) { return c.Change(o, n); }
  bool remove(const std::string& n) { return c.Delete(n); }
  bool exists(const std::string& n) { return c.TableExist(vb::Variant(n)); }
  vb::Ref<AGPTable> item(const std::string& n) { return c.Item(vb::Variant(n)); }
  static std::string name(AGPTable& t) { return t.TblName(); }
};
struct FieldsFace {
  AGPFields c;
  static constexpr const char* setting = "FldName";
  static std::string renamed(const std::string& o, const std::string& n) { return "rename field T." + o + " " + n; }
  bool add(const std::string& n) { return c.Add("T", n); }
  bool change(const std::string& o, const std::string& n) { return c.Change("T", o, n); }
  bool remove(const std::string& n) { return c.Delete("T", vb::Variant(n)); }
  bool exists(const std::string& n) { return c.FieldExist(vb::Variant(n)); }
  vb::Ref<AGPField> item(const std::string& n) { return c.Item(vb::Variant(n)); }
  static std::string name(AGPField& f) { return f.FldName(); }
};

// The ways a name setting changes without the collection's Change.
template <class Item>
void rename_by(const std::string& path, Item& item, const char* setting, const std::string& name) {
  if (path == "store entry") item.Properties()->Item(setting)->setValue(vb::Variant(name));
  else if (path == "text access") item.SetV(setting, name);
  else if (path == "Key") item.Key(name);
  else item.let("Key", vb::Variant(name));  // the host's way to Key
}

// After B of A, B, C is renamed to X behind the collection, Add, Item, Change and Delete
// go by the names: X exists, x is X in other letter case, B is free.
template <class Face>
void expect_add_after_rename(std::vector<std::string>& notices) {
  for (const char* path : {"store entry", "text access", "Key", "Key by name"}) {
    SCOPED_TRACE(path);
    Face f;
    for (const char* n : {"A", "B", "C"}) ASSERT_TRUE(f.add(n));
    auto b = f.item("B");
    rename_by(path, *b, Face::setting, "X");
    notices.clear();
    EXPECT_FALSE(f.add("X"));
    EXPECT_EQ(f.c.Count(), 3);
    EXPECT_EQ(f.item("X"), b);

    EXPECT_TRUE(f.add("x"));  // takes the letter case of the new name
    EXPECT_EQ(f.c.Count(), 3);
    EXPECT_EQ(Face::name(*b), "x");
    EXPECT_EQ(notices, Strings{Face::renamed("X", "x")});
    EXPECT_FALSE(f.exists("X"));
    EXPECT_EQ(f.item("x"), b);

    notices.clear();
    EXPECT_TRUE(f.add("B"));  // the old name is free: a new item
    EXPECT_EQ(f.c.Count(), 4);
    EXPECT_EQ(Face::name(*b), "x");
    EXPECT_NE(f.item("B"), b);
    EXPECT_EQ(f.item("B")->Properties()->Item(Face::setting)->Value().raw_string(), "B");
    EXPECT_TRUE(notices.empty());

    // A rename to another item's name but for letter case stands, and Add still goes by the
    // names; once that item has moved on, the renamed one answers to its name again.
    rename_by(path, *b, Face::setting, "a");
    EXPECT_FALSE(f.add("a"));
    EXPECT_FALSE(f.add("A"));
    EXPECT_EQ(f.c.Count(), 4);
    EXPECT_EQ(f.item("a"), b);
    ASSERT_TRUE(f.change("A", "Z"));
    EXPECT_TRUE(f.add("A"));
    EXPECT_EQ(f.c.Count(), 4);
    EXPECT_EQ(Face::name(*b), "A");

    EXPECT_TRUE(f.change("A", "Y"));
    EXPECT_EQ(Face::name(*b), "Y");
    EXPECT_TRUE(f.remove("Y"));
    EXPECT_EQ(f.c.Count(), 3);
    EXPECT_TRUE(f.add("y"));
    EXPECT_EQ(f.c.Count(), 4);
  }
}

TEST_F(TableTest, AddGoesByTheNamesAfterARenameBehindTheCollection) {
  expect_add_after_rename<TablesFace>(notices());
  expect_add_after_rename<FieldsFace>(notices());
}

// The key goes with the name setting, and comes back with a setting of that name.
TEST_F(TableTest, ANameSettingDeletedAndAddedAgainTakesTheKeyAlong) {
  AGPTables tables;
  for (const char* n : {"A", "B"}) ASSERT_TRUE(tables.Add(n));
  auto b = tables.Item(vb::Variant("B"));
  ASSERT_TRUE(b->Properties()->Delete("TblName"));
  EXPECT_TRUE(tables.Add("B"));
  EXPECT_EQ(tables.Count(), 3);
  ASSERT_TRUE(b->Properties()->Add("TblName"));
  b->Properties()->Item("TblName")->setValue(vb::Variant("Q"));
  EXPECT_FALSE(tables.Add("Q"));
  EXPECT_TRUE(tables.Add("q"));
  EXPECT_EQ(b->TblName(), "q");
  EXPECT_EQ(tables.Count(), 3);
}

TEST_F(TableTest, TblGenShowsOrHidesEveryTableEntry) {
  auto menus = menu_list();
  ASSERT_TRUE(menus->AddMenu(1, "Orders", -1, "Orders"));
  ASSERT_TRUE(menus->AddMenu(2, "custom", -1, "Orders", true));
  ASSERT_TRUE(menus->AddMenu(3, "other", -1, "orders"));
  auto t = vb::make_ref<AGPTable>();
  t->TblName("Orders");
  t->TblGen(false);
  EXPECT_FALSE(t->TblGen());
  EXPECT_FALSE(menus->GetItemByID(1)->MenuShow());
  EXPECT_TRUE(menus->GetItemByID(2)->MenuShow());  // custom URLs keep theirs
  EXPECT_TRUE(menus->GetItemByID(3)->MenuShow());  // exact names only
  t->SetV("TblGen", "True");                       // text access stores only
  EXPECT_FALSE(menus->GetItemByID(1)->MenuShow());
}

TEST_F(TableTest, RenameAndDeleteReachTheMenuAndTheExtensions) {
  auto menus = menu_list();
  AGPTables tables;
  ASSERT_TRUE(tables.Add("Orders"));
  ASSERT_TRUE(tables.Add("Items"));
  ASSERT_TRUE(menus->AddMenu(-1, "Orders", -1, "Orders"));
  ASSERT_TRUE(menus->AddMenu(-1, "link", -1, "Orders", true));

  EXPECT_TRUE(tables.Add("orders"));  // letter-case twin: a rename
  auto t = tables.Item(vb::Variant("orders"));
  ASSERT_TRUE(t);
  EXPECT_EQ(t->TblVar(), "orders");
  EXPECT_EQ(menus->Item(1)->MenuUrl(), "orders");
  EXPECT_EQ(menus->Item(2)->MenuUrl(), "Orders");  // custom URL untouched
  EXPECT_EQ(notices(), Strings{"rename table Orders orders"});

  ASSERT_TRUE(t->Fields()->Add("orders", "id"));
  ASSERT_TRUE(t->Fields()->Add("orders", "total"));
  notices().clear();
  EXPECT_TRUE(tables.Delete("orders"));
  EXPECT_EQ(menus->Count(), 1);  // the table's entry went; the custom one stays
  EXPECT_TRUE(menus->Item(1)->MenuCustomUrl());
  EXPECT_EQ(tables.Item(vb::Variant(int16_t(1)))->TblSeq(), 1);
  // The table's release step: its fields go last first under its current name.
  EXPECT_EQ(notices(), (Strings{"delete table orders", "delete field orders.total", "delete field orders.id"}));
  EXPECT_EQ(t->Fields()->Count(), 0);
}

// A list read from a project file may hold two table entries for one table: a rename
// points the first at the new name, a deletion removes the first only.
TEST_F(TableTest, MenuUpkeepTouchesTheFirstTableEntryOnly) {
  auto menus = menu_list();
  AGPTables tables;
  ASSERT_TRUE(tables.Add("Orders"));
  ASSERT_TRUE(menus->AddMenu(1, "custom", -1, "Orders", true));
  ASSERT_TRUE(menus->AddMenu(2, "first", -1, "Orders"));
  ASSERT_TRUE(menus->AddMenu(3, "second", -1, "Other"));
  menus->Item(3)->MenuUrl("Orders");
  auto urls = [&] {
    Strings out;
    for (int32_t i = 1; i <= menus->Count(); ++i) out.push_back(menus->Item(i)->MenuText() + ":" + menus->Item(i)->MenuUrl());
    return out;
  };
  ASSERT_TRUE(tables.Change("Orders", "Sales"));
  EXPECT_EQ(urls(), (Strings{"custom:Orders", "first:Sales", "second:Orders"}));
  ASSERT_TRUE(tables.Change("Sales", "Orders"));
  EXPECT_EQ(urls(), (Strings{"custom:Orders", "first:Orders", "second:Orders"}));
  ASSERT_TRUE(tables.Delete("Orders"));
  EXPECT_EQ(urls(), (Strings{"custom:Orders", "second:Orders"}));
}

TEST_F(TableTest, ReleaseUsesTheCurrentNameAfterARenameBehindTheCollection) {
  AGPTables tables;
  ASSERT_TRUE(tables.Add("Old"));
  auto t = tables.Item(vb::Variant("Old"));
  ASSERT_TRUE(t->Fields()->Add("Old", "a"));
  t->SetV("TblName", "New");  // not through Change
  notices().clear();
  EXPECT_TRUE(tables.delete_last());
  EXPECT_EQ(tables.Count(), 0);
  EXPECT_EQ(notices(), (Strings{"delete table New", "delete field New.a"}));
}

class DatabaseTest : public testing::ModelFixture {};

TEST_F(DatabaseTest, OneDatabaseOnly) {
  user_value(ctx().RegKeyDatabase, "MaxUploadSize", platform::RegValue::make_dword(2000000));
  AGPDatabases dbs;
  EXPECT_EQ(dbs.curSeq(), "0");
  dbs.Add("Sales");
  EXPECT_EQ(ctx().ProjErr, "");
  dbs.Add("Stock");
  EXPECT_EQ(ctx().ProjErr, "support 1 db only!");
  EXPECT_EQ(dbs.Count(), 1);
  EXPECT_EQ(dbs.curName(), "Sales");
  EXPECT_EQ(dbs.curSeq(), "1");
  auto db = dbs.Item(vb::Variant("SALES"));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->MaxUploadSize(), 2000000);
  EXPECT_EQ(db->DBName(), "Sales");
  db->Key("Renamed");
  EXPECT_EQ(db->DBName(), "Renamed");
  EXPECT_EQ(dbs.Item(vb::Variant(int32_t(1))), db);
  EXPECT_EQ(dbs.curName(), "Renamed");
  EXPECT_EQ(db->GetV("DBDatabaseNames"), "");
  EXPECT_FALSE(db->has_member("DBDatabaseNames"));  // no typed member
  EXPECT_TRUE(db->has_member("DBDBMSName"));
  EXPECT_THROW(db->let("DBDBMSName", vb::Variant("x")), vb::VBError);  // get only
}

TEST_F(DatabaseTest, ReleaseUnloadsTablesLastFirstAndClearsTheSecurityDefault) {
  auto progress = std::make_shared<platform::RecordingProgress>();
  ctx().progress.library = progress;
  AGPDatabases dbs;
  dbs.Add("db");
  auto db = dbs.Item(vb::Variant("db"));
  db->SecDefault("ReadOnly");
  EXPECT_EQ(vb::to_string(ctx().DefaultTblSecurity), "ReadOnly");
  for (const char* n : {"T1", "T2", "T3"}) ASSERT_TRUE(db->Tables()->Add(n));
  // A table renamed through its setter: unloading must not loop on it.
  db->Tables()->Item(vb::Variant("T2"))->TblName("Moved");
  notices().clear();
  dbs.Delete(vb::Variant("db"));
  EXPECT_EQ(dbs.Count(), 0);
  EXPECT_EQ(db->Tables()->Count(), 0);
  EXPECT_EQ(notices(), (Strings{"delete table T3", "delete table Moved", "delete table T1"}));
  EXPECT_EQ(ctx().ProgressDone, 0);
  EXPECT_EQ(ctx().ProgressTotal, 3);
  EXPECT_EQ(ctx().StatusTitle, "Tolvex - Unloading Database...");
  EXPECT_EQ(vb::to_string(ctx().DefaultTblSecurity), "");
  // Behind the progress window: each table named as it goes, the bar showing the share left.
  using Call = platform::RecordingProgress::Call;
  EXPECT_EQ(progress->calls(), (std::vector<Call>{{"ShowProgress", 0, "Tolvex - Unloading Database...", 0},
                                                  {"SetInfo", 1, "Unloading  T3...", 0},
                                                  {"SetProgress", 1, "", 67},
                                                  {"SetInfo", 1, "Unloading  Moved...", 0},
                                                  {"SetProgress", 1, "", 33},
                                                  {"SetInfo", 1, "Unloading  T1...", 0},
                                                  {"SetProgress", 1, "", 0},
                                                  {"CloseProgress", 1, "", 0}}));
  // A database that is not there: the container's error.
  EXPECT_THROW(dbs.Delete(vb::Variant("db")), vb::VBError);
}

}  // namespace
}  // namespace tolvex
