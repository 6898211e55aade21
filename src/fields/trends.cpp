#include "fields/trends.h"

#include "fields/name_arg.h"
#include "foundation/class_registry.h"
#include "foundation/context.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGPTrend);
TOLVEX_REGISTER_CLASS(AGPTrends);

AGPTrend::AGPTrend() { load_registry_defaults(context().RegKeyTrendline); }

AGPTrends::AGPTrends()
    : ModelCollection<AGPTrend>(CollectionRules{.add_existing_makes_current = true,
                                                .change_refuses_existing_name = false,
                                                .bad_position_clears_current = false}) {}

vb::Ref<AGPTrend> AGPTrends::create_item(const std::string& name) {
  auto trend = vb::make_ref<AGPTrend>();
  trend->TrendName(name);
  return trend;
}

// ---- dispatch ----------------------------------------------------------------

const vb::DispatchTable<AGPTrend>& AGPTrend::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPTrend;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPTrend");
    add_store_members(table);
    add_key_member(table);
    TOLVEX_TREND_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPTrends>& AGPTrends::dispatch_table() {
  using Self = AGPTrends;
  static const vb::DispatchTable<Self> table = [] {
    vb::DispatchTable<Self> t("AGPTrends");
    add_dispatch_members(t, {"TrendExist", /*owner_argument=*/false, /*current_setters=*/false, "NewEnum_trend"});
    return t;
  }();
  return table;
}

}  // namespace tolvex
