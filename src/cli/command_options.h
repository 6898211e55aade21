// What the subcommands share: their common options (connection, answers to the engine's
// questions, package choice, settings selection), the error guard that turns a failure into a
// message and an exit status, and the project object behind the host.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/host.h"
#include "cli/settings_access.h"
#include "model/project.h"
#include "vb/error.h"
#include "vb/variant.h"

namespace tolvex::cli {

// Connection values of a database server, in the order the engine takes them.
struct Connection {
  std::string type = "MySQL";
  std::string host = "localhost";
  std::string port = "3306";
  std::string user;
  std::string password;
  bool ask_password = false;  // --password without a value: asked on the terminal
  std::string sid;
  std::string method;
  std::string url;
  std::string encoding;

  void add_options(CLI::App& cmd);
  // The values in the engine's order after the database name.
  std::vector<vb::Variant> values() const;
  std::string password_or_env() const;
};

// --template and --destination: another package and another destination than the project's.
struct PackageChoice {
  std::string package;
  std::string destination;

  void add_options(CLI::App& cmd);
  void apply(Host& host) const;
};

// The settings objects that --database, --table, --field and --extension select.
struct Selection : TargetChoice {
  void add_options(CLI::App& cmd);
  std::vector<SettingsTarget> resolve(AGP& proj) const;
};

// The required argument "file", the project file; the second form fills `file`.
std::shared_ptr<std::string> add_project_file(CLI::App& cmd);
void add_project_file(CLI::App& cmd, std::string& file);
// --quiet.
void add_quiet(CLI::App& cmd, Answers& a);
// --keep / --update: the answer to the keep-or-update question.
void add_keep_or_update(CLI::App& cmd, Answers& a);
// --map-table / --map-field: the answers to the name-mapping dialog.
void add_mappings(CLI::App& cmd, Answers& a);
// The example line of a command's help.
void example(CLI::App& cmd, const std::string& text);

// Prints the failure's message on stderr; the result is its exit status.
int report(const CommandError& e);

// The command's action: a failure, raised in whatever form, ends it with its message on
// stderr and its exit status.
template <class F>
std::function<int()> guarded(F body) {
  return [body]() -> int {
    try {
      return body();
    } catch (const CommandError& e) {
      return report(e);
    } catch (const vb::VBError& e) {
      return report(CommandError{shown_message(e, e.description())});
    } catch (const std::exception& e) {
      return report(CommandError{e.what()});
    }
  };
}

// The project object of the host.
AGP& project_of(Host& host);

}  // namespace tolvex::cli
