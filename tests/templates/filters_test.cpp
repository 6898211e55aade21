#include "templates/filters.h"

#include <gtest/gtest.h>

#include <memory>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "platform/registry.h"
#include "vb/convert.h"
#include "vb/error.h"

using namespace tolvex;
using platform::RegRoot;
using platform::RegValue;
using vb::Variant;

namespace {

const std::string kBase = "Software\\Tolvex\\3.0\\AdvancedFilters";

class FiltersTest : public ::testing::Test {
 protected:
  void SetUp() override { ctx_->RegKeyAdvancedFilters = kBase; }

  void option(const std::string& group, const std::string& name, const std::string& expr, const RegValue& order) {
    const std::string key = kBase + "\\" + group + "\\" + name;
    reg_->set_value(RegRoot::CurrentUser, key, "EvalString", RegValue::make_text(expr));
    reg_->set_value(RegRoot::CurrentUser, key, "Order", order);
  }
  void option(const std::string& group, const std::string& name, const std::string& expr, uint32_t order) {
    option(group, name, expr, RegValue::make_dword(order));
  }

  // "name=expression" of each option of a group, in order.
  std::vector<std::string> listing(const AGPFilter& f, const std::string& group) {
    std::vector<std::string> out;
    for (int32_t i = 1; i <= f.OptionCount(Variant(group)); ++i)
      out.push_back(f.OptionName(Variant(group), Variant(i)) + "=" + f.Expression(Variant(group), Variant(i)));
    return out;
  }

  std::shared_ptr<platform::MemoryRegistry> reg_ = std::make_shared<platform::MemoryRegistry>();
  platform::ScopedRegistry scoped_{reg_};
  ContextScope ctx_;
};

}  // namespace

TEST_F(FiltersTest, GroupsAndOptionsInTheirOrder) {
  option("Price", "Cheap", "x < 10", 10);
  option("Price", "Bargain", "x < 5", 5);
  option("Price", "Dear", "x > 100", 20);
  option("Age", "New", "age < 1", RegValue::make_text("2"));  // a text order counts as its number
  option("Age", "Old", "age > 10", 2);                          // the same order: both stay
  option("Age", "Middle", "age = 5", 1);
  reg_->create_key(RegRoot::CurrentUser, kBase + "\\Empty");

  AGPFilter f;
  EXPECT_EQ(f.GroupCount(), 0);
  f.Load();
  // Groups in the order the registry lists them (sorted without letter case).
  ASSERT_EQ(f.GroupCount(), 3);
  EXPECT_EQ(f.GroupName(Variant(int16_t(1))), "Age");
  EXPECT_EQ(f.GroupName(Variant(2)), "Empty");
  EXPECT_EQ(f.GroupName(Variant("3")), "Price");
  for (const Variant& v : {Variant(0), Variant(4), Variant("x"), Variant(), Variant::null()})
    EXPECT_EQ(f.GroupName(v), "");

  EXPECT_EQ(listing(f, "Price"), (std::vector<std::string>{"Bargain=x < 5", "Cheap=x < 10", "Dear=x > 100"}));
  EXPECT_EQ(listing(f, "PRICE"), listing(f, "Price"));
  EXPECT_EQ(f.OptionName(Variant("price"), Variant(3)), "Dear");
  EXPECT_EQ(listing(f, "Age"), (std::vector<std::string>{"Middle=age = 5", "New=age < 1", "Old=age > 10"}));
  EXPECT_EQ(f.OptionCount(Variant("Empty")), 0);
  EXPECT_EQ(f.OptionCount(Variant("nope")), 0);
  EXPECT_EQ(f.OptionName(Variant("Price"), Variant(4)), "");
  EXPECT_EQ(f.Expression(Variant("Price"), Variant("abc")), "");
  EXPECT_EQ(f.options().size(), 6u);
}

TEST_F(FiltersTest, LoadingAgainReplacesWhatWasRead) {
  option("G", "A", "1", 1);
  option("G", "B", "2", 2);
  AGPFilter f;
  f.Load();
  f.Load();
  EXPECT_EQ(f.OptionCount(Variant("G")), 2);
  EXPECT_EQ(f.options().size(), 2u);

  reg_->delete_key(RegRoot::CurrentUser, kBase + "\\G");
  option("H", "C", "3", 1);
  f.Load();
  EXPECT_EQ(f.GroupCount(), 1);
  EXPECT_EQ(f.OptionCount(Variant("G")), 0);
  EXPECT_EQ(f.OptionCount(Variant("H")), 1);

  reg_->delete_key(RegRoot::CurrentUser, kBase);
  f.Load();
  EXPECT_EQ(f.GroupCount(), 0);
  EXPECT_TRUE(f.options().empty());
}

TEST_F(FiltersTest, OrderThatIsNoNumberRaisesAndKeepsTheTable) {
  option("G", "A", "1", 1);
  AGPFilter f;
  f.Load();
  option("G", "B", "2", RegValue::make_text("second"));
  EXPECT_THROW(f.Load(), vb::VBError);
  EXPECT_EQ(f.GroupCount(), 1);
  EXPECT_EQ(listing(f, "G"), (std::vector<std::string>{"A=1"}));
}

TEST_F(FiltersTest, ReachableByName) {
  option("G", "A", "expr", 7);
  auto f = create_object("Tolvex.AGPFilter");
  ASSERT_TRUE(f);
  f->call("Load");
  EXPECT_EQ(vb::to_long(f->get("GroupCount")), 1);
  Variant one[] = {Variant(1)};
  EXPECT_EQ(vb::to_string(f->call("GroupName", one)), "G");
  Variant g[] = {Variant("g")};
  EXPECT_EQ(vb::to_long(f->call("OptionCount", g)), 1);
  Variant g1[] = {Variant("G"), Variant(1)};
  EXPECT_EQ(vb::to_string(f->call("OptionName", g1)), "A");
  EXPECT_EQ(vb::to_string(f->call("Expression", g1)), "expr");
}
