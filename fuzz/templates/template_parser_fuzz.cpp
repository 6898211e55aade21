// Feeds arbitrary text to the block parser, the session scanner and the include expansion.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/context.h"
#include "platform/host_ui.h"
#include "templates/ag_parser.h"
#include "templates/file_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolvex::ContextScope ctx;
  ctx->HostUi = std::make_shared<tolvex::platform::ScriptedUI>();  // message boxes answered silently
  std::string text(reinterpret_cast<const char*>(data), size);
  tolvex::AGParser parser;
  parser.Parse(text);
  for (int32_t i = 1; i <= parser.Count(); ++i) {
    parser.SetBlockID(i);
    (void)parser.BlockValue();
    (void)parser.BlockIndent();
  }
  tolvex::AGPFileCache& cache = tolvex::shared_file_cache();
  // Sessions of the input, stored under two file names so includes can reach each other.
  cache.AddText(text, "f");
  cache.AddText(text, "g");
  for (const auto& row : cache.rows()) (void)cache.expanded_session(row.file, row.session);
  (void)cache.expand_includes(text);
  (void)tolvex::ListTemplateIncludes(text);
  return 0;
}
