#include "database/table_keys.h"

#include <vector>

#include "database/sync_helpers.h"
#include "foundation/common.h"
#include "model/project.h"
#include "model/table.h"

namespace tolvex {
using sync_detail::crlf_lines;

std::string UnquoteName(const std::string& name) {
  std::string s = name;
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
    const std::string inner = s.substr(1, s.size() - 2);
    s.clear();
    for (size_t i = 0; i < inner.size(); ++i) {
      s += inner[i];
      if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') ++i;
    }
  }
  if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
  return s;
}

void ApplyTableKeys(AGPTable& table) {
  std::vector<std::string> keys = crlf_lines(table.TblKey());
  for (std::string& k : keys) k = UnquoteName(k);
  AGPFields& fields = *table.Fields();
  for (size_t i = 0; i < fields.size(); ++i) {
    auto f = fields.at(i);
    if (!f) continue;
    const std::string name = f->FldName();
    bool key = false;
    for (const std::string& k : keys) key = key || k == name;
    f->FldIsPrimaryKey(key);
  }
}

void BuildTableKeys(AGP& project) {
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) return;
  AGPTables& tables = *db->Tables();
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    if (!t) continue;
    std::string list;
    AGPFields& fields = *t->Fields();
    for (size_t j = 0; j < fields.size(); ++j) {
      auto f = fields.at(j);
      if (!f || !f->FldIsPrimaryKey()) continue;
      if (!list.empty()) list += "\r\n";
      list += f->FldName();
    }
    t->TblKey(common::SortLines(list));
  }
}

}  // namespace tolvex
