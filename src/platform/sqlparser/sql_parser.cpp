#include "platform/sqlparser/sql_parser.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>

#include "platform/sqlparser/sql_lexer.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex::platform {

namespace {

bool word_in(const SqlToken& t, std::span<const std::string_view> words) {
  if (t.kind != SqlTokenKind::Word) return false;
  return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return vb::iequals(t.text, w); });
}
bool word_in(const SqlToken& t, std::initializer_list<std::string_view> words) {
  return word_in(t, std::span<const std::string_view>(words.begin(), words.size()));
}

// Words that end a select list or a FROM clause at the outer level.
constexpr std::string_view kClauseEnd[] = {
    "FROM",  "INTO",      "WHERE",  "GROUP", "HAVING", "ORDER",    "LIMIT", "UNION",
    "EXCEPT", "MINUS", "INTERSECT", "WINDOW", "FOR",   "LOCK",   "PROCEDURE"};

constexpr std::string_view kJoinWords[] = {
    "JOIN", "INNER", "CROSS", "LEFT", "RIGHT", "FULL", "OUTER", "NATURAL", "STRAIGHT_JOIN", "ON", "USING"};

// Words that take an operand after them: a name that follows one is no alias.
constexpr std::string_view kOperatorWords[] = {
    "AND", "OR",   "NOT",      "XOR",     "DIV",    "MOD",     "IS",      "IN",  "LIKE", "BETWEEN",
    "REGEXP", "RLIKE", "SOUNDS", "ESCAPE", "COLLATE", "BINARY", "INTERVAL", "DISTINCT", "CASE", "WHEN",
    "THEN", "ELSE", "AS",       "SELECT",  "ALL",    "ANY",     "SOME",    "EXISTS", "PRIOR", "NEW",
    "OVER"};

// Words that cannot be an alias at the end of a select item.
constexpr std::string_view kNoAliasWords[] = {"END", "NULL", "TRUE", "FALSE", "UNKNOWN"};

// Words that look like names but are values.
constexpr std::string_view kValueWords[] = {
    "NULL",         "TRUE",         "FALSE",     "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
    "CURRENT_USER", "LOCALTIME",    "LOCALTIMESTAMP", "UTC_DATE", "UTC_TIME",   "UTC_TIMESTAMP",
    "SYSDATE",      "SYSTIMESTAMP", "ROWNUM",    "LEVEL",        "USER",         "DEFAULT"};

constexpr std::string_view kSelectModifiers[] = {
    "ALL",          "DISTINCT",      "DISTINCTROW",     "HIGH_PRIORITY", "STRAIGHT_JOIN", "SQL_SMALL_RESULT",
    "SQL_BIG_RESULT", "SQL_BUFFER_RESULT", "SQL_CACHE", "SQL_NO_CACHE",  "SQL_CALC_FOUND_ROWS", "UNIQUE"};

bool is_name(const SqlToken& t) { return t.kind == SqlTokenKind::Word || t.kind == SqlTokenKind::QuotedIdent; }

// The FROM entry a qualifier names: exact first, then without letter case.
const SqlTableRef* find_table(const std::vector<SqlTableRef>& tables, std::string_view q) {
  for (const auto& t : tables) {
    if (t.alias == q) return &t;
  }
  for (const auto& t : tables) {
    if (vb::iequals(t.alias, q)) return &t;
  }
  return nullptr;
}

// Resolves column `col` of a FROM entry into its base table and field.
void resolve_in(const SqlTableRef& t, const std::string& col, SqlColumnSource& out) {
  if (!t.derived) {
    out.source_schema = t.schema;
    out.source_table = t.name;
    out.source_field = col;
    return;
  }
  const SqlColumnSource* inner = nullptr;
  for (const auto& c : t.columns) {
    if (!c.is_star && c.name == col) { inner = &c; break; }
  }
  if (!inner) {
    for (const auto& c : t.columns) {
      if (!c.is_star && vb::iequals(c.name, col)) { inner = &c; break; }
    }
  }
  if (inner) {
    out.source_schema = inner->source_schema;
    out.source_table = inner->source_table;
    out.source_field = inner->source_field;
    return;
  }
  // A derived table that selects "t.*" (or "*" of one table) passes that table's columns on.
  for (const auto& c : t.columns) {
    if (c.is_star && !c.source_table.empty()) {
      out.source_schema = c.source_schema;
      out.source_table = c.source_table;
      out.source_field = col;
      return;
    }
  }
  out.source_field = col;
}

struct QueryResult {
  std::vector<SqlColumnSource> columns;
  std::vector<SqlTableRef> tables;
};

struct Failure {
  std::string reason;
};

// Subqueries, parenthesised joins and query blocks nest at most this deep. Each level is a
// recursive call, so a deeper text is refused instead of exhausting the stack.
constexpr int kMaxNesting = 256;

class Parser {
 public:
  Parser(std::string_view sql, const std::vector<SqlToken>& toks, std::vector<std::string>& derived)
      : sql_(sql), t_(toks), derived_(derived) {}

  QueryResult parse_all() {
    QueryResult q = parse_query({});
    // Whatever follows the first query block (UNION parts, ORDER BY, ...) is read past.
    int depth = 0;
    while (pos_ < t_.size()) {
      if (t_[pos_].is("(")) ++depth;
      if (t_[pos_].is(")") && --depth < 0) fail("unbalanced parentheses");
      if (t_[pos_].is(";")) break;
      ++pos_;
    }
    if (depth != 0) fail("unbalanced parentheses");
    return q;
  }

 private:
  using CteMap = std::map<std::string, std::vector<SqlColumnSource>, std::less<>>;

  [[noreturn]] void fail(std::string reason) { throw Failure{std::move(reason)}; }

  // One level deeper for as long as it lives.
  class Nesting {
   public:
    explicit Nesting(Parser& p) : p_(p) {
      if (p_.nesting_ >= kMaxNesting) p_.fail("the query nests more than " + std::to_string(kMaxNesting) + " levels deep");
      ++p_.nesting_;
    }
    ~Nesting() { --p_.nesting_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

   private:
    Parser& p_;
  };
  bool at_end() const { return pos_ >= t_.size(); }
  const SqlToken& cur() const { return t_[pos_]; }
  bool cur_is(std::string_view p) const { return !at_end() && cur().is(p); }
  bool cur_word(std::string_view w) const { return !at_end() && cur().is_word(w); }
  void expect(std::string_view p) {
    if (!cur_is(p)) fail("\"" + std::string(p) + "\" expected");
    ++pos_;
  }

  std::string text_of(size_t b, size_t e) const {
    if (b >= e) return {};
    return std::string(sql_.substr(t_[b].begin, t_[e - 1].end - t_[b].begin));
  }

  // Skips a balanced run of parentheses starting at an opening one.
  void skip_parens() {
    int depth = 0;
    do {
      if (at_end()) fail("unbalanced parentheses");
      if (cur().is("(")) ++depth;
      if (cur().is(")")) --depth;
      ++pos_;
    } while (depth > 0);
  }

  bool starts_query() const {
    size_t p = pos_;
    while (p < t_.size() && t_[p].is("(")) ++p;
    return p < t_.size() && (t_[p].is_word("SELECT") || t_[p].is_word("WITH"));
  }

  QueryResult parse_query(CteMap ctes) {
    const Nesting level(*this);
    if (cur_is("(")) {
      ++pos_;
      QueryResult inner = parse_query(ctes);
      expect(")");
      return inner;
    }
    if (cur_word("WITH")) {
      ++pos_;
      if (cur_word("RECURSIVE")) ++pos_;
      while (true) {
        if (at_end() || !is_name(cur())) fail("name of a common table expression expected");
        std::string name = cur().text;
        ++pos_;
        std::vector<std::string> renames;
        if (cur_is("(")) {
          ++pos_;
          while (!at_end() && !cur_is(")")) {
            if (is_name(cur())) renames.push_back(cur().text);
            ++pos_;
          }
          expect(")");
        }
        if (!cur_word("AS")) fail("AS expected after a common table expression's name");
        ++pos_;
        expect("(");
        QueryResult body = parse_query(ctes);
        expect(")");
        for (size_t i = 0; i < renames.size() && i < body.columns.size(); ++i) body.columns[i].name = renames[i];
        derived_.push_back(name);
        ctes[name] = std::move(body.columns);
        if (!cur_is(",")) break;
        ++pos_;
      }
    }
    if (!cur_word("SELECT")) fail("SELECT expected");
    ++pos_;
    while (!at_end() && word_in(cur(), kSelectModifiers)) ++pos_;

    // The select list: items split at commas outside parentheses.
    std::vector<std::pair<size_t, size_t>> items;
    size_t item_begin = pos_;
    int depth = 0;
    while (!at_end()) {
      const SqlToken& t = cur();
      if (t.is("(")) ++depth;
      else if (t.is(")")) {
        if (depth == 0) break;
        --depth;
      } else if (depth == 0 && (t.is(",") || t.is(";") || word_in(t, kClauseEnd))) {
        if (t.is(",")) {
          items.emplace_back(item_begin, pos_);
          item_begin = pos_ + 1;
        } else {
          break;
        }
      }
      ++pos_;
    }
    if (depth != 0) fail("unbalanced parentheses");
    items.emplace_back(item_begin, pos_);
    for (const auto& [b, e] : items) {
      if (b >= e) fail("empty item in the select list");
    }

    QueryResult q;
    if (cur_word("INTO")) skip_into();
    if (cur_word("FROM")) {
      ++pos_;
      parse_table_refs(q.tables, ctes);
    }
    // The rest of this query block (WHERE, GROUP BY, ...): up to a closing parenthesis of
    // an enclosing block, or a set operator, which the caller reads past.
    depth = 0;
    while (!at_end()) {
      if (cur().is("(")) ++depth;
      else if (cur().is(")")) {
        if (depth == 0) break;
        --depth;
      } else if (depth == 0 && (cur().is(";") || word_in(cur(), {"UNION", "EXCEPT", "INTERSECT", "MINUS"}))) {
        break;
      }
      ++pos_;
    }
    for (const auto& [b, e] : items) q.columns.push_back(read_item(b, e, q.tables));
    return q;
  }

  void skip_into() {
    // SELECT ... INTO @a, @b FROM ...: the targets are no part of the result.
    ++pos_;
    while (!at_end() && !cur_word("FROM") && !word_in(cur(), kClauseEnd) && !cur_is(")") && !cur_is(";")) ++pos_;
  }

  bool is_alias_candidate(const SqlToken& t) const {
    if (t.kind == SqlTokenKind::QuotedIdent || t.kind == SqlTokenKind::String) return true;
    return t.kind == SqlTokenKind::Word && !word_in(t, kClauseEnd) && !word_in(t, kJoinWords) &&
           !word_in(t, {"USE", "IGNORE", "FORCE", "PARTITION", "AS", "LATERAL", "TABLESAMPLE"});
  }

  void parse_table_refs(std::vector<SqlTableRef>& out, const CteMap& ctes) {
    parse_table_factor(out, ctes);
    while (!at_end()) {
      if (cur_is(",")) {
        ++pos_;
        parse_table_factor(out, ctes);
        continue;
      }
      if (word_in(cur(), {"JOIN", "INNER", "CROSS", "LEFT", "RIGHT", "FULL", "OUTER", "NATURAL", "STRAIGHT_JOIN"})) {
        while (word_in(cur(), {"INNER", "CROSS", "LEFT", "RIGHT", "FULL", "OUTER", "NATURAL"})) {
          ++pos_;
          if (at_end()) fail("JOIN expected");
        }
        if (!cur_word("JOIN") && !cur_word("STRAIGHT_JOIN")) fail("JOIN expected");
        ++pos_;
        parse_table_factor(out, ctes);
        continue;
      }
      if (cur_word("ON")) {
        ++pos_;
        // The join condition: up to the next join, comma or clause at this level.
        int depth = 0;
        while (!at_end()) {
          if (cur().is("(")) ++depth;
          else if (cur().is(")")) {
            if (depth == 0) break;
            --depth;
          } else if (depth == 0 && (cur().is(",") || cur().is(";") || word_in(cur(), kClauseEnd) ||
                                    word_in(cur(), {"JOIN", "INNER", "CROSS", "LEFT", "RIGHT", "FULL",
                                                    "NATURAL", "STRAIGHT_JOIN"}))) {
            break;
          }
          ++pos_;
        }
        continue;
      }
      if (cur_word("USING")) {
        ++pos_;
        if (cur_is("(")) skip_parens();
        continue;
      }
      break;
    }
  }

  void parse_table_factor(std::vector<SqlTableRef>& out, const CteMap& ctes) {
    const Nesting level(*this);
    if (at_end()) fail("table name expected");
    if (cur_word("LATERAL")) ++pos_;
    if (at_end()) fail("table name expected");
    SqlTableRef ref;
    if (cur_is("(")) {
      if (!starts_query()) {
        // A parenthesised join: its tables belong to this FROM list.
        ++pos_;
        parse_table_refs(out, ctes);
        expect(")");
        return;
      }
      ++pos_;
      QueryResult inner = parse_query(ctes);
      expect(")");
      ref.derived = true;
      ref.columns = std::move(inner.columns);
    } else if (is_name(cur())) {
      std::vector<std::string> parts{cur().text};
      ++pos_;
      while (cur_is(".") && pos_ + 1 < t_.size() && is_name(t_[pos_ + 1])) {
        parts.push_back(t_[pos_ + 1].text);
        pos_ += 2;
      }
      if (cur_is("(")) {
        // A table function (JSON_TABLE(...), TABLE(...)): its columns are not known here.
        skip_parens();
        ref.derived = true;
      } else {
        ref.name = parts.back();
        if (parts.size() > 1) ref.schema = parts[parts.size() - 2];
        if (auto it = ctes.find(ref.name); it != ctes.end() && ref.schema.empty()) {
          ref.derived = true;
          ref.columns = it->second;
          ref.alias = ref.name;
          ref.name.clear();
        }
      }
    } else {
      fail("table name expected");
    }
    // PARTITION (p0, p1) and index hints between the name and the alias, or after it.
    auto skip_hints = [&] {
      while (!at_end()) {
        if (cur_word("PARTITION") && pos_ + 1 < t_.size() && t_[pos_ + 1].is("(")) {
          ++pos_;
          skip_parens();
        } else if (word_in(cur(), {"USE", "IGNORE", "FORCE"})) {
          ++pos_;
          while (!at_end() && !cur_is("(")) ++pos_;
          if (!at_end()) skip_parens();
        } else {
          break;
        }
      }
    };
    skip_hints();
    if (cur_word("AS")) {
      ++pos_;
      if (at_end() || !(is_name(cur()) || cur().kind == SqlTokenKind::String)) fail("alias expected after AS");
      ref.alias = cur().text;
      ++pos_;
    } else if (!at_end() && is_alias_candidate(cur()) && cur().kind != SqlTokenKind::String) {
      ref.alias = cur().text;
      ++pos_;
    }
    if (ref.derived && cur_is("(")) {
      // Column names of a derived table: (a, b, c).
      ++pos_;
      size_t i = 0;
      while (!at_end() && !cur_is(")")) {
        if (is_name(cur()) && i < ref.columns.size()) ref.columns[i++].name = cur().text;
        ++pos_;
      }
      expect(")");
    }
    skip_hints();
    if (ref.alias.empty()) ref.alias = ref.name;
    if (ref.derived && !ref.alias.empty() &&
        std::find(derived_.begin(), derived_.end(), ref.alias) == derived_.end()) {
      derived_.push_back(ref.alias);
    }
    out.push_back(std::move(ref));
  }

 private:
  SqlColumnSource read_item(size_t b, size_t e, const std::vector<SqlTableRef>& tables) {
    SqlColumnSource c;
    std::optional<std::string> alias;
    if (e - b >= 3 && t_[e - 2].is_word("AS") &&
        (is_name(t_[e - 1]) || t_[e - 1].kind == SqlTokenKind::String)) {
      alias = t_[e - 1].text;
      e -= 2;
    } else if (e - b >= 2) {
      const SqlToken& last = t_[e - 1];
      const SqlToken& prev = t_[e - 2];
      bool last_ok = last.kind == SqlTokenKind::QuotedIdent || last.kind == SqlTokenKind::String ||
                     (last.kind == SqlTokenKind::Word && !word_in(last, kNoAliasWords) &&
                      !word_in(last, kOperatorWords));
      bool prev_ends_operand =
          prev.kind == SqlTokenKind::QuotedIdent || prev.kind == SqlTokenKind::Number ||
          prev.kind == SqlTokenKind::String || prev.kind == SqlTokenKind::Variable || prev.is(")") ||
          (prev.kind == SqlTokenKind::Word && !word_in(prev, kOperatorWords));
      // DATE '2020-01-01', _utf8mb4 'x', N'x': a typed literal, not a value with an alias.
      if (last.kind == SqlTokenKind::String && prev.kind == SqlTokenKind::Word &&
          (word_in(prev, {"DATE", "TIME", "TIMESTAMP", "N", "X", "B"}) || prev.text.front() == '_')) {
        prev_ends_operand = false;
      }
      if (last_ok && prev_ends_operand && !prev.is(".")) {
        alias = last.text;
        e -= 1;
      }
    }
    c.source_name = text_of(b, e);
    c.is_alias = alias.has_value();
    size_t n = e - b;
    // "*", "t.*", "db.t.*"
    if (t_[e - 1].is("*") && (n == 1 || (n >= 3 && t_[e - 2].is(".") && is_name(t_[e - 3])))) {
      bool plain = n == 1;
      bool qualified_ok = true;
      for (size_t i = b; i + 1 < e && !plain; i += 2) {
        if (!is_name(t_[i]) || !t_[i + 1].is(".")) qualified_ok = false;
      }
      if (plain || qualified_ok) {
        c.is_star = true;
        c.is_alias = false;
        if (plain) {
          if (tables.size() == 1 && !tables[0].derived) {
            c.source_schema = tables[0].schema;
            c.source_table = tables[0].name;
          }
        } else {
          const std::string& q = t_[e - 3].text;
          c.qualifier = q;
          const SqlTableRef* t = find_table(tables, q);
          if (t && !t->derived) {
            c.source_schema = t->schema;
            c.source_table = t->name;
          } else if (!t) {
            c.source_table = q;
          }
        }
        return c;
      }
    }
    // A plain column: name, t.name or db.t.name.
    bool column = n % 2 == 1 && n <= 5;
    for (size_t i = b; i < e && column; ++i) {
      bool want_name = (i - b) % 2 == 0;
      if (want_name ? !is_name(t_[i]) : !t_[i].is(".")) column = false;
      if (want_name && t_[i].kind == SqlTokenKind::Word && word_in(t_[i], kValueWords)) column = false;
    }
    if (column) {
      const std::string& col = t_[e - 1].text;
      c.name = alias ? *alias : col;
      if (n == 1) {
        if (tables.size() == 1) {
          resolve_in(tables[0], col, c);
        } else {
          c.source_field = col;
          // Among derived tables alone, the one that has the column names its source.
          bool all_derived = !tables.empty() &&
                             std::all_of(tables.begin(), tables.end(), [](const SqlTableRef& t) { return t.derived; });
          if (all_derived) {
            for (const auto& t : tables) {
              if (std::any_of(t.columns.begin(), t.columns.end(), [&](const SqlColumnSource& x) { return x.name == col; })) {
                resolve_in(t, col, c);
                break;
              }
            }
          }
        }
      } else {
        const std::string& q = t_[e - 3].text;
        c.qualifier = q;
        if (n == 5) c.source_schema = t_[b].text;
        if (const SqlTableRef* t = n == 3 ? find_table(tables, q) : nullptr) {
          resolve_in(*t, col, c);
        } else {
          c.source_table = q;
          c.source_field = col;
        }
      }
      return c;
    }
    c.is_expression = true;
    if (alias) {
      c.name = *alias;
    } else if (n == 1 && t_[b].kind == SqlTokenKind::String) {
      c.name = t_[b].text;  // a literal is named by its value
    } else {
      c.name = c.source_name;
    }
    return c;
  }

  std::string_view sql_;
  const std::vector<SqlToken>& t_;
  std::vector<std::string>& derived_;
  size_t pos_ = 0;
  int nesting_ = 0;
};

}  // namespace

bool SqlParser::Parse(std::string_view sql, int /*mode*/) {
  columns_.clear();
  tables_.clear();
  derived_names_.clear();
  error_.clear();
  SqlLexResult lex = lex_sql(sql);
  if (!lex.ok) {
    error_ = lex.error;
    return false;
  }
  if (lex.tokens.empty()) {
    error_ = "empty text";
    return false;
  }
  try {
    Parser p(sql, lex.tokens, derived_names_);
    QueryResult q = p.parse_all();
    columns_ = std::move(q.columns);
    tables_ = std::move(q.tables);
    return true;
  } catch (const Failure& f) {
    error_ = f.reason;
    columns_.clear();
    tables_.clear();
    derived_names_.clear();
    return false;
  }
}

SqlColumnSource SqlParser::GetFieldSource(std::string_view column) const {
  for (const auto& c : columns_) {
    if (!c.is_star && c.name == column) return c;
  }
  for (const auto& c : columns_) {
    if (!c.is_star && vb::iequals(c.name, column)) return c;
  }
  // A column that only a "*" item brings in.
  for (const auto& c : columns_) {
    if (!c.is_star) continue;
    SqlColumnSource out;
    out.name = std::string(column);
    out.qualifier = c.qualifier;
    out.source_name = c.qualifier.empty() ? out.name : c.source_name.substr(0, c.source_name.size() - 1) + out.name;
    const SqlTableRef* t = nullptr;
    if (c.qualifier.empty()) {
      if (tables_.size() != 1) continue;  // "*" over several tables: this column's table is unknown
      t = &tables_[0];
    } else {
      t = find_table(tables_, c.qualifier);
    }
    if (t) {
      resolve_in(*t, out.name, out);
    } else {
      out.source_table = c.source_table;
      out.source_field = out.name;
    }
    return out;
  }
  return {};
}

const vb::DispatchTable<SqlParser>& SqlParser::dispatch_table() {
  static const vb::DispatchTable<SqlParser> table = [] {
    vb::DispatchTable<SqlParser> t("SqlParser");
    // Parse(sql, mode, ok): ok (ByRef) receives the result, which is also returned.
    t.method("Parse", [](SqlParser& self, vb::Args a) {
      vb::check_arg_count(a, 1, 3);
      int mode = vb::has_arg(a, 1) ? vb::to_long(a[1]) : 3;
      bool ok = self.Parse(vb::to_string(a[0]), mode);
      if (a.size() > 2) a[2] = vb::Variant(ok);
      return vb::Variant(ok);
    });
    // GetFieldSource(column, sourceName, sourceTable, sourceField, isAlias): outputs by reference.
    t.method("GetFieldSource", [](SqlParser& self, vb::Args a) {
      vb::check_arg_count(a, 1, 5);
      SqlColumnSource s = self.GetFieldSource(vb::to_string(a[0]));
      if (a.size() > 1) a[1] = vb::Variant(s.source_name);
      if (a.size() > 2) a[2] = vb::Variant(s.source_table);
      if (a.size() > 3) a[3] = vb::Variant(s.source_field);
      if (a.size() > 4) a[4] = vb::Variant(s.is_alias);
      return vb::Variant();
    });
    return t;
  }();
  return table;
}

}  // namespace tolvex::platform
