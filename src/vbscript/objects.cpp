#include "vbscript/objects.h"

#include "vb/convert.h"
#include "vbscript/engine.h"
#include "vbscript/interp.h"

namespace tolvex::vbscript {

using vb::Variant;
using vb::InvokeKind;

// ---------------------------------------------------------------- ScriptObject

ScriptObject::ScriptObject(std::shared_ptr<Interp> interp, ClassPtr cls)
    : interp_(std::move(interp)), cls_(std::move(cls)), fields_(cls_->fields.size()) {
  live_.join(this, interp_->live_objects);
}

ScriptObject::~ScriptObject() { live_.leave(interp_->live_objects); }

void ScriptObject::free_cycles(Interp& in) noexcept {
  if (in.api_depth_ > 0 || in.alive()) return;
  try {
    std::vector<vb::Ref<ScriptObject>> held;
    for (ScriptObject* o = in.live_objects; o; o = o->live_.next) held.emplace_back(o);
    // Emptying fields releases other objects (which leave the list): the values are moved
    // out first and destroyed after the walk.
    std::vector<Variant> values;
    for (auto& o : held) {
      for (Variant& v : o->fields_) values.push_back(std::move(v));
      o->fields_.assign(o->fields_.size(), Variant());
    }
  } catch (const std::bad_alloc&) {
    // No memory to walk the objects: they stay, as they would without this pass.
  }
}

vb::DispId ScriptObject::find_member(std::string_view name) const {
  int idx = cls_->find(name);
  if (idx < 0 || !cls_->members[size_t(idx)].is_public) return vb::kDispUnknown;
  return vb::DispId(idx + 1);
}

std::vector<std::string> ScriptObject::member_names() const {
  std::vector<std::string> out;
  for (const auto& m : cls_->members)
    if (m.is_public) out.push_back(m.name);
  return out;
}

template <class F>
Variant ScriptObject::host_call(Interp& in, F&& body) {
  const bool from_host = in.api_depth_ == 0;
  Interp::RunScope scope(in);
  try {
    return body();
  } catch (const ScriptTimeout& stop) {
    if (!from_host) throw;
    throw stop_error(stop.cancelled, kRuntimeErrorSource);
  }
}

Variant ScriptObject::invoke(vb::DispId id, InvokeKind kind, vb::Args args) {
  vb::Ref<vb::Dispatch> keep(this);
  return host_call(*interp_, [&] { return invoke_member(id, kind, args); });
}

Variant ScriptObject::invoke_member(vb::DispId id, InvokeKind kind, vb::Args args) {
  if (id == vb::kDispValue) {
    if (cls_->default_member < 0) vb::raise(vb::err::kNotSupported);
    id = cls_->default_member + 1;
  }
  if (id < 1 || size_t(id) > cls_->members.size()) vb::raise(vb::err::kNotSupported);
  const ClassMember& m = cls_->members[size_t(id) - 1];
  Interp& in = *interp_;
  const bool put = kind == InvokeKind::Let || kind == InvokeKind::Set;
  switch (m.kind) {
    case ClassMember::Kind::Field: {
      Variant& fv = fields_[size_t(m.field)];
      if (put) {
        if (args.empty()) vb::raise(vb::err::kWrongArgCount);
        Variant value = args.back();
        if (kind == InvokeKind::Let && value.is_object()) value = default_of(value);
        if (args.size() == 1) {
          fv = std::move(value);
          return Variant();
        }
        if (fv.is_object() && fv.raw_object()) return fv.raw_object()->invoke(vb::kDispValue, kind, args);
        // A field that holds no array or object takes no index (438, as in the Windows engine).
        if (!fv.is_array()) vb::raise(vb::err::kNotSupported);
        std::vector<int32_t> idx;
        for (size_t i = 0; i + 1 < args.size(); ++i) idx.push_back(vb::to_long(args[i]));
        fv.raw_array_mut().at(idx) = std::move(value);
        return Variant();
      }
      if (args.empty()) return fv;
      if (fv.is_array()) {
        std::vector<int32_t> idx;
        for (const Variant& a : args) idx.push_back(vb::to_long(a));
        return fv.raw_array().at(idx);
      }
      if (fv.is_object() && fv.raw_object()) return fv.raw_object()->invoke(vb::kDispValue, kind, args);
      vb::raise(vb::err::kNotSupported);
    }
    case ClassMember::Kind::Method: {
      if (put) vb::raise(vb::err::kNotSupported);
      std::vector<ArgRef> refs(args.size());
      for (size_t i = 0; i < args.size(); ++i) refs[i] = ArgRef{&args[i], false};
      ProcPtr p = m.method;
      return in.invoke_proc(*p, this, refs.data(), refs.size());
    }
    case ClassMember::Kind::Property: {
      if (put) {
        if (args.empty()) vb::raise(vb::err::kWrongArgCount);
        std::vector<ArgRef> refs(args.size() - 1);
        for (size_t i = 0; i + 1 < args.size(); ++i) refs[i] = ArgRef{&args[i], false};
        Variant value = args.back();
        // A Property Let receives an object as it is.
        if (kind == InvokeKind::Let && value.is_object() && !m.let && m.set) kind = InvokeKind::Set;
        in.property_put(this, int(id) - 1, refs.data(), refs.size(), std::move(value),
                        kind == InvokeKind::Set);
        return Variant();
      }
      if (!m.get) vb::raise(vb::err::kNotSupported);
      std::vector<ArgRef> refs(args.size());
      for (size_t i = 0; i < args.size(); ++i) refs[i] = ArgRef{&args[i], false};
      ProcPtr p = m.get;
      return in.invoke_proc(*p, this, refs.data(), refs.size());
    }
  }
  vb::raise(vb::err::kNotSupported);
}

namespace {
// Releasing the head of a long chain of objects (a linked list) would release each
// next one from inside the previous one's destruction; past the first, the objects
// wait in a list that the outermost release works through, so the stack stays flat.
thread_local int release_depth = 0;
thread_local std::vector<ScriptObject*> pending_release;
}  // namespace

void ScriptObject::final_release() noexcept {
  if (release_depth > 0) {
    try {
      pending_release.push_back(this);
      return;
    } catch (...) {
      // No memory for the list: release in place.
    }
  }
  ++release_depth;
  finish();
  while (!pending_release.empty()) {
    ScriptObject* next = pending_release.back();
    pending_release.pop_back();
    next->finish();
  }
  --release_depth;
}

void ScriptObject::finish() noexcept {
  if (!terminated_ && cls_->terminate && interp_->alive()) {
    terminated_ = true;
    add_ref();
    try {
      Interp::RunScope scope(*interp_);
      ProcPtr p = cls_->terminate;
      interp_->invoke_proc(*p, this, nullptr, 0);
    } catch (const ScriptTimeout&) {
      // The run is past its time-out or cancelled: the next check of the code that goes on stops it.
      interp_->expire_budget();
    } catch (...) {
      // Errors in Class_Terminate do not reach whoever dropped the last reference.
    }
    release();  // deletes the object unless Class_Terminate kept a reference to it
    return;
  }
  delete this;
}

// ---------------------------------------------------------------- ProcRef

Variant ProcRef::invoke(vb::DispId id, InvokeKind kind, vb::Args args) {
  if (id != vb::kDispValue || kind == InvokeKind::Let || kind == InvokeKind::Set) vb::raise(vb::err::kNotSupported);
  return ScriptObject::host_call(*interp_, [&] {
    std::vector<ArgRef> refs(args.size());
    for (size_t i = 0; i < args.size(); ++i) refs[i] = ArgRef{&args[i], false};
    ProcPtr p = proc_;
    return interp_->invoke_proc(*p, nullptr, refs.data(), refs.size());
  });
}

// ---------------------------------------------------------------- ErrObject

namespace {
enum ErrMember : vb::DispId {
  kNumber = 1, kDescription, kSource, kHelpFile, kHelpContext, kClear, kRaise,
};
const NameMap<vb::DispId>& err_members() {
  static const NameMap<vb::DispId> m = {
      {"Number", kNumber},     {"Description", kDescription}, {"Source", kSource}, {"HelpFile", kHelpFile},
      {"HelpContext", kHelpContext}, {"Clear", kClear},       {"Raise", kRaise},
  };
  return m;
}
}  // namespace

vb::DispId ErrObject::find_member(std::string_view name) const {
  auto it = err_members().find(name);
  return it == err_members().end() ? vb::kDispUnknown : it->second;
}

std::vector<std::string> ErrObject::member_names() const {
  return {"Number", "Description", "Source", "HelpFile", "HelpContext", "Clear", "Raise"};
}

void ErrObject::clear() {
  number_ = 0;
  description_.clear();
  source_.clear();
  help_file_.clear();
  help_context_ = 0;
}

void ErrObject::set(int32_t number, std::string description, std::string source) {
  number_ = number;
  description_ = std::move(description);
  source_ = std::move(source);
}

Variant ErrObject::invoke(vb::DispId id, InvokeKind kind, vb::Args args) {
  if (id == vb::kDispValue) id = kNumber;
  const bool put = kind == InvokeKind::Let || kind == InvokeKind::Set;
  auto value = [&]() -> Variant {
    if (args.size() != 1) vb::raise(vb::err::kWrongArgCount);
    return default_of(args[0]);
  };
  switch (id) {
    case kNumber:
      if (put) {
        number_ = vb::to_long(value());
        return Variant();
      }
      if (!args.empty()) vb::raise(vb::err::kWrongArgCount);
      return Variant(int32_t(number_));
    case kDescription:
      if (put) {
        description_ = vb::to_string(value());
        return Variant();
      }
      return Variant(description_);
    case kSource:
      if (put) {
        source_ = vb::to_string(value());
        return Variant();
      }
      return Variant(source_);
    case kHelpFile:
      if (put) {
        help_file_ = vb::to_string(value());
        return Variant();
      }
      return Variant(help_file_);
    case kHelpContext:
      if (put) {
        help_context_ = vb::to_long(value());
        return Variant();
      }
      return Variant(int32_t(help_context_));
    case kClear:
      if (put) vb::raise(vb::err::kNotSupported);
      clear();
      return Variant();
    case kRaise: {
      if (put) vb::raise(vb::err::kNotSupported);
      if (args.empty() || args.size() > 5) vb::raise(vb::err::kWrongArgCount);
      int32_t number = vb::to_long(default_of(args[0]));  // past 32 bits: 6
      // 0, and a positive number past 16 bits (no HRESULT, whose top bit is set), are 5.
      if (number == 0 || number > 0xFFFF) vb::raise(vb::err::kInvalidProcedureCall);
      // What the call leaves out comes from the values not cleared since the last error;
      // only where those are empty do the defaults stand.
      std::string source = vb::has_arg(args, 1) ? vb::to_string(default_of(args[1]))
                           : source_.empty()    ? std::string(kRuntimeErrorSource)
                                                : source_;
      std::string desc = vb::has_arg(args, 2) ? vb::to_string(default_of(args[2]))
                         : description_.empty() ? vb::error_description(number)
                                                : description_;
      if (vb::has_arg(args, 3)) help_file_ = vb::to_string(default_of(args[3]));
      if (vb::has_arg(args, 4)) help_context_ = vb::to_long(default_of(args[4]));
      set(number, desc, source);
      throw vb::VBError(number, std::move(desc), std::move(source));
    }
    default:
      vb::raise(vb::err::kNotSupported);
  }
}

}  // namespace tolvex::vbscript
