#include "fields/extension_sync.h"

#include "fields/registered_service.h"

namespace tolvex {

void register_extension_sync(std::shared_ptr<ExtensionSync> sync) {
  RegisteredService<ExtensionSync>::set(std::move(sync));
}

ExtensionSync& extension_sync() { return RegisteredService<ExtensionSync>::get(); }

}  // namespace tolvex
