// The scripting members that the keyed collections of the object model share.
#pragma once

#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/variant.h"

namespace tolvex {

// Add(name), Count(), Delete(index) and Item(index), Item also the default member, of a
// collection whose Add and Delete answer nothing; each takes exactly its arguments.
template <class Self>
void add_keyed_collection_members(vb::DispatchTable<Self>& t) {
  using vb::Args;
  using vb::Variant;
  t.method("Add", [](Self& s, Args a) {
    vb::check_arg_count(a, 1, 1);
    s.Add(vb::to_string(a[0]));
    return Variant();
  });
  t.method("Count", [](Self& s, Args a) {
    vb::check_arg_count(a, 0, 0);
    return Variant(s.Count());
  });
  t.method("Delete", [](Self& s, Args a) {
    vb::check_arg_count(a, 1, 1);
    s.Delete(a[0]);
    return Variant();
  });
  t.method("Item", [](Self& s, Args a) {
    vb::check_arg_count(a, 1, 1);
    return Variant(s.Item(a[0]));
  });
  t.default_member("Item");
}

}  // namespace tolvex
