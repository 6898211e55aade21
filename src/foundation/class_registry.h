// The class registry: the creatable classes of the library, created by name
// ("Tolvex.AGP", "Tolvex.AGPStringBuilder", ...) the way the host and scripts create them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex {

using ClassFactory = std::function<vb::Ref<vb::Dispatch>()>;

// The prefix of every registered name.
inline constexpr std::string_view kClassPrefix = "Tolvex.";

// Registers `class_name` (without the prefix). A second registration of a name replaces the first.
void register_class(std::string_view class_name, ClassFactory factory);

// A new object of the class named "Tolvex.<class>" (letter case ignored; the prefix may be left
// out). Null when no such class is registered.
vb::Ref<vb::Dispatch> create_object(std::string_view name);

// The registered names with their prefix, sorted without regard to letter case.
std::vector<std::string> registered_classes();

// Registers a class from its own source file at start-up:
//   TOLVEX_REGISTER_CLASS(AGPStringBuilder);
// The class must be default-constructible. The umbrella library links every subsystem
// whole, so each registration is present wherever the library is.
#define TOLVEX_REGISTER_CLASS(Class)                                                   \
  static const bool tolvex_registered_##Class = [] {                                   \
    ::tolvex::register_class(#Class, [] { return ::tolvex::vb::Ref<::tolvex::vb::Dispatch>( \
                                              ::tolvex::vb::make_ref<Class>()); });   \
    return true;                                                                       \
  }()

}  // namespace tolvex
