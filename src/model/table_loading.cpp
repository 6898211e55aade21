// Filling a table from the database driver's table object, a custom view's column
// sources from its SQL, and a table's default settings.
#include "model/table_loading.h"

#include <utility>
#include <vector>

#include "fields/field.h"
#include "foundation/agp_vars.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/properties.h"
#include "foundation/super_collection.h"
#include "model/table.h"
#include "model/tables.h"
#include "platform/sqlparser/sql_parser.h"
#include "vb/convert.h"
#include "vb/error.h"

namespace tolvex {
namespace {

using S = TableSetting;
using vb::Variant;

bool truth(const Variant& v) { return !v.is_empty() && !v.is_null() && vb::to_bool(v); }

std::string text_of(const Variant& v) { return v.is_null() ? std::string() : vb::to_string(v); }

// Every value of a table's settings store, to be put back when a load fails half-way.
class TableSnapshot {
 public:
  explicit TableSnapshot(const AGPTable& t) {
    const AGProperties& props = *t.Properties();
    values_.reserve(props.size());
    for (size_t i = 0; i < props.size(); ++i) values_.push_back(props.value_at(i));
  }
  void restore(AGPTable& t) const {
    AGProperties& props = *t.Properties();
    for (size_t i = 0; i < values_.size() && i < props.size(); ++i) props.set_value_at(i, values_[i]);
  }

 private:
  std::vector<Variant> values_;
};

}  // namespace

std::vector<std::string> split_driver_key(std::string_view pk) {
  std::vector<std::string> parts;
  // The text from `from` up to the next comma (or the end), trimmed; `next` gets the comma.
  auto plain_item = [&](size_t from, size_t& next) {
    next = pk.find(',', from);
    return common::trim_blanks(pk.substr(from, next == std::string_view::npos ? next : next - from));
  };
  size_t p = 0;
  while (p <= pk.size()) {
    while (p < pk.size() && pk[p] == ' ') ++p;
    std::string part;
    size_t next = std::string_view::npos;
    if (p < pk.size() && pk[p] == '"') {
      // A quoted name: up to the closing quote, "" standing for one quote.
      size_t q = p + 1;
      bool closed = false;
      while (q < pk.size() && !closed) {
        if (pk[q] != '"') {
          part += pk[q++];
        } else if (q + 1 < pk.size() && pk[q + 1] == '"') {
          part += '"';
          q += 2;
        } else {
          closed = true;
          ++q;
        }
      }
      if (closed) {
        next = pk.find(',', q);
      } else {
        part = plain_item(p, next);  // no closing quote: the item as written
      }
    } else {
      part = plain_item(p, next);
    }
    if (!part.empty()) parts.push_back(std::move(part));
    if (next == std::string_view::npos) break;
    p = next + 1;
  }
  return parts;
}

std::string table_key_from_driver(std::string_view pk_field) {
  std::string lines;
  for (const std::string& name : split_driver_key(pk_field)) {
    if (!lines.empty()) lines += "\r\n";
    lines += name;
  }
  return common::SortLines(lines);
}

bool table_name_fits(AGPTables& tables, const std::string& name) {
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    if (!t) continue;
    const vb::Variant& value = t->setting_value(TableSetting::TblName);
    if (!value.is_string()) continue;
    const std::string& present = value.raw_string();
    // Two ASCII names can only match without regard to case at equal length.
    if (present.size() != name.size() && vb::is_ascii(present) && vb::is_ascii(name)) continue;
    if (present != name && compare_keys(present, name, KeyCompare::Text) == 0) {
      context().ProjErr = context().ProductTitle + ": The tables \"" + present + "\" and \"" + name +
                          "\" have names that differ only in letter case; a project cannot hold both. "
                          "Rename one of them in the database.";
      return false;
    }
  }
  return true;
}

void AGPTable::Load_zvDB(const vb::Variant& Tbl, const vb::Variant& bLoadAll) {
  vb::Ref<vb::Dispatch> tbl = Tbl.object();
  const Variant type = tbl->get("TableType");
  if (truth(bLoadAll) && context().CurrentDynamicLoad) {
    set_setting_value(S::TblType, type);
    TblGen(false);
    TblLoaded(false);
    return;
  }
  AGPFields& fields = *Fields();
  if (fields.Count() > 0) {
    // The columns of another table would be merged into these fields (a table that a
    // letter-case twin has just renamed, or one read twice).
    const std::string message = context().ProductTitle + ": Table " + TblName() +
                                " already has fields; it is not read from the database again.";
    context().ProjErr = message;
    vb::raise(vb::err::kInvalidProcedureCall, message, "AGPTable");
  }

  // A failure of the driver's objects or of the SQL parser leaves the table as it was:
  // its settings are put back and the fields read so far go again.
  const TableSnapshot before(*this);
  try {
    set_setting_value(S::TblType, type);
    vb::Ref<vb::Dispatch> columns = tbl->get("Fields").object();
    const int32_t count = vb::to_long(columns->get("Count"));
    for (int32_t i = 0; i < count; ++i) {
      std::vector<Variant> index{Variant(int16_t(i))};
      Variant column = columns->invoke(vb::kDispValue, vb::InvokeKind::Get, index);
      const std::string name = text_of(column.object()->get("Name"));
      const size_t before_add = fields.size();
      if (!fields.Add(TblName(), name)) continue;
      // A new field is the last one; a letter-case twin renamed an earlier one.
      auto field = fields.size() > before_add ? fields.at(fields.size() - 1) : fields.Item(Variant(name));
      if (field) field->LoadFld_zvDB(column);
    }
    TblGen(true);
    TblLoaded(true);
    const std::string pk = text_of(tbl->get("PKField"));
    TblKey(table_key_from_driver(pk));
    for (const std::string& part : split_driver_key(pk)) {
      for (size_t f = 0; f < fields.size(); ++f) {
        auto field = fields.at(f);
        if (field && field->FldName() == part) field->FldIsPrimaryKey(true);
      }
    }
    if (text_of(tbl->get("TableType")) == "CUSTOMVIEW") {
      ParseCustomSql();
      TblCustomError(std::string());
    }
    LoadTableDefault();
  } catch (...) {
    fields.delete_all(TblName());
    before.restore(*this);
    throw;
  }
}

void AGPTable::ParseCustomSql() {
  const std::string sql = text_of(setting_value(S::TblCustomSQL));
  platform::SqlParser parser;
  if (!parser.Parse(sql, 3)) return;
  AGPFields& fields = *Fields();
  // Every answer first, so that a failing question changes no field.
  std::vector<std::pair<vb::Ref<AGPField>, platform::SqlColumnSource>> answers;
  answers.reserve(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    auto field = fields.at(i);
    if (field) answers.emplace_back(field, parser.GetFieldSource(field->FldName()));
  }
  for (const auto& [field, src] : answers) {
    field->FldAlias(src.is_alias);
    field->FldSourceName(src.source_name);
    field->FldSourceTable(src.source_table);
    field->FldSourceField(src.source_field);
  }
}

void AGPTable::LoadTableDefault() {
  const std::string name = TblName();
  const std::string type = TblType();
  TblCaption(common::MakeCaption(name));
  TblVar(AGPVars::MakeIdentifier(std::string_view(name), std::string_view()));
  TblDefault(false);
  TblList(true);
  const bool is_table = type == "TABLE";
  TblAdd(is_table);
  TblView(is_table);
  TblEdit(is_table);
  TblDelete(is_table);
  TblCopy(is_table);
  TblSrchType(type == "REPORT" ? "NONE" : "BASIC");
  TblSecurity(text_of(context().DefaultTblSecurity));
  if (type != "REPORT") {
    TblGen(false);
    TblRptSrc(name);
    TblReportType("list");
  }
}

}  // namespace tolvex
