// The collection behaviour that tables and fields share on top of the numbered
// container: Add, Change, Delete, Item, SetItem and SetSeq, with hooks for what
// each kind does besides (variable names, extensions, the site menu).
//
// `owner` is the owning table's name for fields ("" for tables); it selects
// nothing and is only handed to the hooks.
#pragma once

#include <string>

#include "fields/name_arg.h"
#include "fields/sequenced_collection.h"

namespace tolvex {

template <class ItemT>
class ModelCollection : public SequencedCollection<ItemT> {
  using Base = SequencedCollection<ItemT>;

 public:
  virtual ~ModelCollection() = default;

 protected:
  // A new item with its name set (the item's constructor has declared its settings).
  virtual vb::Ref<ItemT> create_item(const std::string& name) = 0;
  // After the container has renamed the item and it has become current.
  virtual void renamed(const std::string& owner, ItemT& item, const std::string& old_name,
                       const std::string& new_name) = 0;
  // After the gap is closed, before the item leaves the container.
  virtual void deleting(const std::string& owner, const std::string& name) = 0;
  // After the item has left the container: its explicit release step.
  virtual void removed(ItemT& item) {}

  bool add_item(const std::string& owner, const std::string& name) {
    if (name.empty()) return false;
    if (auto match = this->find_by_key(name)) {
      if (match->name == name) return false;         // exists exactly
      return change_item(owner, match->name, name);  // differs in letter case: takes this spelling
    }
    // The 32,768th item could not be numbered: refuse it before anything changes.
    if (this->full()) return false;
    auto item = create_item(name);
    this->append(item, name);
    return true;
  }

  bool change_item(const std::string& owner, const std::string& old_name, const std::string& new_name) {
    if (old_name.empty() || new_name.empty()) return false;
    if (this->find_exact(new_name)) return false;
    auto slot = this->find_exact(old_name);
    if (!slot) return false;
    auto item = this->at(*slot);
    this->rename_slot(*slot, new_name);  // a letter-case twin of another key raises 457
    item->set_collection_name(new_name);
    this->make_current(new_name, item->collection_seq());
    renamed(owner, *item, old_name, new_name);
    return true;
  }

  bool delete_item(const std::string& owner, const std::string& name) {
    if (name.empty()) return false;
    auto slot = this->find_exact(name);
    if (!slot) return false;
    delete_at(owner, *slot, name);
    return true;
  }

  // Deletes the item at `slot`: numbers closed up, hooks told, and the item itself
  // (found by position, whatever its key or name) removed, so loops that delete
  // until the collection is empty always shrink it. Errors of single steps are
  // ignored.
  void delete_at(const std::string& owner, size_t slot, const std::string& name) {
    auto item = this->at(slot);
    if (item) {
      try {
        this->close_gap(item->collection_seq());
      } catch (const vb::VBError&) {
      }
    }
    try {
      deleting(owner, name);
    } catch (const vb::VBError&) {
    }
    if (slot < this->size()) {
      try {
        this->remove_slot(slot);
      } catch (const vb::VBError&) {
      }
    }
    if (item) {
      try {
        removed(*item);
      } catch (const vb::VBError&) {
      }
    }
  }

  // The last item in enumeration order with its name ("" when it has none readable).
  std::string name_at(size_t slot) const {
    auto item = this->at(slot);
    if (!item) return std::string();
    try {
      return item->collection_name();
    } catch (const vb::VBError&) {
      return std::string();
    }
  }

  vb::Ref<ItemT> item_by(const vb::Variant& index) {
    std::optional<size_t> slot;
    if (Base::is_position(index)) {
      this->make_current(std::string(), 0);
      slot = this->position_slot(index);
    } else if (index.is_string()) {
      slot = this->find_exact(index.raw_string());
    }
    if (!slot) return nullptr;
    auto item = this->at(*slot);
    current_from(item);
    return item;
  }

  void set_item(const vb::Variant& index) {
    if (auto slot = this->find_exact(name_arg(index))) current_from(this->at(*slot));
  }

  void set_seq(int16_t seq) {
    if (auto slot = this->find_seq(seq)) current_from(this->at(*slot));
  }

 private:
  void current_from(const vb::Ref<ItemT>& item) {
    if (!item) return;
    try {
      this->make_current(item->collection_name(), item->collection_seq());
    } catch (const vb::VBError&) {
    }
  }
};

}  // namespace tolvex
