#include "generator/generation_state.h"

#include <utility>

#include "foundation/context.h"
#include "foundation/status.h"
#include "templates/template_compiler.h"
#include "vb/error.h"

namespace tolvex {
namespace {

// The project object's two slots: the current table, then the current field.
constexpr int kTableSlot = 0;
constexpr int kFieldSlot = 1;

template <class T>
vb::Ref<T> slot_object(AGP& proj, int slot) {
  return vb::ref_cast<T>(proj.table_slot(slot).object_or_null());
}

}  // namespace

vb::Ref<AGPTable> current_table(AGP& proj) { return slot_object<AGPTable>(proj, kTableSlot); }
vb::Ref<AGPField> current_field(AGP& proj) { return slot_object<AGPField>(proj, kFieldSlot); }

void set_current_table(AGP& proj, vb::Ref<AGPTable> table) {
  proj.table_slot(kTableSlot) = table ? vb::Variant(std::move(table)) : vb::Variant();
}

void set_current_field(AGP& proj, vb::Ref<AGPField> field) {
  proj.table_slot(kFieldSlot) = field ? vb::Variant(std::move(field)) : vb::Variant();
}

vb::Ref<AGPControl> current_control(AGP& proj) {
  const AGPControls& list = project_controls(proj);
  if (list.curIndex() < 1 || list.curIndex() > list.Count()) return {};
  return list.items()[size_t(list.curIndex() - 1)];
}

void RaiseCancelled() {
  status_window().CloseStatus();
  context().ProjErr = "Generation cancelled by user!";
  vb::raise(-1, context().ProjErr);
}

void RaiseIfCancelled() {
  if (status_window().StatusIsCancelled()) RaiseCancelled();
}

}  // namespace tolvex
