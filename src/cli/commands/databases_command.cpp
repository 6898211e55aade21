// tolvex databases: the databases of a server, a line each.
#include <iostream>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex::cli {

void add_databases_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  auto* cmd = app.add_subcommand("databases", "List the databases of a server");
  auto conn = std::make_shared<Connection>();
  conn->add_options(*cmd);
  example(*cmd, "TOLVEX_DB_PASSWORD=secret tolvex databases --host db.example.org --user report");
  cmd->callback([=, &run] {
    run = guarded([=] {
      answers->quiet = true;
      Host host(*answers);
      const std::string names = vb::to_string(host.call("LoadDatabaseNames", conn->values()));
      for (std::string_view line : vb::split(names, "\r\n"))
        if (!line.empty()) std::cout << line << "\n";
      return 0;
    });
  });
}

}  // namespace tolvex::cli
