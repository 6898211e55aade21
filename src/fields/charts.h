// Charts of a table: AGPChart (30 settings and its trend lines) and AGPCharts, the
// table's collection of them by name and sequence number.
#pragma once

#include <string>

#include "fields/chart_settings.h"
#include "fields/model_collection.h"
#include "fields/settings_owner.h"
#include "fields/trends.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPChart : public vb::AutoDispatch<AGPChart>, public SettingsOwner<ChartSetting, kChartSettings> {
 public:
  // Declares the settings and reads the per-user defaults (RegKeyChart).
  AGPChart();

  // The chart's trend lines, created on first use.
  const vb::Ref<AGPTrends>& Trendlines();

  TOLVEX_CHART_SETTINGS(TOLVEX_SETTING_ACCESSORS)

  // A second name for ChartName.
  std::string Key() const { return ChartName(); }
  void Key(const std::string& v) { ChartName(v); }

  static std::string_view collection_name_setting() { return setting_name(SettingIndex::ChartName); }
  std::string collection_name() const { return ChartName(); }
  const vb::Variant& collection_name_value() const { return setting_value(SettingIndex::ChartName); }
  void set_collection_name(const std::string& v) { ChartName(v); }
  int16_t collection_seq() const { return ChartSeq(); }
  const vb::Variant& collection_seq_value() const { return setting_value(SettingIndex::ChartSeq); }
  void set_collection_seq(int16_t s) { ChartSeq(s); }

  static const vb::DispatchTable<AGPChart>& dispatch_table();

 private:
  vb::Ref<AGPTrends> trends_;
};

class AGPCharts : public vb::AutoDispatch<AGPCharts>, public ModelCollection<AGPChart> {
 public:
  AGPCharts();

  std::string curSeq() const { return std::to_string(cur_seq_); }

  // TblName names the owning table for the extensions. Add of a name that exists
  // makes that chart current and answers True.
  bool Add(const std::string& TblName, const std::string& Name) { return add_item(TblName, Name); }
  bool Change(const std::string& TblName, const std::string& OldName, const std::string& NewName) {
    return change_item(TblName, OldName, NewName);
  }
  bool Delete(const std::string& TblName, const vb::Variant& Index) { return delete_item(TblName, name_arg(Index)); }
  bool ChartExist(const vb::Variant& Index) const { return exists(Index); }
  vb::Ref<AGPChart> Item(const vb::Variant& Index) { return item_by(Index); }
  vb::Ref<AGPChart> Seq(int16_t Index) const { return seq_item(Index); }
  vb::Ref<vb::Enumerator> NewEnum_cht() const { return new_enum(); }

  static const vb::DispatchTable<AGPCharts>& dispatch_table();

 protected:
  vb::Ref<AGPChart> create_item(const std::string& name) override;
  void renamed(const std::string& owner, AGPChart& item, const std::string& old_name,
               const std::string& new_name) override;
  void deleting(const std::string& owner, const std::string& name) override;
};

}  // namespace tolvex
