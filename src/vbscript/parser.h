// Parses a chunk of script text into a Program, resolving local names to slots.
#pragma once

#include <cstdint>
#include <memory>

#include "vbscript/ast.h"

namespace tolvex::vbscript {

struct SyntaxError {
  int32_t number = 0;  // 1002 "Syntax error", 1025 "Expected end of statement", ...
  uint32_t pos = 0;    // byte offset in the chunk's text
};

// The procedure (and class) whose locals a chunk of Execute/Eval text may use.
struct ParseScope {
  const ProcDef* proc = nullptr;
  const ClassDef* cls = nullptr;
};

// Deepest nesting of blocks and parenthesised expressions the parser accepts
// before it reports error 28 ("Out of stack space").
inline constexpr int kMaxParseDepth = 256;

// A whole chunk: declarations and module-level code. False with `error` set on a syntax error.
bool parse_program(const std::shared_ptr<Chunk>& chunk, Program& out, SyntaxError& error,
                   const ParseScope* scope = nullptr);
// One expression (Eval).
bool parse_expression(const std::shared_ptr<Chunk>& chunk, ExprPtr& out, SyntaxError& error,
                      const ParseScope* scope = nullptr);

}  // namespace tolvex::vbscript
