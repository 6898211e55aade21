// Keeping names read from packages, project files and control files inside the folder they
// belong to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolvex::platform {

// The relative path that `name` names below a folder, with "/" between its pieces ("\" is read
// as "/"; empty and "." pieces go; a ".." takes back the piece before it). nullopt when the name
// would leave the folder: a ".." with nothing left to take back, a drive letter ("C:"), or, unless
// `rooted_is_relative`, a name that starts at the root ("/etc"). With `rooted_is_relative`, a
// leading "/" only means "from the top of the folder". "" when the name is the folder itself.
std::optional<std::string> relative_inside(std::string_view name, bool rooted_is_relative = false);

// folder + "/" + relative_inside(name) (the folder alone when the name is the folder itself);
// nullopt when the name would leave the folder or the folder is empty.
std::optional<std::string> path_inside(std::string_view folder, std::string_view name);

// A name that can stand as one folder below another: not empty, not "." or "..", without "/", "\",
// ":" or control characters.
bool is_plain_folder_name(std::string_view name);

}  // namespace tolvex::platform
