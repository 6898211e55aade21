// Charts of a table: AGPChart (30 settings and its trend lines) and AGPCharts, the
// table's collection of them by name and sequence number.
#pragma once

#include <string>

#include "fields/chart_settings.h"
#include "fields/sequenced_collection.h"
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

  std::string collection_name() const { return ChartName(); }
  int16_t collection_seq() const { return ChartSeq(); }
  void set_collection_seq(int16_t s) { ChartSeq(s); }

  static const vb::DispatchTable<AGPChart>& dispatch_table();

 private:
  vb::Ref<AGPTrends> trends_;
};

class AGPCharts : public vb::AutoDispatch<AGPCharts>, public SequencedCollection<AGPChart> {
 public:
  std::string curSeq() const { return std::to_string(cur_seq_); }

  // TblName names the owning table for the extensions.
  bool Add(const std::string& TblName, const std::string& Name);
  bool Change(const std::string& TblName, const std::string& OldName, const std::string& NewName);
  bool Delete(const std::string& TblName, const vb::Variant& Index);
  bool ChartExist(const vb::Variant& Index) const;
  vb::Ref<AGPChart> Item(const vb::Variant& Index);
  vb::Ref<AGPChart> Seq(int16_t Index) const;
  vb::Ref<vb::Enumerator> NewEnum_cht() const { return new_enum(); }

  static const vb::DispatchTable<AGPCharts>& dispatch_table();
};

}  // namespace tolvex
