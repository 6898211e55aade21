// Splits script text into tokens. The lexer never fails on bad input: it reports
// the first error (number and position) and ends the token stream there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vb/variant.h"

namespace tolvex::vbscript {

enum class Tok : uint8_t {
  Eof,
  Newline,  // end of a line (also ends a statement)
  Colon,    // statement separator on one line
  Ident,    // a name; keywords are Ident tokens with a keyword code
  Number,   // value holds Integer, Long or Double
  String,
  Date,
  Dot,
  Comma,
  LParen,
  RParen,
  Concat,  // &
  Plus,
  Minus,
  Star,
  Slash,
  Backslash,
  Caret,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
};

// Reserved and contextual words. Contextual words (Error, Explicit, Preserve,
// Step, Default, Get, Let, Property, Resume) may also serve as names.
enum class Kw : uint8_t {
  None,
  And, ByRef, ByVal, Call, Case, Class, Const, Dim, Do, Each, Else, ElseIf, Empty, End, Eqv,
  Erase, Exit, False, For, Function, GoTo, If, Imp, In, Is, Loop, Me, Mod, New, Next, Not,
  Nothing, Null, On, Option, Or, Private, Public, ReDim, Select, Set, Sub, Then, To, True,
  Until, Wend, While, With, Xor, Stop,
  // contextual
  Error, Explicit, Preserve, Step, Default, Get, Let, Property, Resume,
};

bool is_contextual(Kw k) noexcept;

struct Token {
  Tok type = Tok::Eof;
  Kw kw = Kw::None;
  bool space_before = false;  // whitespace directly before the token
  uint32_t pos = 0;           // byte offset in the text
  std::string_view text;      // the token's text; the name for identifiers
  vb::Variant value;          // literal value
};

struct LexError {
  int32_t number = 0;  // 0: none
  uint32_t pos = 0;
};

// Tokenizes the whole text. On an error the tokens end with Eof at the error.
std::vector<Token> tokenize(std::string_view text, LexError& error);

}  // namespace tolvex::vbscript
