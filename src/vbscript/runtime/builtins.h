// The built-in functions, constants and creatable objects of the language.
#pragma once

#include <string_view>

#include "vb/dispatch.h"
#include "vb/variant.h"
#include "vbscript/runtime/env.h"

namespace tolvex::vbscript {

struct Builtin {
  const char* name;  // as the language spells it ("InStr")
  vb::Variant (*fn)(RuntimeEnv&, vb::Args);
  int min_args;
  int max_args;
};

// Looked up without regard to letter case; null when there is no such function.
const Builtin* find_builtin(std::string_view name);
// CStr, CInt, CLng, CDbl, CSng, CBool, CByte, CCur and CDate: called as a statement
// (Call CInt(1)) they convert, then raise 458 as the Windows engine does.
bool is_conversion(const Builtin& b);
// The vb* constants (vbCrLf, vbTextCompare, vbString, ...); null when unknown.
const vb::Variant* find_constant(std::string_view name);
// CreateObject targets ("Scripting.Dictionary", "Scripting.FileSystemObject",
// "VBScript.RegExp"); null when the ProgID is unknown.
vb::Ref<vb::Dispatch> create_object(std::string_view progid, RuntimeEnv& env);
// After the engine's code has ended: frees the objects of `env` made by create_object
// that only hold each other (reference cycles, which counts alone never release).
void free_object_cycles(RuntimeEnv& env) noexcept;

}  // namespace tolvex::vbscript
