#include "fields/charts.h"

#include "fields/extension_sync.h"
#include "fields/name_arg.h"
#include "foundation/agp_vars.h"
#include "foundation/class_registry.h"
#include "foundation/context.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGPChart);
TOLVEX_REGISTER_CLASS(AGPCharts);

AGPChart::AGPChart() { load_registry_defaults(context().RegKeyChart); }

const vb::Ref<AGPTrends>& AGPChart::Trendlines() {
  if (!trends_) trends_ = vb::make_ref<AGPTrends>();
  return trends_;
}

AGPCharts::AGPCharts()
    : ModelCollection<AGPChart>(CollectionRules{.add_existing_makes_current = true,
                                                .change_refuses_existing_name = true,
                                                .bad_position_clears_current = false}) {}

vb::Ref<AGPChart> AGPCharts::create_item(const std::string& name) {
  auto chart = vb::make_ref<AGPChart>();
  chart->ChartName(name);
  chart->ChartVar(AGPVars::MakeIdentifier(std::string_view(name), std::string_view()));
  return chart;
}

void AGPCharts::renamed(const std::string& owner, AGPChart& item, const std::string& old_name,
                        const std::string& new_name) {
  item.ChartVar(AGPVars::MakeIdentifier(std::string_view(new_name), std::string_view()));
  common::RenameChartInExtensions(owner, old_name, new_name);
}

void AGPCharts::deleting(const std::string& owner, const std::string& name) {
  common::DeleteChartFromExtensions(owner, name);
}

// ---- dispatch ----------------------------------------------------------------

const vb::DispatchTable<AGPChart>& AGPChart::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPChart;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPChart");
    add_store_members(table);
    table.property("Trendlines", [](Self& s, Args a) { vb::check_arg_count(a, 0, 0); return Variant(s.Trendlines()); });
    add_key_member(table);
    TOLVEX_CHART_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPCharts>& AGPCharts::dispatch_table() {
  using Self = AGPCharts;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPCharts");
    add_dispatch_members(t, {"ChartExist", /*owner_argument=*/true, /*current_setters=*/false, "NewEnum_cht"});
    return t;
  }();
  return built;
}

}  // namespace tolvex
