// Makes a large project file for the benchmarks (see large_project.h):
//
//   make_large_project TABLES FIELDS OUT [SAMPLE]
//
// for example `make_large_project 1000 20 large.tvp` (about 40 MB) or
// `make_large_project 250 20 large250.tvp` for a generation with the sample package.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "large_project.h"

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: %s TABLES FIELDS OUT [SAMPLE]\n", argv[0]);
    return 2;
  }
  const int tables = std::atoi(argv[1]);
  const int fields = std::atoi(argv[2]);
  if (tables < 1 || tables > 9999 || fields < 1 || fields > 99) {
    std::fprintf(stderr, "TABLES must be 1..9999 and FIELDS 1..99\n");
    return 2;
  }
  try {
    const std::string out = std::filesystem::absolute(argv[3]).string();
    const std::string sample = argc == 5 ? std::filesystem::absolute(argv[4]).string()
                                         : tolvex::bench::sample_project_file();
    tolvex::bench::ProjectFileEnvironment env;
    if (const std::string error = tolvex::bench::make_large_project(tables, fields, out, sample); !error.empty()) {
      std::fprintf(stderr, "make_large_project: %s\n", error.c_str());
      return 1;
    }
    std::error_code ec;
    std::printf("%s: %d tables x %d fields, %ju bytes\n", out.c_str(), tables, fields,
                uintmax_t(std::filesystem::file_size(out, ec)));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_large_project: %s\n", e.what());
    return 1;
  }
}
