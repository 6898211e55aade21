#include "vbscript/lexer.h"

#include <cmath>
#include <optional>
#include <unordered_map>

#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex::vbscript {

namespace {

const std::unordered_map<std::string_view, Kw, vb::IHash, vb::IEqual>& keywords() {
  static const std::unordered_map<std::string_view, Kw, vb::IHash, vb::IEqual> table = {
      {"and", Kw::And},         {"byref", Kw::ByRef},     {"byval", Kw::ByVal},   {"call", Kw::Call},
      {"case", Kw::Case},       {"class", Kw::Class},     {"const", Kw::Const},   {"dim", Kw::Dim},
      {"do", Kw::Do},           {"each", Kw::Each},       {"else", Kw::Else},     {"elseif", Kw::ElseIf},
      {"empty", Kw::Empty},     {"end", Kw::End},         {"eqv", Kw::Eqv},       {"erase", Kw::Erase},
      {"exit", Kw::Exit},       {"false", Kw::False},     {"for", Kw::For},       {"function", Kw::Function},
      {"goto", Kw::GoTo},       {"if", Kw::If},           {"imp", Kw::Imp},       {"in", Kw::In},
      {"is", Kw::Is},           {"loop", Kw::Loop},       {"me", Kw::Me},         {"mod", Kw::Mod},
      {"new", Kw::New},         {"next", Kw::Next},       {"not", Kw::Not},       {"nothing", Kw::Nothing},
      {"null", Kw::Null},       {"on", Kw::On},           {"option", Kw::Option}, {"or", Kw::Or},
      {"private", Kw::Private}, {"public", Kw::Public},   {"redim", Kw::ReDim},   {"select", Kw::Select},
      {"set", Kw::Set},         {"sub", Kw::Sub},         {"then", Kw::Then},     {"to", Kw::To},
      {"true", Kw::True},       {"until", Kw::Until},     {"wend", Kw::Wend},     {"while", Kw::While},
      {"with", Kw::With},       {"xor", Kw::Xor},         {"stop", Kw::Stop},     {"error", Kw::Error},
      {"explicit", Kw::Explicit}, {"preserve", Kw::Preserve}, {"step", Kw::Step}, {"default", Kw::Default},
      {"get", Kw::Get},         {"let", Kw::Let},         {"property", Kw::Property}, {"resume", Kw::Resume},
  };
  return table;
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_ident_char(char c) { return is_letter(c) || is_digit(c) || c == '_'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

// Whether the token ends an operand, so that a following "&" is the operator.
bool ends_operand(const Token& t) {
  switch (t.type) {
    case Tok::Ident:
      return t.kw == Kw::None || is_contextual(t.kw) || t.kw == Kw::True || t.kw == Kw::False ||
             t.kw == Kw::Empty || t.kw == Kw::Null || t.kw == Kw::Nothing || t.kw == Kw::Me;
    case Tok::Number:
    case Tok::String:
    case Tok::Date:
    case Tok::RParen:
      return true;
    default:
      return false;
  }
}

vb::Variant integer_value(double v) {
  if (v <= 32767) return vb::Variant(int16_t(v));
  if (v <= 2147483647.0) return vb::Variant(int32_t(v));
  return vb::Variant(v);
}

}  // namespace

bool is_contextual(Kw k) noexcept { return k >= Kw::Error; }

std::vector<Token> tokenize(std::string_view s, LexError& error) {
  std::vector<Token> out;
  out.reserve(s.size() / 4 + 4);
  size_t i = 0;
  const size_t n = s.size();
  if (s.substr(0, 3) == "\xEF\xBB\xBF") i = 3;  // a byte order mark
  bool space = false;
  bool continued = false;  // a line continuation since the last token
  auto fail = [&](int32_t number, size_t at) {
    error.number = number;
    error.pos = uint32_t(at);
  };
  auto push = [&](Tok type, size_t start, size_t end) -> Token& {
    Token& t = out.emplace_back();
    t.type = type;
    t.pos = uint32_t(start);
    t.text = s.substr(start, end - start);
    // A member right after a line continuation goes on the chain before it
    // (obj _ / .Member), not on the object of a With.
    t.space_before = space && !(continued && type == Tok::Dot);
    space = false;
    continued = false;
    return t;
  };
  auto skip_to_eol = [&]() {
    while (i < n && s[i] != '\n' && s[i] != '\r') ++i;
  };
  while (i < n) {
    char c = s[i];
    if (is_blank(c) || c == '\0') {
      ++i;
      space = true;
      continue;
    }
    if (c == '\r' || c == '\n') {
      size_t start = i;
      if (c == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
      ++i;
      if (out.empty() || out.back().type != Tok::Newline) push(Tok::Newline, start, start);
      space = false;
      continue;
    }
    if (c == '\'') {
      skip_to_eol();
      continue;
    }
    if (c == '_') {
      // Line continuation: "_" followed by blanks and the end of the line.
      size_t j = i + 1;
      while (j < n && is_blank(s[j])) ++j;
      if (j >= n || s[j] == '\r' || s[j] == '\n') {
        if (j < n && s[j] == '\r' && j + 1 < n && s[j + 1] == '\n') ++j;
        i = j + 1;
        space = true;
        continued = true;
        continue;
      }
      fail(1032, i);
      break;
    }
    if (is_letter(c)) {
      size_t start = i;
      while (i < n && is_ident_char(s[i])) ++i;
      if (i - start > 255) {
        fail(1030, start);
        break;
      }
      std::string_view word = s.substr(start, i - start);
      bool after_dot = !out.empty() && out.back().type == Tok::Dot;
      if (!after_dot && word.size() == 3 && vb::iequals(word, "rem") && (i >= n || !is_ident_char(s[i]))) {
        skip_to_eol();
        continue;
      }
      Token& t = push(Tok::Ident, start, i);
      if (!after_dot) {
        auto it = keywords().find(word);
        if (it != keywords().end()) t.kw = it->second;
      }
      continue;
    }
    if (c == '[') {
      size_t start = i + 1;
      size_t j = start;
      while (j < n && s[j] != ']' && s[j] != '\r' && s[j] != '\n') ++j;
      if (j >= n || s[j] != ']') {
        fail(1007, i);
        break;
      }
      push(Tok::Ident, start, j);
      i = j + 1;
      continue;
    }
    // A dot before a digit starts a number wherever it stands (no member name begins
    // with a digit): NpS.5 calls NpS with 0.5.
    if (is_digit(c) || (c == '.' && i + 1 < n && is_digit(s[i + 1]))) {
      size_t start = i;
      bool is_float = false;
      while (i < n && is_digit(s[i])) ++i;
      if (i < n && s[i] == '.') {
        is_float = true;
        ++i;
        while (i < n && is_digit(s[i])) ++i;
      }
      if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < n && is_digit(s[j])) {
          is_float = true;
          i = j;
          while (i < n && is_digit(s[i])) ++i;
        }
      }
      if (i < n && (is_letter(s[i]) || s[i] == '_')) {
        fail(1031, start);
        break;
      }
      // (Read without the C library, whose decimal point is the process locale's.)
      std::optional<double> v = vb::parse_number(s.substr(start, i - start));
      if (!v || !std::isfinite(*v)) {
        fail(1031, start);
        break;
      }
      Token& t = push(Tok::Number, start, i);
      t.value = is_float ? vb::Variant(*v) : integer_value(*v);
      continue;
    }
    if (c == '"') {
      size_t start = i;
      std::string value;
      ++i;
      bool closed = false;
      while (i < n) {
        if (s[i] == '"') {
          if (i + 1 < n && s[i + 1] == '"') {
            value.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        if (s[i] == '\r' || s[i] == '\n') break;
        value.push_back(s[i++]);
      }
      if (!closed) {
        fail(1033, start);
        break;
      }
      Token& t = push(Tok::String, start, i);
      t.value = vb::Variant(std::move(value));
      continue;
    }
    if (c == '#') {
      size_t start = i;
      size_t j = i + 1;
      while (j < n && s[j] != '#' && s[j] != '\r' && s[j] != '\n') ++j;
      if (j >= n || s[j] != '#') {
        fail(1002, start);
        break;
      }
      auto d = vb::parse_date(s.substr(i + 1, j - i - 1));
      if (!d) {
        fail(1002, start);
        break;
      }
      i = j + 1;
      Token& t = push(Tok::Date, start, i);
      t.value = vb::Variant::date(*d);
      continue;
    }
    if (c == '&') {
      // &H.. and &O.. are literals when well formed; a bare &digits literal only
      // where no operand precedes (x &1 is a concatenation).
      bool prefixed = i + 1 < n && (s[i + 1] == 'h' || s[i + 1] == 'H' || s[i + 1] == 'o' || s[i + 1] == 'O');
      bool literal_ok = false;
      if (prefixed) {
        bool hexp = s[i + 1] == 'h' || s[i + 1] == 'H';
        size_t j = i + 2;
        while (j < n && (hexp ? is_hex(s[j]) : (s[j] >= '0' && s[j] <= '7'))) ++j;
        // The digits end the literal: a keyword may follow at once (&h01Or&h02).
        literal_ok = j > i + 2 && (j >= n || s[j] != '_');
      } else if (i + 1 < n && is_digit(s[i + 1])) {
        literal_ok = out.empty() || !ends_operand(out.back());
      }
      if (literal_ok) {
        size_t start = i;
        bool hex = s[i + 1] == 'h' || s[i + 1] == 'H';
        size_t j = i + 1 + (is_digit(s[i + 1]) ? 0 : 1);
        uint64_t v = 0;
        size_t digits = 0;
        while (j < n && (hex ? is_hex(s[j]) : (s[j] >= '0' && s[j] <= '7'))) {
          char d = s[j];
          unsigned dv = is_digit(d) ? unsigned(d - '0') : unsigned(vb::ascii_lower(d) - 'a' + 10);
          v = v * (hex ? 16 : 8) + dv;
          if (v > 0xFFFFFFFFull) {
            fail(1031, start);
            break;
          }
          ++j;
          ++digits;
        }
        if (error.number) break;
        if (digits == 0) {
          fail(1031, start);
          break;
        }
        if (!hex && j < n && is_digit(s[j])) {  // &19: an 8 or 9 among octal digits
          fail(1002, start);
          break;
        }
        // Up to 0x7FFF the literal is an Integer, & or not; above, a Long. Without & a
        // value up to 0xFFFF is a 16-bit pattern (&H8000 is -32768), with it the number
        // written (&H8000& is 32768).
        const bool long_suffix = j < n && s[j] == '&';
        if (long_suffix) ++j;
        i = j;
        Token& t = push(Tok::Number, start, i);
        if (v <= 0x7FFF)
          t.value = vb::Variant(int16_t(v));
        else if (v <= 0xFFFF && !long_suffix)
          t.value = vb::Variant(int32_t(int16_t(uint16_t(v))));
        else
          t.value = vb::Variant(int32_t(uint32_t(v)));
        continue;
      }
      push(Tok::Concat, i, i + 1);
      ++i;
      continue;
    }
    Tok type = Tok::Eof;
    size_t len = 1;
    switch (c) {
      case '.': type = Tok::Dot; break;
      case ',': type = Tok::Comma; break;
      case '(': type = Tok::LParen; break;
      case ')': type = Tok::RParen; break;
      case ':': type = Tok::Colon; break;
      case '+': type = Tok::Plus; break;
      case '-': type = Tok::Minus; break;
      case '*': type = Tok::Star; break;
      case '/': type = Tok::Slash; break;
      case '\\': type = Tok::Backslash; break;
      case '^': type = Tok::Caret; break;
      case '=':
        type = Tok::Eq;
        if (i + 1 < n && s[i + 1] == '<') type = Tok::Le, len = 2;
        else if (i + 1 < n && s[i + 1] == '>') type = Tok::Ge, len = 2;
        break;
      case '<':
        type = Tok::Lt;
        if (i + 1 < n && s[i + 1] == '>') type = Tok::Ne, len = 2;
        else if (i + 1 < n && s[i + 1] == '=') type = Tok::Le, len = 2;
        break;
      case '>':
        type = Tok::Gt;
        if (i + 1 < n && s[i + 1] == '=') type = Tok::Ge, len = 2;
        else if (i + 1 < n && s[i + 1] == '<') type = Tok::Ne, len = 2;  // >< as <>
        break;
      default:
        break;
    }
    if (type == Tok::Eof) {
      fail(1032, i);
      break;
    }
    push(type, i, i + len);
    i += len;
  }
  if (out.empty() || out.back().type != Tok::Newline) push(Tok::Newline, error.number ? error.pos : n, error.number ? error.pos : n);
  push(Tok::Eof, error.number ? error.pos : n, error.number ? error.pos : n);
  return out;
}

}  // namespace tolvex::vbscript
