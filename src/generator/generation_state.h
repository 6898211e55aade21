// What the generation layer keeps of a run beside the project object: the current
// table and field that conditions and page runners read, the current control, and the
// user's cancel that ends a run.
#pragma once

#include "model/project.h"
#include "model/table.h"
#include "templates/controls.h"
#include "vb/dispatch.h"

namespace tolvex {

// The table and field being generated (Nothing when none). The output pass sets them
// before it evaluates a condition; the extension loaders set and clear them too.
vb::Ref<AGPTable> current_table(AGP& proj);
vb::Ref<AGPField> current_field(AGP& proj);
void set_current_table(AGP& proj, vb::Ref<AGPTable> table);
void set_current_field(AGP& proj, vb::Ref<AGPField> field);

// The control last found by Item of the project's control list (its curIndex); null
// before any.
vb::Ref<AGPControl> current_control(AGP& proj);

// Closes the progress window, sets AGP.ProjErr to "Generation cancelled by user!" and
// raises error -1 with that description.
[[noreturn]] void RaiseCancelled();
// The cancel poll between outputs: when the user has pressed Cancel in the progress
// window, RaiseCancelled.
void RaiseIfCancelled();

}  // namespace tolvex
