#include "database/custom_sync.h"

#include <vector>

#include "database/project_hooks.h"
#include "database/schema_connection.h"
#include "database/schema_reader.h"
#include "database/sync_helpers.h"
#include "database/table_keys.h"
#include "database/table_sync.h"
#include "fields/field.h"
#include "foundation/context.h"
#include "model/project.h"
#include "model/project_members.h"
#include "model/table.h"
#include "vb/error.h"

namespace tolvex {
namespace {

using namespace sync_detail;

vb::Ref<AGPTable> table_or_raise(AGPDatabase& db, const std::string& name) {
  auto t = db.Tables()->Item(vb::Variant(name));
  if (!t) vb::raise(vb::err::kObjectVariableNotSet);
  return t;
}

void sync_each(AGP& project, const char* type, const char* phase, void (*sync)(AGP&, const std::string&)) {
  const vb::Ref<AGPDatabase> db = project.DB();
  if (!db) return;
  set_sync_defaults(project);
  ProgressStep progress(project.lhWnd, phase);
  AGPTables& tables = *db->Tables();
  for (const std::string& n : table_names_of_type(tables, type)) sync(project, n);
  tables.SetSeq(1);
}

}  // namespace

void InitReportTable(AGPTable& report, AGPTable& source, bool) {
  if (report.TblKey().empty()) report.TblKey(source.TblKey());
}

void CopySourceField(AGP& project, AGPField& rf, AGPField& sf, bool is_new) {
  rf.FldType(sf.FldType());
  rf.FldTypeName(sf.FldTypeName());
  rf.NativeDataType(sf.NativeDataType());
  rf.FldIsPrimaryKey(sf.FldIsPrimaryKey());
  rf.FldAutoIncrement(sf.FldAutoIncrement());
  rf.FldAttribute(sf.FldAttribute());
  rf.FldReq(sf.FldReq());
  rf.FldSize(sf.FldSize());
  rf.FldSupport(sf.FldSupport());
  rf.FldUniqueIdx(sf.FldUniqueIdx());
  rf.FldZeroLen(sf.FldZeroLen());
  rf.FldQuoteS(sf.FldQuoteS());
  rf.FldQuoteE(sf.FldQuoteE());
  if (is_new) {
    rf.FldTagValues(sf.FldTagValues());
    rf.FldGenerate(sf.FldSupport());
    rf.FldRequired(sf.FldReq());
    rf.FldCaption(sf.FldCaption());
    rf.LoadFldDefault();
  } else if (rf.NativeDataType() == 247 || rf.NativeDataType() == 248) {
    const std::string source_table = rf.FldSourceTable();
    const std::string source_field = rf.FldSourceField();
    const std::string tags = !source_table.empty() && !source_field.empty()
                                 ? GetSourceFieldTagValues(project, source_table, source_field)
                                 : sf.FldTagValues();
    if (!tags.empty()) rf.FldTagValues(MergeTagValues(tags, rf.FldTagValues()));
  }
}

void SyncCustom(AGP& project, const std::string& name) {
  const vb::Ref<AGPDatabase> db = project.DB();
  if (!db) return;
  ModuleContext& ctx = context();
  auto t = table_or_raise(*db, name);
  auto snapshot = vb::make_ref<AGPSchema>();
  const int16_t r = snapshot->LoadzvCustomView(stored_connection(*db), t->TblName(), t->TblCustomSQL());
  if (r > 0) {
    t->TblCustomError(ctx.ProjErr);
    ctx.ProjErr.clear();
    return;
  }
  t->TblCustomError(std::string());
  clear_field_marks(*t);
  const AGSchemaTable& s = snapshot->table(1);
  InitSyncedTable(*t, s, false);
  match_schema_fields(project, *t, s);
  // A field rebuilt because its type changed is not passed to the extensions again.
  add_schema_fields(project, *t, s, /*notify_rebuilt=*/false);
  delete_fields(*t, false);
  if (!t->TblKey().empty()) ApplyTableKeys(*t);
  t->ParseCustomSql();
  t->Fields()->SetSeq(1);
}

void SyncReport(AGP& project, const std::string& name) {
  const vb::Ref<AGPDatabase> db = project.DB();
  if (!db) return;
  ModuleContext& ctx = context();
  AGPTables& tables = *db->Tables();
  auto r = table_or_raise(*db, name);
  const std::string src_name = r->TblRptSrc();
  vb::Ref<AGPTable> src;
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    if (!t || t->TblName() != src_name) continue;
    if (!t->TblCustomError().empty()) {
      r->TblCustomError(ctx.ProductTitle + ": Source Table Error");
      return;
    }
    if (!src) src = t;
  }
  if (!src) {
    r->TblCustomError(ctx.ProductTitle + ": Source Table not found");
    return;
  }
  // A source whose fields are not read yet has nothing to compare with: the report's
  // fields would all go.
  if (!src->TblLoaded()) return;
  InitReportTable(*r, *src, false);
  clear_field_marks(*r);
  clear_field_marks(*src);
  AGPFields& report_fields = *r->Fields();
  AGPFields& source_fields = *src->Fields();
  for (size_t i = 0; i < source_fields.size(); ++i) {
    auto sf = source_fields.at(i);
    if (!sf) continue;
    for (size_t j = 0; j < report_fields.size(); ++j) {
      auto rf = report_fields.at(j);
      if (rf && !rf->FldSync() && rf->FldName() == sf->FldName() && rf->NativeDataType() == sf->NativeDataType()) {
        CopySourceField(project, *rf, *sf, false);
        rf->FldSync(true);
        sf->FldSync(true);
        break;
      }
    }
  }
  const std::string report = r->TblName();
  for (size_t i = 0; i < source_fields.size(); ++i) {
    auto sf = source_fields.at(i);
    if (!sf || sf->FldSync()) continue;
    const std::string field = sf->FldName();
    if (report_fields.FieldExist(vb::Variant(field))) {
      if (auto rf = report_fields.Item(vb::Variant(field))) {
        rf->FldSync(true);
        CopySourceField(project, *rf, *sf, true);
      }
      continue;
    }
    auto twin = case_twin(report_fields, field);
    if (twin && twin->FldSync()) continue;
    if (!report_fields.Add(report, field)) continue;
    if (auto rf = report_fields.Item(vb::Variant(field))) {
      rf->FldSync(true);
      CopySourceField(project, *rf, *sf, true);
      call_project_member_if_registered(project, "ExtendFieldInExtensions", {vb::Variant(report), vb::Variant(field)});
    }
  }
  delete_fields(*r, false);
  report_fields.SetSeq(1);
  r->TblCustomError(std::string());
}

void SyncCustomViews(AGP& project) {
  sync_each(project, "CUSTOMVIEW", " - Synchronizing Custom Views...", &SyncCustom);
}

void SyncReports(AGP& project) { sync_each(project, "REPORT", " - Synchronizing Reports...", &SyncReport); }

namespace {

const bool registered = [] {
  register_project_member("SyncCustom", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    SyncCustom(p, argument_text(a[0]));
    return vb::Variant();
  });
  register_project_member("SyncReport", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    SyncReport(p, argument_text(a[0]));
    return vb::Variant();
  });
  return true;
}();

}  // namespace
}  // namespace tolvex
