#include "templates/filters.h"

#include <utility>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "templates/package_xml.h"
#include "vb/convert.h"

namespace tolvex {

using vb::Args;
using vb::Variant;

namespace {

// A number argument as a position or an order; nullopt for anything that is no number.
std::optional<double> number_arg(const Variant& v) {
  try {
    const Variant value = vb::default_value(v);
    if (value.is_null() || !vb::is_numeric(value)) return std::nullopt;
    return vb::to_double(value);
  } catch (const vb::VBError&) {
    return std::nullopt;
  }
}

std::string text_arg(const Variant& v) {
  const Variant value = vb::default_value(v);
  return value.is_null() ? std::string() : vb::to_string(value);
}

std::vector<std::string> subkeys_of(const std::string& path) {
  cRegistry& reg = shared_registry();
  reg.ClassKey = cRegistry::HKEY_CURRENT_USER;
  reg.SectionKey = path;
  std::vector<std::string> names;
  int32_t count = 0;
  reg.EnumerateSections(names, count);
  names.resize(size_t(count));
  return names;
}

}  // namespace

std::string AGPFilter::GroupName(const Variant& order) const {
  const auto n = number_arg(order);
  if (!n) return {};
  const double pos = vb::round_half_even(*n);
  if (!(pos >= 1 && pos <= double(groups_.size()))) return {};
  return groups_[size_t(pos) - 1];
}

int32_t AGPFilter::OptionCount(const Variant& group) const {
  const std::string name = text_arg(group);
  int32_t n = 0;
  for (const Option& o : options_)
    if (same_text_nocase(o.group, name)) ++n;
  return n;
}

const AGPFilter::Option* AGPFilter::find(const Variant& group, const Variant& order) const {
  const auto n = number_arg(order);
  if (!n) return nullptr;
  const std::string name = text_arg(group);
  for (const Option& o : options_)
    if (double(o.order) == *n && same_text_nocase(o.group, name)) return &o;
  return nullptr;
}

std::string AGPFilter::OptionName(const Variant& group, const Variant& order) const {
  const Option* o = find(group, order);
  return o ? o->name : std::string();
}

std::string AGPFilter::Expression(const Variant& group, const Variant& order) const {
  const Option* o = find(group, order);
  return o ? o->expression : std::string();
}

void AGPFilter::Load() {
  const std::string base = context().RegKeyAdvancedFilters;
  std::vector<std::string> groups;
  try {
    groups = subkeys_of(base);
  } catch (const vb::VBError&) {
    return;  // the key cannot be listed: nothing changes
  }
  // Built aside and put in place at the end, so that a failure keeps the earlier table and
  // a second Load does not list the options twice.
  std::vector<Option> options;
  for (const std::string& group : groups) {
    const std::string group_key = base + "\\" + group;
    std::vector<std::string> names;
    try {
      names = subkeys_of(group_key);
    } catch (const vb::VBError&) {
      continue;  // the group has no options
    }
    const size_t first = options.size();
    for (const std::string& name : names) {
      const std::string option_key = group_key + "\\" + name;
      Option o;
      o.group = group;
      o.name = name;
      o.expression = text_arg(common::GetRegValue(Variant("HKCU"), Variant(option_key), Variant("EvalString")));
      o.order = vb::to_long(common::GetRegValue(Variant("HKCU"), Variant(option_key), Variant("Order")));
      options.push_back(std::move(o));
    }
    // Exchange sort by order; the registry's numbers only decide the sequence, which is then
    // numbered 1..n.
    const size_t end = options.size();
    for (size_t i = first; i < end; ++i)
      for (size_t j = i + 1; j < end; ++j)
        if (options[i].order > options[j].order) {
          std::swap(options[i].name, options[j].name);
          std::swap(options[i].expression, options[j].expression);
          std::swap(options[i].order, options[j].order);
        }
    for (size_t i = first; i < end; ++i) options[i].order = int32_t(i - first + 1);
  }
  groups_ = std::move(groups);
  options_ = std::move(options);
}

const vb::DispatchTable<AGPFilter>& AGPFilter::dispatch_table() {
  using F = AGPFilter;
  static const vb::DispatchTable<F> table = [] {
    vb::DispatchTable<F> t("AGPFilter");
    t.property("GroupCount", [](F& f, Args) { return Variant(f.GroupCount()); })
        .method("GroupName",
                [](F& f, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(f.GroupName(a[0]));
                })
        .method("OptionCount",
                [](F& f, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(f.OptionCount(a[0]));
                })
        .method("OptionName",
                [](F& f, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return Variant(f.OptionName(a[0], a[1]));
                })
        .method("Expression",
                [](F& f, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return Variant(f.Expression(a[0], a[1]));
                })
        .method("Load", [](F& f, Args a) {
          vb::check_arg_count(a, 0, 0);
          f.Load();
          return Variant();
        });
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGPFilter);

}  // namespace tolvex
