// The language-level functions that need the interpreter: Eval, Execute, ExecuteGlobal,
// GetRef, Err, CreateObject and the engine version functions.
#include "vb/convert.h"
#include "vbscript/interp_detail.h"
#include "vbscript/objects.h"
#include "vbscript/parser.h"
#include "vbscript/runtime/operators.h"

namespace tolvex::vbscript {

using vb::InvokeKind;
using namespace detail;

// ---------------------------------------------------------------- intrinsics

Variant Interp::run_text(Frame& f, std::string_view text, int mode) {
  // mode 0: Eval, 1: Execute (the caller's scope), 2: ExecuteGlobal.
  before_script_code();
  // The text's chunk goes away on return: point the current statement back at the caller's.
  KeepPosition keep_position(*this);
  auto chunk = std::make_shared<Chunk>();
  chunk->text = std::string(text);
  chunk->index_lines();
  ParseScope scope;
  if (mode != 2) {
    scope.proc = f.proc && f.proc->nslots > 0 ? f.proc : nullptr;
    scope.cls = f.me ? f.me->cls_ptr() : nullptr;
  }
  // Eval and Execute text run in the caller's activation: its slots, and in a procedure
  // the names it makes at run time.
  Frame ef;
  ef.module = f.module ? f.module : global_module();
  if (mode != 2) {
    ef.proc = f.proc;
    ef.me = f.me;
    ef.slots = f.slots;
    ef.live = f.live;
    ef.local_scope = f.local_scope;
    if (f.local_scope) ef.added = &added_names(f);
  }
  SyntaxError se;
  // A missing expression in the text is a plain "Syntax error" there, as in the Windows
  // engine; in a script it stays "Expected expression".
  auto compile_error = [&] {
    const int32_t number = se.number == 1023 ? 1002 : se.number;
    return VBError(number, vb::error_description(number), kCompileErrorSource);
  };
  if (mode == 0) {
    ExprPtr e;
    if (!parse_expression(chunk, e, se, &scope)) throw compile_error();
    ef.chunk = &chunk;
    ef.option_explicit = f.option_explicit;
    return eval(ef, *e);
  }
  auto prog = std::make_shared<Program>();
  if (!parse_program(chunk, *prog, se, mode == 1 ? &scope : nullptr)) throw compile_error();
  define(ef.module, *prog, ef.added);
  ef.chunk = &prog->chunk;
  ef.option_explicit = chunk->option_explicit || f.option_explicit;
  if (mode == 2) ef.proc = prog->toplevel.get();
  exec_block(ef, prog->toplevel->body);
  return Variant();
}

Variant Interp::call_intrinsic(Frame& f, int which, const std::vector<Arg>* args) {
  static const std::vector<Arg> none;
  const std::vector<Arg>& a = args ? *args : none;
  auto need = [&](size_t lo, size_t hi) {
    if (a.size() < lo || a.size() > hi) vb::raise(vb::err::kWrongArgCount);
  };
  auto arg = [&](size_t i) -> Variant {
    if (i >= a.size() || !a[i].expr) return Variant::missing();
    return eval(f, *a[i].expr);
  };
  // The text of Eval, Execute, ExecuteGlobal and GetRef: anything but a String (an
  // object's default value counts) is a type mismatch, as in the Windows engine.
  auto text_of = [&](size_t i) {
    Variant v = default_of(arg(i));
    if (!v.is_string()) vb::raise(vb::err::kTypeMismatch);
    return v.take_string();
  };
  switch (which) {
    case kErr:
      if (!a.empty()) vb::raise(vb::err::kWrongArgCount);
      return Variant(vb::Ref<vb::Dispatch>(err_));
    case kEval:
    case kExecute:
    case kExecuteGlobal: {
      need(1, 1);
      std::string text = text_of(0);
      return run_text(f, text, which == kEval ? 0 : which == kExecute ? 1 : 2);
    }
    case kGetRef: {
      need(1, 1);
      std::string name = text_of(0);
      const GlobalRef* local = f.added ? added_ref(*f.added, name) : nullptr;
      GlobalRef g = local ? *local : resolve_global(f.module, name);
      if (g.kind != GlobalKind::Proc || !g.sym->proc) vb::raise(vb::err::kInvalidProcedureCall);
      return Variant(vb::Ref<vb::Dispatch>(vb::make_ref<ProcRef>(shared_from_this(), g.sym->proc)));
    }
    case kCreateObject: {
      need(1, 2);
      std::string progid = vb::to_string(default_of(arg(0)));
      vb::Ref<vb::Dispatch> obj = create_object(progid, env);
      if (!obj) raise_named(vb::err::kCantCreateObject, progid);
      return Variant(std::move(obj));
    }
    case kGetObject:
      need(0, 2);
      vb::raise(vb::err::kCantCreateObject);
    case kIsObject: {
      need(1, 1);
      return Variant(arg(0).is_object());
    }
    case kTypeName: {
      need(1, 1);
      return Variant(vb::type_name(arg(0)));
    }
    case kVarType: {
      need(1, 1);
      Variant v = arg(0);
      return Variant(int16_t(v.vartype()));
    }
    case kScriptEngine:
      need(0, 0);
      return Variant("VBScript");
    case kScriptEngineMajor:
      need(0, 0);
      return Variant(int32_t(5));
    case kScriptEngineMinor:
      need(0, 0);
      return Variant(int32_t(8));
    case kScriptEngineBuild:
      need(0, 0);
      return Variant(int32_t(16384));
    default:
      break;
  }
  vb::raise(vb::err::kTypeMismatch);
}

}  // namespace tolvex::vbscript
