#include "vb/dispatch.h"

namespace tolvex::vb {

Ref<Enumerator> Dispatch::enumerate() {
  Variant v = invoke(kDispNewEnum, InvokeKind::Get, {});
  Ref<Enumerator> e = ref_cast<Enumerator>(v.object_or_null());
  if (!e) raise(err::kNotACollection);
  return e;
}

DispId Dispatch::require_member(std::string_view name) const {
  DispId id = find_member(name);
  if (id == kDispUnknown) raise(err::kNotSupported);
  return id;
}

Variant Dispatch::get(std::string_view name, Args args) {
  return invoke(require_member(name), InvokeKind::Get, args);
}

Variant Dispatch::call(std::string_view name, Args args) {
  return invoke(require_member(name), InvokeKind::Method, args);
}

namespace {
std::vector<Variant> with_value(Args args, const Variant& value) {
  std::vector<Variant> all(args.begin(), args.end());
  all.push_back(value);
  return all;
}
}  // namespace

void Dispatch::let(std::string_view name, const Variant& value, Args args) {
  auto all = with_value(args, value);
  invoke(require_member(name), InvokeKind::Let, all);
}

void Dispatch::set(std::string_view name, const Variant& value, Args args) {
  auto all = with_value(args, value);
  invoke(require_member(name), InvokeKind::Set, all);
}

bool SnapshotEnumerator::next(Variant& out) {
  if (pos_ >= items_.size()) return false;
  out = items_[pos_++];
  return true;
}

void check_arg_count(Args args, size_t min, size_t max) {
  if (args.size() < min || args.size() > max) raise(err::kWrongArgCount);
}

}  // namespace tolvex::vb
