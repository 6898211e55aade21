#include "fields/settings_owner.h"

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "vb/convert.h"

namespace tolvex {

SettingsStore::SettingsStore(SettingCatalogue catalogue)
    : props_(vb::make_ref<AGProperties>(catalogue)), declared_layout_(props_->layout()) {}

size_t SettingsStore::slot_of(SettingCatalogue catalogue, size_t index) const {
  // A shared layout never changes in place (a store copies it first), so the same layout
  // with at least as many entries means the catalogue's own positions.
  if (props_->layout() == declared_layout_ && index < props_->size()) return index;
  auto slot = props_->index_of(catalogue[index].name, index);
  if (!slot) vb::raise(vb::err::kObjectVariableNotSet);
  return *slot;
}

namespace {

// Declares `name` as a saved, synchronized text setting; error 91 when the store
// refuses it (an empty name), 457 from the store for a letter-case twin.
size_t declare_text(AGProperties& props, std::string_view name) {
  if (!props.Add(name, "String", false, 0, true, true)) vb::raise(vb::err::kObjectVariableNotSet);
  return props.size() - 1;
}

}  // namespace

std::string SettingsStore::GetV(std::string_view name) {
  if (auto slot = props_->index_of(name)) {
    const vb::Variant& v = props_->value_at(*slot);
    if (v.is_null()) return std::string();
    return vb::to_string(v);
  }
  size_t slot = declare_text(*props_, name);
  props_->set_value_at(slot, vb::Variant(std::string()));
  return std::string();
}

vb::Variant SettingsStore::SetV(std::string_view name, std::string_view value) {
  if (auto slot = props_->index_of(name)) {
    props_->set_value_at(*slot, common::ConvertByType(vb::Variant(value), vb::Variant(props_->desc_at(*slot).data_type)));
    return vb::Variant();
  }
  size_t slot = declare_text(*props_, name);
  props_->set_value_at(slot, vb::Variant(value));
  return vb::Variant();
}

void SettingsStore::load_registry_defaults(const std::string& key, bool as_text) {
  props_->LoadUserDefaults(key, as_text);
}

void SettingsStore::redeclare(SettingCatalogue catalogue) {
  // The same store object (holders of Properties see the change), emptied from the
  // end so that every step shrinks it; should an entry refuse to go, a fresh store
  // takes over, so the owner never ends without its declared settings.
  while (props_->size() > 0) {
    const std::string name = props_->name_at(props_->size() - 1);
    if (!props_->Delete(std::string_view(name))) {
      props_ = vb::make_ref<AGProperties>();
      break;
    }
  }
  props_->set_kept_elements({});
  props_->Declare(catalogue);
}

}  // namespace tolvex
