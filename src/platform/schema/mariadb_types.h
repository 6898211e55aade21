// How MariaDB/MySQL column types become the driver's field facts: type name, native type
// code, ADO type code, size and attribute bits. Used by the MariaDB driver for what the
// server's information_schema says and by the fixture driver for the column types a
// fixture file names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/schema/schema_driver.h"

namespace tolvex::platform {

// One column as information_schema.COLUMNS describes it. Absent numbers are -1.
struct MariaColumn {
  std::string name;
  std::string data_type;    // DATA_TYPE: "int", "varchar", "enum", ...
  std::string column_type;  // COLUMN_TYPE: "int(10) unsigned", "enum('a','b')", ...
  int64_t char_max_length = -1;     // CHARACTER_MAXIMUM_LENGTH
  int64_t numeric_precision = -1;   // NUMERIC_PRECISION
  int64_t datetime_precision = -1;  // DATETIME_PRECISION
  bool nullable = true;             // IS_NULLABLE = 'YES'
  std::optional<std::string> column_default;  // COLUMN_DEFAULT (absent = no default)
  std::string extra;                // EXTRA: "auto_increment", ...
};

// The facts of a column. `updatable` is true for columns of base tables (ADO's
// adFldUpdatable), false for view and computed columns (adFldUnknownUpdatable);
// `key_column` marks a primary-key column, `unique` one alone in a unique index.
FieldInfo field_from_mariadb_column(const MariaColumn& c, bool updatable, bool key_column, bool unique);

// The values of an enum('...') or set('...') column type, unescaped.
std::vector<std::string> parse_enum_values(std::string_view column_type);
// Tag values for a list of values: one "value","value" line each, joined by CR LF
// (double quotes inside a value are doubled).
std::string make_tag_values(const std::vector<std::string>& values);
// A default as information_schema gives it: string literals lose their quotes, NULL and
// no default become Null, numbers and expressions stay as their text.
vb::Variant default_from_information_schema(const std::optional<std::string>& column_default);

// A column described the way a CREATE TABLE writes its type ("int unsigned",
// "varchar(30)", "decimal(10,2)", "enum('a','b')", "datetime(6)"); nullopt with a reason
// when the type text cannot be read.
std::optional<MariaColumn> mariadb_column_from_type(std::string_view name, std::string_view column_type,
                                                    std::string* error);

// Sizes from the server are 64-bit (LONGTEXT is 4294967295); the driver's size is 32-bit.
int32_t clamp_size(int64_t n) noexcept;

}  // namespace tolvex::platform
