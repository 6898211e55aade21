#include "platform/schema/mariadb_driver.h"

#include <mysql.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <mutex>
#include <optional>

#include "platform/schema/ado_types.h"
#include "platform/schema/mariadb_types.h"
#include "platform/sqlparser/sql_lexer.h"
#include "platform/sqlparser/sql_parser.h"
#include "vb/strings.h"

namespace tolvex::platform {

namespace {

struct ResultDeleter {
  void operator()(MYSQL_RES* r) const noexcept { mysql_free_result(r); }
};
using Result = std::unique_ptr<MYSQL_RES, ResultDeleter>;

struct StmtDeleter {
  void operator()(MYSQL_STMT* s) const noexcept { mysql_stmt_close(s); }
};
using Stmt = std::unique_ptr<MYSQL_STMT, StmtDeleter>;

struct QueryError {
  std::string message;
};

void init_library() {
  static std::once_flag once;
  std::call_once(once, [] { mysql_library_init(0, nullptr, nullptr); });
}

std::string cell(MYSQL_ROW row, unsigned long* lengths, unsigned i) {
  return row[i] ? std::string(row[i], lengths[i]) : std::string();
}
std::optional<std::string> cell_opt(MYSQL_ROW row, unsigned long* lengths, unsigned i) {
  if (!row[i]) return std::nullopt;
  return std::string(row[i], lengths[i]);
}
int64_t cell_int(MYSQL_ROW row, unsigned long* lengths, unsigned i) {
  if (!row[i]) return -1;
  int64_t v = -1;
  std::from_chars(row[i], row[i] + lengths[i], v);
  return v;
}

std::string table_type_word(std::string_view server_type) {
  // A system-versioned table is a base table that also keeps its history.
  if (server_type == "BASE TABLE" || server_type == "SYSTEM VERSIONED") return "TABLE";
  if (server_type == "VIEW") return "VIEW";
  return std::string(server_type);
}

// A key column's name as an item of PKField: in double quotes (inner ones doubled) when it
// holds a comma or a double quote or begins or ends with a blank, so that the list splits
// back into the names.
std::string key_list_item(const std::string& name) {
  const bool plain = name.find_first_of(",\"") == std::string::npos &&
                     (name.empty() || (name.front() != ' ' && name.back() != ' '));
  if (plain) return name;
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

MariaDbCatalogueQueries mariadb_catalogue_queries(const std::string& where) {
  return {"SELECT TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM information_schema.TABLES" + where,
          "SELECT TABLE_SCHEMA, TABLE_NAME, INDEX_NAME, SEQ_IN_INDEX, COLUMN_NAME, SUB_PART "
          "FROM information_schema.STATISTICS" + where + " AND NON_UNIQUE = 0",
          "SELECT TABLE_SCHEMA, TABLE_NAME, ORDINAL_POSITION, COLUMN_NAME, DATA_TYPE, COLUMN_TYPE, "
          "CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, DATETIME_PRECISION, IS_NULLABLE, COLUMN_DEFAULT, EXTRA "
          "FROM information_schema.COLUMNS" + where};
}

struct MariaDbSchemaDriver::Connection {
  MYSQL* mysql = nullptr;
  std::string database;
  bool ansi_quotes = false;

  ~Connection() {
    if (mysql) mysql_close(mysql);
  }

  std::string quote(std::string_view text) const {
    std::string out(text.size() * 2 + 1, '\0');
    unsigned long n = mysql_real_escape_string(mysql, out.data(), text.data(), static_cast<unsigned long>(text.size()));
    out.resize(n);
    return "'" + out + "'";
  }

  Result query(const std::string& sql) const {
    if (mysql_real_query(mysql, sql.data(), static_cast<unsigned long>(sql.size())) != 0) {
      throw QueryError{mysql_error(mysql)};
    }
    Result r(mysql_store_result(mysql));
    if (!r) throw QueryError{mysql_errno(mysql) ? mysql_error(mysql) : "The server returned no result."};
    return r;
  }

  // Tables and views of one database with their columns and keys; all of them, or the one
  // named (exactly) when table is set.
  std::vector<TableInfo> load_tables(const std::string& db, std::optional<std::string_view> table) const {
    std::string where = " WHERE TABLE_SCHEMA = " + quote(db);
    if (table) where += " AND TABLE_NAME = " + quote(*table);
    auto wanted = [&](const std::string& schema, const std::string& name) {
      return schema == db && (!table || name == *table);
    };

    const MariaDbCatalogueQueries sql = mariadb_catalogue_queries(where);
    std::map<std::string, TableInfo> tables;
    {
      Result r = query(sql.tables);
      while (MYSQL_ROW row = mysql_fetch_row(r.get())) {
        unsigned long* len = mysql_fetch_lengths(r.get());
        std::string name = cell(row, len, 1);
        if (!wanted(cell(row, len, 0), name)) continue;
        TableInfo& t = tables[name];
        t.name = name;
        t.table_type = table_type_word(cell(row, len, 2));
      }
    }

    // Keys: the primary key in key order, and the columns that are alone in a unique index.
    struct IndexPart {
      int64_t seq;
      std::string column;
      bool prefix;
    };
    std::map<std::string, std::map<std::string, std::vector<IndexPart>>> unique_indexes;
    {
      Result r = query(sql.unique_index_parts);
      while (MYSQL_ROW row = mysql_fetch_row(r.get())) {
        unsigned long* len = mysql_fetch_lengths(r.get());
        std::string name = cell(row, len, 1);
        if (!wanted(cell(row, len, 0), name)) continue;
        unique_indexes[name][cell(row, len, 2)].push_back({cell_int(row, len, 3), cell(row, len, 4), row[5] != nullptr});
      }
    }
    std::map<std::string, std::vector<std::string>> primary_key;
    std::map<std::string, std::vector<std::string>> unique_columns;
    for (auto& [tname, indexes] : unique_indexes) {
      for (auto& [iname, parts] : indexes) {
        std::sort(parts.begin(), parts.end(), [](const IndexPart& a, const IndexPart& b) { return a.seq < b.seq; });
        if (iname == "PRIMARY") {
          for (const auto& p : parts) primary_key[tname].push_back(p.column);
        }
        if (parts.size() == 1 && !parts[0].prefix) unique_columns[tname].push_back(parts[0].column);
      }
    }

    struct ColumnRow {
      int64_t ordinal;
      MariaColumn column;
    };
    std::map<std::string, std::vector<ColumnRow>> columns;
    {
      Result r = query(sql.columns);
      while (MYSQL_ROW row = mysql_fetch_row(r.get())) {
        unsigned long* len = mysql_fetch_lengths(r.get());
        std::string name = cell(row, len, 1);
        if (!wanted(cell(row, len, 0), name)) continue;
        MariaColumn c;
        c.name = cell(row, len, 3);
        c.data_type = cell(row, len, 4);
        c.column_type = cell(row, len, 5);
        c.char_max_length = cell_int(row, len, 6);
        c.numeric_precision = cell_int(row, len, 7);
        c.datetime_precision = cell_int(row, len, 8);
        c.nullable = cell(row, len, 9) == "YES";
        c.column_default = cell_opt(row, len, 10);
        c.extra = cell(row, len, 11);
        columns[name].push_back({cell_int(row, len, 2), std::move(c)});
      }
    }

    std::vector<TableInfo> out;
    out.reserve(tables.size());
    for (auto& [name, t] : tables) {
      const std::vector<std::string>& pk = primary_key[name];
      const std::vector<std::string>& uniq = unique_columns[name];
      for (size_t i = 0; i < pk.size(); ++i) t.pk_field += (i ? "," : "") + key_list_item(pk[i]);
      std::vector<ColumnRow>& cols = columns[name];
      std::sort(cols.begin(), cols.end(), [](const ColumnRow& a, const ColumnRow& b) { return a.ordinal < b.ordinal; });
      for (const ColumnRow& c : cols) {
        bool key = std::find(pk.begin(), pk.end(), c.column.name) != pk.end();
        bool unique = std::find(uniq.begin(), uniq.end(), c.column.name) != uniq.end();
        t.fields.push_back(field_from_mariadb_column(c.column, t.table_type == "TABLE", key, unique));
      }
      out.push_back(std::move(t));
    }
    return out;  // std::map keeps the names in byte order
  }
};

namespace {

// The facts of a result column that no base column stands behind (a computed value).
FieldInfo field_from_metadata(const MYSQL_FIELD& f) {
  MariaColumn c;
  c.name = std::string(f.name, f.name_length);
  bool binary = f.charsetnr == 63;
  unsigned mbmax = 1;
  if (!binary) {
    if (const MARIADB_CHARSET_INFO* cs = mariadb_get_charset_by_nr(f.charsetnr)) mbmax = std::max(1u, cs->char_maxlen);
  }
  int64_t chars = int64_t(f.length / (binary ? 1 : mbmax));
  bool is_unsigned = (f.flags & UNSIGNED_FLAG) != 0;
  switch (f.type) {
    case MYSQL_TYPE_TINY: c.data_type = "tinyint"; break;
    case MYSQL_TYPE_SHORT: c.data_type = "smallint"; break;
    case MYSQL_TYPE_INT24: c.data_type = "mediumint"; c.numeric_precision = is_unsigned ? 8 : 7; break;
    case MYSQL_TYPE_LONG: c.data_type = "int"; break;
    case MYSQL_TYPE_LONGLONG: c.data_type = "bigint"; c.numeric_precision = is_unsigned ? 20 : 19; break;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      c.data_type = "decimal";
      c.numeric_precision = std::max<int64_t>(1, int64_t(f.length) - (f.decimals > 0 ? 1 : 0) - (is_unsigned ? 0 : 1));
      break;
    case MYSQL_TYPE_FLOAT: c.data_type = "float"; break;
    case MYSQL_TYPE_DOUBLE: c.data_type = "double"; break;
    case MYSQL_TYPE_BIT: c.data_type = "bit"; c.numeric_precision = int64_t(f.length); break;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE: c.data_type = "date"; break;
    case MYSQL_TYPE_TIME: c.data_type = "time"; c.datetime_precision = f.decimals; break;
    case MYSQL_TYPE_DATETIME: c.data_type = "datetime"; c.datetime_precision = f.decimals; break;
    case MYSQL_TYPE_TIMESTAMP: c.data_type = "timestamp"; c.datetime_precision = f.decimals; break;
    case MYSQL_TYPE_YEAR: c.data_type = "year"; break;
    case MYSQL_TYPE_ENUM: c.data_type = "enum"; c.char_max_length = chars; break;
    case MYSQL_TYPE_SET: c.data_type = "set"; c.char_max_length = chars; break;
    case MYSQL_TYPE_STRING:
      c.data_type = (f.flags & ENUM_FLAG) ? "enum" : (f.flags & SET_FLAG) ? "set" : binary ? "binary" : "char";
      c.char_max_length = chars;
      break;
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
      c.data_type = binary ? "varbinary" : "varchar";
      c.char_max_length = chars;
      break;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB: {
      const char* size = chars <= 255 ? "tiny" : chars <= 65535 ? "" : chars <= 16777215 ? "medium" : "long";
      c.data_type = std::string(size) + (binary ? "blob" : "text");
      c.char_max_length = chars;
      break;
    }
    case MYSQL_TYPE_GEOMETRY: c.data_type = "geometry"; break;
    default: c.data_type = "varchar"; c.char_max_length = chars; break;
  }
  if (is_unsigned) c.column_type = c.data_type + " unsigned";
  c.nullable = (f.flags & NOT_NULL_FLAG) == 0;
  if (f.flags & AUTO_INCREMENT_FLAG) c.extra = "auto_increment";
  return field_from_mariadb_column(c, false, (f.flags & PRI_KEY_FLAG) != 0, false);
}

bool is_query_start(std::string_view sql) {
  SqlLexResult lex = lex_sql(sql);
  if (!lex.ok || lex.tokens.empty()) return false;
  const SqlToken& t = lex.tokens.front();
  return t.is_word("SELECT") || t.is_word("WITH") || t.is("(");
}

}  // namespace

MariaDbSchemaDriver::MariaDbSchemaDriver(MariaDbTimeouts timeouts) : timeouts_(timeouts) {}
MariaDbSchemaDriver::~MariaDbSchemaDriver() = default;

void MariaDbSchemaDriver::Connect(const ConnectionValues& v) {
  conn_.reset();
  clear_error();
  std::string type = vb::ascii_lower(DatabaseType());
  if (type == "oracle") {
    set_error("Oracle databases cannot be read here: this driver reads MySQL and MariaDB databases.");
    return;
  }
  if (!type.empty() && type != "mysql") {
    set_error("Unknown database type \"" + DatabaseType() + "\".");
    return;
  }
  if (vb::iequals(v.method, "JDBC")) {
    set_error("The JDBC connection method is not available; connect directly instead.");
    return;
  }
  std::string host = v.host.empty() ? "localhost" : v.host;
  bool socket = host.front() == '/';
  unsigned port = 0;
  if (!socket) {
    std::string_view p = v.port;
    while (!p.empty() && p.front() == ' ') p.remove_prefix(1);
    while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
    auto [ptr, ec] = std::from_chars(p.data(), p.data() + p.size(), port);
    if (p.empty() || ec != std::errc() || ptr != p.data() + p.size() || port < 1 || port > 65535) {
      set_error("Invalid port \"" + v.port + "\": the port must be a number from 1 to 65535.");
      return;
    }
  }

  init_library();
  auto conn = std::make_unique<Connection>();
  conn->mysql = mysql_init(nullptr);
  if (!conn->mysql) {
    set_error("The database client library could not be started.");
    return;
  }
  MYSQL* m = conn->mysql;
  mysql_optionsv(m, MYSQL_OPT_CONNECT_TIMEOUT, &timeouts_.connect_seconds);
  mysql_optionsv(m, MYSQL_OPT_READ_TIMEOUT, &timeouts_.read_seconds);
  mysql_optionsv(m, MYSQL_OPT_WRITE_TIMEOUT, &timeouts_.write_seconds);
  mysql_optionsv(m, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  unsigned int no_local_files = 0;
  mysql_optionsv(m, MYSQL_OPT_LOCAL_INFILE, &no_local_files);
  if (!socket) {
    // The client library takes the host "localhost" for its default socket and would ignore
    // the port: a host name always means TCP to that port, a socket is given by its path.
    unsigned int tcp = MYSQL_PROTOCOL_TCP;
    mysql_optionsv(m, MYSQL_OPT_PROTOCOL, &tcp);
  }
  // No CLIENT_MULTI_STATEMENTS: a query text can never hold a second statement.
  const char* db = v.database.empty() ? nullptr : v.database.c_str();
  if (!mysql_real_connect(m, socket ? nullptr : host.c_str(), v.user.c_str(), v.password.c_str(), db,
                          socket ? 0 : port, socket ? host.c_str() : nullptr, 0)) {
    std::string msg = mysql_error(m);
    set_error(msg.empty() ? "Cannot connect to the database server." : msg);
    return;
  }
  conn->database = v.database;
  try {
    Result r = conn->query("SELECT @@SESSION.sql_mode");
    if (MYSQL_ROW row = mysql_fetch_row(r.get())) {
      conn->ansi_quotes = row[0] && vb::ascii_upper(row[0]).find("ANSI_QUOTES") != std::string::npos;
    }
  } catch (const QueryError& e) {
    set_error(e.message);
    return;
  }
  conn_ = std::move(conn);
}

std::string MariaDbSchemaDriver::DatabaseNames() {
  if (!conn_) {
    if (ErrorText().empty()) set_error("Not connected to a database server.");
    return {};
  }
  try {
    Result r = conn_->query("SHOW DATABASES");
    std::vector<std::string> names;
    while (MYSQL_ROW row = mysql_fetch_row(r.get())) {
      unsigned long* len = mysql_fetch_lengths(r.get());
      names.push_back(cell(row, len, 0));
    }
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : "\r\n") + n;
    clear_error();
    return out;
  } catch (const QueryError& e) {
    set_error(e.message);
    return {};
  }
}

vb::Ref<DriverTables> MariaDbSchemaDriver::GetTables(std::string_view table_name) {
  if (!conn_ || conn_->database.empty()) fail("Not connected to a database.");
  try {
    std::optional<std::string_view> only;
    if (!table_name.empty()) only = table_name;
    std::vector<TableInfo> tables = conn_->load_tables(conn_->database, only);
    clear_error();
    return make_driver_tables(tables);
  } catch (const QueryError& e) {
    fail(e.message);
  }
}

std::string MariaDbSchemaDriver::IdentifierQuote() { return conn_ && conn_->ansi_quotes ? "\"" : "`"; }

vb::Ref<DriverTable> MariaDbSchemaDriver::OpenQuery(std::string_view table_name, std::string_view sql) {
  TableInfo result;
  result.name = std::string(table_name);
  result.table_type = "CUSTOMVIEW";
  auto failed = [&](std::string why) {
    set_error(std::move(why));
    result.fields.clear();
    return vb::make_ref<DriverTable>(result);
  };
  if (!conn_ || conn_->database.empty()) return failed("Not connected to a database.");
  clear_error();
  if (std::string why = check_single_statement(sql); !why.empty()) return failed(why);
  std::string text = strip_trailing_semicolon(sql);
  if (!is_query_start(text)) return failed("The SQL of a custom view must be a SELECT query.");

  // The query's own names for its tables. The server reports a column of a view or a
  // derived table under the name the query uses (an alias), which may also be the name of
  // some other real table; the FROM list tells which table that name stands for.
  SqlParser parser;
  bool parsed = parser.Parse(text);
  auto base_table_of = [&](const std::string& db, const std::string& table, const std::string& org_table)
      -> std::optional<std::pair<std::string, std::string>> {
    if (table.empty() || org_table.empty()) return std::nullopt;
    if (org_table != table) return std::make_pair(db, org_table);  // the server resolved an alias
    if (parsed) {
      const SqlTableRef* ref = nullptr;
      for (const auto& t : parser.tables()) {
        if (t.alias == table) { ref = &t; break; }
      }
      for (const auto& t : parser.tables()) {
        if (!ref && vb::iequals(t.alias, table)) ref = &t;
      }
      if (ref && ref->derived) return std::nullopt;
      if (ref) return std::make_pair(ref->schema.empty() ? conn_->database : ref->schema, ref->name);
    }
    if (db.empty()) return std::nullopt;
    return std::make_pair(db, org_table);
  };

  Stmt stmt(mysql_stmt_init(conn_->mysql));
  if (!stmt) return failed(mysql_error(conn_->mysql));
  // Prepared only: the server checks the text and reports the result columns; nothing runs.
  if (mysql_stmt_prepare(stmt.get(), text.data(), static_cast<unsigned long>(text.size())) != 0) {
    return failed(mysql_stmt_error(stmt.get()));
  }
  Result meta(mysql_stmt_result_metadata(stmt.get()));
  if (!meta) {
    std::string err = mysql_stmt_error(stmt.get());
    return failed(err.empty() ? "The query returns no columns." : err);
  }
  std::map<std::pair<std::string, std::string>, std::vector<TableInfo>> base_tables;
  try {
    unsigned n = mysql_num_fields(meta.get());
    for (unsigned i = 0; i < n; ++i) {
      const MYSQL_FIELD& f = *mysql_fetch_field_direct(meta.get(), i);
      std::string db(f.db ? f.db : "", f.db ? f.db_length : 0);
      std::string org_table(f.org_table ? f.org_table : "", f.org_table ? f.org_table_length : 0);
      std::string org_name(f.org_name ? f.org_name : "", f.org_name ? f.org_name_length : 0);
      std::string name(f.name, f.name_length);
      std::string table(f.table ? f.table : "", f.table ? f.table_length : 0);
      const FieldInfo* base = nullptr;
      auto key = base_table_of(db, table, org_table);
      if (key && !org_name.empty()) {
        auto it = base_tables.find(*key);
        if (it == base_tables.end()) it = base_tables.emplace(*key, conn_->load_tables(key->first, key->second)).first;
        for (const TableInfo& t : it->second) {
          for (const FieldInfo& bf : t.fields) {
            if (!base && bf.name == org_name) base = &bf;
          }
          for (const FieldInfo& bf : t.fields) {
            if (!base && vb::iequals(bf.name, org_name)) base = &bf;
          }
        }
      }
      FieldInfo fi = base ? *base : field_from_metadata(f);
      fi.name = name;
      result.fields.push_back(std::move(fi));
    }
  } catch (const QueryError& e) {
    return failed(e.message);
  }
  return vb::make_ref<DriverTable>(result);
}

}  // namespace tolvex::platform
