// Scripting.Dictionary: keyed items in insertion order.
#pragma once

#include <unordered_map>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex::vbscript {

class Dictionary : public vb::AutoDispatch<Dictionary> {
 public:
  static const vb::DispatchTable<Dictionary>& dispatch_table();

  void Add(const vb::Variant& key, const vb::Variant& item);  // error 457 when the key exists
  bool Exists(const vb::Variant& key) const;
  // Reading a missing key adds it with an Empty item.
  vb::Variant Item(const vb::Variant& key);
  void SetItem(const vb::Variant& key, const vb::Variant& item);  // adds a missing key
  void SetKey(const vb::Variant& key, const vb::Variant& new_key);
  void Remove(const vb::Variant& key);  // error 32811 when missing
  void RemoveAll();
  int32_t Count() const { return int32_t(index_.size()); }
  vb::Variant Keys() const;
  vb::Variant Items() const;
  int32_t CompareMode() const { return compare_mode_; }
  void SetCompareMode(int32_t mode);  // only while empty

  vb::Ref<vb::Enumerator> enumerate() override;

 private:
  struct Entry {
    vb::Variant key, item;
    bool live = true;
  };
  // Keys compare by value: numbers by number, strings by text (without case in text mode),
  // objects by identity.
  std::string key_of(const vb::Variant& key) const;
  size_t* find(const vb::Variant& key);
  const size_t* find(const vb::Variant& key) const;
  void compact();

  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;
  size_t dead_ = 0;
  int32_t compare_mode_ = 0;
};

}  // namespace tolvex::vbscript
