// Late-bound access to objects by member name: the interface through which the
// script engine, the condition language and the project-file reader reach the model.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vb/error.h"
#include "vb/strings.h"
#include "vb/variant.h"

namespace tolvex::vb {

using DispId = int32_t;
inline constexpr DispId kDispValue = 0;     // the default member
inline constexpr DispId kDispNewEnum = -4;  // the enumerator (For Each)
inline constexpr DispId kDispUnknown = -1;  // no such member

enum class InvokeKind : uint8_t {
  Method = 1,  // a call: obj.Foo 1, 2
  Get = 2,     // a read: x = obj.Foo(1)
  Let = 4,     // an assignment: obj.Foo(1) = x
  Set = 8,     // an object assignment: Set obj.Foo = o
};

class Enumerator;

// Every object that scripts or the host reach by name.
class Dispatch : public Object {
 public:
  // The class name that TypeName() shows.
  virtual std::string type_name() const = 0;
  // The member's id, looked up without regard to letter case; kDispUnknown when missing.
  virtual DispId find_member(std::string_view name) const = 0;
  // Runs a member. For Let and Set the value is the last element of args.
  // Members may write to args (ByRef parameters). Errors are raised as VBError.
  virtual Variant invoke(DispId id, InvokeKind kind, Args args) = 0;
  // The enumerator for For Each; the default asks member kDispNewEnum.
  virtual Ref<Enumerator> enumerate();
  // The names of the members, for listing (may be empty).
  virtual std::vector<std::string> member_names() const { return {}; }
  // True when every object of this class answers find_member with the same ids, so a
  // caller may remember an id per class and name.
  virtual bool member_ids_are_static() const noexcept { return false; }

  // By-name helpers; a missing member raises error 438.
  Variant get(std::string_view name, Args args = {});
  Variant call(std::string_view name, Args args = {});
  void let(std::string_view name, const Variant& value, Args args = {});
  void set(std::string_view name, const Variant& value, Args args = {});
  bool has_member(std::string_view name) const { return find_member(name) != kDispUnknown; }

 protected:
  DispId require_member(std::string_view name) const;
};

// An enumeration in progress. It holds what it walks (a snapshot or a reference),
// so removing items from the collection meanwhile never touches freed values.
class Enumerator : public Dispatch {
 public:
  virtual bool next(Variant& out) = 0;
  virtual void reset() = 0;

  std::string type_name() const override { return "Object"; }
  DispId find_member(std::string_view) const override { return kDispUnknown; }
  Variant invoke(DispId, InvokeKind, Args) override { raise(err::kNotSupported); }
};

// Enumerates a copy of a list of values.
class SnapshotEnumerator : public Enumerator {
 public:
  explicit SnapshotEnumerator(std::vector<Variant> items) : items_(std::move(items)) {}
  bool next(Variant& out) override;
  void reset() override { pos_ = 0; }

 private:
  std::vector<Variant> items_;
  size_t pos_ = 0;
};

// True when argument i was passed (present and not a missing optional argument).
inline bool has_arg(Args args, size_t i) noexcept { return i < args.size() && !args[i].is_missing(); }
// Raises error 450 unless min <= args.size() <= max.
void check_arg_count(Args args, size_t min, size_t max);

// A table of members for a class T, built once and shared by every object of T.
template <class T>
class DispatchTable {
 public:
  using GetFn = std::function<Variant(T&, Args)>;
  using PutFn = std::function<void(T&, Args, const Variant&)>;

  struct Member {
    std::string name;
    GetFn get;     // property read or method call
    PutFn let;     // property assignment
    PutFn set;     // object assignment
    bool method = false;
  };

  explicit DispatchTable(std::string class_name) : class_name_(std::move(class_name)) {}

  const std::string& class_name() const noexcept { return class_name_; }

  // A property; args are its indexes. A property without let is read-only.
  DispatchTable& property(std::string name, GetFn get, PutFn let = {}, PutFn set = {}) {
    add(Member{std::move(name), std::move(get), std::move(let), std::move(set), false});
    return *this;
  }
  // A method; its result is Empty for a Sub.
  DispatchTable& method(std::string name, GetFn fn) {
    add(Member{std::move(name), std::move(fn), {}, {}, true});
    return *this;
  }
  // Makes an already added member the default member (dispatch id 0).
  DispatchTable& default_member(std::string_view name) {
    default_ = find(name);
    return *this;
  }
  // The enumerator member (dispatch id -4); `name` is how scripts may also call it.
  DispatchTable& enumerator(std::string name, GetFn fn) {
    add(Member{std::move(name), std::move(fn), {}, {}, true});
    enum_ = DispId(members_.size());
    return *this;
  }

  DispId find(std::string_view name) const {
    auto it = index_.find(name);
    return it == index_.end() ? kDispUnknown : it->second;
  }

  std::vector<std::string> names() const {
    std::vector<std::string> out;
    out.reserve(members_.size());
    for (const auto& m : members_) out.push_back(m.name);
    return out;
  }

  bool has_enumerator() const noexcept { return enum_ != kDispUnknown; }

  Variant invoke(T& self, DispId id, InvokeKind kind, Args args) const {
    if (id == kDispValue) id = default_;
    if (id == kDispNewEnum) id = enum_;
    if (id < 1 || size_t(id) > members_.size()) raise(err::kNotSupported);
    const Member& m = members_[size_t(id) - 1];
    switch (kind) {
      case InvokeKind::Method:
      case InvokeKind::Get:
        if (!m.get) raise(err::kNotSupported);
        return m.get(self, args);
      case InvokeKind::Let:
      case InvokeKind::Set: {
        const PutFn& put = (kind == InvokeKind::Set && m.set) ? m.set : (m.let ? m.let : m.set);
        if (!put || args.empty()) raise(err::kNotSupported);
        put(self, args.first(args.size() - 1), args.back());
        return Variant();
      }
    }
    raise(err::kNotSupported);
  }

 private:
  void add(Member m) {
    std::string key = ascii_lower(m.name);
    members_.push_back(std::move(m));
    index_.emplace(std::move(key), DispId(members_.size()));
  }

  std::string class_name_;
  std::vector<Member> members_;
  std::unordered_map<std::string, DispId, IHash, IEqual> index_;
  DispId default_ = kDispUnknown;
  DispId enum_ = kDispUnknown;
};

// Base for classes whose members come from a static DispatchTable:
//   class Foo : public AutoDispatch<Foo> { public: static const DispatchTable<Foo>& dispatch_table(); };
template <class T>
class AutoDispatch : public Dispatch {
 public:
  std::string type_name() const override { return T::dispatch_table().class_name(); }
  DispId find_member(std::string_view name) const override { return T::dispatch_table().find(name); }
  Variant invoke(DispId id, InvokeKind kind, Args args) override {
    return T::dispatch_table().invoke(static_cast<T&>(*this), id, kind, args);
  }
  std::vector<std::string> member_names() const override { return T::dispatch_table().names(); }
  bool member_ids_are_static() const noexcept override { return true; }
};

}  // namespace tolvex::vb
