// Finding a setting of a node's store by name the way the store's keys compare:
// without regard to letter case.
#pragma once

#include <optional>
#include <string_view>

#include "foundation/properties.h"
#include "vb/strings.h"

namespace tolvex {

inline std::optional<size_t> setting_slot_nocase(const AGProperties& props, std::string_view name) {
  if (name.empty()) return std::nullopt;
  if (auto slot = props.index_of(name)) return slot;
  for (size_t i = 0; i < props.size(); ++i)
    if (vb::iequals(props.name_at(i), name)) return i;
  return std::nullopt;
}

}  // namespace tolvex
