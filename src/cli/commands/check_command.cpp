// tolvex check: whether a project is in step with its live database (exit status 3 when not),
// with a line for each difference counted.
#include <iostream>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "database/database_check.h"
#include "foundation/context.h"

namespace tolvex::cli {

void add_check_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  auto* cmd = app.add_subcommand(
      "check", "Compare a project with its live database (exit status 3 when they differ)");
  auto file = add_project_file(*cmd);
  add_quiet(*cmd, *answers);
  example(*cmd, "tolvex check shop.tvp || tolvex sync shop.tvp --update");
  cmd->callback([=, &run] {
    run = guarded([=] {
      // Nothing is saved: opening keeps the project as the file has it, and the comparison
      // is made once, below, not also by the opening (AutoSync).
      answers->keep_definition = true;
      Host host(*answers);
      ModuleContext& ctx = context();
      ctx.SkipAutoSyncOnLoad = true;
      host.open(*file);
      ctx.SkipAutoSyncOnLoad = false;
      CheckDifferences differences;
      ctx.ProjErr.clear();
      const int16_t n = CheckDB(project_of(host), &differences);
      if (n < 0) throw CommandError{ctx.ProjErr};
      if (!ctx.ProjErr.empty()) warn(ctx.ProjErr);
      for (const CheckDifference& d : differences) std::cout << d.text << " (counts " << d.count << ")\n";
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
