// AGPFilter: the predefined ("advanced") search filters of generated pages: named groups of
// named options, each with an expression, kept per user in the registry below
// RegKeyAdvancedFilters (one key per group, one subkey per option with the values
// "EvalString" and "Order"). The script object FILTERS.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex {

class AGPFilter : public vb::AutoDispatch<AGPFilter> {
 public:
  static const vb::DispatchTable<AGPFilter>& dispatch_table();

  struct Option {
    std::string group;
    std::string name;
    std::string expression;  // "EvalString"
    int32_t order = 0;       // 1..n within its group after loading
  };

  int32_t GroupCount() const noexcept { return int32_t(groups_.size()); }
  // The name of group number `order` (from 1); "" outside 1..GroupCount.
  std::string GroupName(const vb::Variant& order) const;
  // The options of the group, its name compared ignoring letter case.
  int32_t OptionCount(const vb::Variant& group) const;
  std::string OptionName(const vb::Variant& group, const vb::Variant& order) const;
  std::string Expression(const vb::Variant& group, const vb::Variant& order) const;
  // Reads the groups and options of the current user from the registry, replacing what an
  // earlier Load read. Within a group the options are ordered by "Order" and renumbered from
  // 1. An "Order" that is not a number raises the conversion error and keeps the old table.
  void Load();

  const std::vector<std::string>& groups() const noexcept { return groups_; }
  const std::vector<Option>& options() const noexcept { return options_; }

 private:
  const Option* find(const vb::Variant& group, const vb::Variant& order) const;

  std::vector<std::string> groups_;
  std::vector<Option> options_;
};

}  // namespace tolvex
