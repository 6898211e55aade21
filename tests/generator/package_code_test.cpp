// The shipped system code helpers and the sample package's script functions over a real
// project: the lookups find what they always found, keep the collections' current items,
// and the menu and detail lists the info and menu pages print.
#include <gtest/gtest.h>

#include <string>

#include "generation_fixture.h"
#include "model/menus.h"
#include "platform/file_io.h"
#include "vbscript/engine.h"

namespace tolvex::testing {
namespace {

const std::string kShare = std::string(TOLVEX_SOURCE_DIR) + "/share/tolvex";

// The code of a system code file without its block markers.
std::string system_code(const std::string& file) {
  std::string code = platform::read_file(kShare + "/code/" + file);
  for (const std::string marker : {"<!--##", "##-->"}) {
    for (size_t at = code.find(marker); at != std::string::npos; at = code.find(marker)) code.erase(at, marker.size());
  }
  return code;
}

class PackageCode : public GenerationFixture {
 protected:
  // The generation engine with the helpers and the sample package's functions in its System
  // module, over the sample package's controls and the project's menu.
  AGScript& start() {
    EXPECT_TRUE(controls().LoadControls(kShare + "/templates/sample/control.xml"));
    engine_ = vb::make_ref<AGScript>();
    engine_->Initialize(vb::Variant(proj_), vb::Variant(db_), vb::Variant(project_template_state(*proj_).controls),
                        vb::Variant(), vb::Variant(), vb::Variant(), vb::Variant(proj_->MenuList()));
    EXPECT_EQ(ctx().ProjErr, "");
    engine_->engine()->add_code(system_code("helpers.txt"), AGScript::kSystemModule);
    engine_->engine()->add_code(platform::read_file(kShare + "/templates/sample/functions.vbs"),
                                AGScript::kSystemModule);
    ctx().GenerationEngine = engine_;
    return *engine_;
  }
  std::string eval(const std::string& expr) {
    return vb::to_string(engine_->engine()->eval(expr, AGScript::kSystemModule));
  }
  void run(const std::string& code) { engine_->engine()->add_code(code, AGScript::kSystemModule); }

  vb::Ref<AGScript> engine_;
};

TEST_F(PackageCode, TextAndTruthOfEveryKindOfValue) {
  start();
  struct Case {
    const char* value;
    const char* text;
    const char* truth;
  };
  const Case cases[] = {
      {"Empty", "", "False"},
      {"Null", "", "False"},
      {"\"abc\"", "abc", "False"},
      {"\" True \"", " True ", "True"},
      {"\"-1\"", "-1", "True"},
      {"\"yes\"", "yes", "False"},
      {"True", "True", "True"},
      {"False", "False", "False"},
      {"CLng(2)", "2", "True"},
      {"CByte(0)", "0", "False"},
      {"Nothing", "", "False"},
      {"DB", "", "False"},
      // An object whose default member is a text is still an object.
      {"DB.Tables(\"orders\").Properties(\"TblName\")", "", "False"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(eval(std::string("zvText(") + c.value + ")"), c.text) << c.value;
    EXPECT_EQ(eval(std::string("zvIsTrue(") + c.value + ")"), c.truth) << c.value;
  }
}

// Texts outside ASCII (anything above "~") are written as escapes or character references;
// plain ASCII, "%" included, stays as it is.
TEST_F(PackageCode, TextsAboveAsciiAreEscaped) {
  start();
  const struct {
    const char* text;  // a VBScript expression
    const char* php;
    const char* html;
  } cases[] = {
      {"\"\"", "''", ""},
      {"\"a 100% ~ b\"", "'a 100% ~ b'", "a 100% ~ b"},
      {"\"it's\"", "'it\\'s'", "it&#039;s"},
      {"\"T\" & ChrW(225) & \"bla $x\"", "\"T\\u{E1}bla \\$x\"", "T&#225;bla $x"},
      {"\"del\" & ChrW(127)", "\"del\\u{7F}\"", "del&#127;"},
      {"ChrW(&H20AC) & vbTab & \"<\"", "\"\\u{20AC}\\x09<\"", "&#8364;\t&lt;"},
      {"ChrW(228) & \"\"\"\" & \"\\\"", "\"\\u{E4}\\\"\\\\\"", "&#228;&quot;\\"},
      {"\"t\" & ChrW(226) & \"bl_\" & ChrW(&H65E5) & ChrW(&H672C)", "\"t\\u{E2}bl_\\u{65E5}\\u{672C}\"", "t&#226;bl_&#26085;&#26412;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(eval(std::string("tvPhpStr(") + c.text + ")"), c.php) << c.text;
    // The system code's literal (names and SQL of the pages) says the same in plain ASCII.
    EXPECT_EQ(eval(std::string("zvPhpStr(") + c.text + ")"), c.php) << c.text;
    EXPECT_EQ(eval(std::string("tvHtml(") + c.text + ")"), c.html) << c.text;
  }
}

TEST_F(PackageCode, FindTableGoesBySequenceAndExactNameAndKeepsTheCurrentTable) {
  start();
  run("Set zvKeep = DB.Tables.Item(\"v_orders\")");
  // The sequence number of the table found, or "none".
  const struct {
    const char* name;
    const char* found;
  } cases[] = {{"\"orders\"", "1"}, {"\"v_orders\"", "2"}, {"\"ORDERS\"", "none"},
               {"\"nosuch\"", "none"}, {"Empty", "none"}, {"Null", "none"}};
  run("Function zvFoundSeq(name)\nDim t\nSet t = zvFindTable(name)\nIf t Is Nothing Then zvFoundSeq = \"none\" Else zvFoundSeq = t.TblSeq\nEnd Function");
  for (const auto& c : cases) EXPECT_EQ(eval(std::string("zvFoundSeq(") + c.name + ")"), c.found) << c.name;
  EXPECT_EQ(eval("DB.Tables.curName & \"/\" & DB.Tables.curSeq"), "v_orders/2");

  // Two tables named alike by a script, their sequence numbers swapped: the one first in
  // sequence is found, whatever order the collection holds them in.
  run("Set zvA = DB.Tables.Seq(1)\nSet zvB = DB.Tables.Seq(2)\nzvB.TblName = \"orders\"\nzvA.TblSeq = 2\nzvB.TblSeq = 1");
  EXPECT_EQ(eval("zvFindTable(\"orders\") Is zvB"), "True");
  EXPECT_EQ(eval("zvFindField(DB.Tables(\"orders\"), \"total\").FldName"), "total");
  EXPECT_EQ(eval("zvFindField(zvA, \"Total\") Is Nothing"), "True");
}

TEST_F(PackageCode, ControlByIdKeepsTheListsPosition) {
  start();
  run("Set zvKeep = Controls.Item(3)");
  EXPECT_EQ(eval("tvControlById(\"report\").CtrlID"), "report");
  EXPECT_EQ(eval("tvControlById(\"nosuch\") Is Nothing"), "True");
  EXPECT_EQ(eval("tvControlById(7) Is Nothing"), "True");
  EXPECT_EQ(eval("Controls.curIndex"), "3");
}

TEST_F(PackageCode, MenuListsShownEntriesUnderTheirParentsWithTheirTablesPages) {
  AGPMenus& menus = *proj_->MenuList();
  orders_->TblCaption("Orders");
  orders_->TblGen(true);
  // id, text, parent, url, custom url, level, shown, order
  ASSERT_TRUE(menus.AddMenu(1, "Sales", -1, "", true, 0, true, 1));         // a heading
  ASSERT_TRUE(menus.AddMenu(2, "", 1, "orders", false, 1, true, 1));        // text from the table
  ASSERT_TRUE(menus.AddMenu(3, "Hidden", 1, "v_orders", false, 1, false, 2));
  ASSERT_TRUE(menus.AddMenu(4, "Gone", 1, "nosuch", false, 1, true, 3));    // no such table, no entries
  ASSERT_TRUE(menus.AddMenu(5, "Help", -1, "help.html", true, 0, true, 2));
  ASSERT_TRUE(menus.AddMenu(6, "Empty", -1, "", true, 0, true, 3));         // a heading with nothing
  ASSERT_TRUE(menus.AddMenu(7, "Self", 7, "self.html", true, 0, true, 4));  // its own parent
  start();
  const std::string list = eval("tvPageName(DB.Tables(\"orders\"), \"list\")");
  ASSERT_NE(list, "");
  EXPECT_EQ(eval("tvMenuPhp(-1, 0)"),
            "    ['text' => 'Sales', 'href' => '', 'items' => [\r\n"
            "            ['text' => 'Orders', 'href' => '" + list + "', 'items' => [\r\n"
            "            ]],\r\n"
            "    ]],\r\n"
            "    ['text' => 'Help', 'href' => 'help.html', 'items' => [\r\n"
            "    ]],\r\n");
  EXPECT_EQ(eval("MENULIST.curIndex"), "7");
  EXPECT_EQ(eval("tvMenuPhp(-1, 9)"), "");
}

TEST_F(PackageCode, DetailsAreTheTablesNamingTheMasterThatHaveAListPage) {
  orders_->TblGen(true);
  for (const char* name : {"items", "notes", "other"}) {
    ASSERT_TRUE(db_->Tables()->Add(name));
    const vb::Ref<AGPTable> t = db_->Tables()->Item(vb::Variant(name));
    t->TblType("TABLE");
    t->TblVar(name);
    t->TblGen(std::string(name) != "notes");
    t->TblMasterTbl(std::string(name) == "other" ? "v_orders" : "orders");
    t->TblMasterFld("id, total");
    t->TblDetailFld("order_id,sum");
  }
  start();
  const std::string info = eval("tvPageName(DB.Tables(\"items\"), \"info\")");
  ASSERT_NE(info, "");
  EXPECT_EQ(eval("tvDetailsPhp(DB.Tables(\"orders\"))"),
            "    ['" + info + "', ['id' => 'order_id', 'total' => 'sum']],\r\n");
  EXPECT_EQ(eval("tvDetailsPhp(DB.Tables(\"items\"))"), "");
}

}  // namespace
}  // namespace tolvex::testing
