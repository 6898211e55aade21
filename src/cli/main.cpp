// The tolvex command: drives the engine the way the designer application does.
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/commands.h"
#include "cli/host.h"
#include "cli/huge_pages.h"

int main(int argc, char** argv) {
  tolvex::cli::restart_with_huge_pages(argv);
  CLI::App app{"Tolvex: designs and generates report web sites from a database and a template package",
               "tolvex"};
  app.set_version_flag("--version", std::string("tolvex ") + TOLVEX_VERSION);
  app.require_subcommand(0, 1);
  app.footer("Exit status: 0 success, 1 failure, 2 usage error, 3 check found differences, 130 cancelled.\n"
             "Run tolvex COMMAND --help for the options of a command.");
  std::function<int()> run;
  tolvex::cli::add_commands(app, run);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and the version go to stdout with status 0; a usage error is status 2.
    return app.exit(e) == 0 ? 0 : tolvex::cli::kExitUsage;
  }
  if (!run) {
    std::cerr << app.help();
    return tolvex::cli::kExitUsage;
  }
  return run();
}
