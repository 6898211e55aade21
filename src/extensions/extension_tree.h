// The attribute tree of one extension: a project level (AGPExtProj), its one
// database level (AGPExtDb in AGPExtDbs), table items (AGPExtTable in AGPExtTables)
// and below each table its chart and field items (AGPExtChart in AGPExtCharts,
// AGPExtField in AGPExtFields). Every node is a settings store: its own name and
// sequence settings plus the attributes that the extension's definition file
// declares for that level. Items are matched to the model's objects by name.
#pragma once

#include <cstdint>
#include <string>

#include "extensions/extension_settings.h"
#include "fields/model_collection.h"
#include "fields/settings_owner.h"
#include "foundation/super_collection.h"
#include "vb/dispatch.h"

namespace tolvex {

// What the three item collections share beyond the model collection pattern.
template <class ItemT>
class ExtItemCollection : public ModelCollection<ItemT> {
 public:
  ExtItemCollection()
      : ModelCollection<ItemT>(CollectionRules{.add_existing_makes_current = false,
                                               .change_refuses_existing_name = true,
                                               .bad_position_clears_current = false}) {}

  // The item named `name` exactly, or null; the current item is not moved.
  vb::Ref<ItemT> find(const std::string& name) const {
    auto slot = this->find_exact(name);
    return slot ? this->at(*slot) : nullptr;
  }

  // Removes every item, last first, by position: each step shrinks the collection,
  // whatever the items' names and sequence numbers hold.
  void delete_all() {
    for (size_t left = this->size(); left > 0 && this->size() > 0; --left) {
      const size_t last = this->size() - 1;
      this->delete_at(std::string(), last, this->name_at(last));
    }
  }

 protected:
  vb::Ref<ItemT> create_item(const std::string& name) override {
    auto item = vb::make_ref<ItemT>();
    item->set_collection_name(name);
    return item;
  }
};

class AGPExtChart : public vb::AutoDispatch<AGPExtChart>, public SettingsOwner<ExtChartSetting, kExtChartSettings> {
 public:
  ~AGPExtChart() override;

  TOLVEX_EXT_CHART_SETTINGS(TOLVEX_SETTING_ACCESSORS)
  std::string Key() const { return ChartName(); }
  void Key(const std::string& v) { ChartName(v); }

  static std::string_view collection_name_setting() { return setting_name(SettingIndex::ChartName); }
  std::string collection_name() const { return ChartName(); }
  void set_collection_name(const std::string& v) { ChartName(v); }
  int16_t collection_seq() const { return ChartSeq(); }
  void set_collection_seq(int16_t s) { ChartSeq(s); }

  static const vb::DispatchTable<AGPExtChart>& dispatch_table();
};

class AGPExtField : public vb::AutoDispatch<AGPExtField>, public SettingsOwner<ExtFieldSetting, kExtFieldSettings> {
 public:
  TOLVEX_EXT_FIELD_SETTINGS(TOLVEX_SETTING_ACCESSORS)
  std::string Key() const { return FldName(); }
  void Key(const std::string& v) { FldName(v); }

  static std::string_view collection_name_setting() { return setting_name(SettingIndex::FldName); }
  std::string collection_name() const { return FldName(); }
  void set_collection_name(const std::string& v) { FldName(v); }
  int16_t collection_seq() const { return FldSeq(); }
  void set_collection_seq(int16_t s) { FldSeq(s); }

  static const vb::DispatchTable<AGPExtField>& dispatch_table();
};

class AGPExtCharts : public vb::AutoDispatch<AGPExtCharts>, public ExtItemCollection<AGPExtChart> {
 public:
  bool Add(const std::string& Name) { return add_item(std::string(), Name); }
  bool Change(const std::string& OldName, const std::string& NewName) {
    return change_item(std::string(), OldName, NewName);
  }
  bool Delete(const vb::Variant& Index) { return delete_item(std::string(), name_arg(Index)); }
  bool ChartExist(const vb::Variant& Index) const { return exists(Index); }
  vb::Ref<AGPExtChart> Item(const vb::Variant& Index) { return item_by(Index); }
  vb::Ref<AGPExtChart> Seq(int16_t Index) const { return seq_item(Index); }
  void SetItem(const vb::Variant& Index) { set_item(Index); }
  void SetSeq(int16_t Index) { set_seq(Index); }
  vb::Ref<vb::Enumerator> NewEnum_extChart() const { return new_enum(); }

  static const vb::DispatchTable<AGPExtCharts>& dispatch_table();
};

class AGPExtFields : public vb::AutoDispatch<AGPExtFields>, public ExtItemCollection<AGPExtField> {
 public:
  bool Add(const std::string& Name) { return add_item(std::string(), Name); }
  bool Change(const std::string& OldName, const std::string& NewName) {
    return change_item(std::string(), OldName, NewName);
  }
  bool Delete(const vb::Variant& Index) { return delete_item(std::string(), name_arg(Index)); }
  bool FieldExist(const vb::Variant& Index) const { return exists(Index); }
  vb::Ref<AGPExtField> Item(const vb::Variant& Index) { return item_by(Index); }
  vb::Ref<AGPExtField> Seq(int16_t Index) const { return seq_item(Index); }
  void SetItem(const vb::Variant& Index) { set_item(Index); }
  void SetSeq(int16_t Index) { set_seq(Index); }
  vb::Ref<vb::Enumerator> NewEnum_extFld() const { return new_enum(); }

  static const vb::DispatchTable<AGPExtFields>& dispatch_table();
};

class AGPExtTable : public vb::AutoDispatch<AGPExtTable>, public SettingsOwner<ExtTableSetting, kExtTableSettings> {
 public:
  // Deletes its field items (its chart items go with it).
  ~AGPExtTable() override;

  // The child collections, created on first use.
  const vb::Ref<AGPExtCharts>& Charts();
  const vb::Ref<AGPExtFields>& Fields();

  TOLVEX_EXT_TABLE_SETTINGS(TOLVEX_SETTING_ACCESSORS)
  std::string Key() const { return TblName(); }
  void Key(const std::string& v) { TblName(v); }

  static std::string_view collection_name_setting() { return setting_name(SettingIndex::TblName); }
  std::string collection_name() const { return TblName(); }
  void set_collection_name(const std::string& v) { TblName(v); }
  int16_t collection_seq() const { return TblSeq(); }
  void set_collection_seq(int16_t s) { TblSeq(s); }

  static const vb::DispatchTable<AGPExtTable>& dispatch_table();

 private:
  vb::Ref<AGPExtCharts> charts_;
  vb::Ref<AGPExtFields> fields_;
};

class AGPExtTables : public vb::AutoDispatch<AGPExtTables>, public ExtItemCollection<AGPExtTable> {
 public:
  bool Add(const std::string& Name) { return add_item(std::string(), Name); }
  bool Change(const std::string& OldName, const std::string& NewName) {
    return change_item(std::string(), OldName, NewName);
  }
  bool Delete(const std::string& Index) { return delete_item(std::string(), Index); }
  bool TableExist(const vb::Variant& Index) const { return exists(Index); }
  vb::Ref<AGPExtTable> Item(const vb::Variant& Index) { return item_by(Index); }
  vb::Ref<AGPExtTable> Seq(int16_t Index) const { return seq_item(Index); }
  void SetItem(const vb::Variant& Index) { set_item(Index); }
  void SetSeq(int16_t Index) { set_seq(Index); }
  vb::Ref<vb::Enumerator> NewEnum_extTbl() const { return new_enum(); }

  static const vb::DispatchTable<AGPExtTables>& dispatch_table();
};

class AGPExtDb : public vb::AutoDispatch<AGPExtDb>, public SettingsOwner<ExtDbSetting, kExtDbSettings> {
 public:
  // Deletes its table items one by one.
  ~AGPExtDb() override;

  const vb::Ref<AGPExtTables>& Tables();

  TOLVEX_EXT_DB_SETTINGS(TOLVEX_SETTING_ACCESSORS)
  std::string Key() const { return DBName(); }
  void Key(const std::string& v) { DBName(v); }

  static const vb::DispatchTable<AGPExtDb>& dispatch_table();

 private:
  vb::Ref<AGPExtTables> tables_;
};

// At most one database item.
class AGPExtDbs : public vb::AutoDispatch<AGPExtDbs> {
 public:
  AGPExtDbs();

  const std::string& curName() const noexcept { return cur_name_; }
  // Adds the database item while there is none and clears AGP.ProjErr; a second one
  // sets AGP.ProjErr to "support 1 db only!" and adds nothing.
  void Add(const std::string& Name);
  int32_t Count() const noexcept { return col_->Count(); }
  // The container's error when Index names no item.
  void Delete(const vb::Variant& Index);
  vb::Ref<AGPExtDb> Item(const vb::Variant& Index);
  vb::Ref<vb::Enumerator> NewEnum_extDb() const { return col_->NewEnum(); }

  // Adds the first database item without touching AGP.ProjErr.
  void add_first(const std::string& name);
  // Removes every database item, last first.
  void delete_all() noexcept;

  static const vb::DispatchTable<AGPExtDbs>& dispatch_table();

 private:
  vb::Ref<CSuperCollection> col_;
  std::string cur_name_;
};

class AGPExtProj : public vb::AutoDispatch<AGPExtProj>, public SettingsStore {
 public:
  AGPExtProj();
  // Deletes its database item and forgets its name.
  ~AGPExtProj() override;

  // The database item "DB", made on first read.
  vb::Ref<AGPExtDb> DB();
  int16_t DBCnt() const noexcept { return int16_t(dbs_->Count()); }

  static const vb::DispatchTable<AGPExtProj>& dispatch_table();

 private:
  vb::Ref<AGPExtDbs> dbs_;
  std::string db_name_;
};

}  // namespace tolvex
