// The keyed, numbered collection pattern under tables, fields, charts and trend
// lines: items held under their names (letter case ignored by the container),
// each carrying its 1-based place in a sequence setting that Add and Delete keep
// free of gaps, and a current item that lookups move.
//
// Item types provide collection_name(), collection_name_setting() (the name of the
// setting that holds it), collection_seq() and set_collection_seq().
//
// The container key of an item follows its name setting however that is written (the
// collection's Change, the typed setting, the settings store, text access, Key): the
// collection watches each item's name setting. An item renamed to what another item's key is
// but for letter case holds no key until that changes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/properties.h"
#include "foundation/super_collection.h"
#include "vb/convert.h"
#include "vb/error.h"

namespace tolvex {

// Sequence numbers are Integers: a collection holds at most this many items.
inline constexpr int32_t kMaxSequencedItems = INT16_MAX;

template <class ItemT>
class SequencedCollection : private SettingWatch {
 public:
  SequencedCollection() : col_(vb::make_ref<CSuperCollection>()) { col_->setCompareMode(int32_t(KeyCompare::Text)); }
  // Items that outlive the collection (held by the host) stop reporting to it.
  ~SequencedCollection() {
    for (size_t i = 0; i < col_->size(); ++i)
      if (auto item = at(i)) unwatch(*item);
  }
  SequencedCollection(const SequencedCollection&) = delete;
  SequencedCollection& operator=(const SequencedCollection&) = delete;

  int32_t Count() const noexcept { return col_->Count(); }
  const std::string& curName() const noexcept { return cur_name_; }
  int16_t curSeq() const noexcept { return cur_seq_; }
  vb::Ref<vb::Enumerator> new_enum() const { return col_->NewEnum(); }

  // The item at a 0-based slot of the container. Only append() puts objects in the
  // container, always of the item type, so no run-time type check is needed; the
  // lookups walk every item and a checked cast per step was most of their cost.
  vb::Ref<ItemT> at(size_t slot) const {
    return vb::Ref<ItemT>(static_cast<ItemT*>(col_->at(slot).object_or_null().get()));
  }
  size_t size() const noexcept { return col_->size(); }

 protected:
  // The first item whose name setting equals `name` exactly. An item whose name
  // cannot be read is passed over.
  std::optional<size_t> find_exact(std::string_view name) const {
    if constexpr (requires(const ItemT& item) { item.collection_name_value(); }) {
      if (const NameIndex* index = name_index()) return index->find(name);
    }
    for (size_t i = 0; i < col_->size(); ++i) {
      auto item = at(i);
      if (item && ignoring_errors([&] { return item->collection_name() == name; })) return i;
    }
    return std::nullopt;
  }
  // The first item whose name setting equals `name` without regard to letter case, with
  // that name as stored ("" when unreadable). While every item is under its name as key (the
  // usual case) the container's key list answers without a walk.
  struct NameMatch {
    size_t slot;
    std::string name;
  };
  std::optional<NameMatch> find_name_no_case(std::string_view name) {
    if (keys_out_of_step_) key_every_item();
    if (!keys_out_of_step_) {
      auto slot = col_->find_key(name);
      if (!slot) return std::nullopt;
      return NameMatch{*slot, name_of(*slot)};
    }
    // Some item's name is another's but for letter case: the first in container order wins.
    for (size_t i = 0; i < col_->size(); ++i) {
      std::string n = name_of(i);
      if (!n.empty() && compare_keys(n, name, KeyCompare::Text) == 0) return NameMatch{i, std::move(n)};
    }
    return std::nullopt;
  }
  // The first item (in container order) whose sequence setting equals `seq`.
  std::optional<size_t> find_seq(int16_t seq) const {
    if constexpr (requires(const ItemT& item) { item.collection_seq_value(); }) {
      if (const SeqIndex* index = seq_index()) return index->find(seq);
    }
    for (size_t i = 0; i < col_->size(); ++i) {
      auto item = at(i);
      if (item && ignoring_errors([&] { return item->collection_seq() == seq; })) return i;
    }
    return std::nullopt;
  }
  // The 0-based slot that an Item position argument selects: numbers only.
  std::optional<size_t> position_slot(const vb::Variant& index) const {
    int32_t pos = 0;
    try {
      pos = vb::to_long(index);
    } catch (const vb::VBError&) {
      return std::nullopt;
    }
    if (pos < 1 || pos > Count()) return std::nullopt;
    return size_t(pos - 1);
  }
  static bool is_position(const vb::Variant& v) noexcept {
    switch (v.type()) {
      case vb::VarType::Integer:
      case vb::VarType::Long:
      case vb::VarType::Single:
      case vb::VarType::Double:
      case vb::VarType::Byte:
        return true;
      default:
        return false;
    }
  }

  bool full() const noexcept { return Count() >= kMaxSequencedItems; }

  // Appends under `key` and numbers the item Count; it becomes current.
  void append(const vb::Ref<ItemT>& item, const std::string& key) {
    note_settings_change();
    col_->Add(vb::Variant(item), key);
    item->Properties()->set_watch(this);
    const auto seq = int16_t(Count());
    item->set_collection_seq(seq);
    cur_name_ = key;
    cur_seq_ = seq;
  }
  // Every item numbered `seq` or higher moves down by one.
  void close_gap(int16_t seq) {
    for (size_t i = 0; i < col_->size(); ++i) {
      auto item = at(i);
      if (!item) continue;
      ignoring_errors([&] {
        const int16_t s = item->collection_seq();
        if (s >= seq) item->set_collection_seq(int16_t(s - 1));
        return true;
      });
    }
  }
  // Removes the item at `slot`, whatever key it is held under.
  void remove_slot(size_t slot) {
    note_settings_change();
    if (auto item = at(slot)) unwatch(*item);
    col_->Remove(vb::Variant(int32_t(slot) + col_->BaseIndex()));
  }
  // Puts the item at `slot` under the key `new_name` before the caller writes that name to
  // the item; error 457 when another item holds the key but for letter case.
  void rename_slot(size_t slot, const std::string& new_name) {
    note_settings_change();
    col_->set_key_at(slot, new_name);
  }
  void make_current(const std::string& name, int16_t seq) {
    cur_name_ = name;
    cur_seq_ = seq;
  }

  // Runs a read of an item's settings; a setting that cannot be read counts as no match.
  template <class F>
  static bool ignoring_errors(F&& f) {
    try {
      return f();
    } catch (const vb::VBError&) {
      return false;
    }
  }

  vb::Ref<CSuperCollection> col_;
  std::string cur_name_;
  int16_t cur_seq_ = 0;

 private:
  // --- keys in step with the names ---

  // The name setting of the item at `slot`, "" when it cannot be read.
  std::string name_of(size_t slot) const {
    std::string name;
    if (auto item = at(slot)) {
      ignoring_errors([&] {
        name = item->collection_name();
        return true;
      });
    }
    return name;
  }
  void unwatch(ItemT& item) {
    const auto& store = item.Properties();
    if (store && store->watch() == this) store->set_watch(nullptr);
  }
  // Puts the item at `slot` under its name as key; false when another item holds that key
  // (the item then holds none, and lookups by name walk until that is settled).
  bool key_item(size_t slot) {
    const std::string name = name_of(slot);
    if (col_->key_at(slot) == name) return true;
    if (auto holder = col_->find_key(name); holder && *holder != slot) {
      if (!col_->key_at(slot).empty()) col_->set_key_at(slot, std::string_view());
      keys_out_of_step_ = true;
      return false;
    }
    col_->set_key_at(slot, name);
    return true;
  }
  void key_every_item() {
    bool out_of_step = false;
    for (size_t i = 0; i < col_->size(); ++i)
      if (!key_item(i)) out_of_step = true;
    keys_out_of_step_ = out_of_step;
  }

  std::string_view watched_setting() const override { return ItemT::collection_name_setting(); }
  void watched_setting_changed(AGProperties& store, const vb::Variant& old_value) override {
    auto ours = [&](std::optional<size_t> slot) {
      return slot && at(*slot) && at(*slot)->Properties().get() == &store;
    };
    // An item in step is under its old name, or already under the new one (a rename by the
    // collection sets the key first).
    std::optional<size_t> slot;
    for (const vb::Variant* v : {&old_value, store.find_value(watched_setting())}) {
      if (v && v->type() == vb::VarType::String) {
        slot = col_->find_key(v->raw_string());
        if (ours(slot)) break;
        slot.reset();
      }
    }
    for (size_t i = 0; !slot && i < col_->size(); ++i)
      if (ours(i)) slot = i;
    if (slot) key_item(*slot);
  }

  bool keys_out_of_step_ = false;

  static constexpr uint64_t kNever = UINT64_MAX;

  // What the indexes below share: when they were built and last asked, and whether every item's
  // value had a type they can file (else the lookups walk, since reading such a value could
  // depend on more than the store).
  struct IndexState {
    uint64_t built_at = kNever;
    uint64_t looked_up_at = kNever;
    bool usable = false;
  };

  // `index` as of now, built in one walk over the items (`value_of` reads an item's setting);
  // nullptr when the lookup should walk instead. An index holds while no settings store and no
  // container of a collection has changed since it was built (every change moves
  // settings_change_count()), since a walk would find the same. One out of date is rebuilt only
  // when lookups repeat with nothing changed between them: code that changes a setting between
  // every two lookups (loading, synchronizing) walks as before instead of rebuilding each time.
  template <class Index, class ValueOf>
  const Index* current_index(std::unique_ptr<Index>& index, ValueOf value_of) const {
    const uint64_t now = settings_change_count();
    if (!index) index = std::make_unique<Index>();
    const bool repeated = index->looked_up_at == now;
    index->looked_up_at = now;
    if (index->built_at != now) {
      if (!repeated) return nullptr;
      index->built_at = now;
      index->usable = fill(*index, value_of);
    }
    return index->usable ? index.get() : nullptr;
  }
  // Files every readable item's value; false at the first value the index cannot file. An item
  // whose setting cannot be read is passed over, as the walk passes it over.
  template <class Index, class ValueOf>
  bool fill(Index& index, ValueOf value_of) const {
    index.clear(col_->size());
    for (size_t i = 0; i < col_->size(); ++i) {
      auto item = at(i);
      if (!item) continue;
      const vb::Variant* value = nullptr;
      try {
        value = &value_of(*item);
      } catch (const vb::VBError&) {
        continue;
      }
      if (!index.add(*value, i)) return false;
    }
    return true;
  }

  // Where each sequence number is: the first slot holding it. Files Integers and Empty (0).
  struct SeqIndex : IndexState {
    std::vector<int32_t> first;                      // by number 0..size: first slot, or -1
    std::vector<std::pair<int16_t, size_t>> others;  // numbers outside that range, first slot each

    void clear(size_t size) {
      first.assign(size + 1, -1);
      others.clear();
    }
    bool add(const vb::Variant& value, size_t slot) {
      int16_t seq = 0;
      if (value.type() == vb::VarType::Integer)
        seq = value.raw_integer();
      else if (value.type() != vb::VarType::Empty)
        return false;
      if (seq >= 0 && size_t(seq) < first.size()) {
        if (first[size_t(seq)] < 0) first[size_t(seq)] = int32_t(slot);
      } else if (!find(seq)) {
        others.emplace_back(seq, slot);
      }
      return true;
    }
    std::optional<size_t> find(int16_t seq) const {
      if (seq >= 0 && size_t(seq) < first.size()) {
        if (first[size_t(seq)] < 0) return std::nullopt;
        return size_t(first[size_t(seq)]);
      }
      for (const auto& [s, slot] : others)
        if (s == seq) return slot;
      return std::nullopt;
    }
  };

  // Where each name is: the first slot holding it. Files Strings and Empty ("").
  struct NameIndex : IndexState {
    struct Hash {
      using is_transparent = void;
      size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>()(s); }
    };
    std::unordered_map<std::string, size_t, Hash, std::equal_to<>> first;

    void clear(size_t) { first.clear(); }
    bool add(const vb::Variant& value, size_t slot) {
      if (value.type() == vb::VarType::String)
        first.emplace(value.raw_string(), slot);
      else if (value.type() == vb::VarType::Empty)
        first.emplace(std::string(), slot);
      else
        return false;
      return true;
    }
    std::optional<size_t> find(std::string_view name) const {
      auto it = first.find(name);
      if (it == first.end()) return std::nullopt;
      return it->second;
    }
  };

  const SeqIndex* seq_index() const {
    return current_index(seq_index_,
                         [](const ItemT& item) -> const vb::Variant& { return item.collection_seq_value(); });
  }
  const NameIndex* name_index() const {
    return current_index(name_index_,
                         [](const ItemT& item) -> const vb::Variant& { return item.collection_name_value(); });
  }

  mutable std::unique_ptr<SeqIndex> seq_index_;
  mutable std::unique_ptr<NameIndex> name_index_;
};

}  // namespace tolvex
