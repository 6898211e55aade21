// What the generation layer keeps of a run beside the project object: the current
// table and field that conditions and page runners read, the project's control list,
// the generation script engine, and the error that ends a run.
#pragma once

#include <string>

#include "model/project.h"
#include "model/table.h"
#include "templates/ag_script.h"
#include "templates/controls.h"
#include "vb/dispatch.h"

namespace tolvex {

// The table and field being generated (Nothing when none). The output pass sets them
// before it evaluates a condition; the extension loaders set and clear them too.
vb::Ref<AGPTable> current_table(AGP& proj);
vb::Ref<AGPField> current_field(AGP& proj);
void set_current_table(AGP& proj, vb::Ref<AGPTable> table);
void set_current_field(AGP& proj, vb::Ref<AGPField> field);

// The project's control list of the run, created on first use.
AGPControls& project_controls();
// The control last found by AGPControls::Item (its curIndex); null before any.
vb::Ref<AGPControl> current_control();

// The generation script engine of the run; null when none was started.
AGScript* generation_engine();

// Closes the progress window and raises error -1 with AGP.ProjErr as its description
// (no source). Ends a generation run; nothing inside the run catches it.
[[noreturn]] void RaiseGenError();
// Closes the progress window, sets AGP.ProjErr to "Generation cancelled by user!" and
// raises error -1 with that description.
[[noreturn]] void RaiseCancelled();

// The compiled template function of a control: "zvEx" + CtrlID + CtrlTagExt with every
// "." made "_".
std::string script_function_name(const AGPControl& ctrl);

}  // namespace tolvex
