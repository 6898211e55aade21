// Starting the command with its heap in transparent huge pages.
#pragma once

namespace tolvex::cli {

// The environment variable through which the C library takes its allocator settings, and the
// setting that puts the heap in huge pages where the kernel offers them on request.
inline constexpr const char* kTunablesVariable = "GLIBC_TUNABLES";
inline constexpr const char* kHugePagesTunable = "glibc.malloc.hugetlb";
// The size from which an input file (a project, a package) makes the restart worth its cost.
inline constexpr long kLargeInputBytes = 4L << 20;

// A large project is tens of megabytes of small objects: loaded and generated with the heap in
// 4 KB pages, a run spends a tenth of its time in page faults (on a virtual machine the most).
// The C library takes the huge-page setting only from the environment it starts with, so this
// starts the command once more, the same arguments and the setting added, when an argument names
// a file of kLargeInputBytes or more, the kernel offers huge pages on request and the environment
// says nothing of the setting yet (a user's own choice stays). Returns only when it does not
// restart (or the restart fails); the command then runs as it is.
void restart_with_huge_pages(char** argv);

}  // namespace tolvex::cli
