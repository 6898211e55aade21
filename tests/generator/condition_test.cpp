#include "generator/condition.h"

#include <gtest/gtest.h>

#include <string>

#include "generation_fixture.h"
#include "templates/template_run.h"
#include "vb/error.h"

namespace tolvex {
namespace {

using vb::Variant;

struct Case {
  const char* cond;
  bool expected;
};

class ConditionTest : public testing::GenerationFixture {
 protected:
  ConditionTest() {
    proj_->UseCss(true);
    proj_->RecPerPage(20);
    proj_->RecPerRow(20);
    db_->DBType("MySQL");
    view_->TblRecPerPage(10);
    view_->TblCaption("Order List");
    set_current_table(*proj_, view_);
    auto total = orders_->Fields()->Item(Variant("total"));
    total->FldSize(8);
    total->FldCaption("Total");
    set_current_field(*proj_, total);
    AGPControl list;
    list.CtrlID = "list";
    list.CtrlType = "table";
    list.CtrlTagExt = ".php";
    list.CtrlSpace = true;
    add_control(list);
  }
  void expect_all(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c) EXPECT_EQ(EvalCondition(*proj_, Variant(c->cond)), c->expected) << c->cond;
  }
};

TEST_F(ConditionTest, SettingTermsOverEveryScope) {
  const Case cases[] = {
      {"", true},
      {"proj/UseCss/eq/True", true},
      {"proj/UseCss/eq/False", false},
      {"proj/usecss/eq/True", true},  // setting keys without letter case
      {"Table/TblType/EQ/VIEW", true},  // scope and operator in any letter case
      {"PROJ/UseCss/Eq/False", false},
      {"table/TblType/eq/TABLE|VIEW", true},  // one listed value is enough
      {"table/TblType/eq/TABLE|REPORT", false},
      {"table/TblType/ne/TABLE", true},
      {"table/TblType/eq/view", false},  // texts compare with letter case
      {"table/TblCaption/eq/\"Order List\"", true},  // String settings unquote the listed value
      {"proj/UseCss/eq/True,table/TblType/eq/TABLE", false},  // every term must hold
      {" proj/UseCss/eq/True , table/TblType/eq/VIEW ", true},
      // numbers compare as numbers, by the setting's type
      {"proj/RecPerPage/gt/9", true},
      {"proj/RecPerPage/lt/100", true},
      {"proj/RecPerPage/ge/20", true},
      {"proj/RecPerPage/le/19", false},
      {"table/TblRecPerPage/eq/%TblRecPerPage", true},  // "%" names a setting of the same object
      {"table/TblRecPerPage/lt/%RecPerPage", false},  // the project's RecPerPage is not the table's
      {"proj/RecPerPage/eq/%RecPerRow", true},
      {"proj/RecPerPage/gt/ %RecPerRow", false},
      {"proj/RecPerPage/eq/%NoSuchSetting", false},
      {"db/DBType/eq/MySQL", true},
      {"db/DBType/in/mysql5|ora", true},  // the actual value within a listed one, without letter case
      {"db/DBType/in/ora", false},
      {"db/DBType/ni/mysql5", false},
      {"db/DBType/ni/ora", true},
      {"field/FldSize/eq/8", true},
      {"field/FldSize/gt/10", false},
      {"field/FldCaption/eq/Total", true},
      // what holds because it cannot be read
      {"proj/UseCss/eq", true},
      {"proj/UseCss/eq/False/extra", true},
      {"nowhere/UseCss/eq/False", true},
      {"proj/UseCss/like/False", true},
      // a setting that is not there makes the condition False
      {"proj/NoSuchSetting/eq/x", false},
      {"proj/UseCss/eq/True,proj/NoSuchSetting/ne/x", false},
  };
  expect_all(std::begin(cases), std::end(cases));
}

TEST_F(ConditionTest, ControlTermsCompareTextsWithoutTheirQuotes) {
  const Case cases[] = {
      {"ctrl/CtrlID/eq/list", true},
      {"ctrl/ctrlid/eq/\"list\"", true},
      {"ctrl/CTRLID/eq/' list '", true},
      {"ctrl/CtrlID/eq/List", false},
      {"ctrl/CtrlTagExt/eq/.php", true},
      {"ctrl/CtrlSpace/eq/True", true},
      {"ctrl/CtrlOverwrite/eq/False", false},
      {"ctrl/CtrlType/in/table|report", true},
      {"ctrl/NotAField/eq/x", true},
  };
  expect_all(std::begin(cases), std::end(cases));
}

TEST_F(ConditionTest, MissingTableFieldOrDatabaseHold) {
  set_current_table(*proj_, nullptr);
  set_current_field(*proj_, nullptr);
  EXPECT_TRUE(EvalCondition(*proj_, Variant("table/TblType/eq/NOPE")));
  EXPECT_TRUE(EvalCondition(*proj_, Variant("field/FldSize/eq/-1")));
  EXPECT_FALSE(EvalCondition(*proj_, Variant("table/TblType/eq/NOPE,proj/UseCss/eq/False")));
  EXPECT_TRUE(EvalCondition(*proj_, Variant())) << "Empty";
  EXPECT_TRUE(EvalCondition(*proj_, Variant::null()));
}

TEST_F(ConditionTest, FunctionTermsRunTheGenerationEngine) {
  start_engine(
      "Function IsShop()\r\n IsShop = (PROJ.ProjName = \"Shop\")\r\nEnd Function\r\n"
      "Function TableCount()\r\n TableCount = DB.Tables.Count\r\nEnd Function\r\n"
      "Function CurrentTable()\r\n CurrentTable = DB.Tables.curName\r\nEnd Function\r\n");
  proj_->ProjName("Shop");
  db_->Tables()->SetItem(Variant("v_orders"));
  const Case cases[] = {
      {"function/IsShop/boolean/eq/True", true},
      {"FUNCTION/ IsShop/boolean/eq/False", false},
      {"function/TableCount/integer/eq/2", true},
      {"function/TableCount/integer/gt/10", false},  // numbers, not texts
      {"function/TableCount/string/eq/2", true},
      {"function/TableCount/long/eq/1|2|3", true},
      {"function/CurrentTable/string/in/x_v_orders_y", true},
      {"function/IsShop/boolean/eq/True,table/TblType/eq/TABLE", false},
      {"function/IsShop/boolean", true},
  };
  expect_all(std::begin(cases), std::end(cases));
  EXPECT_EQ(ctx().ProjErr, "");
}

TEST_F(ConditionTest, FailingScriptFunctionEndsTheRunWithTheEnginesMessage) {
  start_engine("Function Broken()\r\n Broken = 1 / 0\r\nEnd Function\r\n");
  try {
    EvalCondition(*proj_, Variant("function/Broken/boolean/eq/True"));
    FAIL() << "no error raised";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), -1);
    EXPECT_NE(ctx().ProjErr.find("Broken"), std::string::npos) << ctx().ProjErr;
    EXPECT_EQ(e.description(), ctx().ProjErr);
  }
}

TEST_F(ConditionTest, FunctionTermsWithoutAnEngineSeeAnEmptyText) {
  EXPECT_TRUE(EvalCondition(*proj_, Variant("function/IsShop/string/eq/")));
  EXPECT_FALSE(EvalCondition(*proj_, Variant("function/IsShop/boolean/eq/True")));
}

TEST_F(ConditionTest, TheTemplateLayerReachesTheConditionLanguage) {
  EXPECT_TRUE(evaluate_condition(*proj_, "table/TblType/eq/VIEW"));
  EXPECT_FALSE(evaluate_condition(*proj_, "table/TblType/eq/TABLE"));
}

TEST_F(ConditionTest, PercentPrefixReadsAnotherSettingOfTheSameStore) {
  const AGProperties& props = *proj_->Properties();
  EXPECT_EQ(vb::to_string(StripPercentPrefix(props, " %RecPerRow ", "Integer")), "20");
  EXPECT_EQ(vb::to_string(StripPercentPrefix(props, " 7", "Integer")), "7");
  EXPECT_EQ(vb::to_string(StripPercentPrefix(props, " 'x' ", "String")), "x");
  EXPECT_EQ(vb::to_string(StripPercentPrefix(props, " 'x' ", "Variant")), " 'x' ") << "kept as written";
  EXPECT_TRUE(StripPercentPrefix(props, "%Missing", "String").is_null());
}

}  // namespace
}  // namespace tolvex
