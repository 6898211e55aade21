// The package objects as templates see them: reached by name from script code.
#include <gtest/gtest.h>

#include <memory>

#include "foundation/context.h"
#include "platform/registry.h"
#include "templates/controls.h"
#include "templates/filters.h"
#include "templates/language.h"
#include "vb/convert.h"
#include "vbscript/engine.h"

using namespace tolvex;
using vb::Variant;

TEST(ScriptObjectsTest, TemplatesReachControlsPhrasesAndFilters) {
  auto reg = std::make_shared<platform::MemoryRegistry>();
  platform::ScopedRegistry scoped(reg);
  ContextScope ctx;
  ctx->ProductKey = "Tolvex";
  ctx->RegKeyAdvancedFilters = "Software\\Tolvex\\3.0\\AdvancedFilters";
  const std::string fixtures = std::string(TOLVEX_TEST_DIR) + "/fixtures/package/";
  for (const auto& [name, order] : {std::pair{"High", 2u}, std::pair{"Low", 1u}}) {
    const std::string key = ctx->RegKeyAdvancedFilters + "\\Price\\" + name;
    reg->set_value(platform::RegRoot::CurrentUser, key, "EvalString", platform::RegValue::make_text("x"));
    reg->set_value(platform::RegRoot::CurrentUser, key, "Order", platform::RegValue::make_dword(order));
  }

  auto controls = vb::make_ref<AGPControls>();
  ASSERT_TRUE(controls->LoadControls(fixtures + "control.xml"));
  auto lang = vb::make_ref<AGPLanguage>();
  ASSERT_TRUE(lang->Load(fixtures + "lang.xml"));
  auto filters = vb::make_ref<AGPFilter>();
  filters->Load();

  vbscript::ScriptEngine engine;
  engine.add_object("Controls", controls);
  engine.add_object("LANG", lang);
  engine.add_object("FILTERS", filters);
  engine.add_code(
      "Function Listing()\n"
      "  Dim i, s, c\n"
      "  For i = 1 To Controls.Count\n"
      "    Set c = Controls(i)\n"
      "    s = s & c.CtrlID & \":\" & c.Sessions.Count & \";\"\n"
      "  Next\n"
      "  s = s & Controls(\"List\").CtrlIFolder & \"|\" & Controls.curIndex & \"|\"\n"
      "  If Controls(\"missing\") Is Nothing Then s = s & \"none|\"\n"
      "  s = s & LANG.Phrase(\"BYE\") & \"|\" & FILTERS.OptionName(\"price\", 1) & \"|\" & FILTERS.GroupName(1)\n"
      "  Listing = s\n"
      "End Function\n");
  EXPECT_EQ(vb::to_string(engine.run("Listing")), "list:2;List:0;defaults:0;common/|2|none|Bye|Low|Price");
}
