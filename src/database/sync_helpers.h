// Small pieces shared by the database check, the synchronization and the key
// bookkeeping.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/context.h"
#include "foundation/status.h"
#include "foundation/super_collection.h"
#include "model/table.h"
#include "model/tables.h"
#include "vb/convert.h"
#include "vb/strings.h"
#include "vb/variant.h"

namespace tolvex::sync_detail {

// The lines of a CR LF separated text ("" gives one empty line).
inline std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::string_view line : vb::split(text, "\r\n")) lines.emplace_back(line);
  return lines;
}

// A tag-value list without one trailing CR LF, split into its lines.
inline std::vector<std::string> tag_lines(std::string list) {
  if (list.size() >= 2 && list.compare(list.size() - 2, 2, "\r\n") == 0) list.resize(list.size() - 2);
  return crlf_lines(list);
}

// Where the field of a tag-value line that starts at `pos` ends: at the next comma, or at the
// end of the line. A field in double quotes (a doubled quote stands for one) runs past its
// closing quote, so that a value or label holding a comma ("d,e") stays whole; a quote that is
// never closed counts as an ordinary character.
inline size_t tag_field_end(const std::string& line, size_t pos) {
  if (pos < line.size() && line[pos] == '"') {
    for (size_t i = pos + 1; i < line.size(); ++i) {
      if (line[i] != '"') continue;
      if (i + 1 < line.size() && line[i + 1] == '"') {
        ++i;
        continue;
      }
      return std::min(line.find(',', i + 1), line.size());
    }
  }
  return std::min(line.find(',', pos), line.size());
}

// The value of a tag-value line: its first field (the whole line when it has no comma; an
// empty line is the empty value).
inline std::string tag_value(const std::string& line) { return line.substr(0, tag_field_end(line, 0)); }

// The item of a collection (tables or fields) whose name equals `name` without regard to
// letter case but not exactly: the item that the collection's Add would rename.
template <class Collection>
auto case_twin(Collection& items, const std::string& name) -> decltype(items.at(0)) {
  for (size_t i = 0; i < items.size(); ++i) {
    auto item = items.at(i);
    if (!item) continue;
    const std::string n = item->collection_name();
    if (n != name && compare_keys(n, name, KeyCompare::Text) == 0) return item;
  }
  return nullptr;
}

// The names of the tables of one TblType, in collection order.
inline std::vector<std::string> table_names_of_type(AGPTables& tables, const std::string& type) {
  std::vector<std::string> names;
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    if (t && t->TblType() == type) names.push_back(t->TblName());
  }
  return names;
}

inline void clear_field_marks(AGPTable& t) {
  AGPFields& fields = *t.Fields();
  for (size_t i = 0; i < fields.size(); ++i)
    if (auto f = fields.at(i)) f->FldSync(false);
}

// Deletes the fields of the table whose FldSync mark is not set (every field with `all`).
// The names are gathered first, so the loop never walks a collection that it shrinks.
inline void delete_fields(AGPTable& t, bool all) {
  AGPFields& fields = *t.Fields();
  std::vector<std::string> names;
  for (size_t i = 0; i < fields.size(); ++i) {
    auto f = fields.at(i);
    if (f && (all || !f->FldSync())) names.push_back(f->FldName());
  }
  const std::string table = t.TblName();
  for (const std::string& n : names) fields.Delete(table, vb::Variant(n));
}

// The progress window of one step: opened with the product name + `phase` and the line
// "Please wait...", closed when the step ends, however it ends.
class ProgressStep {
 public:
  ProgressStep(int32_t owner, const std::string& phase) {
    AGPStatus& status = status_window();
    status.ShowStatus2(owner, context().ProductTitle + phase);
    status.DispStatus("Please wait...");
  }
  ~ProgressStep() {
    try {
      status_window().CloseStatus();
    } catch (...) {
    }
  }
  ProgressStep(const ProgressStep&) = delete;
  ProgressStep& operator=(const ProgressStep&) = delete;
};

}  // namespace tolvex::sync_detail
