// The SQL parser for custom views: reads a SELECT and tells, for each result column, the
// expression it comes from, the table and field behind it and whether it carries an alias.
//
// It reads the select list, the FROM clause (tables, aliases with or without AS, joins,
// derived tables, common table expressions) and skips the rest. Names resolve through
// aliases and derived tables to the base table. What it cannot know without the schema
// (the table of an unqualified column when several tables are joined) stays empty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex::platform {

// Where one column of a query's result comes from.
struct SqlColumnSource {
  std::string name;           // the column's name in the result (alias, column, or expression text)
  std::string source_name;    // the expression as written in the SQL ("o.id", "`Full Name`", "a + b")
  std::string source_schema;  // the database that qualifies the table, when written
  std::string source_table;   // the base table ("" for computed values and unknown tables)
  std::string source_field;   // the column of that table ("" for computed values)
  std::string qualifier;      // the table name or alias written before the column or "*", unquoted
  bool is_alias = false;      // named by an alias (with or without AS)
  bool is_star = false;       // "*" or "t.*"; source_table names the table of "t.*"
  bool is_expression = false; // computed: anything but a plain column or a star
};

// One entry of a FROM clause.
struct SqlTableRef {
  std::string schema;   // as written ("" when unqualified)
  std::string name;     // the base table ("" for a derived table)
  std::string alias;    // how the query refers to it: its alias, else its name
  bool derived = false; // a subquery or a common table expression
  std::vector<SqlColumnSource> columns;  // the result columns of a derived table
};

class SqlParser : public vb::AutoDispatch<SqlParser> {
 public:
  // Parses the text; false when it holds no SELECT that can be read. The mode is accepted for
  // the callers that pass one and does not change the result.
  bool Parse(std::string_view sql, int mode = 3);

  // The sources of the result column named `column` in the last parsed text: an exact name
  // match first, then one without letter case, then the tables of "*" items. A column that
  // the text does not name gives empty texts and no alias.
  SqlColumnSource GetFieldSource(std::string_view column) const;

  const std::vector<SqlColumnSource>& columns() const noexcept { return columns_; }
  const std::vector<SqlTableRef>& tables() const noexcept { return tables_; }
  // The names of every derived table and common table expression, at any depth.
  const std::vector<std::string>& derived_names() const noexcept { return derived_names_; }
  // Why the last Parse returned false.
  const std::string& error() const noexcept { return error_; }

  static const vb::DispatchTable<SqlParser>& dispatch_table();

 private:
  std::vector<SqlColumnSource> columns_;
  std::vector<SqlTableRef> tables_;
  std::vector<std::string> derived_names_;
  std::string error_;
};

}  // namespace tolvex::platform
