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
  using vb::Args;
  using vb::Variant;
  using Self = AGPFields;
  static const vb::DispatchTable<Self> built = [] {
    vb::DispatchTable<Self> t("AGPFields");
    t.property("curName", [](Self& s, Args) { return Variant(s.curName()); });
    t.property("curSeq", [](Self& s, Args) { return Variant(s.curSeq()); });
    t.method("Add", [](Self& s, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(s.Add(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("Change", [](Self& s, Args a) {
      vb::check_arg_count(a, 3, 3);
      return Variant(s.Change(vb::to_string(a[0]), vb::to_string(a[1]), vb::to_string(a[2])));
    });
    t.method("Count", [](Self& s, Args a) {
      vb::check_arg_count(a, 0, 0);
      return Variant(s.Count());
    });
    t.method("Delete", [](Self& s, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(s.Delete(vb::to_string(a[0]), a[1]));
    });
    t.method("FieldExist", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.FieldExist(a[0]));
    });
    t.method("Item", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Item(a[0]));
    });
    t.method("Seq", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(s.Seq(vb::to_integer(a[0])));
    });
    t.method("SetItem", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      s.SetItem(a[0]);
      return Variant();
    });
    t.method("SetSeq", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      s.SetSeq(vb::to_integer(a[0]));
      return Variant();
    });
    t.default_member("Item");
    t.enumerator("NewEnum_fld", [](Self& s, Args) { return Variant(s.NewEnum_fld()); });
    return t;
  }();
  return built;
}

}  // namespace tolvex
