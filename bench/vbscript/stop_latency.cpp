// How far past its time-out a run goes when the time runs out inside one long library
// call on a big input. For each call: the input is made first (no time-out), then the
// call runs alone under a time-out of TIMEOUT_MS (default 200); the figure is the wall
// time from the end of the time-out to the error. A call that finishes before its
// time-out (the machine was fast) shows as "done".
//
//   bench_vbscript_stop [MB]        (MB: size of the big inputs, default 200)
//
// Exit status 1 when a call ends with anything but the time-out error.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vbscript/engine.h"

namespace {

namespace vbs = tolvex::vbscript;
using Clock = std::chrono::steady_clock;

struct Case {
  const char* name;
  const char* setup;  // makes the inputs from n (bytes)
  const char* call;   // the one long call
};

// The inputs hold `n` bytes of text: s ASCII, u two-byte characters, a and w arrays.
const Case kCases[] = {
    {"Replace binary", "s = String(n, \"x\")", "t = Replace(s, \"x\", \"yy\")"},
    {"Replace text ASCII", "s = String(n, \"x\")", "t = Replace(s, \"X\", \"yy\", 1, -1, 1)"},
    {"Replace text non-ASCII", "u = String(n \\ 2, ChrW(233))", "t = Replace(u, ChrW(201), \"e\", 1, -1, 1)"},
    {"InStr text non-ASCII", "u = String(n \\ 2, ChrW(233))", "t = InStr(1, u, \"q\", 1)"},
    {"InStrRev text non-ASCII", "u = String(n \\ 2, ChrW(233))", "t = InStrRev(u, \"q\", -1, 1)"},
    {"Split binary", "s = Replace(String(n \\ 20, \"x\"), \"x\", \"abcdefghij,\")", "t = Split(s, \",\")"},
    {"Split text", "s = Replace(String(n \\ 20, \"x\"), \"x\", \"abcdefghij,\")", "t = Split(s, \",\", -1, 1)"},
    {"Join", "w = Split(Replace(String(n \\ 20, \"x\"), \"x\", \"abcdefghij,\"), \",\")", "t = Join(w, \"--\")"},
    {"Filter", "w = Split(Replace(String(n \\ 20, \"x\"), \"x\", \"abcdefghij,\"), \",\")", "t = Filter(w, \"J\", True, 1)"},
    {"String", "", "t = String(n * 4, \"x\")"},
    {"String non-ASCII", "", "t = String(n * 2, ChrW(233))"},
    {"StrReverse non-ASCII", "u = String(n \\ 2, ChrW(233))", "t = StrReverse(u)"},
    {"UCase non-ASCII", "u = String(n \\ 2, ChrW(233))", "t = UCase(u)"},
    {"Escape", "u = String(n \\ 2, ChrW(233))", "t = Escape(u)"},
    {"Unescape", "s = Replace(String(n \\ 6, \"x\"), \"x\", \"%u00E9\")", "t = Unescape(s)"},
    {"RegExp Replace", "s = String(n, \"x\") : Set re = New RegExp : re.Global = True : re.Pattern = \"x\"",
     "t = re.Replace(s, \"y\")"},
    {"RegExp Execute", "s = String(n, \"x\") : Set re = New RegExp : re.Global = True : re.Pattern = \"x{100}\"",
     "Set t = re.Execute(s)"},
};

}  // namespace

int main(int argc, char** argv) {
  const long mb = argc > 1 ? std::atol(argv[1]) : 200;
  const char* env_timeout = std::getenv("TIMEOUT_MS");
  const long timeout_ms = env_timeout ? std::atol(env_timeout) : 200;
  int status = 0;
  std::printf("%-26s %14s\n", "call", "past time-out");
  for (const Case& c : kCases) {
    vbs::ScriptEngine engine;
    engine.add_code("n = " + std::to_string(mb * 1000000) + "\n" + c.setup + "\n");
    engine.set_timeout(timeout_ms);
    const auto start = Clock::now();
    std::string result;
    try {
      engine.add_code(std::string(c.call) + "\n");
      result = "done";
    } catch (const vbs::ScriptException& e) {
      const auto past = Clock::now() - start - std::chrono::milliseconds(timeout_ms);
      if (e.info().number == vbs::kErrTimeout) {
        result = std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(past).count()) + " ms";
      } else {
        result = "error " + std::to_string(e.info().number) + ": " + e.info().description;
        status = 1;
      }
    }
    std::printf("%-26s %14s\n", c.name, result.c_str());
    std::fflush(stdout);
  }
  return status;
}
