// Parses and runs arbitrary text in a fresh engine with a short time-out.
// Inputs that could reach outside the process (CreateObject, GetObject, and so the
// file system object) are skipped; a Dictionary and a RegExp are handed in as the
// named objects "Dict" and "Rx" instead, so that their code is run as well.
#include <cstddef>
#include <cstdint>
#include <string>

#include "vb/strings.h"
#include "vbscript/engine.h"
#include "vbscript/runtime/builtins.h"

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string lower = vb::ascii_lower(text);
  if (lower.find("object") != std::string::npos) return 0;
  vb::Ref<vb::Dispatch> dict;
  {
    vbscript::ScriptEngine engine;
    engine.set_timeout(200);
    dict = vbscript::create_object("Scripting.Dictionary", engine.env());
    engine.add_object("Dict", dict);
    engine.add_object("Rx", vbscript::create_object("VBScript.RegExp", engine.env()));
    try {
      engine.add_code(text);
    } catch (const vbscript::ScriptException&) {
    }
  }
  // The engine frees the objects and Dictionaries that only hold each other when it goes;
  // this one is still held here, so a cycle through it is this host's to break.
  dict->call("RemoveAll");
  return 0;
}
