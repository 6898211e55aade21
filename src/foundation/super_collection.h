// The keyed, ordered container under every collection of the model: items by
// position from BaseIndex and by an optional unique text key, insertion before or
// after a position, moves, key renames and enumeration over a snapshot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex {

// Key comparison of the container: binary (byte order, letter case counts) or
// text (letter case ignored, by the simple Unicode lower-case mapping).
enum class KeyCompare : int32_t { Binary = 0, Text = 1 };

// The letter-case fold used by text comparison (one code point).
char32_t fold_key_char(char32_t c) noexcept;
// <0, 0, >0 under the given comparison.
int compare_keys(std::string_view a, std::string_view b, KeyCompare mode) noexcept;

struct KeyHash {
  KeyCompare mode = KeyCompare::Binary;
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept;
};
struct KeyEqual {
  KeyCompare mode = KeyCompare::Binary;
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};

// Error numbers of the container (the 32-bit values that Err.Number shows).
namespace collection_err {
inline constexpr int32_t kAlreadyInitialized = int32_t(0x80000500u);
inline constexpr int32_t kKeyNotFound = int32_t(0x80000501u);
inline constexpr int32_t kMoveInForEach = int32_t(0x80000502u);
inline constexpr int32_t kInvalidDatatype = int32_t(0x80000503u);
inline constexpr int32_t kNoPosition = int32_t(0x80000504u);
}  // namespace collection_err

// Default position of Add (no position given) and the answer of KeyExists for an
// unknown key.
inline constexpr int32_t kNoPosition = 268435457;  // 0x10000001

enum class AddMode : int32_t { Before = 1, After = 2, First = 3, Last = 4 };

namespace detail {

// One stored item. Items are shared with the enumerators, which skip an item once
// it has left the container (its value is released at that moment).
struct CollectionNode : vb::Object {
  vb::Variant value;
  std::string key;       // the item's key text ("" = none)
  std::string list_key;  // the spelling under which the key list holds it
  int32_t pos = 0;       // 0-based position while live
  bool live = true;
  bool has_entry = false;
};

// The container's data. Enumerators and key lists hold this core, not the
// container: when the container goes, the core is emptied and marked dead.
struct CollectionCore : vb::Object {
  using Map = std::unordered_map<std::string_view, CollectionNode*, KeyHash, KeyEqual>;

  std::vector<vb::Ref<CollectionNode>> order;
  Map keys;
  KeyCompare mode = KeyCompare::Binary;
  int32_t base = 1;
  bool allow_item_assignments = false;
  bool alive = true;
  int32_t open_enumerations = 0;
  uint64_t version = 0;  // bumped whenever the key list changes
  // Key list in sorted order, rebuilt on demand.
  std::vector<CollectionNode*> sorted;
  uint64_t sorted_version = ~uint64_t(0);

  const std::vector<CollectionNode*>& sorted_keys();
  void release_all() noexcept;
};

}  // namespace detail

// One entry of the key list: the key and the position of its item.
class cKey : public vb::AutoDispatch<cKey> {
 public:
  cKey(std::string name, int32_t index) : name_(std::move(name)), index_(index) {}
  const std::string& Name() const noexcept { return name_; }
  int32_t AssociatedIndex() const noexcept { return index_; }
  static const vb::DispatchTable<cKey>& dispatch_table();

 private:
  std::string name_;
  int32_t index_;
};

// The list of keys in sorted order; it is its own enumerator and reads the live list.
class CKeys : public vb::Enumerator {
 public:
  explicit CKeys(vb::Ref<detail::CollectionCore> core, size_t index = 0)
      : core_(std::move(core)), index_(index) {}

  int32_t Count() const noexcept;
  bool next(vb::Variant& out) override;
  void reset() override { index_ = 0; }
  void skip(size_t n) noexcept { index_ += n; }
  vb::Ref<CKeys> clone() const { return vb::make_ref<CKeys>(core_, index_); }

  std::string type_name() const override { return "CKeys"; }
  vb::DispId find_member(std::string_view name) const override;
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override;
  std::vector<std::string> member_names() const override;

 private:
  vb::Ref<detail::CollectionCore> core_;
  size_t index_;
};

// Enumeration of the items over a snapshot of the order at its start. It skips
// items removed since then, visits items appended meanwhile, and ends when the
// container is cleared or released; it never reads a released value.
class cEnumerationObject : public vb::Enumerator {
 public:
  explicit cEnumerationObject(vb::Ref<detail::CollectionCore> core);
  cEnumerationObject(const cEnumerationObject& other);
  ~cEnumerationObject() override;

  bool next(vb::Variant& out) override;
  void reset() override { current_ = 0; }
  void skip(size_t n) noexcept { current_ += n; }
  vb::Ref<cEnumerationObject> clone() const { return vb::make_ref<cEnumerationObject>(*this); }

 private:
  vb::Ref<detail::CollectionCore> core_;
  std::vector<vb::Ref<detail::CollectionNode>> snapshot_;
  size_t current_ = 0;
};

// A private class of the library: the collections own one each and hand out its
// items and enumerators through their own members.
class CSuperCollection : public vb::Object {
 public:
  CSuperCollection();
  ~CSuperCollection() override;

  int32_t CompareMode() const noexcept { return int32_t(core_->mode); }
  void setCompareMode(int32_t mode);
  bool AllowItemAsignments() const noexcept { return core_->allow_item_assignments; }
  void setAllowItemAsignments(bool allow) noexcept { core_->allow_item_assignments = allow; }
  int32_t BaseIndex() const noexcept { return core_->base; }
  void setBaseIndex(int32_t base);

  vb::Ref<CKeys> Keys() const { return vb::make_ref<CKeys>(core_); }
  std::string Key(int32_t position) const;
  int32_t KeyExists(std::string_view key) const;
  void ChangeKey(std::string_view old_key, std::string_view new_key);
  void ChangeKeyForIndex(std::string_view position, std::string_view new_key);
  void Add(const vb::Variant& item, std::string_view key = {}, int32_t mode = int32_t(AddMode::Last),
           int32_t position = kNoPosition);
  int32_t Count() const noexcept { return int32_t(core_->order.size()); }
  void Remove(const vb::Variant& index);
  vb::Variant Item(const vb::Variant& index) const;
  void setItem(const vb::Variant& index, const vb::Variant& value);
  vb::Ref<cEnumerationObject> NewEnum() const { return vb::make_ref<cEnumerationObject>(core_); }
  void Clear() noexcept;
  int32_t MoveItem(const vb::Variant& from, const vb::Variant& to);

  // Typed helpers for the collections built on the container.
  // The 0-based slot of a key, nullopt when no item has it.
  std::optional<size_t> find_key(std::string_view key) const;
  // The item at a 0-based slot; the caller keeps slot < size().
  const vb::Variant& at(size_t slot) const noexcept { return core_->order[slot]->value; }
  const std::string& key_at(size_t slot) const noexcept { return core_->order[slot]->key; }
  // Gives the item at a 0-based slot the key `key` ("" for none) without assigning it to the
  // item's Key; error 457 when another item holds that key. The caller keeps slot < size().
  void set_key_at(size_t slot, std::string_view key);
  size_t size() const noexcept { return core_->order.size(); }
  bool empty() const noexcept { return core_->order.empty(); }
  // Items in order (copies of the values).
  std::vector<vb::Variant> items() const;

 private:
  using Node = detail::CollectionNode;

  // An index argument read by its kind: a position or a key, and the 0-based slot
  // it selects (nullopt when the position is outside the items or the key is unknown).
  struct Index {
    bool is_key = false;
    int64_t position = 0;
    std::optional<size_t> slot;
  };
  Index read_index(const vb::Variant& index) const;
  std::optional<size_t> slot_of_position(int64_t position) const noexcept;
  Node* find_node(std::string_view key) const;
  void enter_key(Node& node, std::string_view spelling);
  void drop_key(Node& node);
  void move_slot(size_t from, size_t to);
  void renumber(size_t first, size_t last) noexcept;
  static void assign_item_key(const vb::Variant& value, std::string_view key);

  vb::Ref<detail::CollectionCore> core_;
};

}  // namespace tolvex
