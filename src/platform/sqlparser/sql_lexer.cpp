#include "platform/sqlparser/sql_lexer.h"

#include <cctype>

#include "vb/strings.h"

namespace tolvex::platform {

bool SqlToken::is_word(std::string_view kw) const {
  return kind == SqlTokenKind::Word && vb::iequals(text, kw);
}

namespace {

bool is_word_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c >= 0x80;
}
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_space(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The character a backslash sequence stands for in a MySQL string.
char unescape(char c) {
  switch (c) {
    case '0': return '\0';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'b': return '\b';
    case 'Z': return '\x1a';
    default: return c;
  }
}

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  SqlLexResult run() {
    SqlLexResult out;
    while (true) {
      skip_blanks_and_comments();
      if (!error_.empty() || pos_ >= s_.size()) break;
      if (!next_token(out.tokens)) break;
    }
    if (error_.empty() && in_exec_comment_) error_ = "unterminated comment";
    out.ok = error_.empty();
    out.error = error_;
    return out;
  }

 private:
  char at(size_t i) const { return i < s_.size() ? s_[i] : '\0'; }

  void skip_blanks_and_comments() {
    while (pos_ < s_.size()) {
      unsigned char c = static_cast<unsigned char>(s_[pos_]);
      if (is_space(c)) {
        ++pos_;
      } else if (c == '#' || (c == '-' && at(pos_ + 1) == '-' &&
                              (pos_ + 2 >= s_.size() || is_space(static_cast<unsigned char>(at(pos_ + 2))) ||
                               static_cast<unsigned char>(at(pos_ + 2)) < 0x20))) {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
      } else if (c == '/' && at(pos_ + 1) == '*') {
        // "/*!" and "/*M!" hold code that the server runs: drop only the markers.
        size_t p = pos_ + 2;
        if (at(p) == 'M' && at(p + 1) == '!') ++p;
        if (at(p) == '!') {
          if (in_exec_comment_) {
            error_ = "nested executable comment";
            return;
          }
          ++p;
          while (is_digit(static_cast<unsigned char>(at(p)))) ++p;  // version number
          in_exec_comment_ = true;
          pos_ = p;
          continue;
        }
        size_t close = s_.find("*/", pos_ + 2);
        if (close == std::string_view::npos) {
          error_ = "unterminated comment";
          return;
        }
        pos_ = close + 2;
      } else if (c == '*' && at(pos_ + 1) == '/' && in_exec_comment_) {
        in_exec_comment_ = false;
        pos_ += 2;
      } else {
        return;
      }
    }
  }

  // Reads a quoted run that starts at pos_ with the quote q; doubled quotes stand for one.
  bool read_quoted(char q, bool backslash, std::string& value) {
    size_t p = pos_ + 1;
    while (p < s_.size()) {
      char c = s_[p];
      if (backslash && c == '\\' && p + 1 < s_.size()) {
        value += unescape(s_[p + 1]);
        p += 2;
      } else if (c == q) {
        if (at(p + 1) == q) {
          value += q;
          p += 2;
        } else {
          pos_ = p + 1;
          return true;
        }
      } else {
        value += c;
        ++p;
      }
    }
    error_ = q == '\'' ? "unterminated string" : "unterminated quoted name";
    return false;
  }

  bool next_token(std::vector<SqlToken>& out) {
    size_t begin = pos_;
    unsigned char c = static_cast<unsigned char>(s_[pos_]);
    SqlToken t{SqlTokenKind::Punct, {}, begin, begin};
    if (c == '\'' || c == '"' || c == '`') {
      t.kind = c == '\'' ? SqlTokenKind::String : SqlTokenKind::QuotedIdent;
      if (!read_quoted(char(c), c != '`', t.text)) return false;
    } else if (is_digit(c) || (c == '.' && is_digit(static_cast<unsigned char>(at(pos_ + 1))))) {
      size_t p = pos_;
      if (c == '0' && (at(p + 1) == 'x' || at(p + 1) == 'X')) {
        p += 2;
        while (std::isxdigit(static_cast<unsigned char>(at(p)))) ++p;
      } else {
        while (is_digit(static_cast<unsigned char>(at(p)))) ++p;
        if (at(p) == '.') {
          ++p;
          while (is_digit(static_cast<unsigned char>(at(p)))) ++p;
        }
        if ((at(p) == 'e' || at(p) == 'E') &&
            (is_digit(static_cast<unsigned char>(at(p + 1))) ||
             ((at(p + 1) == '+' || at(p + 1) == '-') && is_digit(static_cast<unsigned char>(at(p + 2)))))) {
          p += 2;
          while (is_digit(static_cast<unsigned char>(at(p)))) ++p;
        }
      }
      t.kind = SqlTokenKind::Number;
      // Names may begin with digits ("1st_col"): a number run that goes on in letters is a word.
      if (c != '.' && is_word_char(static_cast<unsigned char>(at(p))) && s_.substr(pos_, p - pos_).find('.') == std::string_view::npos) {
        while (is_word_char(static_cast<unsigned char>(at(p)))) ++p;
        t.kind = SqlTokenKind::Word;
      }
      t.text = std::string(s_.substr(pos_, p - pos_));
      pos_ = p;
    } else if (is_word_char(c)) {
      size_t p = pos_;
      while (is_word_char(static_cast<unsigned char>(at(p)))) ++p;
      t.kind = SqlTokenKind::Word;
      t.text = std::string(s_.substr(pos_, p - pos_));
      pos_ = p;
    } else if (c == '@' || (c == ':' && is_word_char(static_cast<unsigned char>(at(pos_ + 1)))) || c == '?') {
      size_t p = pos_ + 1;
      if (c == '@' && at(p) == '@') ++p;
      if (c != '?') {
        char q = at(p);
        if (q == '`' || q == '\'' || q == '"') {
          pos_ = p;
          std::string ignored;
          if (!read_quoted(q, q != '`', ignored)) return false;
          p = pos_;
        } else {
          while (is_word_char(static_cast<unsigned char>(at(p))) || at(p) == '.') ++p;
        }
      }
      t.kind = SqlTokenKind::Variable;
      t.text = std::string(s_.substr(begin, p - begin));
      pos_ = p;
    } else {
      static constexpr std::string_view kLong[] = {"<=>", "->>", "<=", ">=", "<>", "!=", "||", "&&",
                                                   ":=",  "<<",  ">>", "->"};
      size_t len = 1;
      for (std::string_view op : kLong) {
        if (s_.substr(pos_, op.size()) == op) {
          len = op.size();
          break;
        }
      }
      t.text = std::string(s_.substr(pos_, len));
      pos_ += len;
    }
    t.end = pos_;
    out.push_back(std::move(t));
    return true;
  }

  std::string_view s_;
  size_t pos_ = 0;
  bool in_exec_comment_ = false;
  std::string error_;
};

}  // namespace

SqlLexResult lex_sql(std::string_view sql) { return Lexer(sql).run(); }

std::string check_single_statement(std::string_view sql) {
  SqlLexResult r = lex_sql(sql);
  if (!r.ok) return "The SQL text cannot be read: " + r.error + ".";
  for (size_t i = 0; i + 1 < r.tokens.size(); ++i) {
    if (r.tokens[i].is(";")) return "Only one SQL statement is allowed; found more after \";\".";
  }
  return {};
}

std::string strip_trailing_semicolon(std::string_view sql) {
  SqlLexResult r = lex_sql(sql);
  if (!r.ok || r.tokens.empty() || !r.tokens.back().is(";")) return std::string(sql);
  std::string_view head = sql.substr(0, r.tokens.back().begin);
  while (!head.empty() && is_space(static_cast<unsigned char>(head.back()))) head.remove_suffix(1);
  return std::string(head);
}

}  // namespace tolvex::platform
