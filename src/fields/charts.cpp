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

bool AGPCharts::Add(const std::string& TblName, const std::string& Name) {
  if (Name.empty()) return false;
  if (auto match = find_by_key(Name)) {
    if (match->name == Name) {
      make_current(Name, at(match->slot)->ChartSeq());
      return true;
    }
    return Change(TblName, match->name, Name);
  }
  if (full()) return false;
  auto chart = vb::make_ref<AGPChart>();
  chart->ChartName(Name);
  chart->ChartVar(AGPVars::MakeIdentifier(std::string_view(Name), std::string_view()));
  append(chart, Name);
  return true;
}

bool AGPCharts::Change(const std::string& TblName, const std::string& OldName, const std::string& NewName) {
  if (OldName.empty() || NewName.empty()) return false;
  if (find_exact(NewName)) return false;
  auto slot = find_exact(OldName);
  if (!slot) return false;
  auto chart = at(*slot);
  rename_slot(*slot, NewName);
  chart->ChartName(NewName);
  chart->ChartVar(AGPVars::MakeIdentifier(std::string_view(NewName), std::string_view()));
  make_current(NewName, chart->ChartSeq());
  common::RenameChartInExtensions(TblName, OldName, NewName);
  return true;
}

bool AGPCharts::Delete(const std::string& TblName, const vb::Variant& Index) {
  const std::string name = name_arg(Index);
  if (name.empty()) return false;
  auto slot = find_exact(name);
  if (!slot) return false;
  auto chart = at(*slot);
  try {
    close_gap(chart->ChartSeq());
  } catch (const vb::VBError&) {
  }
  try {
    common::DeleteChartFromExtensions(TblName, name);
  } catch (const vb::VBError&) {
  }
  try {
    remove_slot(*slot);
  } catch (const vb::VBError&) {
  }
  return true;
}

bool AGPCharts::ChartExist(const vb::Variant& Index) const { return find_exact(name_arg(Index)).has_value(); }

vb::Ref<AGPChart> AGPCharts::Item(const vb::Variant& Index) {
  std::optional<size_t> slot;
  if (is_position(Index)) slot = position_slot(Index);
  else if (Index.is_string()) slot = find_exact(Index.raw_string());
  if (!slot) return nullptr;
  auto chart = at(*slot);
  try {
    make_current(chart->ChartName(), chart->ChartSeq());
  } catch (const vb::VBError&) {
  }
  return chart;
}

vb::Ref<AGPChart> AGPCharts::Seq(int16_t Index) const {
  auto slot = find_seq(Index);
  return slot ? at(*slot) : nullptr;
}

// ---- dispatch ----------------------------------------------------------------

const vb::DispatchTable<AGPChart>& AGPChart::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPChart;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPChart");
    table.property("Properties", [](Self& s, Args) { return Variant(s.Properties()); });
    table.property("Trendlines", [](Self& s, Args) { return Variant(s.Trendlines()); });
    table.property("Key", [](Self& s, Args) { return Variant(s.Key()); },
                   [](Self& s, Args, const Variant& v) { s.Key(vb::to_string(v)); });
    TOLVEX_CHART_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPCharts>& AGPCharts::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPCharts;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPCharts");
    t.property("curName", [](Self& s, Args) { return Variant(s.curName()); });
    t.property("curSeq", [](Self& s, Args) { return Variant(s.curSeq()); });
    t.method("Add", [](Self& s, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(s.Add(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("Change", [](Self& s, Args a) {
      vb::check_arg_count(a, 3, 3);
      return Variant(s.Change(vb::to_string(a[0]), vb::to_string(a[1]), vb::to_string(a[2])));
    });
    t.method("Count", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      return Variant(s.Count());
    });
    t.method("Delete", [](Self& s, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(s.Delete(vb::to_string(a[0]), a[1]));
    });
    t.method("ChartExist", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.ChartExist(a[0]));
    });
    t.method("Item", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Item(a[0]));
    });
    t.method("Seq", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Seq(vb::to_integer(a[0])));
    });
    t.default_member("Item");
    t.enumerator("NewEnum_cht", [](Self& s, Args) { return Variant(s.NewEnum_cht()); });
    return t;
  }();
  return built;
}

}  // namespace tolvex
