#include "platform/schema/mariadb_types.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/schema/ado_types.h"
#include "vb/strings.h"

namespace tolvex::platform {

namespace {

enum class SizeRule {
  Precision,  // NUMERIC_PRECISION: digits (bits for BIT)
  Chars,      // CHARACTER_MAXIMUM_LENGTH: characters, or bytes for binary types
  Fixed,      // the `fixed_size` of the row
  DateTime,   // `fixed_size` + a point and the fraction digits when there are any
};

// One row per MariaDB data type: the client library's type code (as result metadata
// reports it; ENUM and SET get their own codes 247 and 248), the ADO type an ODBC/ADO
// MySQL provider reports for it (signed and unsigned), how its size is counted, and the
// ADO attributes it adds (adFldFixed for fixed-length values, adFldLong for long data).
struct TypeRow {
  std::string_view data_type;
  int16_t native;
  int16_t ado;
  int16_t ado_unsigned;
  SizeRule size_rule;
  int32_t fixed_size;
  int32_t attributes;
};

constexpr int32_t kFixed = ado::adFldFixed;
constexpr int32_t kLong = ado::adFldLong;
using namespace ado;

constexpr TypeRow kTypes[] = {
    {"tinyint", 1, adTinyInt, adUnsignedTinyInt, SizeRule::Precision, 3, kFixed},
    {"bool", 1, adTinyInt, adUnsignedTinyInt, SizeRule::Fixed, 3, kFixed},
    {"boolean", 1, adTinyInt, adUnsignedTinyInt, SizeRule::Fixed, 3, kFixed},
    {"smallint", 2, adSmallInt, adUnsignedSmallInt, SizeRule::Precision, 5, kFixed},
    {"mediumint", 9, adInteger, adUnsignedInt, SizeRule::Precision, 7, kFixed},
    {"int", 3, adInteger, adUnsignedInt, SizeRule::Precision, 10, kFixed},
    {"integer", 3, adInteger, adUnsignedInt, SizeRule::Precision, 10, kFixed},
    {"bigint", 8, adBigInt, adUnsignedBigInt, SizeRule::Precision, 19, kFixed},
    {"decimal", 246, adNumeric, adNumeric, SizeRule::Precision, 10, kFixed},
    {"numeric", 246, adNumeric, adNumeric, SizeRule::Precision, 10, kFixed},
    {"dec", 246, adNumeric, adNumeric, SizeRule::Precision, 10, kFixed},
    {"fixed", 246, adNumeric, adNumeric, SizeRule::Precision, 10, kFixed},
    {"float", 4, adSingle, adSingle, SizeRule::Precision, 12, kFixed},
    {"double", 5, adDouble, adDouble, SizeRule::Precision, 22, kFixed},
    {"real", 5, adDouble, adDouble, SizeRule::Precision, 22, kFixed},
    {"bit", 16, adBinary, adBinary, SizeRule::Precision, 1, kFixed},  // BIT(1) is adBoolean
    {"date", 10, adDBDate, adDBDate, SizeRule::Fixed, 10, kFixed},
    {"time", 11, adDBTime, adDBTime, SizeRule::DateTime, 10, kFixed},
    {"datetime", 12, adDBTimeStamp, adDBTimeStamp, SizeRule::DateTime, 19, kFixed},
    {"timestamp", 7, adDBTimeStamp, adDBTimeStamp, SizeRule::DateTime, 19, kFixed},
    {"year", 13, adSmallInt, adSmallInt, SizeRule::Fixed, 4, kFixed},
    {"char", 254, adChar, adChar, SizeRule::Chars, 1, kFixed},
    {"varchar", 253, adVarChar, adVarChar, SizeRule::Chars, 0, 0},
    {"binary", 254, adBinary, adBinary, SizeRule::Chars, 1, kFixed},
    {"varbinary", 253, adVarBinary, adVarBinary, SizeRule::Chars, 0, 0},
    {"tinytext", 252, adLongVarChar, adLongVarChar, SizeRule::Chars, 255, kLong},
    {"text", 252, adLongVarChar, adLongVarChar, SizeRule::Chars, 65535, kLong},
    {"mediumtext", 252, adLongVarChar, adLongVarChar, SizeRule::Chars, 16777215, kLong},
    {"longtext", 252, adLongVarChar, adLongVarChar, SizeRule::Chars, std::numeric_limits<int32_t>::max(), kLong},
    {"json", 252, adLongVarChar, adLongVarChar, SizeRule::Chars, std::numeric_limits<int32_t>::max(), kLong},
    {"tinyblob", 252, adLongVarBinary, adLongVarBinary, SizeRule::Chars, 255, kLong},
    {"blob", 252, adLongVarBinary, adLongVarBinary, SizeRule::Chars, 65535, kLong},
    {"mediumblob", 252, adLongVarBinary, adLongVarBinary, SizeRule::Chars, 16777215, kLong},
    {"longblob", 252, adLongVarBinary, adLongVarBinary, SizeRule::Chars, std::numeric_limits<int32_t>::max(), kLong},
    {"enum", 247, adChar, adChar, SizeRule::Chars, 0, 0},
    {"set", 248, adChar, adChar, SizeRule::Chars, 0, 0},
    {"uuid", 254, adGUID, adGUID, SizeRule::Fixed, 36, kFixed},
    {"inet4", 254, adVarChar, adVarChar, SizeRule::Fixed, 15, 0},
    {"inet6", 254, adVarChar, adVarChar, SizeRule::Fixed, 39, 0},
    {"geometry", 255, adLongVarBinary, adLongVarBinary, SizeRule::Fixed, std::numeric_limits<int32_t>::max(), kLong},
    {"point", 255, adLongVarBinary, adLongVarBinary, SizeRule::Fixed, std::numeric_limits<int32_t>::max(), kLong},
    {"linestring", 255, adLongVarBinary, adLongVarBinary, SizeRule::Fixed, std::numeric_limits<int32_t>::max(), kLong},
    {"polygon", 255, adLongVarBinary, adLongVarBinary, SizeRule::Fixed, std::numeric_limits<int32_t>::max(), kLong},
    {"multipoint", 255, adLongVarBinary, adLongVarBinary, SizeRule::Fixed, std::numeric_limits<int32_t>::max(), kLong},
    {"multilinestring", 255, adLongVarBinary, adLongVarBinary, SizeRule::Fixed, std::numeric_limits<int32_t>::max(), kLong},
    {"multipolygon", 255, adLongVarBinary, adLongVarBinary, SizeRule::Fixed, std::numeric_limits<int32_t>::max(), kLong},
    {"geometrycollection", 255, adLongVarBinary, adLongVarBinary, SizeRule::Fixed, std::numeric_limits<int32_t>::max(), kLong},
};

// Types the table does not know (from newer servers or plugins) are reported as text.
constexpr TypeRow kUnknownType = {"", 254, adVarChar, adVarChar, SizeRule::Chars, 255, 0};

const TypeRow& find_type(std::string_view data_type) {
  for (const TypeRow& r : kTypes) {
    if (vb::iequals(r.data_type, data_type)) return r;
  }
  return kUnknownType;
}

bool contains_word(std::string_view text, std::string_view word) {
  std::string lower = vb::ascii_lower(text);
  size_t p = 0;
  while ((p = lower.find(word, p)) != std::string::npos) {
    bool start = p == 0 || !std::isalnum(static_cast<unsigned char>(lower[p - 1]));
    bool end = p + word.size() >= lower.size() || !std::isalnum(static_cast<unsigned char>(lower[p + word.size()]));
    if (start && end) return true;
    p += word.size();
  }
  return false;
}

// Reads a quoted SQL literal starting at s[pos] == '\''; doubled quotes and backslash
// escapes stand for one character. Advances pos past the closing quote.
std::string read_literal(std::string_view s, size_t& pos) {
  std::string out;
  size_t p = pos + 1;
  while (p < s.size()) {
    char c = s[p];
    if (c == '\\' && p + 1 < s.size()) {
      char n = s[p + 1];
      switch (n) {
        case '0': out += '\0'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'Z': out += '\x1a'; break;
        default: out += n; break;
      }
      p += 2;
    } else if (c == '\'') {
      if (p + 1 < s.size() && s[p + 1] == '\'') {
        out += '\'';
        p += 2;
      } else {
        ++p;
        break;
      }
    } else {
      out += c;
      ++p;
    }
  }
  pos = p;
  return out;
}

}  // namespace

int32_t clamp_size(int64_t n) noexcept {
  if (n < 0) return 0;
  if (n > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return int32_t(n);
}

std::vector<std::string> parse_enum_values(std::string_view column_type) {
  std::vector<std::string> values;
  size_t open = column_type.find('(');
  if (open == std::string_view::npos) return values;
  size_t pos = open + 1;
  while (pos < column_type.size()) {
    char c = column_type[pos];
    if (c == '\'') {
      values.push_back(read_literal(column_type, pos));
    } else if (c == ')') {
      break;
    } else {
      ++pos;
    }
  }
  return values;
}

std::string make_tag_values(const std::vector<std::string>& values) {
  std::string out;
  for (const std::string& v : values) {
    std::string q = "\"";
    for (char c : v) {
      q += c;
      if (c == '"') q += '"';
    }
    q += '"';
    if (!out.empty()) out += "\r\n";
    out += q + "," + q;
  }
  return out;
}

vb::Variant default_from_information_schema(const std::optional<std::string>& column_default) {
  if (!column_default || *column_default == "NULL") return vb::Variant::null();
  const std::string& d = *column_default;
  if (d.size() >= 2 && d.front() == '\'' && d.back() == '\'') {
    size_t pos = 0;
    std::string value = read_literal(d, pos);
    if (pos == d.size()) return vb::Variant(value);
  }
  return vb::Variant(d);
}

FieldInfo field_from_mariadb_column(const MariaColumn& c, bool updatable, bool key_column, bool unique) {
  const TypeRow& row = find_type(c.data_type);
  FieldInfo f;
  f.name = c.name;
  f.data_type_name = vb::ascii_lower(c.data_type);
  f.native_type = row.native;
  f.is_enum = row.native == 247;
  f.is_set = row.native == 248;
  bool is_unsigned = contains_word(c.column_type, "unsigned");
  f.ado_type = is_unsigned ? row.ado_unsigned : row.ado;
  if (vb::iequals(c.data_type, "bit") && c.numeric_precision == 1) f.ado_type = ado::adBoolean;
  switch (row.size_rule) {
    case SizeRule::Precision:
      f.size = c.numeric_precision >= 0 ? clamp_size(c.numeric_precision) : row.fixed_size;
      break;
    case SizeRule::Chars:
      f.size = c.char_max_length >= 0 ? clamp_size(c.char_max_length) : row.fixed_size;
      break;
    case SizeRule::Fixed:
      f.size = row.fixed_size;
      break;
    case SizeRule::DateTime:
      f.size = row.fixed_size + (c.datetime_precision > 0 ? int32_t(c.datetime_precision) + 1 : 0);
      break;
  }
  f.required = !c.nullable;
  f.unique = unique;
  f.auto_increment = contains_word(c.extra, "auto_increment");
  f.ado_attributes = row.attributes | (updatable ? ado::adFldUpdatable : ado::adFldUnknownUpdatable);
  if (c.nullable) f.ado_attributes |= ado::adFldIsNullable | ado::adFldMayBeNull;
  if (key_column) f.ado_attributes |= ado::adFldKeyColumn;
  f.default_value = default_from_information_schema(c.column_default);
  if (f.is_enum || f.is_set) f.tag_values = make_tag_values(parse_enum_values(c.column_type));
  return f;
}

std::optional<MariaColumn> mariadb_column_from_type(std::string_view name, std::string_view column_type,
                                                    std::string* error) {
  auto bad = [&](const std::string& why) -> std::optional<MariaColumn> {
    if (error) *error = why;
    return std::nullopt;
  };
  std::string_view t = column_type;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  size_t word_end = 0;
  while (word_end < t.size() && (std::isalnum(static_cast<unsigned char>(t[word_end])) || t[word_end] == '_')) ++word_end;
  if (word_end == 0) return bad("no column type in \"" + std::string(column_type) + "\"");
  MariaColumn c;
  c.name = std::string(name);
  c.data_type = vb::ascii_lower(t.substr(0, word_end));
  c.column_type = std::string(column_type);
  const TypeRow& row = find_type(c.data_type);
  if (&row == &kUnknownType) return bad("unknown column type \"" + c.data_type + "\"");
  // The numbers in parentheses: (n) or (p,s); enum and set list their values instead.
  std::vector<int64_t> nums;
  size_t open = t.find('(', word_end);
  if (open != std::string_view::npos && row.native != 247 && row.native != 248) {
    size_t close = t.find(')', open);
    if (close == std::string_view::npos) return bad("missing \")\" in \"" + std::string(column_type) + "\"");
    std::string_view inside = t.substr(open + 1, close - open - 1);
    size_t p = 0;
    while (p <= inside.size()) {
      size_t comma = inside.find(',', p);
      std::string_view part = inside.substr(p, comma == std::string_view::npos ? std::string_view::npos : comma - p);
      while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
      while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
      int64_t v = 0;
      auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
      if (ec != std::errc() || ptr != part.data() + part.size()) return bad("bad number in \"" + std::string(column_type) + "\"");
      nums.push_back(v);
      if (comma == std::string_view::npos) break;
      p = comma + 1;
    }
  }
  bool is_unsigned = contains_word(column_type, "unsigned");
  switch (row.size_rule) {
    case SizeRule::Precision:
      if (row.native == 246) {
        c.numeric_precision = nums.empty() ? 10 : nums[0];
      } else if (row.native == 16) {
        c.numeric_precision = nums.empty() ? 1 : nums[0];
      } else if (row.native == 9 && is_unsigned) {
        c.numeric_precision = 8;
      } else if (row.native == 8 && is_unsigned) {
        c.numeric_precision = 20;
      } else {
        c.numeric_precision = row.fixed_size;  // a display width does not change the digits
      }
      break;
    case SizeRule::Chars:
      if (row.native == 247 || row.native == 248) {
        std::vector<std::string> values = parse_enum_values(column_type);
        int64_t n = 0;
        for (const std::string& v : values) {
          int64_t len = int64_t(vb::utf8_length(v));
          n = row.native == 247 ? std::max(n, len) : n + len;
        }
        if (row.native == 248 && !values.empty()) n += int64_t(values.size()) - 1;
        c.char_max_length = n;
      } else if (row.fixed_size == 0 || row.fixed_size == 1) {
        if (nums.empty() && row.fixed_size == 0) return bad("\"" + c.data_type + "\" needs a length");
        c.char_max_length = nums.empty() ? 1 : nums[0];
      } else {
        c.char_max_length = row.data_type == "longtext" || row.data_type == "longblob" || row.data_type == "json"
                                ? int64_t(4294967295LL)
                                : row.fixed_size;
      }
      break;
    case SizeRule::DateTime:
      c.datetime_precision = nums.empty() ? 0 : nums[0];
      break;
    case SizeRule::Fixed:
      break;
  }
  return c;
}

}  // namespace tolvex::platform
