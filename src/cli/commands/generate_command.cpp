// tolvex generate: the report site of a project, with a summary of what was written.
#include <iostream>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "foundation/context.h"
#include "vb/convert.h"

namespace tolvex::cli {

void add_generate_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  using vb::Variant;
  auto* cmd = app.add_subcommand("generate", "Generate the report site of a project");
  auto choice = std::make_shared<PackageChoice>();
  auto file = add_project_file(*cmd);
  choice->add_options(*cmd);
  cmd->add_option("--overwrite", answers->overwrite,
                  "Existing outputs: all (replace) or skip, whatever the project's PromptOnOverwrite says; "
                  "ask (the default): as the project says, asking on a terminal")
      ->check(CLI::IsMember({"ask", "all", "skip"}));
  cmd->add_flag("--yes,-y", answers->yes, "Answer yes to the engine's other questions");
  add_quiet(*cmd, *answers);
  example(*cmd, "tolvex generate shop.tvp --destination site --overwrite=all");
  cmd->callback([=, &run] {
    run = guarded([=] {
      if (answers->overwrite == "ask") answers->overwrite.clear();
      answers->keep_definition = true;
      answers->cancellable = true;
      Host host(*answers);
      host.open(*file);
      choice->apply(host);
      // The flag answers every overwrite question, so the question must come.
      if (!answers->overwrite.empty()) host.set_setting("PromptOnOverwrite", Variant(true));
      host.call("GenScript");
      const ModuleContext& ctx = context();
      std::cerr << "Generated into " << vb::to_string(host.setting("Destination")) << ": " << ctx.OutputsWritten
                << " files written, " << ctx.OutputsSkipped << " skipped, " << ctx.OutputsBackedUp
                << " backed up.\n";
      // Pages of tables that the project has no more (a sync removed them) are left as they are.
      if (!ctx.StaleOutputs.empty()) {
        std::cerr << "Not written by this generation, and named as the pages of a table that the project does not "
                     "have (left from a removed table? nothing was deleted):\n";
        for (const std::string& path : ctx.StaleOutputs) std::cerr << "  " << path << "\n";
      }
      return 0;
    });
  });
}

}  // namespace tolvex::cli
