// The subcommands of the tolvex command.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>

namespace tolvex::cli {

// Adds every subcommand to `app`; `run` is set to the chosen one's action, which returns
// the exit status.
void add_commands(CLI::App& app, std::function<int()>& run);

}  // namespace tolvex::cli
