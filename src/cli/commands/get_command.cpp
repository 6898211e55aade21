// tolvex get: settings of the project, its database, tables, fields or extensions, printed.
#include <iostream>

#include "cli/command_options.h"
#include "cli/commands.h"

namespace tolvex::cli {

void add_get_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  auto* cmd = app.add_subcommand("get", "Print settings of the project, its database, tables, fields or extensions");
  auto keys = std::make_shared<std::vector<std::string>>();
  auto sel = std::make_shared<Selection>();
  auto file = add_project_file(*cmd);
  cmd->add_option("key", *keys,
                  "Settings to print (all when none is given), as KEY=VALUE lines; in values a backslash is shown "
                  "as \\\\, a carriage return as \\r and a line feed as \\n");
  sel->add_options(*cmd);
  example(*cmd, "tolvex get shop.tvp --table orders TblGen TblCaption");
  cmd->callback([=, &run] {
    run = guarded([=] {
      answers->quiet = true;
      answers->keep_definition = true;
      Host host(*answers);
      host.open(*file);
      print_settings(sel->resolve(project_of(host)), *keys, std::cout);
      return 0;
    });
  });
}

}  // namespace tolvex::cli
