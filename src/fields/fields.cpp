#include "fields/fields.h"

#include "fields/extension_sync.h"
#include "foundation/agp_vars.h"

namespace tolvex {

vb::Ref<AGPField> AGPFields::create_item(const std::string& name) {
  auto field = vb::make_ref<AGPField>();
  field->FldName(name);
  return field;
}

void AGPFields::renamed(const std::string& owner, AGPField& item, const std::string& old_name,
                        const std::string& new_name) {
  item.FldVar(AGPVars::MakeIdentifier(std::string_view(new_name), std::string_view("x_")));
  common::RenameFieldInExtensions(owner, old_name, new_name);
}

void AGPFields::deleting(const std::string& owner, const std::string& name) {
  common::DeleteFieldFromExtensions(owner, name);
}

void AGPFields::delete_all(const std::string& TblName) {
  while (size() > 0) {
    const size_t last = size() - 1;
    delete_at(TblName, last, name_at(last));
  }
}

const vb::DispatchTable<AGPFields>& AGPFields::dispatch_table() {
  using Self = AGPFields;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPFields");
    add_dispatch_members(t, {"FieldExist", /*owner_argument=*/true, /*current_setters=*/true, "NewEnum_fld"});
    return t;
  }();
  return built;
}

}  // namespace tolvex
