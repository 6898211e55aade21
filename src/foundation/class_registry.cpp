#include "foundation/class_registry.h"

#include <algorithm>
#include <map>

#include "vb/strings.h"

namespace tolvex {

namespace {

struct Entry {
  std::string name;
  ClassFactory factory;
};

// Keyed by the lower-cased class name. A function-local static so that registrations made
// by other files' static initializers find it constructed.
std::map<std::string, Entry>& classes() {
  static std::map<std::string, Entry> table;
  return table;
}

std::string_view without_prefix(std::string_view name) {
  if (name.size() >= kClassPrefix.size() && vb::iequals(name.substr(0, kClassPrefix.size()), kClassPrefix))
    return name.substr(kClassPrefix.size());
  return name;
}

}  // namespace

void register_class(std::string_view class_name, ClassFactory factory) {
  classes()[vb::ascii_lower(class_name)] = Entry{std::string(class_name), std::move(factory)};
}

vb::Ref<vb::Dispatch> create_object(std::string_view name) {
  auto it = classes().find(vb::ascii_lower(without_prefix(name)));
  if (it == classes().end()) return {};
  return it->second.factory();
}

std::vector<std::string> registered_classes() {
  std::vector<std::string> out;
  for (const auto& [key, entry] : classes()) out.push_back(std::string(kClassPrefix) + entry.name);
  return out;
}

}  // namespace tolvex
