// The typed settings store of every model object: an ordered set of named
// entries, each with a data type name, a value and the flags that say where the
// setting goes (registry default, project file, copies and synchronization).
//
// Memory: the declared part of an entry (name, type, flags) lives in a layout that
// the stores of one class share; a store holds only a pointer to it and one value
// per entry. A store takes its own copy of the layout only when one of its entries
// is renamed, retyped or re-flagged, or an entry is deleted. Entry objects
// (AGProperty) are made on demand as views onto the store; a view of an entry
// that leaves the store (or whose store goes away) keeps its own copy.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/kept_element.h"
#include "foundation/setting_decl.h"
#include "foundation/super_collection.h"
#include "vb/dispatch.h"

namespace tolvex {

// The declared part of one entry.
struct PropertyDesc {
  std::string name;
  std::string data_type = "String";
  bool reg_save = false;
  int32_t reg_format = 0;  // 1 text, 4 double word, 0 none
  bool file_save = true;
  bool sync = true;

  bool operator==(const PropertyDesc&) const = default;
};

// Entry descriptions shared by stores. It grows only by appending: a store sees its
// first n entries, so stores that declare the same settings in the same order share
// one layout even when some of them have more entries than others.
class SettingsLayout : public vb::Object {
 public:
  SettingsLayout() = default;

  // The layout of a static catalogue, built once per table and kept for the
  // process (like the rest of the engine, used from one thread). A catalogue naming one setting twice keeps the first; two names that
  // differ only in letter case raise error 457.
  static vb::Ref<SettingsLayout> for_catalogue(SettingCatalogue catalogue, size_t* declared = nullptr);

  size_t size() const noexcept { return descs_.size(); }
  const PropertyDesc& operator[](size_t i) const noexcept { return descs_[i]; }
  // The entry whose name equals `name` without regard to letter case.
  std::optional<size_t> find_folded(std::string_view name) const;

  ~SettingsLayout() override { unlink(); }

 private:
  friend class AGProperties;
  friend class AGProperty;
  void push(PropertyDesc d);
  void rebuild_index();
  // The layout that has this one's first n entries followed by d: a branch made
  // earlier, or a new one (remembered as a branch while it lives).
  vb::Ref<SettingsLayout> branch(size_t n, const PropertyDesc& d);
  // Forgets where this layout branched from (before it changes other than by appending).
  void unlink() noexcept;

  std::deque<PropertyDesc> descs_;  // stable addresses: the indexes view the names
  std::unordered_map<std::string_view, uint32_t, KeyHash, KeyEqual> index_{
      0, KeyHash{KeyCompare::Text}, KeyEqual{KeyCompare::Text}};
  // Branches: layouts that share our first branch_at_ entries and differ at that
  // slot, by the name they hold there. Each branch keeps its parent alive.
  std::unordered_multimap<std::string_view, SettingsLayout*, KeyHash, KeyEqual> branches_;
  vb::Ref<SettingsLayout> parent_;
  size_t branch_at_ = 0;
};

class AGProperties;

// One setting. Made by the host it stands alone; handed out by a store it is a
// view of that store's entry, and reads and writes go to the store.
class AGProperty : public vb::AutoDispatch<AGProperty> {
 public:
  AGProperty();
  ~AGProperty() override;

  const std::string& Key() const noexcept { return Name(); }
  void setKey(std::string_view key) { setName(key); }
  const std::string& Name() const noexcept { return desc().name; }
  // Renaming an entry of a store to a name that another entry has (exactly or but
  // for letter case) raises error 457 and changes nothing.
  void setName(std::string_view name);
  const std::string& DataType() const noexcept { return desc().data_type; }
  void setDataType(std::string_view type);
  const vb::Variant& Value() const noexcept;
  void setValue(vb::Variant value);
  bool RegSave() const noexcept { return desc().reg_save; }
  void setRegSave(bool v);
  int32_t RegFormat() const noexcept { return desc().reg_format; }
  void setRegFormat(int32_t v);
  bool FileSave() const noexcept { return desc().file_save; }
  void setFileSave(bool v);
  bool Sync() const noexcept { return desc().sync; }
  void setSync(bool v);

  // The store this entry belongs to, nullptr once removed (or made by the host).
  const AGProperties* store() const noexcept { return store_; }

  static const vb::DispatchTable<AGProperty>& dispatch_table();

 private:
  friend class AGProperties;
  friend class PropertyEnumerator;
  struct Own {
    PropertyDesc desc;
    vb::Variant value;
  };

  AGProperty(AGProperties* store, size_t index) noexcept : store_(store), index_(index) {}
  const PropertyDesc& desc() const noexcept;
  PropertyDesc& desc_for_write();
  // Leaves the store, keeping a copy of the entry with the given value.
  void detach(vb::Variant value);

  AGProperties* store_ = nullptr;
  size_t index_ = 0;
  std::unique_ptr<Own> own_;  // when not attached to a store
};

// A count of the changes made to any settings store: a value written, an entry added,
// deleted or renamed, a catalogue declared. What is computed from stored settings can be
// kept for as long as the count stays where it was when the result was computed.
inline std::atomic<uint64_t> g_settings_changes{0};
inline uint64_t settings_change_count() noexcept { return g_settings_changes.load(std::memory_order_relaxed); }
inline void note_settings_change() noexcept { g_settings_changes.fetch_add(1, std::memory_order_relaxed); }

// What a store tells about one of its entries, the one named watched_setting(): every change
// of its value, whichever way it was written (typed access, an AGProperty view, text access),
// and its leaving or rejoining the store (deleted, renamed, added again). A collection that
// keeps its items under a name setting learns this way of every rename.
class SettingWatch {
 public:
  virtual std::string_view watched_setting() const = 0;
  // After the change; `old_value` is what the entry held before (Empty when it had gone).
  virtual void watched_setting_changed(AGProperties& store, const vb::Variant& old_value) = 0;

 protected:
  ~SettingWatch() = default;
};

class AGProperties : public vb::AutoDispatch<AGProperties> {
 public:
  AGProperties();
  // A store that declares a catalogue (see Declare).
  explicit AGProperties(SettingCatalogue catalogue);
  ~AGProperties() override;

  // --- members of the object model ---
  // False for "" or a name already present exactly; error 457 for a name that
  // differs from a present one only in letter case.
  bool Add(std::string_view name, std::string_view data_type = "String", bool reg_save = false,
           int32_t reg_format = 0, bool file_save = true, bool sync = true);
  int32_t Count() const noexcept { return int32_t(values_.size()); }
  // Names are matched exactly; an index that is not a text (a position) matches nothing.
  bool Delete(const vb::Variant& index);
  bool PropertyExist(const vb::Variant& index) const;
  // A null Ref (Nothing) when the name is missing.
  vb::Ref<AGProperty> Item(const vb::Variant& index);
  vb::Ref<vb::Enumerator> NewEnum_prp();

  bool Delete(std::string_view name);
  bool PropertyExist(std::string_view name) const { return index_of(name).has_value(); }
  vb::Ref<AGProperty> Item(std::string_view name);
  // Texts select by name, not through the Variant forms.
  bool Delete(const char* name) { return Delete(std::string_view(name)); }
  bool Delete(const std::string& name) { return Delete(std::string_view(name)); }
  bool PropertyExist(const char* name) const { return PropertyExist(std::string_view(name)); }
  bool PropertyExist(const std::string& name) const { return PropertyExist(std::string_view(name)); }
  vb::Ref<AGProperty> Item(const char* name) { return Item(std::string_view(name)); }
  vb::Ref<AGProperty> Item(const std::string& name) { return Item(std::string_view(name)); }
  // As Item, but a missing name raises error 91 (what reading Nothing's Value does).
  vb::Ref<AGProperty> ItemOrRaise(std::string_view name);

  // --- typed access for the owners ---
  // Declares a whole catalogue: on an empty store it shares the catalogue's layout,
  // otherwise it adds each row in turn as Add does.
  void Declare(SettingCatalogue catalogue);

  size_t size() const noexcept { return values_.size(); }
  // The slot of an entry by its exact name.
  std::optional<size_t> index_of(std::string_view name) const;
  // As index_of, trying the slot `hint` first (the declared slot of a setting).
  std::optional<size_t> index_of(std::string_view name, size_t hint) const;
  const PropertyDesc& desc_at(size_t i) const noexcept { return (*layout_)[i]; }
  const std::string& name_at(size_t i) const noexcept { return (*layout_)[i].name; }
  const vb::Variant& value_at(size_t i) const noexcept { return values_[i]; }
  void set_value_at(size_t i, vb::Variant value);
  // The value of an entry by exact name; nullptr when the store lacks it.
  const vb::Variant* find_value(std::string_view name) const;
  // True when this store shares its layout with others (for tests and figures).
  bool shares_layout() const noexcept { return layout_->ref_count() > 1; }
  // The layout of the declared part (shared between stores that declare alike).
  const vb::Ref<SettingsLayout>& layout() const noexcept { return layout_; }

  // Tells `watch` (nullptr: no one) of the changes of its entry from now on.
  void set_watch(SettingWatch* watch);
  SettingWatch* watch() const noexcept { return watch_; }

  // Sets every RegSave entry to its per-user default: the value of the same name under
  // `key` of the current user, converted by the entry's DataType (first to text when
  // `as_text`). Stores of one layout reuse the answers while the registry is unchanged.
  void LoadUserDefaults(const std::string& key, bool as_text = false);

  // The elements of the owner's element in the file that were kept as they stood, in file
  // order; null when there are none (as for every object made other than by reading such
  // a file). Setting an empty list drops them.
  const std::vector<KeptElement>* kept_elements() const noexcept { return kept_.get(); }
  void set_kept_elements(std::vector<KeptElement> elements);

  static const vb::DispatchTable<AGProperties>& dispatch_table();

 private:
  friend class AGProperty;
  friend class PropertyEnumerator;

  // The layout for changing entries other than by appending: our own copy.
  SettingsLayout& own_layout();
  void append(PropertyDesc d);
  void erase_at(size_t i);
  void rename_at(size_t i, std::string_view name);
  vb::Ref<AGProperty> view_at(size_t i);
  void view_released() noexcept;
  // Finds the watched entry again after the entries changed; tells the watch when it was
  // not there before and is now.
  void rewatch();
  void tell_watch(const vb::Variant& old_value) {
    if (watch_) watch_->watched_setting_changed(*this, old_value);
  }

  vb::Ref<SettingsLayout> layout_;
  std::vector<vb::Variant> values_;
  std::vector<AGProperty*> views_;  // live views by slot; empty while there are none
  size_t live_views_ = 0;
  static constexpr uint32_t kNotWatched = UINT32_MAX;
  SettingWatch* watch_ = nullptr;
  uint32_t watched_ = kNotWatched;  // slot of the watched entry, kNotWatched while it is missing
  std::unique_ptr<std::vector<KeptElement>> kept_;  // only for the rare store that has any
};

}  // namespace tolvex
