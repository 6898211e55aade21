#include "foundation/context.h"

namespace tolvex {

ModuleContext::ModuleContext() = default;
ModuleContext::~ModuleContext() = default;

namespace {

ModuleContext*& current_slot() {
  thread_local ModuleContext* current = nullptr;
  return current;
}

ModuleContext& thread_default() {
  thread_local ModuleContext ctx;
  return ctx;
}

}  // namespace

ModuleContext& context() {
  ModuleContext* c = current_slot();
  return c ? *c : thread_default();
}

AGPStatus& status_window() {
  ModuleContext& ctx = context();
  if (!ctx.StatusWindow) ctx.StatusWindow = vb::make_ref<AGPStatus>(ctx.progress);
  return *ctx.StatusWindow;
}

platform::HostUI& host_ui() {
  ModuleContext& ctx = context();
  if (!ctx.HostUi) ctx.HostUi = std::make_shared<platform::NonInteractiveUI>();
  return *ctx.HostUi;
}

ContextScope::ContextScope() : ContextScope(std::make_unique<ModuleContext>()) {}

ContextScope::ContextScope(std::unique_ptr<ModuleContext> ctx)
    : own_(ctx ? std::move(ctx) : std::make_unique<ModuleContext>()), previous_(current_slot()) {
  current_slot() = own_.get();
}

ContextScope::~ContextScope() { current_slot() = previous_; }

}  // namespace tolvex
