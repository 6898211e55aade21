#include "fields/trends.h"

#include "fields/name_arg.h"
#include "foundation/class_registry.h"
#include "foundation/context.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGPTrend);
TOLVEX_REGISTER_CLASS(AGPTrends);

AGPTrend::AGPTrend() { load_registry_defaults(context().RegKeyTrendline); }

bool AGPTrends::Add(const std::string& Name) {
  if (Name.empty()) return false;
  if (auto match = find_by_key(Name)) {
    if (match->name == Name) {
      make_current(Name, at(match->slot)->TrendSeq());
      return true;
    }
    return Change(match->name, Name);
  }
  if (full()) return false;
  auto trend = vb::make_ref<AGPTrend>();
  trend->TrendName(Name);
  append(trend, Name);
  return true;
}

bool AGPTrends::Change(const std::string& OldName, const std::string& NewName) {
  if (OldName.empty() || NewName.empty()) return false;
  auto slot = find_exact(OldName);
  if (!slot) return false;
  auto trend = at(*slot);
  rename_slot(*slot, NewName);
  trend->TrendName(NewName);
  make_current(NewName, trend->TrendSeq());
  return true;
}

bool AGPTrends::Delete(const vb::Variant& Index) {
  const std::string name = name_arg(Index);
  if (name.empty()) return false;
  auto slot = find_exact(name);
  if (!slot) return false;
  try {
    close_gap(at(*slot)->TrendSeq());
  } catch (const vb::VBError&) {
  }
  try {
    remove_slot(*slot);
  } catch (const vb::VBError&) {
  }
  return true;
}

bool AGPTrends::TrendExist(const vb::Variant& Index) const { return find_exact(name_arg(Index)).has_value(); }

vb::Ref<AGPTrend> AGPTrends::Item(const vb::Variant& Index) {
  std::optional<size_t> slot;
  if (is_position(Index)) slot = position_slot(Index);
  else if (Index.is_string()) slot = find_exact(Index.raw_string());
  if (!slot) return nullptr;
  auto trend = at(*slot);
  try {
    make_current(trend->TrendName(), trend->TrendSeq());
  } catch (const vb::VBError&) {
  }
  return trend;
}

vb::Ref<AGPTrend> AGPTrends::Seq(int16_t Index) const {
  auto slot = find_seq(Index);
  return slot ? at(*slot) : nullptr;
}

// ---- dispatch ----------------------------------------------------------------

const vb::DispatchTable<AGPTrend>& AGPTrend::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPTrend;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPTrend");
    table.property("Properties", [](Self& s, Args) { return Variant(s.Properties()); });
    table.property("Key", [](Self& s, Args) { return Variant(s.Key()); },
                   [](Self& s, Args, const Variant& v) { s.Key(vb::to_string(v)); });
    TOLVEX_TREND_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

const vb::DispatchTable<AGPTrends>& AGPTrends::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPTrends;
  static const vb::DispatchTable<Self> table = [] {
    vb::DispatchTable<Self> t("AGPTrends");
    t.property("curName", [](Self& s, Args) { return Variant(s.curName()); });
    t.property("curSeq", [](Self& s, Args) { return Variant(s.curSeq()); });
    t.method("Add", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Add(vb::to_string(a[0])));
    });
    t.method("Change", [](Self& s, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(s.Change(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("Count", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      return Variant(s.Count());
    });
    t.method("Delete", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Delete(a[0]));
    });
    t.method("TrendExist", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.TrendExist(a[0]));
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
    t.enumerator("NewEnum_trend", [](Self& s, Args) { return Variant(s.NewEnum_trend()); });
    return t;
  }();
  return table;
}

}  // namespace tolvex
