// The database driver component: connects to a database server, lists its databases and
// returns its tables, views and the columns of a query as objects that the schema import
// reads by member name.
//
// Call order for every connection: put DatabaseType, put SettingsKey, (Oracle only) put
// Schema, Connect, get ErrorText ("" = success). Then GetTables, IdentifierQuote, OpenQuery
// (followed by ErrorText again) or DatabaseNames. Failures never raise out of Connect,
// OpenQuery or DatabaseNames: they leave the message in ErrorText. GetTables raises a VBError
// (and sets ErrorText) when the schema cannot be read, so that a failed read is never taken
// for an empty database.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex::platform {

// The facts of one column, as the driver reports them.
struct FieldInfo {
  std::string name;
  std::string data_type_name;    // the server's type name ("int", "varchar", "enum", ...)
  int16_t native_type = 0;       // the client library's type code (247 enum, 248 set)
  bool is_enum = false;
  bool is_set = false;
  int16_t ado_type = 0;          // ADO DataTypeEnum code (see ado_types.h)
  int32_t size = 0;              // characters for texts, digits for numbers, bytes for binaries
  bool required = false;         // NOT NULL
  bool unique = false;           // alone in a unique index (the primary key included)
  bool auto_increment = false;
  int32_t ado_attributes = 0;    // ADO FieldAttributeEnum bits
  vb::Variant default_value = vb::Variant::null();  // Null when the column has no default
  std::string tag_values;        // enum and set columns: "value","label" lines joined by CR LF

  bool operator==(const FieldInfo& o) const;
};

struct TableInfo {
  std::string name;
  std::string table_type;        // "TABLE", "VIEW", "CUSTOMVIEW", or the server's own word
  std::string pk_field;          // key columns in key order, joined by ","; a name holding a comma
                                 // or a double quote, or with blanks at an end, in double quotes
                                 // (inner ones doubled)
  std::vector<FieldInfo> fields; // in column order
};

// A field object: Name, DataTypeName, NativeDataType, IsEnum, IsSet, ADODataType, size,
// Required, Unique, AutoIncrement, ADOAttributes, defaultValue, FieldTagValues.
class DriverField : public vb::AutoDispatch<DriverField> {
 public:
  explicit DriverField(FieldInfo info) : info_(std::move(info)) {}
  const FieldInfo& info() const noexcept { return info_; }
  static const vb::DispatchTable<DriverField>& dispatch_table();

 private:
  FieldInfo info_;
};

// A collection with Count and a default Item(index) counted from 0.
template <class T>
class DriverList : public vb::AutoDispatch<DriverList<T>> {
 public:
  explicit DriverList(std::vector<vb::Ref<T>> items) : items_(std::move(items)) {}
  int32_t Count() const noexcept { return int32_t(items_.size()); }
  // Error 9 (subscript out of range) for an index outside 0 .. Count - 1.
  vb::Ref<T> Item(int32_t index) const {
    if (index < 0 || index >= Count()) vb::raise(vb::err::kSubscriptOutOfRange);
    return items_[size_t(index)];
  }
  const std::vector<vb::Ref<T>>& items() const noexcept { return items_; }
  static const vb::DispatchTable<DriverList<T>>& dispatch_table();

 private:
  std::vector<vb::Ref<T>> items_;
};

using DriverFields = DriverList<DriverField>;

// A table object: Name, TableType, PKField, Fields.
class DriverTable : public vb::AutoDispatch<DriverTable> {
 public:
  explicit DriverTable(const TableInfo& info);
  const std::string& Name() const noexcept { return name_; }
  const std::string& TableType() const noexcept { return type_; }
  const std::string& PKField() const noexcept { return pk_; }
  const vb::Ref<DriverFields>& Fields() const noexcept { return fields_; }
  static const vb::DispatchTable<DriverTable>& dispatch_table();

 private:
  std::string name_, type_, pk_;
  vb::Ref<DriverFields> fields_;
};

using DriverTables = DriverList<DriverTable>;

vb::Ref<DriverTables> make_driver_tables(const std::vector<TableInfo>& tables);

// What Connect receives. The port is text so that a bad value gets a clear message.
struct ConnectionValues {
  std::string host;       // a name or address; a path starting with "/" is a Unix socket
  std::string database;   // "" to connect without one (for DatabaseNames)
  std::string user;
  std::string password;
  std::string port;
  std::string method;     // connection method ("" or "Native"; "JDBC" is not available)
  std::string url;
  std::string encoding;
  std::string quote;      // the identifier quote the caller uses; "" lets the driver tell
};

class SchemaDriver : public vb::Dispatch {
 public:
  // Settings that the caller puts before Connect.
  const std::string& DatabaseType() const noexcept { return database_type_; }
  void set_DatabaseType(std::string v) { database_type_ = std::move(v); }
  const std::string& SettingsKey() const noexcept { return settings_key_; }
  void set_SettingsKey(std::string v) { settings_key_ = std::move(v); }
  const std::string& Schema() const noexcept { return schema_; }
  void set_Schema(std::string v) { schema_ = std::move(v); }

  // Opens a connection (closing any earlier one). ErrorText tells the outcome.
  virtual void Connect(const ConnectionValues& values) = 0;
  // The message of the last failure; "" after a successful call.
  const std::string& ErrorText() const noexcept { return error_text_; }
  // The databases the connected user sees, joined by CR LF ("" on failure, see ErrorText).
  virtual std::string DatabaseNames() = 0;
  // Tables and views of the connected database in name order; only the one named when
  // table_name is not empty (matched exactly).
  virtual vb::Ref<DriverTables> GetTables(std::string_view table_name) = 0;
  // The character that quotes identifiers on this connection.
  virtual std::string IdentifierQuote() = 0;
  // The columns of a query, as a table of type "CUSTOMVIEW" named table_name. The query is
  // never run. On failure ErrorText holds the reason and the table has no fields.
  virtual vb::Ref<DriverTable> OpenQuery(std::string_view table_name, std::string_view sql) = 0;
  // This driver needs no Java runtime.
  virtual bool IsJVMLoaded() const { return false; }

  // Dispatch: the members above by name; Connect takes its nine arguments positionally
  // (host, dbName, uid, pwd, port, method, url, encoding, quote).
  std::string type_name() const override { return "SchemaDriver"; }
  vb::DispId find_member(std::string_view name) const override;
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override;
  std::vector<std::string> member_names() const override;

 protected:
  void set_error(std::string text) { error_text_ = std::move(text); }
  void clear_error() { error_text_.clear(); }
  // Sets ErrorText and raises it as a VBError from "SchemaDriver".
  [[noreturn]] void fail(std::string text);

 private:
  std::string database_type_, settings_key_, schema_, error_text_;
};

// The driver the system uses: the MariaDB driver, or the fixture driver over the schema file
// named by the environment variable TOLVEX_SCHEMA_FIXTURE when that is set.
vb::Ref<SchemaDriver> create_schema_driver();

// Error number that the driver raises with its message (the generic COM failure code).
inline constexpr int32_t kDriverError = int32_t(0x80004005u);

}  // namespace tolvex::platform
