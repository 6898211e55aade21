#include "database/schema_reader.h"

#include "foundation/class_registry.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/status.h"
#include "foundation/super_collection.h"
#include "model/table_loading.h"
#include "vb/convert.h"
#include "vb/error.h"
#include "vb/strings.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGPSchema);

namespace {

bool is_plain_code(int16_t code) {
  switch (code) {
    case 2: case 3: case 4: case 5: case 6: case 11: case 14: case 16: case 17: case 18:
    case 19: case 20: case 21: case 131: case 139:
      return true;
    default:
      return false;
  }
}

bool is_quoted_code(int16_t code) {
  switch (code) {
    case 7: case 8: case 72: case 129: case 130: case 133: case 134: case 135: case 200:
    case 201: case 202: case 203:
      return true;
    default:
      return false;
  }
}

std::string registry_text(const char* name) {
  ModuleContext& ctx = context();
  ctx.RegValueName = name;
  vb::Variant v = common::GetRegValue(vb::Variant("HKCU"), vb::Variant(ctx.RegKeyGeneral), vb::Variant(name));
  try {
    return v.is_null() ? std::string() : vb::to_string(v);
  } catch (const vb::VBError&) {
    return std::string();
  }
}

void yield_to_host() { status_window().Refresh(); }

// A record as the object model hands it out: a copy whose fields are read by name; a
// field that holds an array takes an index (counted from 0).
class RecordArray : public vb::Dispatch {
 public:
  explicit RecordArray(std::vector<vb::Variant> items) : items_(std::move(items)) {}
  std::string type_name() const override { return "Variant()"; }
  vb::DispId find_member(std::string_view) const override { return vb::kDispUnknown; }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override {
    if (id != vb::kDispValue || kind != vb::InvokeKind::Get) vb::raise(vb::err::kNotSupported);
    vb::check_arg_count(args, 1, 1);
    const int32_t i = vb::to_long(args[0]);
    if (i < 0 || size_t(i) >= items_.size()) vb::raise(vb::err::kSubscriptOutOfRange);
    return items_[size_t(i)];
  }

 private:
  std::vector<vb::Variant> items_;
};

class RecordObject : public vb::Dispatch {
 public:
  using Members = std::vector<std::pair<std::string, vb::Variant>>;
  RecordObject(std::string type, Members members) : type_(std::move(type)), members_(std::move(members)) {}
  std::string type_name() const override { return type_; }
  vb::DispId find_member(std::string_view name) const override {
    for (size_t i = 0; i < members_.size(); ++i)
      if (vb::iequals(members_[i].first, name)) return vb::DispId(i + 1);
    return vb::kDispUnknown;
  }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override {
    if (id < 1 || size_t(id) > members_.size() || kind == vb::InvokeKind::Let || kind == vb::InvokeKind::Set)
      vb::raise(vb::err::kNotSupported);
    const vb::Variant& value = members_[size_t(id - 1)].second;
    if (args.empty()) return value;
    return value.object()->invoke(vb::kDispValue, vb::InvokeKind::Get, args);
  }
  std::vector<std::string> member_names() const override {
    std::vector<std::string> names;
    for (const auto& m : members_) names.push_back(m.first);
    return names;
  }

 private:
  std::string type_;
  Members members_;
};

vb::Variant record(std::string type, RecordObject::Members members) {
  return vb::Variant(vb::Ref<vb::Dispatch>(vb::make_ref<RecordObject>(std::move(type), std::move(members))));
}

vb::Variant field_record(const AGSchemaField& f) {
  using vb::Variant;
  return record("AGSchemaField",
                {{"FldSync", Variant(f.FldSync)}, {"FldSeq", Variant(f.FldSeq)}, {"FldName", Variant(f.FldName)},
                 {"FldType", Variant(f.FldType)}, {"FldTypeName", Variant(f.FldTypeName)},
                 {"NativeDataType", Variant(f.NativeDataType)}, {"FldTagValues", Variant(f.FldTagValues)},
                 {"FldSupport", Variant(f.FldSupport)}, {"FldSize", Variant(f.FldSize)},
                 {"FldUniqueIdx", Variant(f.FldUniqueIdx)}, {"FldZeroLen", Variant(f.FldZeroLen)},
                 {"FldReq", Variant(f.FldReq)}, {"FldIsPrimaryKey", Variant(f.FldIsPrimaryKey)},
                 {"FldAutoIncrement", Variant(f.FldAutoIncrement)}, {"FldAttribute", Variant(f.FldAttribute)},
                 {"FldDefault", f.FldDefault}, {"FldQuoteS", Variant(f.FldQuoteS)},
                 {"FldQuoteE", Variant(f.FldQuoteE)}, {"FldCaption", Variant(f.FldCaption)}});
}

vb::Variant table_record(const AGSchemaTable& t) {
  using vb::Variant;
  std::vector<Variant> fields;
  fields.reserve(t.TblFields.fld.size());
  for (const AGSchemaField& f : t.TblFields.fld) fields.push_back(field_record(f));
  Variant fld{vb::Ref<vb::Dispatch>(vb::make_ref<RecordArray>(std::move(fields)))};
  return record("AGSchemaTable",
                {{"TblSync", Variant(t.TblSync)}, {"TblSeq", Variant(t.TblSeq)}, {"TblName", Variant(t.TblName)},
                 {"TblType", Variant(t.TblType)}, {"TblKey", Variant(t.TblKey)}, {"TblGen", Variant(t.TblGen)},
                 {"TblFldCnt", Variant(t.TblFldCnt)}, {"TblFields", record("AGSchemaFields", {{"fld", fld}})}});
}

}  // namespace

void SetFieldTypeQuotes(AGSchemaField& field, int16_t ado_type) {
  field.FldType = ado_type;
  if (is_plain_code(ado_type)) {
    field.FldSupport = true;
    field.FldQuoteS.clear();
    field.FldQuoteE.clear();
  } else if (is_quoted_code(ado_type)) {
    field.FldSupport = true;
    field.FldQuoteS = "'";
    field.FldQuoteE = "'";
  } else if (ado_type == 205) {
    // Byte data keeps its quotes but is not generated, as the field defaults of an import
    // have it: a sync must not turn it on behind the user's back.
    field.FldSupport = false;
    field.FldQuoteS = "'";
    field.FldQuoteE = "'";
  } else {
    field.FldSupport = false;
  }
}

AGSchemaField schema_field_from_driver(const platform::FieldInfo& f) {
  AGSchemaField r;
  r.FldName = f.name;
  r.FldTypeName = f.data_type_name;
  r.NativeDataType = f.native_type;
  const bool tagged = f.is_enum || f.is_set;
  if (tagged) {
    r.FldType = 202;
    r.FldSupport = true;
    SetFieldTypeQuotes(r, 202);
  } else {
    SetFieldTypeQuotes(r, f.ado_type);
  }
  r.FldSize = f.size;
  r.FldZeroLen = true;
  r.FldReq = f.required;
  r.FldUniqueIdx = f.unique;
  r.FldAutoIncrement = f.auto_increment;
  r.FldAttribute = f.ado_attributes;
  r.FldDefault = f.default_value;
  if (tagged) r.FldTagValues = f.tag_values;
  return r;
}

const AGSchemaTable& AGPSchema::table(int16_t i) const {
  if (i < 0 || size_t(i) >= db_.Tables.Tbl.size()) vb::raise(vb::err::kSubscriptOutOfRange);
  return db_.Tables.Tbl[size_t(i)];
}

const AGSchemaTable* AGPSchema::find_table(const std::string& name) const {
  for (int16_t i = 1; i <= db_.DBTblCnt && size_t(i) < db_.Tables.Tbl.size(); ++i)
    if (db_.Tables.Tbl[size_t(i)].TblName == name) return &db_.Tables.Tbl[size_t(i)];
  return nullptr;
}

void AGPSchema::LoadDB(const ConnectionSettings& c) {
  ModuleContext& ctx = context();
  if (load_count_ >= 1) {
    ctx.ProjErr = "database already loaded!";
    return;
  }
  const bool driver_type = is_driver_type(c.type);
  if (driver_type && c.database.empty()) {
    ctx.ProjErr = "invalid DBName specified!";
    return;
  }
  yield_to_host();
  int16_t result = 0;
  if (driver_type) {
    if (c.method == "JDBC") {
      const std::string runtime = registry_text("JavaRuntimeLib");
      const std::string oracle = registry_text("OracleJDBCDriver");
      const std::string mysql = registry_text("MySQLJDBCDriver");
      if (runtime.empty() || (vb::iequals(c.type, "oracle") && oracle.empty()) ||
          (vb::iequals(c.type, "mysql") && mysql.empty())) {
        ctx.ProjErr = "JDBC ERROR";
        result = 3;
      }
    }
    if (result == 0) result = LoadSchemaFromDriver(c);
  }
  if (result < 1) {
    ctx.ProjErr.clear();
    load_count_ = 1;
  } else if (ctx.ProjErr.empty()) {
    ctx.ProjErr = "Load Database failed!";
  }
}

int16_t AGPSchema::LoadSchemaFromDriver(const ConnectionSettings& c) {
  ModuleContext& ctx = context();
  platform::SchemaDriver& driver = schema_driver();
  AGSchemaDB read;
  try {
    ctx.ProjErr = connect_schema_driver(c, c.database);
    if (!ctx.ProjErr.empty()) return 3;
    ++load_count_;
    read.DBName = c.database;
    read.DBType = c.type;
    read.DBHost = c.host;
    read.DBPort = c.port;
    read.DBUID = c.user;
    read.DBPwd = c.password;
    read.DBDBMSName = kDriverDbmsName;
    read.DBDBMSVer = ctx.ProgramVersion;
    read.DBProviderName = kDriverProviderName;
    read.DBProviderVer = ctx.ProgramVersion;

    vb::Ref<platform::DriverTables> tables = driver.GetTables("");
    std::vector<AGSchemaTable>& out = read.Tables.Tbl;
    out.resize(1);
    for (const auto& t : tables->items()) {
      if (t->TableType() != "TABLE" && t->TableType() != "VIEW") {
        yield_to_host();
        continue;
      }
      AGSchemaTable rec;
      rec.TblSeq = int16_t(out.size());
      rec.TblName = t->Name();
      rec.TblType = t->TableType();
      const auto& columns = t->Fields()->items();
      std::vector<AGSchemaField>& fld = rec.TblFields.fld;
      fld.resize(columns.size() + 1);
      int16_t m = 0;
      for (const auto& column : columns) {
        const platform::FieldInfo& info = column->info();
        // A column named exactly like an earlier one is left out (the first stays); one
        // that differs only in letter case takes the earlier one's place with its own
        // name and facts, as the project's field collection keeps such columns.
        int16_t twin = 0;
        bool exact = false;
        for (int16_t k = 1; k <= m && !exact; ++k) {
          if (fld[size_t(k)].FldName == info.name) exact = true;
          else if (twin == 0 && compare_keys(fld[size_t(k)].FldName, info.name, KeyCompare::Text) == 0) twin = k;
        }
        if (exact) continue;
        const int16_t slot = twin ? twin : ++m;
        fld[size_t(slot)] = schema_field_from_driver(info);
        fld[size_t(slot)].FldSeq = slot;
      }
      rec.TblFldCnt = m;
      rec.TblKey = table_key_from_driver(t->PKField());
      for (const std::string& key : split_driver_key(t->PKField()))
        for (int16_t k = 1; k <= m; ++k)
          if (fld[size_t(k)].FldName == key) fld[size_t(k)].FldIsPrimaryKey = true;
      out.push_back(std::move(rec));
      yield_to_host();
    }
    read.DBTblCnt = int16_t(out.size() - 1);
  } catch (const vb::VBError& e) {
    ctx.ProjErr = driver.ErrorText().empty() ? e.description() : driver.ErrorText();
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return 3;
  }
  // The records change only once the whole read has succeeded.
  db_ = std::move(read);
  return ctx.ProjErr.empty() ? 0 : 3;
}

int16_t AGPSchema::LoadzvCustomView(const ConnectionSettings& c, const std::string& sTableName,
                                    const std::string& sSQL) {
  ModuleContext& ctx = context();
  ctx.ProjErr.clear();
  // Tbl(1) of a full read would be overwritten while DBTblCnt still counted it.
  if (db_.DBTblCnt > 0) {
    ctx.ProjErr = "database already loaded!";
    return 1;
  }
  platform::SchemaDriver& driver = schema_driver();
  try {
    ctx.ProjErr = connect_schema_driver(c, c.database);
    if (!ctx.ProjErr.empty()) return 1;
    vb::Ref<platform::DriverTable> q = driver.OpenQuery(sTableName, sSQL);
    ctx.ProjErr = driver.ErrorText();
    if (!ctx.ProjErr.empty() || !q) {
      if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
      return 1;
    }
    AGSchemaTable rec;
    rec.TblGen = true;
    rec.TblName = sTableName;
    rec.TblType = "CUSTOMVIEW";
    const auto& columns = q->Fields()->items();
    rec.TblFields.fld.resize(columns.size() + 1);
    int16_t m = 0;
    for (const auto& column : columns) {
      ++m;
      rec.TblFields.fld[size_t(m)] = schema_field_from_driver(column->info());
      rec.TblFields.fld[size_t(m)].FldSeq = m;
    }
    rec.TblFldCnt = m;
    db_.Tables.Tbl.resize(2);
    db_.Tables.Tbl[1] = std::move(rec);
  } catch (const vb::VBError& e) {
    ctx.ProjErr = driver.ErrorText().empty() ? e.description() : driver.ErrorText();
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return 1;
  }
  return 0;
}

const vb::DispatchTable<AGPSchema>& AGPSchema::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPSchema;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPSchema");
    t.property("tblcnt", [](Self& s, Args) { return Variant(s.tblcnt()); });
    t.property("Tbl", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return table_record(s.table(vb::to_integer(a[0])));
    });
    t.method("LoadDB", [](Self& s, Args a) {
      vb::check_arg_count(a, 10, 10);
      s.LoadDB(connection_from_project_order(a));
      return Variant();
    });
    t.method("LoadzvCustomView", [](Self& s, Args a) {
      vb::check_arg_count(a, 12, 12);
      return Variant(s.LoadzvCustomView(connection_from_loader_order(a), argument_text(a[10]), argument_text(a[11])));
    });
    return t;
  }();
  return built;
}

}  // namespace tolvex
