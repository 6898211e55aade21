#include "model/menus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/context.h"

namespace tolvex {
namespace {

std::vector<int32_t> ids(AGPMenus& m) {
  std::vector<int32_t> out;
  for (int32_t i = 1; i <= m.Count(); ++i) out.push_back(m.Item(i)->MenuId());
  return out;
}

std::vector<std::string> texts(AGPMenus& m) {
  std::vector<std::string> out;
  for (int32_t i = 1; i <= m.Count(); ++i) out.push_back(m.Item(i)->MenuText());
  return out;
}

TEST(SiteMenu, AddMenuChoosesIdentifiersAndKeepsOneEntryPerTable) {
  AGPMenus m;
  EXPECT_FALSE(m.AddMenu());  // a table entry needs a URL
  EXPECT_TRUE(m.AddMenu(7, "a", -1, "http://x", true));
  EXPECT_TRUE(m.AddMenu(7, "b", -1, "http://x", true));  // 7 is taken: highest + 1
  EXPECT_TRUE(m.AddMenu(-1, "c", -1, "http://y", true));
  EXPECT_EQ(ids(m), (std::vector<int32_t>{7, 8, 9}));

  EXPECT_TRUE(m.AddMenu(-1, "Orders", -1, "Orders"));
  EXPECT_FALSE(m.AddMenu(-1, "Orders again", -1, "Orders"));
  EXPECT_TRUE(m.AddMenu(-1, "custom", -1, "Orders", true));
  EXPECT_TRUE(m.MenuHasTable("Orders"));
  EXPECT_FALSE(m.MenuHasTable("orders"));  // exact comparison
  EXPECT_EQ(m.GetItemByTableName("Orders")->MenuText(), "Orders");
  EXPECT_EQ(m.curIndex(), 4);

  // A new entry from the defaults: parent -1, level 0, shown, display order -1.
  auto custom = m.Item(5);
  EXPECT_EQ(custom->MenuParentID(), -1);
  EXPECT_EQ(custom->MenuLevel(), 0);
  EXPECT_TRUE(custom->MenuShow());
  EXPECT_EQ(custom->MenuDisplayOrder(), -1);

  // Item outside 1..Count gives Nothing and leaves curIndex.
  EXPECT_FALSE(m.Item(0));
  EXPECT_FALSE(m.Item(m.Count() + 1));
  EXPECT_FALSE(m.GetItemByID(99));
  EXPECT_EQ(m.curIndex(), 5);
}

TEST(SiteMenu, ChangeMenuRefusesAnotherTablesUrl) {
  AGPMenus m;
  ASSERT_TRUE(m.AddMenu(1, "A", -1, "A"));
  ASSERT_TRUE(m.AddMenu(2, "B", -1, "B"));
  struct Case {
    int32_t id;
    const char* url;
    bool custom;
    bool ok;
  } cases[] = {
      {1, "A", false, true},   // keeps its own URL
      {1, "B", false, false},  // B belongs to entry 2
      {1, "B", true, true},    // a custom URL is never a conflict
      {1, "", false, false},   // a table entry needs a URL
      {3, "C", false, false},  // no such identifier
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " " + c.url);
    EXPECT_EQ(m.ChangeMenu(c.id, "text", -1, c.url, c.custom, 0, true, 1), c.ok);
  }
  EXPECT_EQ(m.GetItemByID(1)->MenuUrl(), "B");
  EXPECT_TRUE(m.GetItemByID(1)->MenuCustomUrl());
}

TEST(SiteMenu, DeleteMenuLiftsChildrenAndLowersTheNextIdentifier) {
  AGPMenus m;
  ASSERT_TRUE(m.AddMenu(1, "parent", -1, "P"));
  ASSERT_TRUE(m.AddMenu(2, "child", 1, "C"));
  ASSERT_TRUE(m.AddMenu(5, "last", -1, "L"));
  EXPECT_FALSE(m.DeleteMenu(9));
  EXPECT_TRUE(m.DeleteMenu(1));
  EXPECT_EQ(m.GetItemByID(2)->MenuParentID(), -1);
  EXPECT_TRUE(m.DeleteMenu(5));
  ASSERT_TRUE(m.AddMenu(-1, "new", -1, "N"));
  EXPECT_EQ(m.GetItemByID(3)->MenuText(), "new");  // highest left was 2
}

TEST(SiteMenu, SortPutsSubtreesBehindTheirParents) {
  struct Entry {
    int32_t id, parent, order;
    const char* text;
  };
  struct Case {
    std::vector<Entry> entries;
    std::vector<std::string> sorted;
  } cases[] = {
      {{{1, -1, 2, "A"}, {2, -1, 1, "B"}, {3, 1, 1, "C"}, {4, 2, 1, "D"}}, {"B", "D", "A", "C"}},
      // Grandchildren follow their parent, children keep their display order.
      {{{1, -1, 1, "root"}, {2, 1, 2, "second"}, {3, 1, 1, "first"}, {4, 3, 1, "grandchild"}, {5, -1, 2, "other"}},
       {"root", "first", "grandchild", "second", "other"}},
      // Pass 2 looks only behind an entry: a child that stands before its parent stays there.
      {{{1, 7, 1, "parent"}, {2, 1, 1, "child"}}, {"child", "parent"}},
      // Equal keys: the exchanges of pass 1 decide the order (a and c end swapped).
      {{{1, -1, 1, "a"}, {2, -1, 0, "b"}, {3, -1, 1, "c"}, {4, -1, 0, "d"}}, {"b", "d", "c", "a"}},
  };
  for (const Case& c : cases) {
    AGPMenus m;
    for (const Entry& e : c.entries) ASSERT_TRUE(m.AddMenu(e.id, e.text, e.parent, "", true, 0, true, e.order));
    m.Sort();
    EXPECT_EQ(texts(m), c.sorted);
  }
}

class SiteMenuFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_->ProductTitle = "Tolvex";
    dir_ = std::filesystem::temp_directory_path() /
           ("tolvex-menus-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& text) {
    auto p = dir_ / name;
    std::ofstream(p) << text;
    return p.string();
  }
  ContextScope ctx_;
  std::filesystem::path dir_;
};

TEST_F(SiteMenuFile, LoadMenusReadsTopLevelMenuElements) {
  AGPMenus m;
  ASSERT_TRUE(m.AddMenu(20, "old", -1, "", true));
  std::string file = write("p.tvp",
                           "<?xml version=\"1.0\"?>\n<Project Version=\"3.0\">"
                           "<Menu MenuID=\"3\" MenuText=\"Orders\" MenuParentID=\"-1\" MenuUrl=\"orders\" "
                           "MenuCustomUrl=\"0\" MenuLevel=\"0\" MenuShow=\"1\" MenuDisplayOrder=\"2\"/>"
                           "<MENU menuid=\"10\" menutext=\"Home\" menucustomurl=\"True\" menushow=\"x\"/>"
                           "<Database><Menu MenuID=\"99\"/></Database></Project>");
  ASSERT_TRUE(m.LoadMenus(vb::Variant(file)));
  ASSERT_EQ(m.Count(), 2);
  auto a = m.Item(1);
  EXPECT_EQ(a->MenuId(), 3);
  EXPECT_EQ(a->MenuUrl(), "orders");
  EXPECT_TRUE(a->MenuShow());
  EXPECT_EQ(a->MenuDisplayOrder(), 2);
  auto b = m.Item(2);
  EXPECT_EQ(b->MenuText(), "Home");
  EXPECT_TRUE(b->MenuCustomUrl());
  EXPECT_FALSE(b->MenuShow());  // "x" does not convert: the reset value stays
  EXPECT_EQ(b->MenuParentID(), -1);
  // The highest identifier seen is not reset by loading.
  ASSERT_TRUE(m.AddMenu(-1, "next", -1, "", true));
  EXPECT_EQ(m.Item(3)->MenuId(), 21);
  EXPECT_EQ(ctx_->ProjErr, "");
}

TEST_F(SiteMenuFile, LoadMenusFailures) {
  AGPMenus m;
  ASSERT_TRUE(m.AddMenu(1, "kept", -1, "T"));
  EXPECT_FALSE(m.LoadMenus(vb::Variant((dir_ / "missing.tvp").string())));
  EXPECT_EQ(ctx_->ProjErr, "Tolvex: Load project file failed!");
  EXPECT_EQ(m.Count(), 1);

  EXPECT_FALSE(m.LoadMenus(vb::Variant(write("bad.tvp", "<Other><Menu MenuID=\"1\"/></Other>"))));
  EXPECT_EQ(ctx_->ProjErr, "Tolvex: Project file is invalid!");
  EXPECT_EQ(m.Count(), 0);
}

}  // namespace
}  // namespace tolvex
