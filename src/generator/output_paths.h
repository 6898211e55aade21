// Output names and folders of a generation run: the file name of an output from the
// project's naming settings, the folder of a "folder" control, and the full path of an
// output under the destination folder (or the application root for folders written
// "~/..."). Paths use "/"; "\" from settings and control files is read as "/".
#pragma once

#include <string>
#include <string_view>

#include "model/project.h"
#include "vb/variant.h"

namespace tolvex {

// base ["_" part], with nameExt put by nameType ("prefix", "infix", "suffix", any letter
// case; anything else: nowhere), then name, "." and ext (the dot also when ext is empty);
// lower-cased as a whole when lowerCase.
std::string ComposeOutputName(std::string_view base, std::string_view part, std::string_view name,
                              std::string_view ext, std::string_view nameType, std::string_view nameExt,
                              bool lowerCase);
// ComposeOutputName with the project settings OutputNameType, OutputNameExt and
// OutputNameLCase. Null and Empty arguments count as "".
std::string GetOutputName(AGP& proj, const vb::Variant& base, const vb::Variant& part, const vb::Variant& name,
                          const vb::Variant& ext);

// CtrlOFolder of the first "folder" control of the project's control list whose CtrlID
// is `id`, both compared without regard to letter case; "" when there is none.
std::string GetFolderControlPath(AGP& proj, std::string_view id);
// The folder of the "folder" control `folderId` when it is not empty, else `folder`.
std::string GetFolderPath(AGP& proj, std::string_view folderId, std::string_view folder);

// The full path of an output: the destination root (or AppRootFolder for a folder that
// starts with "~/" or "~\"), the folder with a "/" after it, and the file. Unless
// checkOnly, the folder is created. Outputs never leave their root: a leading separator
// means the top of the root, "." pieces go, and a folder or file whose ".." pieces would
// climb out of the root raises the generation error. A "~/" folder needs an AppRootFolder
// that is neither empty nor the top of the file system (else the generation error). An
// empty Destination leaves the path relative.
std::string ResolveOutputPath(AGP& proj, std::string_view folder, std::string_view file, bool checkOnly);

// folder + "/" + file when a file or folder of that name exists (a name that differs only
// in letter case is found too, and returned as it is on disk); otherwise "" and the
// progress window is closed. An empty folder looks for the file itself.
std::string PathExists(std::string_view folder, std::string_view file);

// The part of a path after its last separator ("\" read as "/"); the whole path when it
// has none.
std::string last_path_part(std::string_view path);
// Creates the folder that holds `path` ("\" read as "/") with every folder above it;
// nothing for a path without a folder or one right below the root.
void make_parent_folder(std::string_view path);

}  // namespace tolvex
