#include "cli/huge_pages.h"

#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace tolvex::cli {
namespace {

// Whether the kernel gives huge pages to memory that asks for them ("[always]" or "[madvise]"
// chosen; "[never]" or no such file: no).
bool huge_pages_on_request() {
  std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  std::getline(in, modes);
  return modes.find("[always]") != std::string::npos || modes.find("[madvise]") != std::string::npos;
}

// Whether an argument names a file of the size that makes a restart pay: the start costs some
// tens of milliseconds, which a small project's run would not win back.
bool names_a_large_file(char** argv) {
  for (char** arg = argv + 1; *arg; ++arg) {
    struct stat st {};
    if (::stat(*arg, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= kLargeInputBytes) return true;
  }
  return false;
}

}  // namespace

void restart_with_huge_pages(char** argv) {
  // A privileged start: the C library drops the setting, so a restart would only repeat itself.
  if (::getauxval(AT_SECURE) != 0) return;
  const char* tunables = std::getenv(kTunablesVariable);
  const std::string current = tunables ? tunables : "";
  if (current.find(kHugePagesTunable) != std::string::npos) return;  // set already, by us or the user
  if (!names_a_large_file(argv)) return;
  if (!huge_pages_on_request()) return;
  const std::string wanted = (current.empty() ? "" : current + ":") + kHugePagesTunable + "=1";
  if (::setenv(kTunablesVariable, wanted.c_str(), 1) != 0) return;
  ::execv("/proc/self/exe", argv);
  // Not restarted: run without, and leave the environment as it was for what we start.
  if (tunables) ::setenv(kTunablesVariable, current.c_str(), 1);
  else ::unsetenv(kTunablesVariable);
}

}  // namespace tolvex::cli
