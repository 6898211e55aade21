// The system code and validation code lists (XML files naming script files), the
// conversion of a system code file from the template block syntax into VBScript, and
// the script and debug files the script engine reads and writes on the way.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex {

// One "file" entry of the system code list.
struct SystemCodeEntry {
  std::string value;         // the script file, relative to the list's folder; "" skips the entry
  bool is_function = false;  // "function": wrapped into a VBScript function
  std::string id;            // "id", trimmed; only for functions
  std::string parm;          // "parm" (parameters without parentheses), trimmed; only for functions
  bool overridable = false;  // "override": a user procedure "USER_" + id may replace the result
  bool multiline = false;    // "multiline": keep the line breaks of the text between blocks
  bool indent = false;       // "indent": indent continuation lines of the text between blocks
};

// One "file" entry of the validation code list.
struct ValidateCodeEntry {
  std::string value;  // the VBScript file, relative to the list's folder; "" skips the entry
  std::string id;     // trimmed; informative only
};

// A file path from the registry: "\" read as "/", a leading "~/" as the user's home folder,
// and a relative path taken from the application folder, where the installed defaults are.
// An absolute path stands as it is; "" stays "".
std::string resolve_setting_path(std::string_view path);

// The entries of a system code list in document order: the root's child elements whose
// name is "file" in any letter case. nullopt when the file does not load as XML.
std::optional<std::vector<SystemCodeEntry>> read_system_code_list(std::string_view list_path);
std::optional<std::vector<ValidateCodeEntry>> read_validate_code_list(std::string_view list_path);

// The path of an entry's file: the list path up to and including its last "\" or "/",
// followed by the entry's value (the value alone when the list path has no folder).
std::string code_entry_path(std::string_view list_path, std::string_view value);

// Replaces every "<name>" by the id and every "<parm>" by the parameter list.
std::string fill_function_placeholders(std::string_view text, std::string_view id, std::string_view parm);

// The lines that open a system function: CR LF, a comment with the id, the Function line
// and the prefix text with its placeholders filled.
std::string system_function_head(const SystemCodeEntry& entry, std::string_view prefix);
// The lines that close it: the suffix text with its placeholders filled, the hand-over to
// the user's "USER_" procedure when the entry is overridable, and "End Function".
std::string system_function_tail(const SystemCodeEntry& entry, std::string_view suffix);

// Turns one system code file written in the template block syntax into VBScript lines:
// script blocks stand as they are, expression and phrase blocks and the text between blocks
// are appended to the variable `id`. When the template parser reports an error (in the
// last-error text) the text comes back unchanged and `parse_failed` is set.
std::string TemplateToCode(std::string_view text, bool multiline, bool indent, std::string_view id,
                           bool* parse_failed = nullptr);

// The whole text of a script file (UTF-8 when it starts with the UTF-8 byte-order mark,
// else in the ANSI code page). A file that is missing or cannot be read is announced in a
// message box and gives ""; the last-error text is not touched. "\" is accepted as a
// separator, and a name that does not exist exactly is looked up without letter case.
std::string read_script_file(std::string_view path);

// Writes a debug copy of generated code into the project's destination folder (as last
// set through the project object), replacing an earlier one; failures are ignored.
// Nothing is written while no destination is set, and a name that is absolute or climbs
// out of the folder is reduced to its last component.
void write_debug_file(std::string_view file_name, std::string_view text);

}  // namespace tolvex
