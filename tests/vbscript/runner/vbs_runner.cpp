// Runs .vbs test scripts with the test host functions ok() and getVT():
//   vbs_run file.vbs...
// Prints each failure and a summary line "N passed, N failed".
#include <cstdio>

#include "vbscript/script_host.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vbs_run file.vbs...\n");
    return 2;
  }
  int passed = 0, failed = 0;
  for (int i = 1; i < argc; ++i) {
    auto r = tolvex::vbscript::testing::run_script_file(argv[i]);
    passed += r.passed;
    failed += int(r.failures.size());
    for (const auto& f : r.failures) std::printf("FAIL %s\n", f.c_str());
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
