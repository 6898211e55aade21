#include "script_host.h"

#include <fstream>
#include <sstream>

#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vbscript/engine.h"

namespace tolvex::vbscript::testing {

using vb::Variant;

namespace {

// A value for a failure message: its text, or its type when it has none.
std::string shown(const Variant& v) {
  if (v.is_null() || v.is_object() || v.is_array()) return vb::type_name(v);
  return vb::to_string(v);
}

class TestHost : public vb::AutoDispatch<TestHost> {
 public:
  TestHost(ScriptEngine& engine, std::string file, ScriptResult& result)
      : engine_(engine), file_(std::move(file)), result_(result) {}

  static const vb::DispatchTable<TestHost>& dispatch_table() {
    static const vb::DispatchTable<TestHost> table = [] {
      vb::DispatchTable<TestHost> t("TestHost");
      t.method("ok", [](TestHost& self, vb::Args args) {
        vb::check_arg_count(args, 1, 2);
        Variant cond = vb::default_value(args[0]);
        bool held = !cond.is_null() && !cond.is_empty() && vb::to_bool(cond);
        std::string message = args.size() > 1 ? vb::to_string(vb::default_value(args[1])) : std::string();
        if (held) {
          ++self.result_.passed;
        } else {
          std::string text;
          int line = self.engine_.current_line(&text);
          self.result_.failures.push_back(self.file_ + ":" + std::to_string(line) + ": " + message);
        }
        return Variant();
      });
      // CheckTable rows: rows holds an expression (text), the value it must give, and so
      // on; one check per row, reported at the line of the CheckTable statement.
      t.method("CheckTable", [](TestHost& self, vb::Args args) {
        vb::check_arg_count(args, 1, 1);
        const int line = self.engine_.current_line();
        if (!args[0].is_array()) vb::raise(vb::err::kTypeMismatch);
        const vb::Array rows = args[0].raw_array();
        for (size_t i = 0; i + 1 < rows.size(); i += 2) {
          Variant expr[1] = {rows[i]};
          Variant got = self.engine_.run("TryEval", expr);
          Variant pair[2] = {got, rows[i + 1]};
          if (vb::to_bool(self.engine_.run("SameValue", pair))) {
            ++self.result_.passed;
          } else {
            self.result_.failures.push_back(self.file_ + ":" + std::to_string(line) + ": " + vb::to_string(rows[i]) +
                                            " gave " + shown(got) + ", not " + shown(rows[i + 1]));
          }
        }
        return Variant();
      });
      t.method("getVT", [](TestHost&, vb::Args args) {
        vb::check_arg_count(args, 1, 1);
        return Variant(vt_name(args[0].vartype()));
      });
      return t;
    }();
    return table;
  }

 private:
  ScriptEngine& engine_;
  std::string file_;
  ScriptResult& result_;
};

// Script helpers every test file may use, added before the file's own code.
constexpr const char* kPrelude =
    "Function TryEval(expr)\r\n"
    "  On Error Resume Next\r\n"
    "  TryEval = Eval(expr)\r\n"
    "  If Err.Number <> 0 Then TryEval = \"error \" & Err.Number\r\n"
    "End Function\r\n"
    "Function SameValue(a, b)\r\n"
    "  SameValue = (a = b)\r\n"
    "End Function\r\n";

}  // namespace

std::string vt_name(unsigned vartype) {
  std::string prefix;
  if (vartype & 0x2000) {
    prefix = "VT_ARRAY|";
    vartype &= ~0x2000u;
  }
  switch (vartype) {
    case 0: return prefix + "VT_EMPTY";
    case 1: return prefix + "VT_NULL";
    case 2: return prefix + "VT_I2";
    case 3: return prefix + "VT_I4";
    case 4: return prefix + "VT_R4";
    case 5: return prefix + "VT_R8";
    case 6: return prefix + "VT_CY";
    case 7: return prefix + "VT_DATE";
    case 8: return prefix + "VT_BSTR";
    case 9: return prefix + "VT_DISPATCH";
    case 10: return prefix + "VT_ERROR";
    case 11: return prefix + "VT_BOOL";
    case 12: return prefix + "VT_VARIANT";
    case 17: return prefix + "VT_UI1";
    default: return prefix + "VT_" + std::to_string(vartype);
  }
}

ScriptResult run_script_file(const std::string& path) {
  ScriptResult result;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.failures.push_back(path + ": cannot read the file");
    return result;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  std::string name = path.substr(path.find_last_of('/') + 1);
  ScriptEngine engine;
  engine.add_object("TestHost", vb::make_ref<TestHost>(engine, name, result), true);
  try {
    engine.add_code(kPrelude);
    engine.add_code(ss.str());
  } catch (const ScriptException& e) {
    const ScriptError& info = e.info();
    result.failures.push_back(name + ":" + std::to_string(info.line) + ": " +
                              (info.syntax ? "syntax error " : "error ") + std::to_string(info.number) + " " +
                              info.description + " [" + info.text + "]");
  }
  return result;
}

}  // namespace tolvex::vbscript::testing
