// The subcommands of the tolvex command.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>

#include "cli/host.h"

namespace tolvex::cli {

// Adds every subcommand to `app`; `run` is set to the chosen one's action, which returns
// the exit status.
void add_commands(CLI::App& app, std::function<int()>& run);

// The "extension" subcommands (list, add, remove, enable, disable).
void add_extension_commands(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers);

}  // namespace tolvex::cli
