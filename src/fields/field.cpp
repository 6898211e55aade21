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
    table.property("Properties", [](Self& s, Args) { return Variant(s.Properties()); });
    table.method("GetV", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.GetV(vb::to_string(a[0])));
    });
    table.method("SetV", [](Self& s, Args a) {
      vb::check_arg_count(a, 2, 2);
      return s.SetV(vb::to_string(a[0]), vb::to_string(a[1]));
    });
    table.property("Key", [](Self& s, Args) { return Variant(s.Key()); },
                   [](Self& s, Args, const Variant& v) { s.Key(vb::to_string(v)); });
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
