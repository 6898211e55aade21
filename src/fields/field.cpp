#include "fields/field.h"

#include "foundation/context.h"
#include "vb/strings.h"

namespace tolvex {

AGPField::AGPField() { load_registry_defaults(context().RegKeyField); }

std::string AGPField::FldParm() const {
  const std::string var = FldVar();
  return var.substr(vb::utf8_offset(var, 2));
}

const vb::DispatchTable<AGPField>& AGPField::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPField;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> table("AGPField");
    add_text_store_members(table);
    add_key_member(table);
    table.property("FldParm", [](Self& s, Args) { return Variant(s.FldParm()); });
    table.method("LoadFld_zvDB", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      s.LoadFld_zvDB(a[0]);
      return Variant();
    });
    table.method("LoadFldDefault", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      s.LoadFldDefault();
      return Variant();
    });
    TOLVEX_FIELD_SETTINGS(TOLVEX_SETTING_DISPATCH)
    return table;
  }();
  return built;
}

}  // namespace tolvex
