// Runs .vbs test scripts: the test host functions and helpers, and the outcome of one file.
#pragma once

#include <string>
#include <vector>

namespace tolvex::vbscript::testing {

struct ScriptResult {
  int passed = 0;                     // ok() calls that held
  std::vector<std::string> failures;  // "file:line: message"
  bool ok() const { return failures.empty(); }
};

// The VARIANT type name of a VarType code ("VT_I2", "VT_ARRAY|VT_VARIANT", ...).
std::string vt_name(unsigned vartype);

// Runs one script file with the test host functions: ok(condition, message), getVT(value)
// and CheckTable(rows) (rows: an expression's text, then the value it must give, which is
// "error N" for an expression that must raise error N; one check per row), and the script
// helper TryEval(expr) (the expression's value, or "error N" when it raises error N).
ScriptResult run_script_file(const std::string& path);

}  // namespace tolvex::vbscript::testing
