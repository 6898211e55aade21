#include "database/database_check.h"

#include <algorithm>
#include <vector>

#include "database/schema_connection.h"
#include "database/schema_reader.h"
#include "database/sync_helpers.h"
#include "fields/field.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "model/project.h"
#include "model/project_members.h"
#include "model/table.h"
#include "vb/error.h"

namespace tolvex {
namespace {

using namespace sync_detail;

bool is_table_or_view(const std::string& type) { return type == "TABLE" || type == "VIEW"; }

bool tagged(int16_t native) { return native == 247 || native == 248; }

// The first field of the table named `name` exactly, or null.
vb::Ref<AGPField> field_named(AGPFields& fields, const std::string& name) {
  for (size_t i = 0; i < fields.size(); ++i) {
    auto f = fields.at(i);
    if (f && f->FldName() == name) return f;
  }
  return nullptr;
}

// The first table named `name` exactly, or null.
vb::Ref<AGPTable> table_named(AGPTables& tables, const std::string& name) {
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    if (t && t->TblName() == name) return t;
  }
  return nullptr;
}

int16_t clamp16(int32_t n) { return int16_t(std::clamp<int32_t>(n, INT16_MIN, INT16_MAX)); }

void note(CheckDifferences* out, std::string text, int32_t count) {
  if (out && count != 0) out->push_back({std::move(text), count});
}

std::string with_fields(int32_t n) { return n == 1 ? "1 field" : std::to_string(n) + " fields"; }

// The fields of one table, view, custom view or report compared with what they should be:
// a new field counts twice (once new, once in the remainder), a changed one once.
struct FieldTally {
  int32_t same = 0, changed = 0, added = 0;
  void add_new(CheckDifferences* out, const std::string& table, const std::string& field) {
    ++added;
    note(out, "Field " + table + "." + field + ": new", 2);
  }
  void add_changed(CheckDifferences* out, const std::string& table, const std::string& field) {
    ++changed;
    note(out, "Field " + table + "." + field + ": changed", 1);
  }
};

}  // namespace

bool TagValuesMatch(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::vector<std::string> x = tag_lines(a);
  const std::vector<std::string> y = tag_lines(b);
  if (x.size() != y.size()) return false;
  for (size_t k = 0; k < x.size(); ++k)
    if (tag_value(x[k]) != tag_value(y[k])) return false;
  return true;
}

bool FieldMatchesSchema(const AGSchemaField& f, AGPField& p, bool skip_tag_values, const std::string& expected) {
  bool equal = p.NativeDataType() == f.NativeDataType && p.FldSize() == f.FldSize &&
               p.FldUniqueIdx() == f.FldUniqueIdx && p.FldAutoIncrement() == f.FldAutoIncrement &&
               p.FldAttribute() == f.FldAttribute;
  if (equal && !skip_tag_values && tagged(f.NativeDataType))
    equal = TagValuesMatch(expected.empty() ? f.FldTagValues : expected, p.FldTagValues());
  return equal;
}

bool FieldMatchesSource(AGPField& sf, AGPField& rf) {
  bool equal = sf.NativeDataType() == rf.NativeDataType() && sf.FldSize() == rf.FldSize() &&
               sf.FldUniqueIdx() == rf.FldUniqueIdx() && sf.FldAutoIncrement() == rf.FldAutoIncrement() &&
               sf.FldAttribute() == rf.FldAttribute();
  if (equal && tagged(sf.NativeDataType())) equal = TagValuesMatch(sf.FldTagValues(), rf.FldTagValues());
  return equal;
}

int32_t CheckTablesAndViews(AGP& project, const AGPSchema& schema, CheckDifferences* out) {
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) return 0;
  ProgressStep progress(project.lhWnd, " - Checking Database...");
  AGPTables& tables = *db->Tables();
  int32_t new_tables = 0, changed_tables = 0, deleted_tables = 0, key_changes = 0, new_fields = 0,
          changed_fields = 0, remainder = 0;
  for (int16_t i = 1; i <= schema.tblcnt(); ++i) {
    const AGSchemaTable& s = schema.table(i);
    vb::Ref<AGPTable> t;
    for (size_t j = 0; j < tables.size() && !t; ++j) {
      auto c = tables.at(j);
      if (c && is_table_or_view(c->TblType()) && c->TblName() == s.TblName && c->TblType() == s.TblType) t = c;
    }
    if (!t) {
      ++new_tables;
      new_fields += s.TblFldCnt;
      note(out, "Table " + s.TblName + ": new, with " + with_fields(s.TblFldCnt), 1 + s.TblFldCnt);
      continue;
    }
    if (!t->TblLoaded()) continue;
    const size_t first_note = out ? out->size() : 0;
    if (t->TblType() == "TABLE" && common::SortLines(t->TblKey()) != common::SortLines(s.TblKey)) {
      ++key_changes;
      note(out, "Table " + s.TblName + ": its primary key changed", 1);
    }
    AGPFields& fields = *t->Fields();
    FieldTally tally;
    for (int16_t k = 1; k <= s.TblFldCnt; ++k) {
      const AGSchemaField& f = s.TblFields.fld[size_t(k)];
      auto p = field_named(fields, f.FldName);
      if (!p) tally.add_new(out, s.TblName, f.FldName);
      else if (FieldMatchesSchema(f, *p, false, std::string())) ++tally.same;
      else tally.add_changed(out, s.TblName, f.FldName);
    }
    if (tally.added + tally.changed > 0 || fields.Count() != s.TblFldCnt) {
      ++changed_tables;
      // The table's own line goes before the lines of its fields; it names the project's
      // fields that the database has no more, which count only here.
      if (out) {
        std::string gone;
        for (size_t j = 0; j < fields.size(); ++j) {
          auto p = fields.at(j);
          if (!p) continue;
          bool listed = false;
          for (int16_t k = 1; k <= s.TblFldCnt && !listed; ++k) listed = s.TblFields.fld[size_t(k)].FldName == p->FldName();
          if (!listed) gone += (gone.empty() ? "" : ", ") + p->FldName();
        }
        out->insert(out->begin() + std::ptrdiff_t(first_note),
                    {"Table " + s.TblName + ": changed" + (gone.empty() ? "" : "; gone from the database: " + gone), 1});
      }
    }
    new_fields += tally.added;
    changed_fields += tally.changed;
    remainder += s.TblFldCnt - (tally.same + tally.changed);
  }
  for (size_t j = 0; j < tables.size(); ++j) {
    auto t = tables.at(j);
    if (!t || !is_table_or_view(t->TblType())) continue;
    bool found = false;
    for (int16_t i = 1; i <= schema.tblcnt() && !found; ++i) {
      const AGSchemaTable& s = schema.table(i);
      found = s.TblName == t->TblName() && s.TblType == t->TblType();
    }
    if (!found) {
      ++deleted_tables;
      remainder += t->Fields()->Count();
      note(out, "Table " + t->TblName() + ": removed, with its " + with_fields(t->Fields()->Count()),
           1 + t->Fields()->Count());
    }
  }
  return new_tables + changed_tables + deleted_tables + key_changes + new_fields + changed_fields + remainder;
}

int32_t CheckCustomView(AGP& project, const std::string& name, CheckDifferences* out) {
  ModuleContext& ctx = context();
  try {
    const vb::Ref<AGPDatabase>& db = project.DB();
    if (!db) vb::raise(vb::err::kObjectVariableNotSet);
    auto t = db->Tables()->Item(vb::Variant(name));
    if (!t) vb::raise(vb::err::kObjectVariableNotSet);
    auto snapshot = vb::make_ref<AGPSchema>();
    const int16_t r = snapshot->LoadzvCustomView(stored_connection(*db), t->TblName(), t->TblCustomSQL());
    if (r >= 1) {
      t->TblCustomError(ctx.ProjErr);
      return 0;
    }
    t->TblCustomError(std::string());
    const AGSchemaTable& s = snapshot->table(1);
    AGPFields& fields = *t->Fields();
    FieldTally tally;
    for (int16_t k = 1; k <= s.TblFldCnt; ++k) {
      const AGSchemaField& f = s.TblFields.fld[size_t(k)];
      auto p = field_named(fields, f.FldName);
      if (!p) tally.add_new(out, t->TblName(), f.FldName);
      else if (FieldMatchesSchema(f, *p, true, std::string())) ++tally.same;
      else tally.add_changed(out, t->TblName(), f.FldName);
    }
    return tally.added + tally.changed + (s.TblFldCnt - (tally.same + tally.changed));
  } catch (const vb::VBError& e) {
    ctx.ProjErr = e.description();
    return 0;
  }
}

int32_t CheckReport(AGP& project, const std::string& name, CheckDifferences* out) {
  ModuleContext& ctx = context();
  try {
    const vb::Ref<AGPDatabase>& db = project.DB();
    if (!db) vb::raise(vb::err::kObjectVariableNotSet);
    AGPTables& tables = *db->Tables();
    auto t = tables.Item(vb::Variant(name));
    if (!t) vb::raise(vb::err::kObjectVariableNotSet);
    auto src = table_named(tables, t->TblRptSrc());
    if (!src) {
      ctx.ProjErr = ctx.ProductTitle + ": Source Table not found";
      t->TblCustomError(ctx.ProjErr);
      return 0;
    }
    AGPFields& source_fields = *src->Fields();
    AGPFields& report_fields = *t->Fields();
    FieldTally tally;
    for (size_t k = 0; k < source_fields.size(); ++k) {
      auto sf = source_fields.at(k);
      if (!sf) continue;
      auto rf = field_named(report_fields, sf->FldName());
      if (!rf) tally.add_new(out, t->TblName(), sf->FldName());
      else if (FieldMatchesSource(*sf, *rf)) ++tally.same;
      else tally.add_changed(out, t->TblName(), sf->FldName());
    }
    return tally.added + tally.changed + (source_fields.Count() - (tally.same + tally.changed));
  } catch (const vb::VBError& e) {
    ctx.ProjErr = e.description();
    return 0;
  }
}

namespace {

int32_t check_each(AGP& project, const char* type, const char* phase,
                   int32_t (*check)(AGP&, const std::string&, CheckDifferences*), CheckDifferences* out) {
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) return 0;
  ProgressStep progress(project.lhWnd, phase);
  AGPTables& tables = *db->Tables();
  int32_t total = 0;
  for (const std::string& n : table_names_of_type(tables, type)) total += check(project, n, out);
  return total;
}

}  // namespace

int32_t CheckCustomViews(AGP& project, CheckDifferences* out) {
  return check_each(project, "CUSTOMVIEW", " - Checking Custom View...", &CheckCustomView, out);
}

int32_t CheckReports(AGP& project, CheckDifferences* out) {
  return check_each(project, "REPORT", " - Checking Report...", &CheckReport, out);
}

int16_t CheckDB(AGP& project, CheckDifferences* out) {
  const vb::Ref<AGPDatabase>& db = project.DB();
  if (!db) return 0;
  ModuleContext& ctx = context();
  ctx.ProjErr.clear();
  auto snapshot = vb::make_ref<AGPSchema>();
  snapshot->LoadDB(stored_connection(*db));
  if (!ctx.ProjErr.empty()) return -1;
  const int32_t n =
      CheckTablesAndViews(project, *snapshot, out) + CheckCustomViews(project, out) + CheckReports(project, out);
  return clamp16(n);
}

namespace {

const bool registered = [] {
  register_project_member("CheckDB", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    return vb::Variant(CheckDB(p));
  });
  return true;
}();

}  // namespace
}  // namespace tolvex
