// The part every model object with a settings catalogue shares: its store, typed
// access by catalogue index, GetV/SetV, and loading the per-user defaults.
#pragma once

#include <string>
#include <string_view>

#include "fields/setting_catalogue.h"
#include "foundation/properties.h"
#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/error.h"

namespace tolvex {

// Text access and registry defaults, independent of the catalogue.
class SettingsStore {
 public:
  explicit SettingsStore(SettingCatalogue catalogue);

  const vb::Ref<AGProperties>& Properties() const noexcept { return props_; }

  // Every setting marked RegSave takes the converted value of the registry value of
  // its name under the current user's `key`; a missing value gives the empty value
  // of the type. With `as_text` the value read is converted from its text instead
  // (the project's way): a missing value then leaves a Boolean or number Empty.
  void load_registry_defaults(const std::string& key, bool as_text = false);

  // Empties the store (the elements kept from a file too) and declares the catalogue
  // again, all values empty.
  void redeclare(SettingCatalogue catalogue);

 protected:
  // Text access, offered by the owners that have it (`using SettingsStore::GetV;`).
  // The value as text ("" for Empty and Null, "True"/"False", decimal numbers).
  // A name the store lacks is declared as a saved, synchronized text setting with
  // the value "". An empty name raises error 91 (there is no setting to read);
  // a name that differs from a present one only in letter case raises 457.
  std::string GetV(std::string_view name);
  // Converts the text by the setting's data type; a name the store lacks is
  // declared as in GetV and takes the text unchanged. The result is Empty.
  vb::Variant SetV(std::string_view name, std::string_view value);

  // The slot of setting `index` of the catalogue; raises error 91 when the store
  // no longer holds it (the host deleted it through Properties).
  size_t slot_of(SettingCatalogue catalogue, size_t index) const;

  vb::Ref<AGProperties> props_;
  // The layout the catalogue was declared with; while the store still uses it, catalogue
  // index and slot coincide and no name lookup is needed.
  vb::Ref<SettingsLayout> declared_layout_;
};

// Typed access for an owner whose catalogue is `Catalogue` with index enum `Enum`.
// The typed accessors made by TOLVEX_SETTING_ACCESSORS call read_setting and
// write_setting with the setting's enumerator.
template <class Enum, const SettingCatalogue& Catalogue>
class SettingsOwner : public SettingsStore {
 public:
  using SettingIndex = Enum;

  SettingsOwner() : SettingsStore(Catalogue) {}

  // The stored value of a setting, unconverted.
  const vb::Variant& setting_value(Enum e) const { return props_->value_at(slot_of(Catalogue, setting_index(e))); }
  void set_setting_value(Enum e, vb::Variant v) { props_->set_value_at(slot_of(Catalogue, setting_index(e)), std::move(v)); }

  void redeclare() { SettingsStore::redeclare(Catalogue); }

  // The catalogue's name of a setting.
  static std::string_view setting_name(Enum e) noexcept { return Catalogue[setting_index(e)].name; }

 protected:
  template <class T>
  typename T::value_type read_setting(Enum e) const {
    return T::from_variant(setting_value(e));
  }
  template <class T>
  void write_setting(Enum e, typename T::arg_type v) {
    set_setting_value(e, T::store(v));
  }
};

// The dispatch member that every owner's table starts with: Properties.
template <class Self>
void add_store_members(vb::DispatchTable<Self>& t) {
  t.property("Properties", [](Self& s, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    return vb::Variant(s.Properties());
  });
}

// Properties, GetV and SetV, for the owners with text access (project, database,
// table, field).
template <class Self>
void add_text_store_members(vb::DispatchTable<Self>& t) {
  using vb::Args;
  using vb::Variant;
  add_store_members(t);
  t.method("GetV", [](Self& s, Args a) {
    vb::check_arg_count(a, 1, 1);
    return Variant(s.GetV(vb::to_string(a[0])));
  });
  t.method("SetV", [](Self& s, Args a) {
    vb::check_arg_count(a, 2, 2);
    return s.SetV(vb::to_string(a[0]), vb::to_string(a[1]));
  });
}

// `Key`: the second name of an owner's name setting.
template <class Self>
void add_key_member(vb::DispatchTable<Self>& t) {
  t.property(
      "Key", [](Self& s, vb::Args) { return vb::Variant(s.Key()); },
      [](Self& s, vb::Args, const vb::Variant& v) { s.Key(vb::to_string(v)); });
}

}  // namespace tolvex
