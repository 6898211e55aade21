// AGPFields: the fields of one table, by name and sequence number.
#pragma once

#include <string>

#include "fields/field.h"
#include "fields/model_collection.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPFields : public vb::AutoDispatch<AGPFields>, public ModelCollection<AGPField> {
 public:
  // TblName names the owning table for the extensions; it selects nothing.
  bool Add(const std::string& TblName, const std::string& Name) { return add_item(TblName, Name); }
  // The new name is carried into the field's FldVar ("x_" prefix) and the extensions.
  bool Change(const std::string& TblName, const std::string& OldName, const std::string& NewName) {
    return change_item(TblName, OldName, NewName);
  }
  bool Delete(const std::string& TblName, const vb::Variant& Index) { return delete_item(TblName, name_arg(Index)); }
  bool FieldExist(const vb::Variant& Index) const { return exists(Index); }
  vb::Ref<AGPField> Item(const vb::Variant& Index) { return item_by(Index); }
  vb::Ref<AGPField> Seq(int16_t Index) const { return seq_item(Index); }
  void SetItem(const vb::Variant& Index) { set_item(Index); }
  void SetSeq(int16_t Index) { set_seq(Index); }
  vb::Ref<vb::Enumerator> NewEnum_fld() const { return new_enum(); }

  // Deletes every field, last first, each through the same steps as Delete (the
  // extensions hear of each under `TblName`). Always ends with no fields.
  void delete_all(const std::string& TblName);

  static const vb::DispatchTable<AGPFields>& dispatch_table();

 protected:
  vb::Ref<AGPField> create_item(const std::string& name) override;
  void renamed(const std::string& owner, AGPField& item, const std::string& old_name,
               const std::string& new_name) override;
  void deleting(const std::string& owner, const std::string& name) override;
};

}  // namespace tolvex
