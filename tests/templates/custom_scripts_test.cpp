#include "templates/custom_scripts.h"

#include <gtest/gtest.h>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "vb/convert.h"

using namespace tolvex;
using vb::Variant;

namespace {

ScriptId sid(std::string l1, std::string l2 = "", std::string name = "Page_Load", std::string ctrl = "list") {
  return {"php", "Server", std::move(name), std::move(ctrl), std::move(l1), std::move(l2)};
}

std::vector<std::string> names_by_seq(const AGPCustomScripts& c) {
  std::vector<std::string> out;
  for (int32_t i = 1; i <= c.Count(); ++i) {
    auto s = c.Seq(i);
    out.push_back(s ? s->ScriptL1Key() : "<none>");
  }
  return out;
}

class CustomScriptsTest : public ::testing::Test {
 protected:
  ContextScope ctx_;
};

}  // namespace

TEST_F(CustomScriptsTest, AddFindAndKeys) {
  AGPCustomScripts c;
  EXPECT_TRUE(c.Add(sid("orders", "id")));
  EXPECT_EQ(c.curName(), "php_Server_Page_Load_list_orders_id");
  EXPECT_EQ(c.curSeq(), "1");
  EXPECT_TRUE(c.Add(sid("items")));
  EXPECT_EQ(c.curName(), "php_Server_Page_Load_list_items_");  // empty parts keep their place
  EXPECT_EQ(c.curSeq(), "2");
  // The same six texts again: no new snippet, but it becomes current.
  EXPECT_TRUE(c.Add(sid("orders", "id")));
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.curSeq(), "1");

  for (const ScriptId& bad : {ScriptId{"", "a", "b", "", "", ""}, ScriptId{"a", "", "b", "", "", ""},
                              ScriptId{"a", "b", "", "", "", ""}})
    EXPECT_FALSE(c.Add(bad));
  EXPECT_EQ(c.Count(), 2);

  // Lookups compare every text exactly.
  EXPECT_TRUE(c.ScriptExist(sid("orders", "id")));
  EXPECT_FALSE(c.ScriptExist(sid("orders", "id", "page_load")));
  EXPECT_FALSE(c.ScriptItem(sid("Orders", "id")));
  auto s = c.ScriptItem(sid("items"));
  ASSERT_TRUE(s);
  EXPECT_EQ(c.curSeq(), "2");
  EXPECT_EQ(s->ScriptType(), "php");
  EXPECT_EQ(s->ScriptCtrlID(), "list");
  EXPECT_EQ(s->ScriptCode(), "");
  EXPECT_EQ(s->Key, "");  // the collection leaves Key alone

  // Texts that differ only in letter case, or whose joined form is the same, are still
  // different snippets.
  EXPECT_TRUE(c.Add(sid("ORDERS", "id")));
  EXPECT_TRUE(c.Add(sid("a_b", "c")));
  EXPECT_TRUE(c.Add(sid("a", "b_c")));
  EXPECT_EQ(c.Count(), 5);
  EXPECT_EQ(c.ScriptItem(sid("a", "b_c"))->ScriptL2Key(), "b_c");
  EXPECT_EQ(c.curSeq(), "5");
}

TEST_F(CustomScriptsTest, DeleteClosesTheGapInSeq) {
  AGPCustomScripts c;
  for (const char* t : {"one", "two", "three"}) ASSERT_TRUE(c.Add(sid(t)));
  EXPECT_FALSE(c.Delete(sid("TWO")));
  EXPECT_TRUE(c.Delete(sid("two")));
  EXPECT_EQ(names_by_seq(c), (std::vector<std::string>{"one", "three"}));
  EXPECT_FALSE(c.Seq(3));
  EXPECT_FALSE(c.Delete(sid("two")));
  EXPECT_TRUE(c.Add(sid("four")));
  EXPECT_EQ(names_by_seq(c), (std::vector<std::string>{"one", "three", "four"}));
}

TEST_F(CustomScriptsTest, ChangeRenamesTheFirstKeyLevel) {
  AGPCustomScripts c;
  ASSERT_TRUE(c.Add(sid("orders", "a")));
  ASSERT_TRUE(c.Add(sid("orders", "b")));
  ASSERT_TRUE(c.Add(sid("Orders", "c")));
  ASSERT_TRUE(c.Add(sid("sales", "b")));
  c.ScriptItem(sid("orders", "a"))->Key = "mine";

  EXPECT_FALSE(c.Change("orders", ""));
  EXPECT_FALSE(c.Change("", "x"));
  EXPECT_TRUE(c.ScriptExist(sid("orders", "a")));

  // ("orders", "b") would become ("sales", "b"), which exists: that one stays.
  EXPECT_TRUE(c.Change("orders", "sales"));
  EXPECT_EQ(names_by_seq(c), (std::vector<std::string>{"sales", "orders", "Orders", "sales"}));
  EXPECT_TRUE(c.ScriptExist(sid("sales", "a")));
  EXPECT_TRUE(c.ScriptExist(sid("orders", "b")));
  EXPECT_EQ(c.ScriptItem(sid("sales", "a"))->Key, "mine");
  // The renamed snippet is found again after further changes to the collection.
  EXPECT_TRUE(c.Delete(sid("sales", "a")));
  EXPECT_TRUE(c.Add(sid("sales", "a")));
  EXPECT_EQ(c.curSeq(), "4");
  EXPECT_FALSE(c.Change("nobody", "x"));
}

TEST_F(CustomScriptsTest, TextsChangedOnTheSnippetItselfAreWhatLookupsSee) {
  AGPCustomScripts c;
  for (const char* t : {"one", "two", "three"}) ASSERT_TRUE(c.Add(sid(t)));
  c.ScriptItem(sid("two"))->ScriptCode("echo 2;");  // not an identifying text
  EXPECT_TRUE(c.ScriptExist(sid("two")));

  c.ScriptItem(sid("two"))->let("ScriptL1Key", Variant("deux"));
  EXPECT_FALSE(c.ScriptExist(sid("two")));
  EXPECT_TRUE(c.ScriptExist(sid("deux")));
  // Adding the changed texts finds the snippet instead of adding a second one.
  EXPECT_TRUE(c.Add(sid("deux")));
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.curSeq(), "2");
  EXPECT_EQ(c.ScriptItem(sid("deux"))->ScriptCode(), "echo 2;");

  // Through the settings store as well.
  c.ScriptItem(sid("three"))->Properties().Item("ScriptName")->setValue(Variant("Page_Unload"));
  EXPECT_TRUE(c.ScriptExist(sid("three", "", "Page_Unload")));
  EXPECT_FALSE(c.ScriptExist(sid("three")));

  // Seq set by hand: Seq(i) finds the snippet that holds i now.
  c.ScriptItem(sid("one"))->Seq(7);
  EXPECT_EQ(c.Seq(7)->ScriptL1Key(), "one");
  EXPECT_FALSE(c.Seq(1));
  EXPECT_TRUE(c.Delete(sid("deux")));
  EXPECT_EQ(names_by_seq(c), (std::vector<std::string>{"<none>", "three"}));
  EXPECT_EQ(c.Seq(6)->ScriptL1Key(), "one");
}

TEST_F(CustomScriptsTest, SettingsAndDispatch) {
  AGPCustomScript s;
  struct Row {
    const char* name;
    const char* type;
    bool file_save, sync;
  };
  const Row rows[] = {{"Seq", "Integer", false, false},         {"ScriptType", "String", true, true},
                      {"ScriptCodeType", "String", true, true}, {"ScriptName", "String", true, true},
                      {"ScriptCtrlID", "String", true, true},   {"ScriptL1Key", "String", true, true},
                      {"ScriptL2Key", "String", true, true},    {"ScriptCode", "String", false, true}};
  ASSERT_EQ(s.Properties().Count(), 8);
  for (size_t i = 0; i < std::size(rows); ++i) {
    const PropertyDesc& d = s.Properties().desc_at(i);
    EXPECT_EQ(d.name, rows[i].name);
    EXPECT_EQ(d.data_type, rows[i].type);
    EXPECT_FALSE(d.reg_save);
    EXPECT_EQ(d.reg_format, 0);
    EXPECT_EQ(d.file_save, rows[i].file_save) << d.name;
    EXPECT_EQ(d.sync, rows[i].sync) << d.name;
  }

  // Positions past the Integer range do not wrap.
  s.Seq(40000);
  EXPECT_EQ(s.Seq(), 40000);
  EXPECT_EQ(vb::to_long(s.get("Seq")), 40000);
  s.let("Seq", Variant(int16_t(3)));
  EXPECT_EQ(s.get("Seq").type(), vb::VarType::Integer);

  auto col = create_object("Tolvex.AGPCustomScripts");
  ASSERT_TRUE(col);
  Variant id[] = {Variant("php"), Variant("Server"), Variant("Page_Load"), Variant(""), Variant("t"), Variant("")};
  EXPECT_TRUE(vb::to_bool(col->call("Add", id)));
  EXPECT_EQ(vb::to_string(col->get("curSeq")), "1");
  Variant item = col->invoke(vb::kDispValue, vb::InvokeKind::Get, id);  // ScriptItem
  ASSERT_TRUE(item.is_object());
  auto snippet = item.object();
  snippet->let("ScriptCode", Variant("echo 1;"));
  Variant key[] = {Variant("ScriptCode")};
  auto prop = snippet->get("Properties").object()->get("Item", key).object();
  EXPECT_EQ(vb::to_string(prop->get("Value")), "echo 1;");
  EXPECT_EQ(vb::to_string(snippet->get("ScriptCode")), "echo 1;");
  EXPECT_EQ(snippet->get("Seq").type(), vb::VarType::Integer);
  int n = 0;
  auto e = col->enumerate();
  ASSERT_TRUE(e);
  Variant v;
  while (e->next(v)) ++n;
  EXPECT_EQ(n, 1);
  Variant rename[] = {Variant("t"), Variant("u")};
  EXPECT_TRUE(vb::to_bool(col->call("Change", rename)));
  Variant one[] = {Variant(1)};
  EXPECT_EQ(vb::to_string(col->call("Seq", one).object()->get("ScriptL1Key")), "u");
}
