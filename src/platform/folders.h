// Folders of the user and of the application, environment expansion and path helpers.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tolvex::platform {

// The user's documents folder: $XDG_DOCUMENTS_DIR when set and not empty, else "$HOME/Documents"
// (HOME from the environment, else the password database). Not created here.
std::filesystem::path documents_folder();

// The folder of the user's configuration: $TOLVEX_CONFIG_DIR when set, else
// "$XDG_CONFIG_HOME/tolvex", else "$HOME/.config/tolvex".
std::filesystem::path config_folder();

// The application's own folder (installed data: machine-wide defaults, default code, samples):
// $TOLVEX_DATA_DIR when set; else "share/tolvex" found from the running executable
// (/proc/self/exe): "<exe folder>/../share/tolvex" for an installed program, else the first
// "share/tolvex" found walking up from the executable's folder (a build tree inside or beside the
// source tree). When nothing is found: "<exe folder>/../share/tolvex" all the same.
std::filesystem::path application_folder();

// A path from a setting or the registry as a file path: "\" becomes "/", "~" or "~/..." is under
// $HOME, an absolute path stays, and a relative one is taken below application_folder().
// The empty text stays empty.
std::string resolve_application_path(std::string_view path);

// Replaces every %NAME% whose NAME is set in the environment by its value. A reference to a
// variable that is not set, "%%", and a lone "%" stay as they are (as Windows leaves them).
// Names compare exactly (the Linux environment is case-sensitive).
std::string expand_environment(std::string_view text);

// Every "\" becomes "/". Paths from files, settings and the registry go through this.
std::string normalize_separators(std::string_view path);

// The path of an existing file or folder that matches `path` without regard to letter case,
// component by component: a component that exists exactly is taken as it is, else the first entry
// of that folder (in sorted order) whose name equals it without letter case. "\" is accepted as a
// separator. nullopt when some component has no match.
std::optional<std::filesystem::path> find_path_nocase(const std::filesystem::path& path);

// Creates the folder and every missing parent. Throws PlatformError naming the folder and the
// reason when it cannot (an existing file in the way included).
void create_folders(const std::filesystem::path& folder);

}  // namespace tolvex::platform
