// Runs .vbs test scripts: the host functions ok(condition, message) and getVT(value),
// and the outcome of one file.
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

// Runs one script file with the test host functions and the helpers TryEval(expr)
// ("error N" instead of a raised error) and CheckTable(rows) (rows: expression,
// expected value, ...; one ok per row).
ScriptResult run_script_file(const std::string& path);

}  // namespace tolvex::vbscript::testing
