// The output pass's choice of outputs and its check mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fields/fields.h"
#include "generator/generation_fixture.h"
#include "generator/output_pass.h"
#include "model/tables.h"

namespace tolvex::testing {
namespace {

namespace fs = std::filesystem;

class OutputPassTest : public GenerationFixture {
 protected:
  OutputPassTest() {
    dest_ = docs_ / "site";
    proj_->Destination(dest_.string());
    orders_->TblKey("id");
    orders_->TblGen(true);
    orders_->Fields()->Item(vb::Variant("id"))->FldVar("x_id");
    orders_->Fields()->Item(vb::Variant("total"))->FldVar("x_total");
  }
  AGPControl& table_control(const std::string& id, const std::string& type = "table") {
    AGPControl c;
    c.CtrlID = id;
    c.CtrlType = type;
    c.CtrlOFile = id;
    c.CtrlOExt = "php";
    return add_control(c);
  }
  void touch(const std::string& name) {
    fs::create_directories(dest_);
    std::ofstream(dest_ / name) << "x";
  }
  fs::path dest_;
};

TEST_F(OutputPassTest, WhichControlsApplyToATable) {
  struct Case {
    bool gen;
    std::string units, table_type, ctrl_id, ctrl_type;
    bool expected;
  };
  const std::vector<Case> cases = {
      {true, "", "TABLE", "list", "table", true},
      {true, "", "VIEW", "list", "table", true},
      {true, "", "CUSTOMVIEW", "list", "table", true},
      {true, "", "REPORT", "list", "table", false},
      {true, "", "REPORT", "rpt", "report", true},
      {true, "", "TABLE", "rpt", "report", false},
      {true, "", "TABLE", "list", "Table", false},
      {false, "", "TABLE", "list", "table", false},
      {false, "login,logout", "TABLE", "login", "table", true},
      {false, "login,logout", "TABLE", "logout", "table", true},
      {false, "login,logout", "TABLE", "list", "table", false},
      {false, "login, logout", "TABLE", "logout", "table", false},  // entries are not trimmed
      {false, "login", "TABLE", "Login", "table", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.units + " " + c.table_type + " " + c.ctrl_id + " " + c.ctrl_type);
    orders_->TblGen(c.gen);
    orders_->TblSysGenUnits(c.units);
    orders_->TblType(c.table_type);
    EXPECT_EQ(IsTableForControl(*proj_, *orders_, c.ctrl_id, c.ctrl_type, ""), c.expected);
  }
  // The control's condition is asked with the table as the current one.
  orders_->TblGen(true);
  orders_->TblType("TABLE");
  set_current_table(*proj_, orders_);
  EXPECT_FALSE(IsTableForControl(*proj_, *orders_, "list", "table", "table/TblName/eq/other"));
  EXPECT_TRUE(IsTableForControl(*proj_, *orders_, "list", "table", "table/TblName/eq/orders"));
}

TEST_F(OutputPassTest, CheckModeCountsExistingOutputsAndStopsAtTheFirstTableWithOne) {
  table_control("list");
  EXPECT_EQ(GenerateProject(*proj_, true), 0);
  EXPECT_FALSE(fs::exists(dest_));  // check mode makes no folder

  // A view after the table: the pass stops at orders, whose output exists.
  view_->TblGen(true);
  ASSERT_TRUE(view_->Fields()->Add("v_orders", "id"));
  view_->TblVar("v_orders");
  touch("orderslist.php");
  touch("v_orderslist.php");
  EXPECT_EQ(GenerateProject(*proj_, true), 1);
}

TEST_F(OutputPassTest, TablesThatCannotBeGeneratedAreSwitchedOffAndKeylessTablesLoseTheirForms) {
  table_control("list");
  // v_orders has no fields; a custom view with an error.
  view_->TblGen(true);
  ASSERT_TRUE(db_->Tables()->Add("cv"));
  const vb::Ref<AGPTable> cv = db_->Tables()->Item(vb::Variant("cv"));
  cv->TblType("CUSTOMVIEW");
  ASSERT_TRUE(cv->Fields()->Add("cv", "a"));
  cv->TblGen(true);
  cv->TblCustomError("bad SQL");
  // orders without a key.
  orders_->TblKey("");
  orders_->TblAdd(true);
  orders_->TblEdit(true);
  orders_->TblDelete(true);
  orders_->TblView(true);
  EXPECT_EQ(GenerateProject(*proj_, true), 0);
  EXPECT_FALSE(view_->TblGen());
  EXPECT_FALSE(cv->TblGen());
  EXPECT_TRUE(orders_->TblGen());
  EXPECT_FALSE(orders_->TblAdd() || orders_->TblCopy() || orders_->TblView() || orders_->TblEdit() ||
               orders_->TblInlineEdit() || orders_->TblDelete());
  EXPECT_EQ(output_pass_state().table.TblName, "orders");
  EXPECT_FALSE(output_pass_state().table.HasKey);
}

TEST_F(OutputPassTest, SystemUnitsOfATableNotGeneratedGiveOnlyTheirOutputsAndNoFieldPages) {
  table_control("list");
  table_control("login");
  AGPControl f;
  f.CtrlID = "fld";
  f.CtrlType = "field";
  f.CtrlOFile = "fld";
  f.CtrlOExt = "php";
  add_control(f);
  orders_->TblGen(false);
  orders_->TblSysGenUnits("login,logout");
  orders_->Fields()->Item(vb::Variant("id"))->FldGenerate(true);
  touch("orderslist.php");
  touch("orders_idfld.php");
  EXPECT_EQ(GenerateProject(*proj_, true), 0);
  touch("orderslogin.php");
  EXPECT_EQ(GenerateProject(*proj_, true), 1);
}

TEST_F(OutputPassTest, FieldPagesAreCountedForGeneratedFields) {
  AGPControl f;
  f.CtrlID = "fld";
  f.CtrlType = "field";
  f.CtrlOFile = "fld";
  f.CtrlOExt = "php";
  add_control(f);
  orders_->Fields()->Item(vb::Variant("id"))->FldGenerate(false);
  orders_->Fields()->Item(vb::Variant("total"))->FldGenerate(true);
  touch("orders_idfld.php");
  EXPECT_EQ(GenerateProject(*proj_, true), 0);
  touch("orders_totalfld.php");
  EXPECT_EQ(GenerateProject(*proj_, true), 1);
}

}  // namespace
}  // namespace tolvex::testing
