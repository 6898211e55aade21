#include "fields/extension_sync.h"

namespace tolvex {
namespace {

std::shared_ptr<ExtensionSync>& registered() {
  static std::shared_ptr<ExtensionSync> sync;
  return sync;
}

}  // namespace

void register_extension_sync(std::shared_ptr<ExtensionSync> sync) { registered() = std::move(sync); }

ExtensionSync& extension_sync() {
  static ExtensionSync none;
  auto& s = registered();
  return s ? *s : none;
}

}  // namespace tolvex
