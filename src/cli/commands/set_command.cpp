// tolvex set: settings of the project, its database, tables, fields or extensions, changed and saved.
#include "cli/command_options.h"
#include "cli/commands.h"

namespace tolvex::cli {

void add_set_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  using vb::Variant;
  auto* cmd = app.add_subcommand("set", "Change settings of the project, its database, tables, fields or extensions and save it");
  auto pairs = std::make_shared<std::vector<std::string>>();
  auto sel = std::make_shared<Selection>();
  auto file = add_project_file(*cmd);
  cmd->add_option("setting", *pairs,
                  "KEY=VALUE, converted by the setting's type. VALUE is taken as typed (no escapes: a backslash is a "
                  "backslash); tab, line feed and carriage return may stand in it, other control characters and text "
                  "that is not UTF-8 are refused")
      ->required();
  sel->add_options(*cmd);
  example(*cmd, "tolvex set shop.tvp --table '*' TblGen=True");
  cmd->callback([=, &run] {
    run = guarded([=] {
      answers->quiet = true;
      answers->keep_definition = true;
      Host host(*answers);
      host.lock_project(*file);
      host.open(*file);
      apply_settings(sel->resolve(project_of(host)), *pairs);
      host.call("Save", {Variant(absolute_path(*file))});
      return 0;
    });
  });
}

}  // namespace tolvex::cli
