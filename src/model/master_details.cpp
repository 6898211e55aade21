#include "model/master_details.h"

#include "foundation/class_registry.h"
#include "vb/convert.h"

namespace tolvex {

TOLVEX_REGISTER_CLASS(AGPMasterDetail);
TOLVEX_REGISTER_CLASS(AGPMasterDetails);

// ---- AGPMasterDetail -----------------------------------------------------------

void AGPMasterDetail::CurrentField(int16_t v) noexcept {
  if (in_range(v)) current_ = v;
}

void AGPMasterDetail::CurrentMasterField(std::string v) {
  if (in_range(current_)) master_fields_[size_t(current_) - 1] = std::move(v);
}

void AGPMasterDetail::CurrentDetailField(std::string v) {
  if (in_range(current_)) detail_fields_[size_t(current_) - 1] = std::move(v);
}

bool AGPMasterDetail::AddRelation(const std::string& MasterField, const std::string& DetailField) {
  if (MasterField.empty() || DetailField.empty()) return false;
  for (size_t i = 0; i < master_fields_.size(); ++i)
    if (master_fields_[i] == MasterField || detail_fields_[i] == DetailField) return false;
  if (master_fields_.size() >= size_t(INT16_MAX)) return false;  // FieldCount is an Integer
  master_fields_.push_back(MasterField);
  detail_fields_.push_back(DetailField);
  current_ = FieldCount();
  return true;
}

bool AGPMasterDetail::DeleteRelation(const std::string& MasterField, const std::string& DetailField) {
  if (MasterField.empty() || DetailField.empty()) return false;
  for (size_t i = 0; i < master_fields_.size(); ++i) {
    if (master_fields_[i] != MasterField && detail_fields_[i] != DetailField) continue;
    master_fields_.erase(master_fields_.begin() + std::ptrdiff_t(i));
    detail_fields_.erase(detail_fields_.begin() + std::ptrdiff_t(i));
    if (current_ > FieldCount()) current_ = FieldCount();
    return true;
  }
  return false;
}

std::string AGPMasterDetail::MasterField(int16_t i) const {
  return in_range(i) ? master_fields_[size_t(i) - 1] : std::string();
}

std::string AGPMasterDetail::DetailField(int16_t i) const {
  return in_range(i) ? detail_fields_[size_t(i) - 1] : std::string();
}

// ---- AGPMasterDetails ----------------------------------------------------------

AGPMasterDetails::AGPMasterDetails() : col_(vb::make_ref<CSuperCollection>()) {
  col_->setCompareMode(int32_t(KeyCompare::Text));
}

std::string AGPMasterDetails::relation_key(std::string_view master, std::string_view detail) {
  std::string key;
  key.reserve(master.size() + detail.size() + 2);
  auto append = [&key](std::string_view name) {
    for (char c : name) {
      if (c == '_' || c == '\\') key += '\\';
      key += c;
    }
  };
  append(master);
  key += "__";
  append(detail);
  return key;
}

vb::Ref<AGPMasterDetail> AGPMasterDetails::relation_at(size_t slot) const {
  return vb::ref_cast<AGPMasterDetail>(col_->at(slot).object_or_null());
}

std::optional<size_t> AGPMasterDetails::find_exact(const std::string& master, const std::string& detail) const {
  for (size_t i = 0; i < col_->size(); ++i) {
    auto r = relation_at(i);
    if (r && r->MasterTable() == master && r->DetailTable() == detail) return i;
  }
  return std::nullopt;
}

bool AGPMasterDetails::MasterDetailExist(const std::string& MasterTable, const std::string& DetailTable) const {
  return find_exact(MasterTable, DetailTable).has_value();
}

bool AGPMasterDetails::Add(const std::string& MasterTable, const std::string& DetailTable) {
  if (MasterTable.empty() || DetailTable.empty()) return false;
  if (!MasterDetailExist(MasterTable, DetailTable)) {
    // Seq is an Integer: a relation past 32,767 could not be numbered.
    if (Count() >= INT16_MAX) return false;
    auto rel = vb::make_ref<AGPMasterDetail>();
    rel->MasterTable(MasterTable);
    rel->DetailTable(DetailTable);
    rel->Seq(int16_t(Count() + 1));
    // A pair that differs from an existing one only in letter case is refused here (457).
    col_->Add(vb::Variant(rel), relation_key(MasterTable, DetailTable));
    cur_seq_ = rel->Seq();
  }
  cur_master_ = MasterTable;
  cur_detail_ = DetailTable;
  return true;
}

bool AGPMasterDetails::Delete(const std::string& MasterTable, const std::string& DetailTable) {
  if (MasterTable.empty() || DetailTable.empty()) return false;
  auto slot = find_exact(MasterTable, DetailTable);
  if (!slot) return false;
  auto rel = relation_at(*slot);
  const int16_t s = rel->Seq();
  for (size_t i = 0; i < col_->size(); ++i) {
    auto r = relation_at(i);
    if (r && r->Seq() >= s) r->Seq(int16_t(r->Seq() - 1));
  }
  // Remove the relation found (by its position), whatever key it is held under.
  try {
    col_->Remove(vb::Variant(int32_t(*slot) + col_->BaseIndex()));
  } catch (const vb::VBError&) {
  }
  return true;
}

vb::Ref<AGPMasterDetail> AGPMasterDetails::Item(const std::string& MasterTable, const std::string& DetailTable) {
  auto slot = find_exact(MasterTable, DetailTable);
  if (!slot) return nullptr;
  auto rel = relation_at(*slot);
  cur_master_ = MasterTable;
  cur_detail_ = DetailTable;
  cur_seq_ = rel->Seq();
  return rel;
}

vb::Ref<AGPMasterDetail> AGPMasterDetails::Seq(int16_t Index) const {
  for (size_t i = 0; i < col_->size(); ++i) {
    auto r = relation_at(i);
    if (r && r->Seq() == Index) return r;
  }
  return nullptr;
}

// ---- dispatch ----------------------------------------------------------------

const vb::DispatchTable<AGPMasterDetail>& AGPMasterDetail::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPMasterDetail;
  static const vb::DispatchTable<Self> table = [] {
    vb::DispatchTable<Self> t("AGPMasterDetail");
    t.property("Seq", [](Self& m, Args) { return Variant(m.Seq()); },
               [](Self& m, Args, const Variant& v) { m.Seq(vb::to_integer(v)); });
    t.property("MasterTable", [](Self& m, Args) { return Variant(m.MasterTable()); },
               [](Self& m, Args, const Variant& v) { m.MasterTable(vb::to_string(v)); });
    t.property("DetailTable", [](Self& m, Args) { return Variant(m.DetailTable()); },
               [](Self& m, Args, const Variant& v) { m.DetailTable(vb::to_string(v)); });
    t.property("FieldCount", [](Self& m, Args) { return Variant(m.FieldCount()); });
    t.property("CurrentField", [](Self& m, Args) { return Variant(m.CurrentField()); },
               [](Self& m, Args, const Variant& v) { m.CurrentField(vb::to_integer(v)); });
    t.property("CurrentMasterField", [](Self& m, Args) { return Variant(m.CurrentMasterField()); },
               [](Self& m, Args, const Variant& v) { m.CurrentMasterField(vb::to_string(v)); });
    t.property("CurrentDetailField", [](Self& m, Args) { return Variant(m.CurrentDetailField()); },
               [](Self& m, Args, const Variant& v) { m.CurrentDetailField(vb::to_string(v)); });
    t.method("AddRelation", [](Self& m, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(m.AddRelation(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("DeleteRelation", [](Self& m, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(m.DeleteRelation(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("MasterField", [](Self& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.MasterField(vb::to_integer(a[0])));
    });
    t.method("DetailField", [](Self& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.DetailField(vb::to_integer(a[0])));
    });
    return t;
  }();
  return table;
}

const vb::DispatchTable<AGPMasterDetails>& AGPMasterDetails::dispatch_table() {
  using vb::Args;
  using vb::Variant;
  using Self = AGPMasterDetails;
  static const vb::DispatchTable<Self> table = [] {
    vb::DispatchTable<Self> t("AGPMasterDetails");
    t.property("curMasterTable", [](Self& m, Args) { return Variant(m.curMasterTable()); });
    t.property("curDetailTable", [](Self& m, Args) { return Variant(m.curDetailTable()); });
    t.property("curSeq", [](Self& m, Args) { return Variant(m.curSeq()); });
    t.method("Add", [](Self& m, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(m.Add(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("Count", [](Self& m, Args a) {
      vb::check_arg_count(a, 0, 0);
      return Variant(m.Count());
    });
    t.method("Delete", [](Self& m, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(m.Delete(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("MasterDetailExist", [](Self& m, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(m.MasterDetailExist(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("Item", [](Self& m, Args a) {
      vb::check_arg_count(a, 2, 2);
      return Variant(m.Item(vb::to_string(a[0]), vb::to_string(a[1])));
    });
    t.method("Seq", [](Self& m, Args a) {
      vb::check_arg_count(a, 1, 1);
      return Variant(m.Seq(vb::to_integer(a[0])));
    });
    t.default_member("Item");
    t.enumerator("NewEnum_md", [](Self& m, Args) { return Variant(vb::Ref<vb::Dispatch>(m.NewEnum_md())); });
    return t;
  }();
  return table;
}

}  // namespace tolvex
