// The controls that stand for the site as a whole: "function" controls, whose script files
// join the generation engine before anything is compiled; "other" and "simple" controls
// (also "web.config"), each generating one file such as the default page from its
// compiled template; and "copy" controls, which copy files or whole folders of the
// template package or of an extension package into the site.
//
// The project object's members ResolveExt, CheckScriptFiles, GenerateOtherFiles,
// GenerateOtherFile and CopyControlFiles are these functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/project.h"
#include "templates/controls.h"
#include "vb/variant.h"

namespace tolvex {

// The generic output extensions "*" and "php" (exactly) become the project setting Ext,
// or "php" while it is empty; any other extension stays as it is.
std::string ResolveExt(AGP& proj, std::string_view ext);
// The same for a value as the project object's member receives it: only a text changes.
vb::Variant ResolveExtValue(AGP& proj, const vb::Variant& ext);

// Adds the script file of every "function" control whose condition holds to the
// generation engine, in control file order. A missing script file sets AGP.ProjErr
// (": Script file does not exist - ...") and stops; so does an engine error.
void CheckScriptFiles(AGP& proj);

// The controls whose type is one of the ","-list `types` (letter case ignored) and whose
// condition holds, each generating its one file. In check mode nothing runs or is
// written, and the result counts the outputs that exist already. In a real run an error
// ends the walk with AGP.ProjErr = ProductTitle + ": Generate " + CtrlID + " page error" +
// CR LF + the error; the user's Cancel in the progress window ends the run.
int16_t GenerateOtherFiles(AGP& proj, bool checkOnly, std::string_view types, bool overwrite);

// One other file: the overwrite decision, the compiled template run in the generation
// engine, the clean-up of its text and the write. A missing compiled template ends the
// run ("File " + path + " not found. Generation aborted."); a failing script or write
// leaves its message in AGP.ProjErr, and an existing output is then kept as it was.
void GenerateOtherFile(AGP& proj, const std::string& scriptFile, const std::string& target, bool overwrite,
                       AGPControl& ctrl);

// The "copy" controls whose condition holds: their files, or their folder, copied from
// the template package (or the extension package the control names) into the site. In
// check mode nothing is copied and the result counts the targets that exist already. A
// missing source file or a failed copy ends the pass with its message in AGP.ProjErr; a
// missing source folder sets it and goes on with the next control. Sources are taken only
// from inside the package folder.
int16_t CopyControlFiles(AGP& proj, bool checkOnly);

}  // namespace tolvex
