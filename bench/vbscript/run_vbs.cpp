// Runs one VBScript workload file for the cross-language comparison (run.sh).
//
//   bench_vbscript <file.vbs>
//
// The script sees two named objects:
//   WScript.Echo a, b, ...   writes its arguments, separated by spaces, as one line on stdout
//   HOST                     a host object with a numeric read/write property `Value`
//                            (starts at 7) and a method `Add(a, b)` returning a + b
// After the run the runner writes "elapsed_ms: <ms>" on its own line: the process CPU
// time spent parsing and running the file, the same measure the Python and Lua
// harnesses report. Script errors go to stderr with number, description and line,
// and the exit status is 1.
#include <time.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vbscript/engine.h"

namespace {

using tolvex::vb::Args;
using tolvex::vb::Variant;
namespace vb = tolvex::vb;
namespace vbs = tolvex::vbscript;

class EchoHost : public vb::AutoDispatch<EchoHost> {
 public:
  static const vb::DispatchTable<EchoHost>& dispatch_table() {
    static const vb::DispatchTable<EchoHost> table = [] {
      vb::DispatchTable<EchoHost> t("WScript");
      t.method("Echo", [](EchoHost&, Args args) {
        std::string line;
        for (size_t i = 0; i < args.size(); ++i) {
          if (i) line += ' ';
          if (!args[i].is_missing()) vb::append_string(line, vb::default_value(args[i]));
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
        return Variant();
      });
      return t;
    }();
    return table;
  }
};

class BenchHost : public vb::AutoDispatch<BenchHost> {
 public:
  static const vb::DispatchTable<BenchHost>& dispatch_table() {
    static const vb::DispatchTable<BenchHost> table = [] {
      vb::DispatchTable<BenchHost> t("BenchHost");
      t.property(
          "Value",
          [](BenchHost& self, Args args) {
            vb::check_arg_count(args, 0, 0);
            return Variant(self.value_);
          },
          [](BenchHost& self, Args args, const Variant& v) {
            vb::check_arg_count(args, 0, 0);
            self.value_ = vb::to_long(v);
          });
      t.method("Add", [](BenchHost&, Args args) {
        vb::check_arg_count(args, 2, 2);
        return Variant(vb::to_long(args[0]) + vb::to_long(args[1]));
      });
      t.default_member("Value");
      return t;
    }();
    return table;
  }

 private:
  int32_t value_ = 7;
};

double cpu_ms() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

void report(const vbs::ScriptError& e, const std::string& file) {
  std::fprintf(stderr, "%s:%d: %s %" PRId32 " (0x%08" PRIX32 "): %s\n", file.c_str(), e.line,
               e.syntax ? "syntax error" : "runtime error", e.number, uint32_t(e.number), e.description.c_str());
  if (!e.text.empty()) std::fprintf(stderr, "    %s\n", e.text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <file.vbs>\n", argv[0]);
    return 2;
  }
  const std::string file = argv[1];
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot read the file\n", file.c_str());
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  const std::string code = text.str();

  vbs::ScriptEngine engine;
  engine.add_object("WScript", vb::make_ref<EchoHost>());
  engine.add_object("HOST", vb::make_ref<BenchHost>());

  const double start = cpu_ms();
  try {
    engine.add_code(code);
  } catch (const vbs::ScriptException& e) {
    std::fflush(stdout);
    report(e.info(), file);
    return 1;
  } catch (const vb::VBError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: error %" PRId32 ": %s\n", file.c_str(), e.number(), e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: internal error: %s\n", file.c_str(), e.what());
    return 1;
  }
  const double elapsed = cpu_ms() - start;
  std::printf("elapsed_ms: %.1f\n", elapsed);
  return 0;
}
