#include "platform/schema/schema_driver.h"

#include <cstdlib>

#include "platform/schema/fixture_driver.h"
#include "platform/schema/mariadb_driver.h"
#include "vb/convert.h"

namespace tolvex::platform {

bool FieldInfo::operator==(const FieldInfo& o) const {
  bool same_default = default_value.is_null() || o.default_value.is_null()
                          ? default_value.is_null() == o.default_value.is_null()
                          : vb::to_string(default_value) == vb::to_string(o.default_value);
  return name == o.name && data_type_name == o.data_type_name && native_type == o.native_type &&
         is_enum == o.is_enum && is_set == o.is_set && ado_type == o.ado_type && size == o.size &&
         required == o.required && unique == o.unique && auto_increment == o.auto_increment &&
         ado_attributes == o.ado_attributes && same_default && tag_values == o.tag_values;
}

const vb::DispatchTable<DriverField>& DriverField::dispatch_table() {
  static const vb::DispatchTable<DriverField> table = [] {
    using F = DriverField;
    vb::DispatchTable<F> t("Field");
    t.property("Name", [](F& f, vb::Args) { return vb::Variant(f.info_.name); });
    t.default_member("Name");
    t.property("DataTypeName", [](F& f, vb::Args) { return vb::Variant(f.info_.data_type_name); });
    t.property("NativeDataType", [](F& f, vb::Args) { return vb::Variant(f.info_.native_type); });
    t.property("IsEnum", [](F& f, vb::Args) { return vb::Variant(f.info_.is_enum); });
    t.property("IsSet", [](F& f, vb::Args) { return vb::Variant(f.info_.is_set); });
    t.property("ADODataType", [](F& f, vb::Args) { return vb::Variant(f.info_.ado_type); });
    t.property("size", [](F& f, vb::Args) { return vb::Variant(f.info_.size); });
    t.property("Required", [](F& f, vb::Args) { return vb::Variant(f.info_.required); });
    t.property("Unique", [](F& f, vb::Args) { return vb::Variant(f.info_.unique); });
    t.property("AutoIncrement", [](F& f, vb::Args) { return vb::Variant(f.info_.auto_increment); });
    t.property("ADOAttributes", [](F& f, vb::Args) { return vb::Variant(f.info_.ado_attributes); });
    t.property("defaultValue", [](F& f, vb::Args) { return f.info_.default_value; });
    t.property("FieldTagValues", [](F& f, vb::Args) { return vb::Variant(f.info_.tag_values); });
    return t;
  }();
  return table;
}

template <class T>
const vb::DispatchTable<DriverList<T>>& DriverList<T>::dispatch_table() {
  static const vb::DispatchTable<DriverList<T>> table = [] {
    using L = DriverList<T>;
    vb::DispatchTable<L> t(std::is_same_v<T, DriverField> ? "Fields" : "Tables");
    t.property("Count", [](L& l, vb::Args) { return vb::Variant(l.Count()); });
    t.property("Item", [](L& l, vb::Args a) {
      vb::check_arg_count(a, 1, 1);
      return vb::Variant(l.Item(vb::to_long(a[0])));
    });
    t.default_member("Item");
    t.enumerator("_NewEnum", [](L& l, vb::Args) {
      std::vector<vb::Variant> items;
      for (const auto& i : l.items_) items.emplace_back(i);
      return vb::Variant(vb::make_ref<vb::SnapshotEnumerator>(std::move(items)));
    });
    return t;
  }();
  return table;
}

template class DriverList<DriverField>;
template class DriverList<DriverTable>;

DriverTable::DriverTable(const TableInfo& info) : name_(info.name), type_(info.table_type), pk_(info.pk_field) {
  std::vector<vb::Ref<DriverField>> fields;
  fields.reserve(info.fields.size());
  for (const FieldInfo& f : info.fields) fields.push_back(vb::make_ref<DriverField>(f));
  fields_ = vb::make_ref<DriverFields>(std::move(fields));
}

const vb::DispatchTable<DriverTable>& DriverTable::dispatch_table() {
  static const vb::DispatchTable<DriverTable> table = [] {
    using T = DriverTable;
    vb::DispatchTable<T> t("Table");
    t.property("Name", [](T& x, vb::Args) { return vb::Variant(x.name_); });
    t.default_member("Name");
    t.property("TableType", [](T& x, vb::Args) { return vb::Variant(x.type_); });
    t.property("PKField", [](T& x, vb::Args) { return vb::Variant(x.pk_); });
    t.property("Fields", [](T& x, vb::Args a) {
      vb::check_arg_count(a, 0, 0);
      return vb::Variant(x.fields_);
    });
    return t;
  }();
  return table;
}

vb::Ref<DriverTables> make_driver_tables(const std::vector<TableInfo>& tables) {
  std::vector<vb::Ref<DriverTable>> items;
  items.reserve(tables.size());
  for (const TableInfo& t : tables) items.push_back(vb::make_ref<DriverTable>(t));
  return vb::make_ref<DriverTables>(std::move(items));
}

namespace {

std::string arg_text(vb::Args a, size_t i) {
  if (!vb::has_arg(a, i) || a[i].is_null() || a[i].is_empty()) return {};
  return vb::to_string(a[i]);
}

const vb::DispatchTable<SchemaDriver>& driver_table() {
  static const vb::DispatchTable<SchemaDriver> table = [] {
    using D = SchemaDriver;
    vb::DispatchTable<D> t("SchemaDriver");
    auto text_let = [](void (D::*setter)(std::string)) {
      return [setter](D& d, vb::Args, const vb::Variant& v) { (d.*setter)(v.is_null() ? std::string() : vb::to_string(v)); };
    };
    t.property("DatabaseType", [](D& d, vb::Args) { return vb::Variant(d.DatabaseType()); }, text_let(&D::set_DatabaseType));
    t.property("SettingsKey", [](D& d, vb::Args) { return vb::Variant(d.SettingsKey()); }, text_let(&D::set_SettingsKey));
    t.property("Schema", [](D& d, vb::Args) { return vb::Variant(d.Schema()); }, text_let(&D::set_Schema));
    t.method("Connect", [](D& d, vb::Args a) {
      vb::check_arg_count(a, 1, 9);
      ConnectionValues v{arg_text(a, 0), arg_text(a, 1), arg_text(a, 2), arg_text(a, 3), arg_text(a, 4),
                         arg_text(a, 5), arg_text(a, 6), arg_text(a, 7), arg_text(a, 8)};
      d.Connect(v);
      return vb::Variant();
    });
    t.property("ErrorText", [](D& d, vb::Args) { return vb::Variant(d.ErrorText()); });
    t.property("DatabaseNames", [](D& d, vb::Args) { return vb::Variant(d.DatabaseNames()); });
    t.method("GetTables", [](D& d, vb::Args a) {
      vb::check_arg_count(a, 0, 1);
      return vb::Variant(d.GetTables(arg_text(a, 0)));
    });
    t.property("IdentifierQuote", [](D& d, vb::Args) { return vb::Variant(d.IdentifierQuote()); });
    t.method("OpenQuery", [](D& d, vb::Args a) {
      vb::check_arg_count(a, 2, 2);
      return vb::Variant(d.OpenQuery(arg_text(a, 0), arg_text(a, 1)));
    });
    t.property("IsJVMLoaded", [](D& d, vb::Args) { return vb::Variant(d.IsJVMLoaded()); });
    return t;
  }();
  return table;
}

}  // namespace

vb::DispId SchemaDriver::find_member(std::string_view name) const { return driver_table().find(name); }

vb::Variant SchemaDriver::invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) {
  return driver_table().invoke(*this, id, kind, args);
}

std::vector<std::string> SchemaDriver::member_names() const { return driver_table().names(); }

void SchemaDriver::fail(std::string text) {
  error_text_ = text;
  vb::raise(kDriverError, std::move(text), "SchemaDriver");
}

vb::Ref<SchemaDriver> create_schema_driver() {
  if (const char* fixture = std::getenv("TOLVEX_SCHEMA_FIXTURE"); fixture && *fixture) {
    return vb::make_ref<FixtureSchemaDriver>(fixture);
  }
  return vb::make_ref<MariaDbSchemaDriver>();
}

}  // namespace tolvex::platform
