// Finding the project's tables, charts and fields by exact name without moving the
// model collections' current items.
#pragma once

#include <string>

#include "model/database.h"
#include "model/project.h"
#include "model/tables.h"

namespace tolvex {

// The item of a model collection whose name setting equals `name` exactly, or null.
template <class Collection>
auto model_item(const Collection& items, const std::string& name) -> decltype(items.at(0)) {
  for (size_t i = 0; i < items.size(); ++i) {
    auto item = items.at(i);
    try {
      if (item && item->collection_name() == name) return item;
    } catch (const vb::VBError&) {
    }
  }
  return nullptr;
}

// The table of the project's database named `name` exactly; null without a database.
inline vb::Ref<AGPTable> model_table(AGP& proj, const std::string& name) {
  const auto& db = proj.DB();
  if (!db) return nullptr;
  return model_item(*db->Tables(), name);
}

}  // namespace tolvex
