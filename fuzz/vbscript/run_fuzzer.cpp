// Parses and runs arbitrary text in a fresh engine with a short time-out.
// Inputs that could reach outside the process (CreateObject, GetObject) are skipped.
#include <cstddef>
#include <cstdint>
#include <string>

#include "vb/strings.h"
#include "vbscript/engine.h"

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string lower = vb::ascii_lower(text);
  if (lower.find("object") != std::string::npos) return 0;
  vbscript::ScriptEngine engine;
  engine.set_timeout(200);
  try {
    engine.add_code(text);
  } catch (const vbscript::ScriptException&) {
  }
  return 0;
}
