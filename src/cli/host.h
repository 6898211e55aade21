// What the tolvex command sets up in place of the designer application: the questions the
// engine asks (answered by flags or on the terminal), the progress display on stderr, and
// the project object, reached through its members by name as the designer reaches it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex::cli {

// The flags that answer the engine's questions.
struct Answers {
  bool yes = false;                     // --yes
  std::string overwrite = "ask";        // --overwrite=ask|all|skip
  std::optional<bool> keep_definition;  // --keep (true) / --update (false)
  bool quiet = false;                   // --quiet: no progress display
};

// The failure of a command: its message goes to stderr, the command ends with `status`.
struct CommandError {
  std::string message;
  int status = 1;
};

class Host {
 public:
  explicit Host(const Answers& answers);
  ~Host();

  // The project object ("Tolvex.AGP").
  vb::Dispatch& project();

  // Calls a member of the project object by name. A raised error or a last-error text
  // afterwards ends the command with that message.
  vb::Variant call(const std::string& member, std::vector<vb::Variant> args = {});
  // Reads and writes project settings by key.
  vb::Variant setting(const std::string& key);
  void set_setting(const std::string& key, const vb::Variant& value);

  // Opens a project file; ends the command when it cannot be read.
  void open(const std::string& file);

 private:
  vb::Ref<vb::Dispatch> project_;
};

// An absolute form of a path given on the command line (relative to the current folder).
std::string absolute_path(const std::string& path);

}  // namespace tolvex::cli
