#include "cli/commands.h"

namespace tolvex::cli {

void add_commands(CLI::App& app, std::function<int()>& run) {
  auto answers = std::make_shared<Answers>();
  // In the order the help lists them.
  for (CommandAdder* add : {add_new_command, add_databases_command, add_import_command, add_check_command,
                            add_sync_command, add_get_command, add_set_command, add_extension_commands,
                            add_check_template_command, add_generate_command})
    add(app, run, answers);
}

}  // namespace tolvex::cli
