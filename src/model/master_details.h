// Master/detail relations between tables, kept for the host: AGPMasterDetail is one
// relation with its field pairs, AGPMasterDetails the relations keyed by their two
// table names.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "foundation/super_collection.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPMasterDetail : public vb::AutoDispatch<AGPMasterDetail> {
 public:
  int16_t Seq() const noexcept { return seq_; }
  void Seq(int16_t v) noexcept { seq_ = v; }
  const std::string& MasterTable() const noexcept { return master_table_; }
  void MasterTable(std::string v) { master_table_ = std::move(v); }
  const std::string& DetailTable() const noexcept { return detail_table_; }
  void DetailTable(std::string v) { detail_table_ = std::move(v); }
  int16_t FieldCount() const noexcept { return int16_t(master_fields_.size()); }
  int16_t CurrentField() const noexcept { return current_; }
  // Taken only when it lies in 1..FieldCount.
  void CurrentField(int16_t v) noexcept;
  std::string CurrentMasterField() const { return MasterField(current_); }
  void CurrentMasterField(std::string v);
  std::string CurrentDetailField() const { return DetailField(current_); }
  void CurrentDetailField(std::string v);

  // Appends a pair; False when a field is empty or already used by a pair.
  bool AddRelation(const std::string& MasterField, const std::string& DetailField);
  // Removes the first pair that uses either field.
  bool DeleteRelation(const std::string& MasterField, const std::string& DetailField);
  // Field of pair i (1..FieldCount); "" outside.
  std::string MasterField(int16_t i) const;
  std::string DetailField(int16_t i) const;

  static const vb::DispatchTable<AGPMasterDetail>& dispatch_table();

 private:
  bool in_range(int16_t i) const noexcept { return i >= 1 && size_t(i) <= master_fields_.size(); }

  int16_t seq_ = 0;
  std::string master_table_;
  std::string detail_table_;
  int16_t current_ = 0;
  std::vector<std::string> master_fields_;
  std::vector<std::string> detail_fields_;
};

class AGPMasterDetails : public vb::AutoDispatch<AGPMasterDetails> {
 public:
  AGPMasterDetails();

  const std::string& curMasterTable() const noexcept { return cur_master_; }
  const std::string& curDetailTable() const noexcept { return cur_detail_; }
  int16_t curSeq() const noexcept { return cur_seq_; }

  bool Add(const std::string& MasterTable, const std::string& DetailTable);
  int32_t Count() const noexcept { return col_->Count(); }
  bool Delete(const std::string& MasterTable, const std::string& DetailTable);
  bool MasterDetailExist(const std::string& MasterTable, const std::string& DetailTable) const;
  vb::Ref<AGPMasterDetail> Item(const std::string& MasterTable, const std::string& DetailTable);
  vb::Ref<AGPMasterDetail> Seq(int16_t Index) const;
  vb::Ref<vb::Enumerator> NewEnum_md() const { return col_->NewEnum(); }

  // The container key of a relation: the two names joined by "__", with "_" and
  // "\" inside a name escaped by "\", so that no two relations share a key
  // (("a__b", "c") and ("a", "b__c") stay apart).
  static std::string relation_key(std::string_view master, std::string_view detail);

  static const vb::DispatchTable<AGPMasterDetails>& dispatch_table();

 private:
  vb::Ref<AGPMasterDetail> relation_at(size_t slot) const;
  std::optional<size_t> find_exact(const std::string& master, const std::string& detail) const;

  vb::Ref<CSuperCollection> col_;
  std::string cur_master_;
  std::string cur_detail_;
  int16_t cur_seq_ = 0;
};

}  // namespace tolvex
