#include "platform/schema/fixture_driver.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <optional>

#include "platform/schema/ado_types.h"
#include "platform/schema/mariadb_types.h"
#include "platform/sqlparser/sql_lexer.h"
#include "platform/sqlparser/sql_parser.h"
#include "vb/strings.h"

namespace tolvex::platform {

namespace {

struct Line {
  std::string keyword;
  std::map<std::string, std::string, std::less<>> values;
  std::vector<std::string> flags;

  const std::string* get(std::string_view key) const {
    auto it = values.find(key);
    return it == values.end() ? nullptr : &it->second;
  }
  bool flag(std::string_view f) const { return std::find(flags.begin(), flags.end(), f) != flags.end(); }
};

struct ParseError {
  int line;
  std::string reason;
};

// Reads one word or quoted value starting at s[p].
std::string read_value(const std::string& s, size_t& p, int line_no) {
  std::string out;
  if (p < s.size() && s[p] == '"') {
    ++p;
    while (true) {
      if (p >= s.size()) throw ParseError{line_no, "unterminated quoted value"};
      char c = s[p++];
      if (c == '"') break;
      if (c == '\\' && p < s.size()) {
        char n = s[p++];
        out += n == 'r' ? '\r' : n == 'n' ? '\n' : n == 't' ? '\t' : n;
      } else {
        out += c;
      }
    }
    return out;
  }
  while (p < s.size() && s[p] != ' ' && s[p] != '\t' && s[p] != '=') out += s[p++];
  return out;
}

std::optional<Line> split_line(const std::string& raw, int line_no) {
  std::string s = raw;
  if (!s.empty() && s.back() == '\r') s.pop_back();
  size_t p = 0;
  auto skip = [&] {
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
  };
  skip();
  if (p >= s.size() || s[p] == '#') return std::nullopt;
  Line line;
  line.keyword = read_value(s, p, line_no);
  while (true) {
    skip();
    if (p >= s.size()) break;
    std::string key = read_value(s, p, line_no);
    if (key.empty()) throw ParseError{line_no, "unexpected \"=\""};
    if (p < s.size() && s[p] == '=') {
      ++p;
      line.values[key] = read_value(s, p, line_no);
    } else {
      line.flags.push_back(key);
    }
  }
  return line;
}

int32_t read_number(const std::string& text, int line_no, std::string_view key) {
  int32_t v = 0;
  std::string_view t = text;
  int base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    t.remove_prefix(2);
    base = 16;
  }
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v, base);
  if (ec != std::errc() || ptr != t.data() + t.size() || t.empty()) {
    throw ParseError{line_no, std::string(key) + "=" + text + " is not a number"};
  }
  return v;
}

// The names of a pk list: items separated by ",", trimmed; an item in double quotes (inner
// ones doubled) is taken as written inside them, so that it may hold commas and blanks.
std::vector<std::string> split_key(const std::string& pk) {
  std::vector<std::string> parts;
  size_t p = 0;
  while (p <= pk.size()) {
    while (p < pk.size() && pk[p] == ' ') ++p;
    std::string part;
    size_t next = pk.find(',', p);
    if (p < pk.size() && pk[p] == '"') {
      size_t q = p + 1;
      bool closed = false;
      for (; q < pk.size(); ++q) {
        if (pk[q] != '"') {
          part += pk[q];
        } else if (q + 1 < pk.size() && pk[q + 1] == '"') {
          part += '"';
          ++q;
        } else {
          closed = true;
          ++q;
          break;
        }
      }
      next = pk.find(',', q);
      if (!closed) part = pk.substr(p, next == std::string::npos ? std::string::npos : next - p);
    } else {
      part = pk.substr(p, next == std::string::npos ? std::string::npos : next - p);
      while (!part.empty() && part.back() == ' ') part.pop_back();
    }
    if (!part.empty()) parts.push_back(part);
    if (next == std::string::npos) break;
    p = next + 1;
  }
  return parts;
}

FieldInfo read_field(const Line& line, const TableInfo& table, int line_no) {
  const std::string* name = line.get("name");
  if (!name || name->empty()) throw ParseError{line_no, "field without a name"};
  std::vector<std::string> key = split_key(table.pk_field);
  bool key_column = std::find(key.begin(), key.end(), *name) != key.end();
  bool unique = line.flag("unique") || (key.size() == 1 && key_column);
  FieldInfo f;
  if (const std::string* type = line.get("type")) {
    std::string error;
    std::optional<MariaColumn> c = mariadb_column_from_type(*name, *type, &error);
    if (!c) throw ParseError{line_no, error};
    c->nullable = !line.flag("required");
    if (line.flag("autoincrement")) c->extra = "auto_increment";
    f = field_from_mariadb_column(*c, table.table_type == "TABLE", key_column, unique);
  } else {
    for (std::string_view needed : {"typename", "ado", "native", "size"}) {
      if (!line.get(needed)) {
        throw ParseError{line_no, "field " + *name + " needs type= or " + std::string(needed) + "="};
      }
    }
    f.name = *name;
    f.required = line.flag("required");
    f.unique = unique;
    f.auto_increment = line.flag("autoincrement");
    f.ado_attributes = (table.table_type == "TABLE" ? ado::adFldUpdatable : ado::adFldUnknownUpdatable) |
                       (f.required ? 0 : ado::adFldIsNullable | ado::adFldMayBeNull) |
                       (key_column ? ado::adFldKeyColumn : 0);
  }
  f.required = line.flag("required");
  f.auto_increment = line.flag("autoincrement");
  if (const std::string* v = line.get("typename")) f.data_type_name = *v;
  if (const std::string* v = line.get("native")) f.native_type = int16_t(read_number(*v, line_no, "native"));
  if (const std::string* v = line.get("ado")) f.ado_type = int16_t(read_number(*v, line_no, "ado"));
  if (const std::string* v = line.get("size")) f.size = read_number(*v, line_no, "size");
  if (const std::string* v = line.get("attributes")) f.ado_attributes = read_number(*v, line_no, "attributes");
  if (line.flag("enum")) f.is_enum = true;
  if (line.flag("set")) f.is_set = true;
  if (const std::string* v = line.get("tags")) f.tag_values = *v;
  if (const std::string* v = line.get("default")) f.default_value = vb::Variant(*v);
  for (const std::string& flag : line.flags) {
    static constexpr std::string_view kKnown[] = {"required", "unique", "autoincrement", "enum", "set"};
    if (std::find(std::begin(kKnown), std::end(kKnown), flag) == std::end(kKnown)) {
      throw ParseError{line_no, "unknown flag \"" + flag + "\""};
    }
  }
  return f;
}

struct Fixture {
  std::vector<FixtureSchemaDriver::Database> databases;
  std::vector<FixtureSchemaDriver::Credentials> users;
};

Fixture read_fixture(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ParseError{0, "cannot open the schema file"};
  Fixture fx;
  std::string raw;
  int line_no = 0;
  while (std::getline(in, raw)) {
    ++line_no;
    std::optional<Line> line = split_line(raw, line_no);
    if (!line) continue;
    const std::string& kw = line->keyword;
    auto need = [&](std::string_view key) -> const std::string& {
      const std::string* v = line->get(key);
      if (!v) throw ParseError{line_no, kw + " needs " + std::string(key) + "="};
      return *v;
    };
    if (kw == "database") {
      fx.databases.push_back({need("name"), {}});
    } else if (kw == "user") {
      fx.users.push_back({need("name"), line->get("password") ? *line->get("password") : std::string()});
    } else if (kw == "table" || kw == "view") {
      if (fx.databases.empty()) throw ParseError{line_no, kw + " before any database"};
      TableInfo t;
      t.name = need("name");
      t.table_type = kw == "view" ? "VIEW" : "TABLE";
      if (const std::string* type = line->get("type")) t.table_type = *type;
      if (const std::string* pk = line->get("pk")) t.pk_field = *pk;
      fx.databases.back().tables.push_back(std::move(t));
    } else if (kw == "field") {
      if (fx.databases.empty() || fx.databases.back().tables.empty()) {
        throw ParseError{line_no, "field before any table"};
      }
      TableInfo& t = fx.databases.back().tables.back();
      t.fields.push_back(read_field(*line, t, line_no));
    } else {
      throw ParseError{line_no, "unknown keyword \"" + kw + "\""};
    }
  }
  for (auto& db : fx.databases) {
    std::stable_sort(db.tables.begin(), db.tables.end(),
                     [](const TableInfo& a, const TableInfo& b) { return a.name < b.name; });
  }
  return fx;
}

const FieldInfo* find_field(const TableInfo& t, std::string_view name) {
  for (const auto& f : t.fields) {
    if (f.name == name) return &f;
  }
  for (const auto& f : t.fields) {
    if (vb::iequals(f.name, name)) return &f;
  }
  return nullptr;
}

}  // namespace

FixtureSchemaDriver::FixtureSchemaDriver(std::filesystem::path file) : file_(std::move(file)) {}

const FixtureSchemaDriver::Database* FixtureSchemaDriver::connected() const {
  for (const auto& db : databases_) {
    if (db.name == database_) return &db;
  }
  return nullptr;
}

void FixtureSchemaDriver::Connect(const ConnectionValues& v) {
  calls_.push_back("Connect type=" + DatabaseType() + " key=" + SettingsKey() + " schema=" + Schema() +
                   " host=" + v.host + " db=" + v.database + " user=" + v.user + " port=" + v.port +
                   " method=" + v.method + " quote=" + v.quote);
  connected_ = false;
  database_.clear();
  clear_error();
  try {
    Fixture fx = read_fixture(file_);
    databases_ = std::move(fx.databases);
    users_ = std::move(fx.users);
  } catch (const ParseError& e) {
    set_error(file_.string() + (e.line ? ": line " + std::to_string(e.line) : std::string()) + ": " + e.reason);
    return;
  }
  if (!users_.empty()) {
    bool ok = std::any_of(users_.begin(), users_.end(),
                          [&](const Credentials& c) { return c.user == v.user && c.password == v.password; });
    if (!ok) {
      set_error("Access denied for user '" + v.user + "'");
      return;
    }
  }
  if (!v.database.empty()) {
    database_ = v.database;
    if (!connected()) {
      set_error("Unknown database '" + v.database + "'");
      database_.clear();
      return;
    }
  }
  connected_ = true;
}

std::string FixtureSchemaDriver::DatabaseNames() {
  calls_.push_back("DatabaseNames");
  if (!connected_) {
    if (ErrorText().empty()) set_error("Not connected to a database server.");
    return {};
  }
  std::vector<std::string> names;
  for (const auto& db : databases_) names.push_back(db.name);
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : "\r\n") + n;
  return out;
}

vb::Ref<DriverTables> FixtureSchemaDriver::GetTables(std::string_view table_name) {
  calls_.push_back("GetTables " + std::string(table_name));
  const Database* db = connected_ ? connected() : nullptr;
  if (!db) fail("Not connected to a database.");
  clear_error();
  std::vector<TableInfo> out;
  for (const auto& t : db->tables) {
    if (table_name.empty() || t.name == table_name) out.push_back(t);
  }
  return make_driver_tables(out);
}

std::string FixtureSchemaDriver::IdentifierQuote() {
  calls_.push_back("IdentifierQuote");
  return vb::iequals(DatabaseType(), "oracle") ? "\"" : "`";
}

vb::Ref<DriverTable> FixtureSchemaDriver::OpenQuery(std::string_view table_name, std::string_view sql) {
  calls_.push_back("OpenQuery " + std::string(table_name));
  TableInfo result;
  result.name = std::string(table_name);
  result.table_type = "CUSTOMVIEW";
  auto failed = [&](std::string why) {
    set_error(std::move(why));
    result.fields.clear();
    return vb::make_ref<DriverTable>(result);
  };
  const Database* db = connected_ ? connected() : nullptr;
  if (!db) return failed("Not connected to a database.");
  clear_error();
  if (std::string why = check_single_statement(sql); !why.empty()) return failed(why);
  SqlParser parser;
  if (!parser.Parse(strip_trailing_semicolon(sql))) {
    return failed("The SQL cannot be read: " + parser.error() + ".");
  }
  auto table_of = [&](const std::string& name) -> const TableInfo* {
    for (const auto& t : db->tables) {
      if (t.name == name) return &t;
    }
    return nullptr;
  };
  std::vector<const TableInfo*> from;
  for (const auto& ref : parser.tables()) {
    if (ref.derived) continue;
    if (!ref.schema.empty() && ref.schema != db->name) return failed("Table '" + ref.schema + "." + ref.name + "' doesn't exist");
    const TableInfo* t = table_of(ref.name);
    if (!t) return failed("Table '" + db->name + "." + ref.name + "' doesn't exist");
    from.push_back(t);
  }
  // A column that names a base table and field becomes that field under its result name.
  auto base_field = [&](const SqlColumnSource& c, const std::string& result_name) -> std::optional<std::string> {
    const TableInfo* t = nullptr;
    if (!c.source_table.empty()) {
      t = table_of(c.source_table);
      if (!t) return "Table '" + db->name + "." + c.source_table + "' doesn't exist";
    } else {
      for (const TableInfo* x : from) {
        if (find_field(*x, c.source_field)) {
          if (t) return "Column '" + c.source_field + "' in field list is ambiguous";
          t = x;
        }
      }
      if (!t) return "Unknown column '" + c.source_field + "' in 'field list'";
    }
    const FieldInfo* f = find_field(*t, c.source_field);
    if (!f) return "Unknown column '" + c.source_field + "' in 'field list'";
    FieldInfo copy = *f;
    copy.name = result_name;
    result.fields.push_back(std::move(copy));
    return std::nullopt;
  };
  for (const auto& c : parser.columns()) {
    if (c.is_star) {
      std::vector<const TableInfo*> tables;
      if (!c.source_table.empty()) {
        const TableInfo* t = table_of(c.source_table);
        if (!t) return failed("Unknown table '" + c.source_table + "'");
        tables.push_back(t);
      } else if (c.qualifier.empty()) {
        tables = from;
      } else {
        return failed("Unknown table '" + c.qualifier + "'");
      }
      for (const TableInfo* t : tables) {
        for (const FieldInfo& f : t->fields) result.fields.push_back(f);
      }
    } else if (c.is_expression) {
      FieldInfo f;
      f.name = c.name;
      f.data_type_name = "varchar";
      f.native_type = 253;
      f.ado_type = ado::adVarChar;
      f.size = 255;
      f.ado_attributes = ado::adFldUnknownUpdatable | ado::adFldIsNullable | ado::adFldMayBeNull;
      result.fields.push_back(std::move(f));
    } else if (auto why = base_field(c, c.name)) {
      return failed(*why);
    }
  }
  return vb::make_ref<DriverTable>(result);
}

}  // namespace tolvex::platform
