// A lexer for the SQL that users write for custom views (MySQL/MariaDB and Oracle dialects).
// It knows enough to find statement boundaries and the parts of a SELECT: strings, quoted
// identifiers, comments (which it drops) and the server's executable comments "/*! ... */"
// and "/*M! ... */", whose text the server runs and which therefore count as code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::platform {

enum class SqlTokenKind {
  Word,         // a bare word: keyword or unquoted identifier
  QuotedIdent,  // `name` or "name"
  String,       // 'text'
  Number,       // 12, 1.5, 1e3, 0x1F
  Punct,        // ( ) , . ; and operators (one token per operator)
  Variable,     // @name, @@name, ? or :name placeholders
};

struct SqlToken {
  SqlTokenKind kind;
  std::string text;    // the value: unquoted name, unescaped string, the word or operator
  size_t begin = 0;    // byte offsets of the token in the source text
  size_t end = 0;

  bool is(std::string_view punct) const { return kind == SqlTokenKind::Punct && text == punct; }
  // A bare word equal to kw without regard to ASCII letter case.
  bool is_word(std::string_view kw) const;
};

struct SqlLexResult {
  std::vector<SqlToken> tokens;
  bool ok = true;
  std::string error;  // why the text could not be split into tokens ("" when ok)
};

// Splits a text into tokens. Unterminated strings, quoted names and comments make ok false.
SqlLexResult lex_sql(std::string_view sql);

// Checks that a text holds exactly one statement: a ";" outside strings and comments is
// allowed only at the very end (followed by nothing but blanks and comments). Returns ""
// when the text passes, else the reason.
std::string check_single_statement(std::string_view sql);

// The text without one trailing ";" (and the blanks and comments around it).
std::string strip_trailing_semicolon(std::string_view sql);

}  // namespace tolvex::platform
