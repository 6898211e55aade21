// The tolvex command: drives the engine the way the designer application does.
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Tolvex: designs and generates report web sites from a database and a template package",
               "tolvex"};
  app.set_version_flag("--version", std::string("tolvex ") + TOLVEX_VERSION);
  app.require_subcommand(0, 1);
  std::function<int()> run;
  tolvex::cli::add_commands(app, run);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (!run) {
    std::cout << app.help();
    return 0;
  }
  return run();
}
