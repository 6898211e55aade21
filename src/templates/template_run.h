// What the template compiler and the package preparation share with the generation run:
// the generation error, the condition language (installed by the generation layer), the
// module-wide objects of a run and the lookup of files in a template folder.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vb/variant.h"

namespace tolvex {

class AGP;
class AGPFilter;
class AGPLanguage;
class AGScript;

// The generation error: closes the progress window and raises error -1 whose description is
// the last-error text. Nothing inside a generation run catches it.
[[noreturn]] void RaiseGenError();

// The condition language of controls and sessions. The generation layer installs the real
// evaluator; an empty condition always holds, and without an evaluator every condition holds.
// The evaluator may raise the generation error.
using ConditionEvaluator = std::function<bool(AGP& project, const std::string& condition)>;
// Installs the evaluator (an empty one removes it) and gives back the one it replaces.
ConditionEvaluator register_condition_evaluator(ConditionEvaluator evaluator);
bool evaluate_condition(AGP& project, const std::string& condition);

// The generation engine of the run (the context's GenerationEngine), null when none is held.
AGScript* generation_engine();
// The parse engine of the run (the context's ParseEngine), null when none is held.
AGScript* parse_engine();
// The phrases and the predefined filters of a run, created on first use.
AGPLanguage& run_language();
AGPFilter& run_filters();

// folder + "/" + name; the name alone when the folder is empty, so that a folder not set never
// turns a name into one at the root of the file system.
std::string join_path(std::string_view folder, std::string_view name);

// Sets the context's CurrentTemplateFolder to the folder of a control or session: the
// extension's work folder when `ext` names one, else the template folder of the package.
void set_current_template_folder(const std::string& ext);

// The names of a ","-separated list as written (not trimmed); "" gives one empty name.
std::vector<std::string> split_names(std::string_view list);

// The path of an existing file (or, with `folders`, a file or a folder) at `path`: the exact
// name when it exists, else the entry that matches it without regard to letter case. "\" is
// read as "/". nullopt when there is none.
std::optional<std::string> existing_template_path(std::string_view path, bool folders = false);

// join_path(folder, file) when a file or a folder of that name exists there (found as
// existing_template_path finds it); otherwise, or when the name would leave the folder, "" and
// the progress window is closed.
std::string find_template_path(std::string_view folder, std::string_view file);

// Every file a package names (input files and folders of controls, sessions' files, includes,
// function scripts, copied files) lies inside the folder it is looked up in: the template
// folder of the package or the folder of the extension that brought the control.
// RaiseOutsideTemplateFolder sets the last-error text naming the control and the name, and
// raises the generation error.
[[noreturn]] void RaiseOutsideTemplateFolder(std::string_view control, std::string_view name);
// folder + "/" + name when the name stays inside the folder (see platform::path_inside); else
// RaiseOutsideTemplateFolder.
std::string control_file_path(std::string_view control, std::string_view folder, std::string_view name);

// The modification time of a file as a Date in local time, and its size in bytes (a Long, or
// a Double beyond the Long range): the values the cache index records. Empty when the file
// cannot be examined.
vb::Variant file_date_last_modified(const std::string& path);
vb::Variant file_size_value(const std::string& path);

}  // namespace tolvex
