// Stand-ins for the database driver's objects, which the model reads by member name.
#pragma once

#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/strings.h"

namespace tolvex::testing {

// Members answered from a table of values.
class FakeObject : public vb::Dispatch {
 public:
  explicit FakeObject(std::map<std::string, vb::Variant> values) : values_(std::move(values)) {}
  std::string type_name() const override { return "Object"; }
  vb::DispId find_member(std::string_view name) const override {
    vb::DispId id = 1;
    for (const auto& entry : values_) {
      if (vb::iequals(entry.first, name)) return id;
      ++id;
    }
    return vb::kDispUnknown;
  }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind, vb::Args) override {
    if (id < 1 || size_t(id) > values_.size()) vb::raise(vb::err::kNotSupported);
    auto it = values_.begin();
    std::advance(it, id - 1);
    return it->second;
  }

 private:
  std::map<std::string, vb::Variant> values_;
};

// A 0-based list with Count and a default member that takes the index.
class FakeList : public vb::Dispatch {
 public:
  explicit FakeList(std::vector<vb::Variant> items) : items_(std::move(items)) {}
  std::string type_name() const override { return "Fields"; }
  vb::DispId find_member(std::string_view name) const override { return vb::iequals(name, "Count") ? 1 : vb::kDispUnknown; }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind, vb::Args args) override {
    if (id == 1) return vb::Variant(int32_t(items_.size()));
    if (id != vb::kDispValue || args.empty()) vb::raise(vb::err::kNotSupported);
    return items_.at(size_t(vb::to_long(args[0])));
  }

 private:
  std::vector<vb::Variant> items_;
};

inline vb::Variant object(std::map<std::string, vb::Variant> values) {
  return vb::Variant(vb::Ref<vb::Dispatch>(vb::make_ref<FakeObject>(std::move(values))));
}

// A driver field object with ordinary answers, changed by `extra`.
inline vb::Variant driver_field(const std::string& name, int32_t ado_type, std::map<std::string, vb::Variant> extra = {}) {
  std::map<std::string, vb::Variant> v{{"Name", vb::Variant(name)},
                                       {"IsEnum", vb::Variant(false)},
                                       {"IsSet", vb::Variant::null()},
                                       {"ADODataType", vb::Variant(ado_type)},
                                       {"size", vb::Variant(int32_t(50))},
                                       {"Required", vb::Variant(false)},
                                       {"Unique", vb::Variant(false)},
                                       {"AutoIncrement", vb::Variant(false)},
                                       {"ADOAttributes", vb::Variant(int32_t(0))},
                                       {"DataTypeName", vb::Variant("type")},
                                       {"NativeDataType", vb::Variant(int32_t(0))},
                                       {"FieldTagValues", vb::Variant("'a','b'")}};
  for (auto& [k, x] : extra) v[k] = x;
  return object(std::move(v));
}

inline vb::Variant driver_table(const std::string& type, std::vector<vb::Variant> fields, const std::string& pk) {
  return object({{"TableType", vb::Variant(type)},
                 {"Fields", vb::Variant(vb::Ref<vb::Dispatch>(vb::make_ref<FakeList>(std::move(fields))))},
                 {"PKField", vb::Variant(pk)}});
}

}  // namespace tolvex::testing
