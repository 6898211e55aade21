// The collection behaviour of tables, fields, charts and trend lines on top of the
// numbered container: Add, Change, Delete, Item, Seq, SetItem and SetSeq, with hooks
// for what each kind does besides (variable names, extensions, the site menu), the
// few rules in which the kinds differ, and their dispatch members.
//
// `owner` is the owning table's name for fields and charts ("" for tables and
// trend lines); it selects nothing and is only handed to the hooks.
#pragma once

#include <string>

#include "fields/name_arg.h"
#include "fields/sequenced_collection.h"
#include "vb/dispatch.h"

namespace tolvex {

// Where a kind of collection departs from the table and field collections.
struct CollectionRules {
  // Add of a name that an item has exactly answers True and makes that item current
  // (charts, trend lines) instead of answering False.
  bool add_existing_makes_current = false;
  // Change answers False for a new name that an item has exactly; without this
  // (trend lines) the container's duplicate-key error decides.
  bool change_refuses_existing_name = true;
  // Item with a position clears the current item before it looks, so a position
  // outside 1..Count leaves none; without this (charts, trend lines) the current
  // item stays.
  bool bad_position_clears_current = true;
};

// The dispatch members of a collection beyond what the rules say.
struct CollectionMembers {
  const char* exist;        // "TableExist", "FieldExist", ...
  bool owner_argument;      // Add, Change and Delete take the owning table's name first
  bool current_setters;     // SetItem and SetSeq
  const char* enumerator;   // "NewEnum_tbl", ...
};

template <class ItemT>
class ModelCollection : public SequencedCollection<ItemT> {
  using Base = SequencedCollection<ItemT>;

 public:
  explicit ModelCollection(CollectionRules rules = {}) : rules_(rules) {}
  virtual ~ModelCollection() = default;

  // Adds the members shared by every collection to its dispatch table, in the order
  // of the collections' interfaces.
  template <class Self>
  static void add_dispatch_members(vb::DispatchTable<Self>& t, CollectionMembers m);

 protected:
  // A new item with its name set (the item's constructor has declared its settings).
  virtual vb::Ref<ItemT> create_item(const std::string& name) = 0;
  // After the container has renamed the item and it has become current.
  virtual void renamed(const std::string& owner, ItemT& item, const std::string& old_name,
                       const std::string& new_name) {}
  // After the gap is closed, before the item leaves the container.
  virtual void deleting(const std::string& owner, const std::string& name) {}
  // After the item has left the container: its explicit release step.
  virtual void removed(ItemT& item) {}

  bool add_item(const std::string& owner, const std::string& name) {
    if (name.empty()) return false;
    if (auto match = this->find_name_no_case(name)) {
      if (match->name == name) {  // exists exactly
        if (!rules_.add_existing_makes_current) return false;
        this->make_current(name, this->at(match->slot)->collection_seq());
        return true;
      }
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
    if (rules_.change_refuses_existing_name && this->find_exact(new_name)) return false;
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
      if (rules_.bad_position_clears_current) this->make_current(std::string(), 0);
      slot = this->position_slot(index);
    } else if (index.is_string()) {
      slot = this->find_exact(index.raw_string());
    }
    if (!slot) return nullptr;
    auto item = this->at(*slot);
    current_from(item);
    return item;
  }

  bool exists(const vb::Variant& index) const { return this->find_exact(name_arg(index)).has_value(); }

  vb::Ref<ItemT> seq_item(int16_t seq) const {
    auto slot = this->find_seq(seq);
    return slot ? this->at(*slot) : nullptr;
  }

  void set_item(const vb::Variant& index) {
    if (auto slot = this->find_exact(name_arg(index))) current_from(this->at(*slot));
  }

  void set_seq(int16_t seq) {
    if (auto slot = this->find_seq(seq)) current_from(this->at(*slot));
  }

 private:
  const CollectionRules rules_;

  void current_from(const vb::Ref<ItemT>& item) {
    if (!item) return;
    try {
      this->make_current(item->collection_name(), item->collection_seq());
    } catch (const vb::VBError&) {
    }
  }
};

template <class ItemT>
template <class Self>
void ModelCollection<ItemT>::add_dispatch_members(vb::DispatchTable<Self>& t, CollectionMembers m) {
  using vb::Args;
  using vb::Variant;
  // Names for Add and Change must be texts; Delete takes whatever names an item.
  const size_t first = m.owner_argument ? 1 : 0;
  auto owner = [first](Args a) { return first ? vb::to_string(a[0]) : std::string(); };
  t.property("curName", [](Self& s, Args) { return Variant(s.curName()); });
  t.property("curSeq", [](Self& s, Args) { return Variant(s.curSeq()); });
  t.method("Add", [=](Self& s, Args a) {
    vb::check_arg_count(a, first + 1, first + 1);
    return Variant(s.add_item(owner(a), vb::to_string(a[first])));
  });
  t.method("Change", [=](Self& s, Args a) {
    vb::check_arg_count(a, first + 2, first + 2);
    return Variant(s.change_item(owner(a), vb::to_string(a[first]), vb::to_string(a[first + 1])));
  });
  t.method("Count", [](Self& s, Args a) {
    vb::check_arg_count(a, 0, 0);
    return Variant(s.Count());
  });
  t.method("Delete", [=](Self& s, Args a) {
    vb::check_arg_count(a, first + 1, first + 1);
    return Variant(s.delete_item(owner(a), name_arg(a[first])));
  });
  t.method(m.exist, [](Self& s, Args a) {
    vb::check_arg_count(a, 1, 1);
    return Variant(s.exists(a[0]));
  });
  t.method("Item", [](Self& s, Args a) {
    vb::check_arg_count(a, 1, 1);
    return Variant(s.item_by(a[0]));
  });
  t.method("Seq", [](Self& s, Args a) {
    vb::check_arg_count(a, 1, 1);
    return Variant(s.seq_item(vb::to_integer(a[0])));
  });
  if (m.current_setters) {
    t.method("SetItem", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      s.set_item(a[0]);
      return Variant();
    });
    t.method("SetSeq", [](Self& s, Args a) {
      vb::check_arg_count(a, 1, 1);
      s.set_seq(vb::to_integer(a[0]));
      return Variant();
    });
  }
  t.default_member("Item");
  t.enumerator(m.enumerator, [](Self& s, Args) { return Variant(s.new_enum()); });
}

}  // namespace tolvex
