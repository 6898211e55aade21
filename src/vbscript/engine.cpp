#include "vbscript/engine.h"

#include "vbscript/interp.h"
#include "vbscript/objects.h"
#include "vbscript/parser.h"
#include "vbscript/runtime/builtins.h"

namespace tolvex::vbscript {

using vb::Variant;

namespace {

// Ends the interpreter's code, then frees the objects and Dictionaries that only held
// each other (unless it is still running: a reset from inside a run).
void finish(Interp& in) {
  in.shutdown();
  if (in.running()) return;
  ScriptObject::free_cycles(in);
  free_object_cycles(in.env);
}

}  // namespace

ScriptEngine::ScriptEngine() { start(); }

ScriptEngine::~ScriptEngine() {
  if (interp_) finish(*interp_);
}

void ScriptEngine::start() {
  interp_ = std::make_shared<Interp>();
  interp_->set_timeout_ms(timeout_ms_);
  interp_->set_memory_limit(memory_limit_);
  interp_->set_cancel_flag(cancel_);
  if (ui_) interp_->env.ui = ui_;
}

void ScriptEngine::reset() {
  std::shared_ptr<Interp> old = std::move(interp_);
  start();
  if (old) finish(*old);
  error_ = ScriptError{};
}

void ScriptEngine::set_timeout(long ms) {
  timeout_ms_ = ms;
  interp_->set_timeout_ms(ms);
}

void ScriptEngine::set_memory_limit(int64_t bytes) {
  memory_limit_ = bytes > 0 ? bytes : kDefaultMemoryLimit;
  interp_->set_memory_limit(memory_limit_);
}

void ScriptEngine::set_cancel_flag(const std::atomic<bool>* flag) {
  cancel_ = flag;
  interp_->set_cancel_flag(flag);
}

void ScriptEngine::set_host_ui(HostUi* ui) {
  ui_ = ui;
  interp_->env.ui = ui ? ui : &RuntimeEnv::default_ui();
}

RuntimeEnv& ScriptEngine::env() { return interp_->env; }

int ScriptEngine::current_line(std::string* text) const { return interp_->current_line(text); }

void ScriptEngine::add_object(std::string_view name, vb::Ref<vb::Dispatch> object, bool add_members) {
  interp_->add_object(name, std::move(object), add_members);
}

void ScriptEngine::add_module(std::string_view name) { interp_->add_module(name); }

bool ScriptEngine::has_module(std::string_view name) const { return interp_->find_module(name) != nullptr; }

std::vector<std::string> ScriptEngine::modules() const {
  std::vector<std::string> out;
  for (const auto& m : interp_->modules()) out.push_back(m->name);
  return out;
}

std::vector<ProcedureInfo> ScriptEngine::procedures(std::string_view module) const {
  std::vector<ProcedureInfo> out;
  Module* m = interp_->find_module(module);
  if (!m) return out;
  for (const Symbol* s : m->procedures) {
    if (s->kind != Symbol::Kind::Proc || !s->proc) continue;
    ProcedureInfo info;
    info.name = s->proc->name;
    info.kind = s->proc->kind == ProcKind::Function ? ProcedureKind::Function : ProcedureKind::Sub;
    info.arg_count = int(s->proc->params.size());
    out.push_back(std::move(info));
  }
  return out;
}

void ScriptEngine::fail(ScriptError e) {
  error_ = e;
  throw ScriptException(error_);
}

namespace {

// The error of a failed call, placed where the run recorded it. The record is then
// cleared: a host that handles the failure of a call it made from inside a script must
// not leave that place to a later error of the outer run.
ScriptError take_error(const vb::VBError& ex, Interp& in) {
  ScriptError e;
  e.number = ex.number();
  e.description = ex.description();
  e.source = ex.source().empty() ? std::string(kRuntimeErrorSource) : ex.source();
  ErrorSite& site = in.site();
  if (site.set && site.chunk) {
    site.chunk->position(site.pos, e.line, e.column);
    e.text = site.chunk->line_text(site.pos);
  }
  site = ErrorSite{};
  return e;
}

ScriptError from_syntax(const SyntaxError& se, const Chunk& chunk) {
  ScriptError e;
  e.number = se.number;
  e.description = vb::error_description(se.number);
  e.source = kCompileErrorSource;
  e.syntax = true;
  chunk.position(se.pos, e.line, e.column);
  e.text = chunk.line_text(se.pos);
  return e;
}

}  // namespace

template <class F>
auto ScriptEngine::guarded(F&& body) -> decltype(body()) {
  std::shared_ptr<Interp> keep = interp_;
  Interp::RunScope scope(*keep);
  try {
    auto result = body();
    // A time-out or cancel that a Class_Terminate ran into as the code ended still stops the run.
    keep->tick();
    return result;
  } catch (const ScriptException&) {
    keep->site() = ErrorSite{};  // the error of an inner engine call, placed already
    throw;
  } catch (const vb::VBError& ex) {
    fail(take_error(ex, *keep));
  } catch (const ScriptTimeout& stop) {
    ScriptError e = take_error(stop_error(stop.cancelled, kRuntimeErrorSource), *keep);
    if (e.line == 0) e.line = keep->current_line(&e.text);  // the statement that was running
    fail(e);
  } catch (const std::bad_alloc&) {
    fail(take_error(vb::VBError(vb::err::kOutOfMemory), *keep));
  } catch (const std::exception& ex) {
    // A host object (or the library) failed with a C++ exception of its own: the
    // caller still gets a script error, at the statement that was running.
    ScriptError e = take_error(exception_error(ex), *keep);
    if (e.line == 0) e.line = keep->current_line(&e.text);
    fail(e);
  }
}

void ScriptEngine::add_code(std::string_view code, std::string_view module) {
  Module* m = interp_->find_module(module);
  if (!m) {
    ScriptError e;
    e.number = 35;
    e.description = "Module not found: '" + std::string(module) + "'";
    e.source = kRuntimeErrorSource;
    fail(e);
  }
  auto chunk = std::make_shared<Chunk>();
  chunk->text = std::string(code);
  chunk->index_lines();
  auto prog = std::make_shared<Program>();
  SyntaxError se;
  if (!parse_program(chunk, *prog, se)) fail(from_syntax(se, *chunk));
  error_ = ScriptError{};
  guarded([&] {
    interp_->define(m, *prog);
    interp_->run_toplevel(m, *prog);
    return 0;
  });
}

Variant ScriptEngine::run(std::string_view procedure, vb::Args args, std::string_view module) {
  Module* m = interp_->find_module(module);
  error_ = ScriptError{};
  return guarded([&]() -> Variant {
    if (!m) vb::raise(35, "Module not found: '" + std::string(module) + "'");
    return interp_->run_procedure(m, procedure, args);
  });
}

Variant ScriptEngine::eval(std::string_view expression, std::string_view module) {
  Module* m = interp_->find_module(module);
  auto chunk = std::make_shared<Chunk>();
  chunk->text = std::string(expression);
  chunk->index_lines();
  ExprPtr e;
  SyntaxError se;
  if (!parse_expression(chunk, e, se)) fail(from_syntax(se, *chunk));
  error_ = ScriptError{};
  return guarded([&]() -> Variant {
    if (!m) vb::raise(35);
    return interp_->eval_in_module(m, chunk, *e);
  });
}

void ScriptEngine::execute_statement(std::string_view code, std::string_view module) { add_code(code, module); }

}  // namespace tolvex::vbscript
