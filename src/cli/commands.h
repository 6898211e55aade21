// The subcommands of the tolvex command: one file each below cli/commands.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>

#include "cli/host.h"

namespace tolvex::cli {

// Adds every subcommand to `app`; `run` is set to the chosen one's action, which returns
// the exit status.
void add_commands(CLI::App& app, std::function<int()>& run);

// Each adds its subcommand (the "extension" one with its own subcommands) to `app`; the flags
// fill `answers`, and choosing the subcommand sets `run` to its action.
using CommandAdder = void(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers);
CommandAdder add_new_command;
CommandAdder add_databases_command;
CommandAdder add_import_command;
CommandAdder add_check_command;
CommandAdder add_sync_command;
CommandAdder add_get_command;
CommandAdder add_set_command;
CommandAdder add_extension_commands;
CommandAdder add_check_template_command;
CommandAdder add_generate_command;

}  // namespace tolvex::cli
