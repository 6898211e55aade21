// Small helpers of the project file code: values as text, and members of the
// extension objects reached by name through their object-model interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/properties.h"
#include "vb/convert.h"
#include "vb/dispatch.h"

namespace tolvex::projectfile {

// The standard conversion of a value to text; "" for Empty, Null and what has no text.
inline std::string value_text(const vb::Variant& v) {
  if (v.is_empty() || v.is_null()) return std::string();
  try {
    return vb::to_string(vb::default_value(v));
  } catch (const std::exception&) {
    return std::string();
  }
}

inline vb::Variant member(vb::Dispatch& obj, std::string_view name, std::vector<vb::Variant> args = {}) {
  return obj.get(name, args);
}
inline vb::Ref<vb::Dispatch> member_object(vb::Dispatch& obj, std::string_view name,
                                           std::vector<vb::Variant> args = {}) {
  return member(obj, name, std::move(args)).object_or_null();
}
// The object's settings store (its Properties).
inline vb::Ref<AGProperties> store_of(vb::Dispatch& obj) {
  return vb::ref_cast<AGProperties>(member_object(obj, "Properties"));
}

}  // namespace tolvex::projectfile
