// Feeds arbitrary text to the block parser, the session scanner, the include expansion and the
// include listing, and checks what each promises about its result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/context.h"
#include "platform/host_ui.h"
#include "templates/ag_parser.h"
#include "templates/file_cache.h"
#include "templates/marker_search.h"

namespace {

void require(bool ok) {
  if (!ok) std::abort();
}

std::string joined(const std::vector<std::string>& pieces) {
  std::string s;
  for (const auto& p : pieces) s += p;
  return s;
}

// A parse without error gives records that put together again make the source.
void check_blocks(const tolvex::AGParser& parser, const std::string& text, bool failed) {
  std::string rebuilt;
  size_t end = 0;
  for (const tolvex::TemplateBlock& b : parser.blocks()) {
    require(b.start >= end && b.start + b.length <= text.size());
    end = b.start + b.length;
    if (b.kind == tolvex::agc_Block_Content) {
      require(b.length > 0);
      rebuilt.append(parser.text_of(b));
    } else {
      rebuilt += "<!--##";
      if (b.kind != tolvex::agc_Block_Script) rebuilt += text[b.start - 1];
      rebuilt.append(parser.text_of(b));
      rebuilt += "##-->";
    }
    if (b.kind != tolvex::agc_Block_FunctionIndent) require(b.indent.empty());
  }
  if (!failed) require(rebuilt == text);
  else require(text.starts_with(rebuilt));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolvex::ContextScope ctx;
  ctx->HostUi = std::make_shared<tolvex::platform::ScriptedUI>();  // message boxes answered silently
  const std::string text(reinterpret_cast<const char*>(data), size);

  tolvex::AGParser parser;
  parser.Parse(text);
  const bool failed = !ctx->ProjErr.empty();
  require(parser.BlockID() == parser.Count());
  check_blocks(parser, text, failed);
  for (int32_t i = 1; i <= parser.Count(); ++i) {
    parser.SetBlockID(i);
    (void)parser.BlockName();
    (void)parser.BlockValue();
    (void)parser.BlockIndent();
  }

  // The sessions of the input, stored under two file names so that includes reach each other.
  tolvex::AGPFileCache& cache = tolvex::shared_file_cache();
  cache.AddText(text, "f");
  cache.AddText(text, "g");
  for (const auto& row : cache.rows()) {
    ctx->ProjErr.clear();
    const auto pieces = cache.expanded_session(row.file, row.session);
    require(!pieces.empty());
  }
  ctx->ProjErr.clear();
  const auto pieces = cache.expand_includes(text);
  (void)tolvex::ListTemplateIncludes(text);
  // A text without includes expands to itself.
  if (tolvex::find_nocase(text, "<!--##include", 0) == tolvex::kNoMatch) require(joined(pieces) == text);
  return 0;
}
