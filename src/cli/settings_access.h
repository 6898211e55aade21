// The settings of the project's objects as the designer's property grid shows them: which
// objects a command line selects, printing their settings, and changing them.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "model/project.h"
#include "vb/dispatch.h"

namespace tolvex::cli {

// One object with a settings store (Properties), and how it is named in the output.
struct SettingsTarget {
  std::string label;  // "" for the project, "database", "orders", "orders.id"
  vb::Ref<vb::Dispatch> object;
};

// What the options select: the project (nothing set), its database, the tables whose names
// match `table`, the fields "TABLE.FIELD" that `field` matches (patterns as in the shell,
// letter case ignored); with `extension`, the same levels of that extension's attributes.
struct TargetChoice {
  bool database = false;
  std::string table;
  std::string field;
  std::string extension;
};

// Every target, in the project's order; nothing matched is an error.
std::vector<SettingsTarget> select_targets(AGP& proj, const TargetChoice& choice);

// "KEY=VALUE" lines for the keys (every setting when none is given), prefixed by the
// target's label and "." when there are several targets. Backslash, CR and LF in values are
// shown as \\, \r and \n, so that each value is one line and reads back unambiguously. A key that a target lacks is an error, and nothing is printed.
void print_settings(const std::vector<SettingsTarget>& targets, const std::vector<std::string>& keys,
                    std::ostream& out);

// Sets "KEY=VALUE" on every target: the text is converted by the setting's declared type and
// goes through the object's typed property where it has one (which may do more than store
// it). The text is taken as given: no escapes are read. An unknown key, a value that does not
// convert, text that is not UTF-8 or holds a control character other than tab, LF and CR is an
// error before anything changes.
void apply_settings(const std::vector<SettingsTarget>& targets, const std::vector<std::string>& pairs);

}  // namespace tolvex::cli
