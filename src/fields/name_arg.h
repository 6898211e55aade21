// Reading a name argument that arrives as a Variant.
#pragma once

#include <string>

#include "vb/convert.h"
#include "vb/error.h"

namespace tolvex {

// The argument's text; "" when it has none (Null, an object, an array).
inline std::string name_arg(const vb::Variant& v) {
  try {
    return vb::to_string(vb::default_value(v));
  } catch (const vb::VBError&) {
    return std::string();
  }
}

}  // namespace tolvex
