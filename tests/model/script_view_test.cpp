// The model as scripts reach it: members by name, settings by their keys, collections
// whose default member takes a name or a position by the argument's subtype,
// enumeration, and the errors a script sees.
#include <gtest/gtest.h>

#include <string>

#include "fields/charts.h"
#include "model/project.h"
#include "model/project_fixture.h"
#include "vb/convert.h"
#include "vbscript/engine.h"

namespace tolvex {
namespace {

class ScriptView : public testing::ProjectFixture {
 protected:
  ScriptView() {
    project_ = vb::make_ref<AGP>();
    project_->AddProj("Shop");
    project_->databases().Add("shop");
    project_->set_current_database(project_->databases().Item(vb::Variant("shop")));
    AGPTables& tables = *project_->DB()->Tables();
    tables.Add("orders");
    tables.Add("items");
    auto orders = tables.Item(vb::Variant("orders"));
    orders->Fields()->Add("orders", "id");
    orders->Fields()->Add("orders", "total");
    orders->Charts()->Add("orders", "Sales");
    orders->Charts()->Item(vb::Variant("Sales"))->Trendlines()->Add("Target");
    project_->MenuList()->AddMenu(-1, "Orders", -1, "orders");
    engine_.add_object("PROJ", project_);
    engine_.add_object("DB", project_->DB());
    engine_.add_object("MENULIST", project_->MenuList());
    engine_.add_code(
        "Function Keys(c)\n"
        "  Dim x, s\n"
        "  For Each x In c\n"
        "    s = s & x.Key & \",\"\n"
        "  Next\n"
        "  Keys = s\n"
        "End Function\n");
  }

  std::string eval(const std::string& expr) { return vb::to_string(engine_.eval(expr)); }
  int32_t error_of(const std::string& expr) {
    try {
      engine_.eval(expr);
    } catch (const vb::VBError& e) {
      return e.number();
    }
    return 0;
  }

  vb::Ref<AGP> project_;
  vbscript::ScriptEngine engine_;
};

TEST_F(ScriptView, MembersSettingsAndCollectionsByName) {
  struct Case {
    const char* expr;
    const char* text;
  } cases[] = {
      {"PROJ.ProjName & \"/\" & PROJ.ProjVar", "Shop/Shop"},
      {"TypeName(PROJ.defaultDateFormat) & TypeName(PROJ.SmtpServerPort) & TypeName(PROJ.AutoSync)",
       "IntegerLongBoolean"},
      {"PROJ.Properties(\"SecType\")", "None"},  // Item, then the setting's Value: both default members
      {"PROJ.Properties.Item(\"SecType\").DataType", "String"},
      {"PROJ.Properties.Item(1) Is Nothing", "True"},  // a position never selects a setting
      {"PROJ.GetV(\"AutoSync\")", "True"},
      {"TypeName(PROJ.DBCnt) & PROJ.DBCnt", "Integer1"},
      {"DB.Tables(1).TblName", "orders"},  // a number is a position
      {"DB.Tables(CDbl(2)).TblName", "items"},
      {"DB.Tables(\"items\").TblSeq", "2"},  // a text is an exact name
      {"DB.Tables(\"Orders\") Is Nothing", "True"},
      {"DB.Tables(\"2\") Is Nothing", "True"},
      {"DB.Tables(True) Is Nothing", "True"},  // neither: Nothing
      {"DB.Tables.TableExist(\"ORDERS\")", "False"},
      {"DB.Tables(\"orders\").Fields(\"total\").FldSeq", "2"},
      {"DB.Tables.Item(\"orders\").Fields.Seq(1).FldName", "id"},
      {"DB.Tables(\"orders\").Charts(\"Sales\").Trendlines(1).TrendName", "Target"},
      {"TypeName(DB.Tables.curSeq) & TypeName(DB.Tables(\"orders\").Charts.curSeq)", "IntegerString"},
      {"Keys(DB.Tables) & Keys(DB.Tables(\"orders\").Fields) & Keys(DB.Tables(\"orders\").Charts)",
       "orders,items,id,total,Sales,"},
      {"MENULIST(1).MenuUrl & MENULIST.Count", "orders1"},
      {"PROJ.FldSrchOprs(11)", "USER SELECT\r\n=\r\n<>"},
      {"PROJ.DB.Key", "shop"},
  };
  for (const Case& c : cases) EXPECT_EQ(eval(c.expr), c.text) << c.expr;
}

TEST_F(ScriptView, ErrorsAScriptSees) {
  struct Case {
    const char* expr;
    int32_t number;
  } cases[] = {
      // A missing setting or table is Nothing; the script engine refuses a member of Nothing.
      {"PROJ.Properties(\"NoSuch\").Value", vb::err::kObjectRequired},
      {"PROJ.Properties(\"projname\").Value", vb::err::kObjectRequired},
      {"DB.Tables(\"nope\").TblName", vb::err::kObjectRequired},
      {"PROJ.GetV(\"projname\")", vb::err::kKeyAlreadyExists},  // a letter-case twin of a key
      {"PROJ.NoSuchMember", vb::err::kNotSupported},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.expr), c.number) << c.expr;
  EXPECT_EQ(project_->Properties()->Count(), 122);  // nothing was added on the way

  // A typed property whose setting the host deleted finds no setting: error 91, and
  // it declares nothing; GetV declares the name again as a text setting.
  engine_.execute_statement("PROJ.Properties.Delete \"SecType\"");
  EXPECT_EQ(error_of("PROJ.SecType"), vb::err::kObjectVariableNotSet);
  EXPECT_EQ(error_of("PROJ.Properties(\"SecType\").Value"), vb::err::kObjectRequired);
  EXPECT_EQ(project_->Properties()->Count(), 121);
  EXPECT_EQ(eval("PROJ.GetV(\"SecType\") & PROJ.SecType"), "");
  EXPECT_EQ(project_->Properties()->Count(), 122);
}

}  // namespace
}  // namespace tolvex
