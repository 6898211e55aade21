// A project with a database (from the generation tests' fixture: the table "orders"
// with the fields "id" and "total", the view "v_orders"), both loaded, a field
// "secret" and two charts on "orders", the extensions folder pointing at this
// folder's fixtures, and the extensions' answer to the model's notices installed.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "extensions/attribute_access.h"
#include "extensions/attribute_definitions.h"
#include "extensions/extension_propagation.h"
#include "extensions/extensions.h"
#include "generator/generation_fixture.h"
#include "vb/convert.h"

namespace tolvex::testing {

// A value with its type: "String:blue", "Integer:800", "Null", "Empty".
inline std::string shown(const vb::Variant& v) {
  if (v.is_null()) return "Null";
  if (v.is_empty()) return "Empty";
  return vb::type_name(v) + ":" + vb::to_string(v);
}

class ExtensionFixture : public GenerationFixture {
 protected:
  ExtensionFixture() {
    install_extension_sync();
    ctx().ExtensionsFolder = std::string(TOLVEX_TEST_DIR) + "/fixtures";
    orders_->TblLoaded(true);
    view_->TblLoaded(true);
    EXPECT_TRUE(orders_->Fields()->Add("orders", "secret"));
    EXPECT_TRUE(orders_->Charts()->Add("orders", "sales"));
    EXPECT_TRUE(orders_->Charts()->Add("orders", "trend"));
    sales_ = orders_->Charts()->Item(vb::Variant("sales"));
    sales_->ChartChartBgColor("CCCCCC");
    sales_->ChartNumGridLines(0);
    sales_->ChartXAxisNameRotated(true);
  }

  AGPExtensions& list() { return extension_list(); }
  vb::Ref<AGPExtTables> tree_tables(const std::string& ext) { return list().find(ext)->PROJ()->DB()->Tables(); }

  vb::Ref<AGPChart> sales_;
};

}  // namespace tolvex::testing
