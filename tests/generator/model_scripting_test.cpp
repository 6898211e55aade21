// The object model as the templates see it: collection properties take the item's
// name or position straight away (DB.Tables("orders") is the table).
#include <gtest/gtest.h>

#include "generation_fixture.h"
#include "vbscript/engine.h"

namespace tolvex::testing {

class ModelScripting : public GenerationFixture {};

TEST_F(ModelScripting, CollectionPropertiesHandTheirArgumentToTheItem) {
  AGScript& engine = start_engine("");
  struct Case {
    const char* expr;
    const char* text;
  };
  const Case cases[] = {
      {"DB.Tables(\"orders\").TblName", "orders"},
      {"DB.Tables(2).TblName", "v_orders"},
      {"PROJ.DB.Tables(\"orders\").Fields(\"total\").FldName", "total"},
      {"DB.Tables(\"orders\").Fields(1).FldName", "id"},
      {"DB.Tables(\"orders\").Properties(\"TblName\").Value", "orders"},
      {"DB.Tables(\"orders\").Fields(\"id\").Properties(\"FldName\")", "id"},
      {"DB.Tables.Count", "2"},
      {"TypeName(DB.Tables)", "AGPTables"},
  };
  for (const auto& c : cases) {
    vb::Variant v = engine.engine()->eval(c.expr, AGScript::kSystemModule);
    EXPECT_EQ(vb::to_string(v), c.text) << c.expr;
  }
}

}  // namespace tolvex::testing
