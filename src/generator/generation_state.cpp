#include "generator/generation_state.h"

#include <utility>

#include "foundation/context.h"
#include "foundation/status.h"
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

AGPControls& project_controls() {
  ModuleContext& ctx = context();
  vb::Ref<AGPControls> list = vb::ref_cast<AGPControls>(ctx.ControlList);
  if (!list) {
    list = vb::make_ref<AGPControls>();
    ctx.ControlList = list;
  }
  return *list;
}

vb::Ref<AGPControl> current_control() {
  vb::Ref<AGPControls> list = vb::ref_cast<AGPControls>(context().ControlList);
  if (!list || list->curIndex() < 1 || list->curIndex() > list->Count()) return {};
  return list->items()[size_t(list->curIndex() - 1)];
}

AGScript* generation_engine() {
  return dynamic_cast<AGScript*>(context().GenerationEngine.get());
}

void RaiseGenError() {
  status_window().CloseStatus();
  vb::raise(-1, context().ProjErr);
}

void RaiseCancelled() {
  status_window().CloseStatus();
  context().ProjErr = "Generation cancelled by user!";
  vb::raise(-1, context().ProjErr);
}

std::string script_function_name(const AGPControl& ctrl) {
  std::string name = "zvEx" + ctrl.CtrlID + ctrl.CtrlTagExt;
  for (char& c : name)
    if (c == '.') c = '_';
  return name;
}

}  // namespace tolvex
