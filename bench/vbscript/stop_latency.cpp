// How far past its time-out a run goes when the time runs out inside one long library
// call on a big input. For each call: the input is made first (no time-out), then the
// call runs alone under a time-out of TIMEOUT_MS (default 200); the figure is the wall
// time from the end of the time-out to the error. A call that finishes before its
// time-out (the machine was fast) shows as "done".
//
//   bench_vbscript_stop [MB [WORD ...]]
//
// MB: size of the big inputs, default 200; WORDs: only the calls whose name holds one of them.
//
// Exit status 1 when a call ends with anything but the time-out error.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The inputs hold about `n` bytes of text: s ASCII, u two-byte characters (v a second copy
// of u, k a character position near its end), w an array of short texts; re a RegExp.
// Arguments are variables where they can be: the interpreter lends a long text to a call
// of up to four such arguments, and copies it for the others (a step of its own).
#define NON_ASCII "u = String(n \\ 2, ChrW(233)) : k = n \\ 2 - 9"
#define NON_ASCII_LIST "Replace(String(n \\ 13, \"x\"), \"x\", String(6, ChrW(233)) & \",\")"
#define NON_ASCII_RE(opts, pattern) NON_ASCII " : Set re = New RegExp : " opts " : re.Pattern = " pattern
const Case kCases[] = {
    {"Replace binary", "s = String(n, \"x\")", "t = Replace(s, \"x\", \"yy\")"},
    {"Replace text ASCII", "s = String(n, \"x\")", "t = Replace(s, \"X\", \"yy\", 1, -1, 1)"},
    {"Replace binary non-ASCII", NON_ASCII, "t = Replace(u, \"q\", \"e\", k)"},
    {"Replace text non-ASCII", NON_ASCII, "t = Replace(u, ChrW(201), \"e\", 1, -1, 1)"},
    {"InStr binary non-ASCII", NON_ASCII, "t = InStr(k, u, \"q\")"},
    {"InStr text non-ASCII", NON_ASCII, "t = InStr(1, u, \"q\", 1)"},
    {"InStrRev binary non-ASCII", NON_ASCII, "t = InStrRev(u, \"q\", 9)"},
    {"InStrRev text non-ASCII", NON_ASCII, "t = InStrRev(u, \"q\", -1, 1)"},
    {"Split binary", "s = Replace(String(n \\ 20, \"x\"), \"x\", \"abcdefghij,\")", "t = Split(s, \",\")"},
    {"Split text", "s = Replace(String(n \\ 20, \"x\"), \"x\", \"abcdefghij,\")", "t = Split(s, \",\", -1, 1)"},
    {"Split binary non-ASCII", "s = " NON_ASCII_LIST, "t = Split(s, \",\")"},
    {"Split text non-ASCII", "s = " NON_ASCII_LIST, "t = Split(s, \",\", -1, 1)"},
    {"Join", "w = Split(Replace(String(n \\ 20, \"x\"), \"x\", \"abcdefghij,\"), \",\")", "t = Join(w, \"--\")"},
    {"Join non-ASCII", "w = Split(" NON_ASCII_LIST ", \",\")", "t = Join(w, ChrW(201))"},
    {"Filter", "w = Split(Replace(String(n \\ 20, \"x\"), \"x\", \"abcdefghij,\"), \",\")",
     "t = Filter(w, \"J\", True, 1)"},
    {"Filter binary non-ASCII", "w = Split(" NON_ASCII_LIST ", \",\")", "t = Filter(w, ChrW(201))"},
    {"Filter text non-ASCII", "w = Split(" NON_ASCII_LIST ", \",\")", "t = Filter(w, ChrW(201), True, 1)"},
    {"StrComp binary non-ASCII", NON_ASCII " : v = u & \"\"", "t = StrComp(u, v)"},
    {"StrComp text non-ASCII", NON_ASCII " : v = u & \"\"", "t = StrComp(u, v, 1)"},
    {"Len non-ASCII", NON_ASCII, "t = Len(u)"},
    {"Mid non-ASCII", NON_ASCII, "t = Mid(u, k)"},
    {"Left non-ASCII", NON_ASCII, "t = Left(u, k)"},
    {"String", "", "t = String(n * 4, \"x\")"},
    {"String non-ASCII", "", "t = String(n * 2, ChrW(233))"},
    {"StrReverse non-ASCII", NON_ASCII, "t = StrReverse(u)"},
    {"LCase non-ASCII", NON_ASCII, "t = LCase(u)"},
    {"UCase non-ASCII", NON_ASCII, "t = UCase(u)"},
    {"Escape", NON_ASCII, "t = Escape(u)"},
    {"Unescape", "s = Replace(String(n \\ 6, \"x\"), \"x\", \"%u00E9\")", "t = Unescape(s)"},
    {"RegExp Replace", "s = String(n, \"x\") : Set re = New RegExp : re.Global = True : re.Pattern = \"x\"",
     "t = re.Replace(s, \"y\")"},
    {"RegExp Execute", "s = String(n, \"x\") : Set re = New RegExp : re.Global = True : re.Pattern = \"x{100}\"",
     "Set t = re.Execute(s)"},
    {"RegExp Test non-ASCII", NON_ASCII_RE("re.Global = False", "\"[^\" & ChrW(233) & \"]\""), "t = re.Test(u)"},
    {"RegExp Test text non-ASCII", NON_ASCII_RE("re.IgnoreCase = True", "ChrW(201) & \"q\""), "t = re.Test(u)"},
    {"RegExp Execute non-ASCII", NON_ASCII_RE("re.Global = True", "\"[^\" & ChrW(233) & \"]\""),
     "Set t = re.Execute(u)"},
    {"RegExp Execute text non-ASCII", NON_ASCII_RE("re.Global = True : re.IgnoreCase = True", "ChrW(201) & \"q\""),
     "Set t = re.Execute(u)"},
    {"RegExp Replace non-ASCII", NON_ASCII_RE("re.Global = True", "\"[^\" & ChrW(233) & \"]\""),
     "t = re.Replace(u, \"y\")"},
    {"RegExp Replace text non-ASCII", NON_ASCII_RE("re.Global = True : re.IgnoreCase = True", "ChrW(201) & \"q\""),
     "t = re.Replace(u, \"y\")"},
    {"RegExp Replace many non-ASCII", NON_ASCII_RE("re.Global = True : re.IgnoreCase = True", "ChrW(201)"),
     "t = re.Replace(u, \"y\")"},
};
#undef NON_ASCII_RE
#undef NON_ASCII_LIST
#undef NON_ASCII

}  // namespace

int main(int argc, char** argv) {
  const long mb = argc > 1 ? std::atol(argv[1]) : 200;
  const char* env_timeout = std::getenv("TIMEOUT_MS");
  const long timeout_ms = env_timeout ? std::atol(env_timeout) : 200;
  int status = 0;
  auto wanted = [&](const char* name) {
    for (int i = 2; i < argc; ++i)
      if (std::strstr(name, argv[i])) return true;
    return argc <= 2;
  };
  std::printf("%-32s %14s\n", "call", "past time-out");
  for (const Case& c : kCases) {
    if (!wanted(c.name)) continue;
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
    std::printf("%-32s %14s\n", c.name, result.c_str());
    std::fflush(stdout);
  }
  return status;
}
