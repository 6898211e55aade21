// An interface that a later layer implements and registers once (the extensions,
// the database import), so that the model can call it without including that
// layer. Until an implementation is registered, the interface's own default
// behaviour answers.
#pragma once

#include <memory>
#include <utility>

namespace tolvex {

template <class Interface>
class RegisteredService {
 public:
  // Installs the implementation; null puts the default back.
  static void set(std::shared_ptr<Interface> service) { slot() = std::move(service); }
  static Interface& get() {
    static Interface fallback;
    auto& s = slot();
    return s ? *s : fallback;
  }

 private:
  static std::shared_ptr<Interface>& slot() {
    static std::shared_ptr<Interface> service;
    return service;
  }
};

}  // namespace tolvex
