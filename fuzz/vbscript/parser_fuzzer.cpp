// Feeds arbitrary text to the lexer and the parser (whole chunks and single
// expressions). Any crash, hang or sanitizer report is a bug.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "vbscript/parser.h"

using namespace tolvex::vbscript;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  {
    auto chunk = std::make_shared<Chunk>();
    chunk->text = text;
    Program prog;
    SyntaxError err;
    if (!parse_program(chunk, prog, err)) {
      int line = 0, column = 0;
      chunk->position(err.pos, line, column);
      (void)chunk->line_text(err.pos);
    }
  }
  {
    auto chunk = std::make_shared<Chunk>();
    chunk->text = std::move(text);
    ExprPtr e;
    SyntaxError err;
    (void)parse_expression(chunk, e, err);
  }
  return 0;
}
