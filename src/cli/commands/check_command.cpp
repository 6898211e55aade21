// tolvex check: whether a project is in step with its live database (exit status 3 when not).
#include <iostream>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "vb/convert.h"

namespace tolvex::cli {

void add_check_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  auto* cmd = app.add_subcommand(
      "check", "Compare a project with its live database (exit status 3 when they differ)");
  auto file = add_project_file(*cmd);
  add_quiet(*cmd, *answers);
  example(*cmd, "tolvex check shop.tvp || tolvex sync shop.tvp --update");
  cmd->callback([=, &run] {
    run = guarded([=] {
      // Nothing is saved: opening keeps the project as the file has it.
      answers->keep_definition = true;
      Host host(*answers);
      host.open(*file);
      const int32_t n = vb::to_long(host.call("CheckDB"));
      if (n == 0) {
        std::cout << "The project is in step with its database.\n";
        return 0;
      }
      std::cout << "The project differs from its database in " << n << (n == 1 ? " place" : " places")
                << "; tolvex sync " << *file << " --update brings it in step.\n";
      return kExitDifferences;
    });
  });
}

}  // namespace tolvex::cli
