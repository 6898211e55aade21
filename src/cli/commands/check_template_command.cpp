// tolvex check-template: how many of a package's outputs for a project exist already.
#include <iostream>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "vb/convert.h"

namespace tolvex::cli {

void add_check_template_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  auto* cmd = app.add_subcommand("check-template",
                                 "Check a template package against a project: how many outputs exist already");
  auto choice = std::make_shared<PackageChoice>();
  auto file = add_project_file(*cmd);
  choice->add_options(*cmd);
  add_quiet(*cmd, *answers);
  example(*cmd, "tolvex check-template shop.tvp --destination site");
  cmd->callback([=, &run] {
    run = guarded([=] {
      answers->keep_definition = true;
      Host host(*answers);
      host.open(*file);
      choice->apply(host);
      vb::Variant existing = host.call("GenCheck");
      std::cout << vb::to_string(existing) << "\n";
      return 0;
    });
  });
}

}  // namespace tolvex::cli
