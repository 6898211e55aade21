// AGPTables: the tables, views, custom views and reports of the database, by name
// and sequence number. Renames and deletions reach the site menu and the extensions.
#pragma once

#include <string>

#include "fields/model_collection.h"
#include "model/table.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPTables : public vb::AutoDispatch<AGPTables>, public ModelCollection<AGPTable> {
 public:
  bool Add(const std::string& Name) { return add_item(std::string(), Name); }
  bool Change(const std::string& OldName, const std::string& NewName) {
    return change_item(std::string(), OldName, NewName);
  }
  // Deletes the table named Index exactly, with its menu entry, its extension
  // counterparts and (its release step) its fields.
  bool Delete(const std::string& Index) { return delete_item(std::string(), Index); }
  bool TableExist(const vb::Variant& Index) const { return exists(Index); }
  vb::Ref<AGPTable> Item(const vb::Variant& Index) { return item_by(Index); }
  vb::Ref<AGPTable> Seq(int16_t Index) const { return seq_item(Index); }
  void SetItem(const vb::Variant& Index) { set_item(Index); }
  void SetSeq(int16_t Index) { set_seq(Index); }
  vb::Ref<vb::Enumerator> NewEnum_tbl() const { return new_enum(); }

  // Deletes the last table in enumeration order through the steps of Delete,
  // whatever its name; false when there is none. `deleted` gets its type and name.
  bool delete_last(std::string* type = nullptr, std::string* name = nullptr);

  static const vb::DispatchTable<AGPTables>& dispatch_table();

 protected:
  vb::Ref<AGPTable> create_item(const std::string& name) override;
  void renamed(const std::string& owner, AGPTable& item, const std::string& old_name,
               const std::string& new_name) override;
  void deleting(const std::string& owner, const std::string& name) override;
  void removed(AGPTable& item) override { item.discard(); }
};

}  // namespace tolvex
