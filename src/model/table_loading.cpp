// Filling a table from the database driver's table object, a custom view's column
// sources from its SQL, and a table's default settings.
#include "fields/field.h"
#include "foundation/agp_vars.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "model/table.h"
#include "platform/sqlparser/sql_parser.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using S = TableSetting;
using vb::Variant;

bool truth(const Variant& v) { return !v.is_empty() && !v.is_null() && vb::to_bool(v); }

std::string text_of(const Variant& v) { return v.is_null() ? std::string() : vb::to_string(v); }

}  // namespace

void AGPTable::Load_zvDB(const vb::Variant& Tbl, const vb::Variant& bLoadAll) {
  vb::Ref<vb::Dispatch> tbl = Tbl.object();
  set_setting_value(S::TblType, tbl->get("TableType"));
  if (truth(bLoadAll) && context().CurrentDynamicLoad) {
    TblGen(false);
    TblLoaded(false);
    return;
  }
  vb::Ref<vb::Dispatch> columns = tbl->get("Fields").object();
  const int32_t count = vb::to_long(columns->get("Count"));
  AGPFields& fields = *Fields();
  for (int32_t i = 0; i < count; ++i) {
    std::vector<Variant> index{Variant(int16_t(i))};
    Variant column = columns->invoke(vb::kDispValue, vb::InvokeKind::Get, index);
    const std::string name = text_of(column.object()->get("Name"));
    if (!fields.Add(TblName(), name)) continue;
    if (auto field = fields.Item(Variant(name))) field->LoadFld_zvDB(column);
  }
  TblGen(true);
  TblLoaded(true);
  const std::string pk = text_of(tbl->get("PKField"));
  TblKey(common::SortLines(pk));
  if (!pk.empty()) {
    size_t start = 0;
    while (start <= pk.size()) {
      size_t comma = pk.find(',', start);
      const std::string part = common::trim_blanks(pk.substr(start, comma == std::string::npos ? std::string::npos
                                                                                                : comma - start));
      for (size_t f = 0; f < fields.size(); ++f) {
        auto field = fields.at(f);
        if (field && field->FldName() == part) field->FldIsPrimaryKey(true);
      }
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  if (text_of(tbl->get("TableType")) == "CUSTOMVIEW") {
    ParseCustomSql();
    TblCustomError(std::string());
  }
  LoadTableDefault();
}

void AGPTable::ParseCustomSql() {
  const std::string sql = text_of(setting_value(S::TblCustomSQL));
  platform::SqlParser parser;
  if (!parser.Parse(sql, 3)) return;
  AGPFields& fields = *Fields();
  for (size_t i = 0; i < fields.size(); ++i) {
    auto field = fields.at(i);
    if (!field) continue;
    const platform::SqlColumnSource src = parser.GetFieldSource(field->FldName());
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
