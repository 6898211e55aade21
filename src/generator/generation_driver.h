// The generation of the whole report site of the loaded project: the checks of the
// environment and the project, the template package, extension packages, user code,
// control file and language file brought into the working folders, the decision whether
// the compiled templates in the cache are still valid, the two script engines started,
// the project validated, the extension control files merged, what changed compiled, and
// then the output pass.
#pragma once

#include "model/project.h"

namespace tolvex {

// Runs a generation. A failed check leaves its message in AGP.ProjErr and returns; the
// user's cancel and the errors of the compiler and the output pass end the call with error
// -1 (AGP.ProjErr holds the same text). AGP.ProjErr is "" after a successful run.
void GenScript(AGP& proj);

// Reads the run's switches from the user's general settings: the backup of overwritten
// outputs ("BackupFile") and the script time-out ("ScriptEngineTimeout").
void ReadRunSwitches(AGP& proj);

}  // namespace tolvex
