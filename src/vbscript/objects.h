// The objects the engine itself hands to scripts and hosts: instances of script
// classes, procedure references (GetRef) and the Err object.
#pragma once

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "vb/dispatch.h"
#include "vbscript/ast.h"
#include "vbscript/runtime/env.h"

namespace tolvex::vbscript {

class Interp;

// An instance of a script Class. Hosts reach its public members by name; the
// default member answers dispatch id 0. Class_Terminate runs when the last
// reference goes.
class ScriptObject final : public vb::Dispatch {
 public:
  ScriptObject(std::shared_ptr<Interp> interp, ClassPtr cls);
  ~ScriptObject() override;

  std::string type_name() const override { return cls_->name; }
  vb::DispId find_member(std::string_view name) const override;
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override;
  std::vector<std::string> member_names() const override;

  const ClassDef& cls() const { return *cls_; }
  const ClassDef* cls_ptr() const { return cls_.get(); }
  std::vector<vb::Variant>& fields() { return fields_; }
  Interp& interp() { return *interp_; }
  void skip_terminate() { terminated_ = true; }

  // Runs `body` (script code the host reaches through an object) in a run of `in`. When
  // the host calls from outside any run, a time-out or a cancel reaches it as the VBError
  // kErrTimeout or kErrCancelled; inside a run it stays the exception that no script
  // handler catches.
  template <class F>
  static vb::Variant host_call(Interp& in, F&& body);

  // After `in` has shut down: empties the fields of its script objects that are still
  // alive, so that objects holding each other in a cycle (unreachable, and holding the
  // interpreter) are freed. Their Class_Terminate does not run. Does nothing while code
  // of `in` is still running.
  static void free_cycles(Interp& in) noexcept;

 protected:
  void final_release() noexcept override;

 private:
  vb::Variant invoke_member(vb::DispId id, vb::InvokeKind kind, vb::Args args);
  // Runs Class_Terminate once, then deletes the object unless Terminate kept it.
  void finish() noexcept;

  std::shared_ptr<Interp> interp_;
  ClassPtr cls_;
  std::vector<vb::Variant> fields_;
  bool terminated_ = false;
  friend struct LiveLink<ScriptObject>;
  LiveLink<ScriptObject> live_;  // in the engine's list of live objects
};

// The object GetRef returns: calling it (its default member) calls the procedure.
class ProcRef final : public vb::Dispatch {
 public:
  ProcRef(std::shared_ptr<Interp> interp, ProcPtr proc) : interp_(std::move(interp)), proc_(std::move(proc)) {}

  std::string type_name() const override { return "Object"; }
  vb::DispId find_member(std::string_view) const override { return vb::kDispUnknown; }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override;

 private:
  std::shared_ptr<Interp> interp_;
  ProcPtr proc_;
};

// Err: the last run-time error seen under On Error Resume Next.
class ErrObject final : public vb::Dispatch {
 public:
  std::string type_name() const override { return "ErrObject"; }
  vb::DispId find_member(std::string_view name) const override;
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override;
  std::vector<std::string> member_names() const override;

  void clear();
  void set(int32_t number, std::string description, std::string source);
  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }

 private:
  int32_t number_ = 0;
  std::string description_;
  std::string source_;
  std::string help_file_;
  int32_t help_context_ = 0;
};

// The instance behind a Dispatch pointer when it is a script object. ScriptObject
// is final, so comparing the dynamic type suffices (should type information ever
// be duplicated, a script object is simply reached the generic way).
inline ScriptObject* as_script_object(vb::Dispatch* d) {
  return &typeid(*d) == &typeid(ScriptObject) ? static_cast<ScriptObject*>(d) : nullptr;
}

}  // namespace tolvex::vbscript
