// The tolvex command: drives the engine the way the designer application does.
#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
  CLI::App app{"Tolvex: designs and generates report web sites from a database and a template package",
               "tolvex"};
  app.set_version_flag("--version", std::string("tolvex ") + TOLVEX_VERSION);
  app.require_subcommand(0, 1);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (app.get_subcommands().empty()) {
    std::cout << app.help();
  }
  return 0;
}
