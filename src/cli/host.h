// What the tolvex command sets up in place of the designer application: the questions the
// engine asks (answered by flags or on the terminal), the progress display on stderr, and
// the project object, reached through its members by name as the designer reaches it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/file_lock.h"
#include "platform/host_ui.h"
#include "vb/dispatch.h"

namespace tolvex::cli {

// The flags that answer the engine's questions.
struct Answers {
  bool yes = false;                     // --yes
  std::string overwrite;                // --overwrite=all|skip ("" when not given: the project decides)
  std::optional<bool> keep_definition;  // --keep (true) / --update (false)
  std::vector<platform::ScopedNameMapping> names;  // --map-table / --map-field
  bool quiet = false;                   // --quiet: no progress display
  bool cancellable = false;             // Ctrl-C cancels the work instead of ending the command
};

// The failure of a command: its message goes to stderr, the command ends with `status`.
struct CommandError {
  std::string message;
  int status = 1;
};

// Exit statuses.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDifferences = 3;
inline constexpr int kExitCancelled = 130;

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

  // From now on the keep-or-update question gets this answer (none: the terminal or the
  // non-interactive default).
  void answer_keep_or_update(std::optional<bool> keep);

  // Opens a project file; ends the command when it cannot be read. Text that the load
  // leaves behind without failing is a warning, printed on stderr. With `need_database`
  // a project without a database ends the command too.
  void open(const std::string& file, bool need_database = true);

  // Holds the writers' lock of the project file until the host ends. A command that saves the
  // project takes it before it reads the file, so that no other writer saves in between and
  // one of the two changes is lost; when another process holds it past a few seconds the
  // command ends with a message that says so.
  void lock_project(const std::string& file);

 private:
  vb::Ref<vb::Dispatch> project_;
  std::optional<platform::FileLock> lock_;
  class FlagsFirstUI* ui_ = nullptr;
};

// An absolute form of a path given on the command line (relative to the current folder).
std::string absolute_path(const std::string& path);

// `message`, the text of a raised error (its description or the last-error text holding it), as
// the command shows it: a registry write that failed shows the registry's own reason, which names
// the file and the cause, in place of the registry key it was writing.
std::string shown_message(const vb::VBError& e, std::string message);

// Prints a warning on stderr ("warning: " + text), one line per line of the text.
void warn(const std::string& text);

}  // namespace tolvex::cli
