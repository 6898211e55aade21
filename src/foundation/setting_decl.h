// One row of a settings catalogue: how a model class declares one of its settings.
// Each class keeps its catalogue as a static table of these rows, in declaration order.
#pragma once

#include <cstdint>
#include <span>

namespace tolvex {

struct SettingDecl {
  const char* name;
  const char* data_type;  // "String", "Boolean", "Integer", "Long", "Single", "Double", "Variant"
  bool reg_save = false;
  int32_t reg_format = 0;  // 1 text, 4 double word, 0 none
  bool file_save = true;
  bool sync = true;
};

using SettingCatalogue = std::span<const SettingDecl>;

}  // namespace tolvex
