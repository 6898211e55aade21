// Scripting.Dictionary: keyed items in insertion order.
#pragma once

#include <cstdint>
#include <vector>

#include "vb/dispatch.h"
#include "vbscript/runtime/env.h"

namespace tolvex::vbscript {


class Dictionary : public vb::AutoDispatch<Dictionary> {
 public:
  static const vb::DispatchTable<Dictionary>& dispatch_table();

  Dictionary() = default;
  // One an engine made: it is in the engine's list of live Dictionaries (free_cycles).
  explicit Dictionary(RuntimeEnv* env);
  ~Dictionary() override;
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  // Empties the engine's Dictionaries that nothing outside them reaches any more (they
  // hold themselves or each other, directly or in arrays), which reference counts alone
  // would never release. Those still reachable from elsewhere keep their items.
  static void free_cycles(RuntimeEnv& env) noexcept;
  // The engine goes: its Dictionaries leave its list.
  static void forget_env(RuntimeEnv::DictionaryList& list) noexcept;

  void Add(const vb::Variant& key, const vb::Variant& item);  // error 457 when the key exists
  bool Exists(const vb::Variant& key) const;
  // Reading a missing key adds it with an Empty item.
  vb::Variant Item(const vb::Variant& key);
  void SetItem(const vb::Variant& key, const vb::Variant& item);  // adds a missing key
  void SetKey(const vb::Variant& key, const vb::Variant& new_key);
  void Remove(const vb::Variant& key);  // error 32811 when missing
  void RemoveAll();
  int32_t Count() const { return int32_t(count_); }
  vb::Variant Keys() const;
  vb::Variant Items() const;
  int32_t CompareMode() const { return compare_mode_; }
  void SetCompareMode(int32_t mode);  // only while empty

  vb::Ref<vb::Enumerator> enumerate() override;

 private:
  // Keys compare by value: numbers by number (Integer 1, Long 1 and Double 1 are one
  // key), strings by text (without case in text mode), objects by identity; Empty,
  // Null, True and False are keys of their own.
  struct Entry {
    vb::Variant key, item;
    uint64_t hash = 0;
    bool live = true;
  };
  // One place of the open-addressing table: the entry's number plus one (0: free,
  // kDeleted: a removed key) and the low half of its hash, so that most keys that
  // only share the place are told apart without reading their entries.
  struct Slot {
    uint32_t entry = 0;
    uint32_t hash = 0;
  };
  static constexpr uint32_t kDeleted = UINT32_MAX;
  static constexpr size_t kNone = SIZE_MAX;

  uint64_t hash_of(const vb::Variant& key) const;  // error 13 for arrays and error values
  bool same_key(const vb::Variant& a, const vb::Variant& b) const;
  // The entry holding key (kNone when none); `slot`, when given, gets its table place.
  size_t find(const vb::Variant& key, uint64_t hash, size_t* slot = nullptr) const;
  size_t find(const vb::Variant& key) const { return find(key, hash_of(key)); }
  void insert(const vb::Variant& key, const vb::Variant& item, uint64_t hash);
  // Puts an entry in the first free or removed place of its probe sequence.
  void place(size_t entry);
  // Rebuilds the table for the live entries (dropping removed ones when compact).
  void rebuild(bool compact);
  // Leaves the dictionary empty and hands its entries to the caller.
  std::vector<Entry> take_entries();

  std::vector<Entry> entries_;  // in insertion order; removed ones stay until compacted
  std::vector<Slot> table_;     // a power of two in size, or empty
  size_t count_ = 0;            // live entries
  size_t used_ = 0;             // table places not free (live and removed keys)
  size_t dead_ = 0;             // removed entries still in entries_
  mutable size_t finger_ = 0;   // the entry last found (a hint: any value is safe)
  int32_t compare_mode_ = 0;
  // The engine's list of live Dictionaries (RuntimeEnv::live_dictionaries), when in one.
  RuntimeEnv* env_ = nullptr;
  friend struct LiveLink<Dictionary>;
  LiveLink<Dictionary> live_;
};

}  // namespace tolvex::vbscript
