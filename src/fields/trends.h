// Trend lines of a chart: AGPTrend (11 settings) and AGPTrends, the chart's
// collection of them by name and sequence number.
#pragma once

#include <string>

#include "fields/model_collection.h"
#include "fields/settings_owner.h"
#include "fields/trend_settings.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPTrend : public vb::AutoDispatch<AGPTrend>, public SettingsOwner<TrendSetting, kTrendSettings> {
 public:
  // Declares the settings and reads the per-user defaults (RegKeyTrendline).
  AGPTrend();

  TOLVEX_TREND_SETTINGS(TOLVEX_SETTING_ACCESSORS)

  // A second name for TrendName.
  std::string Key() const { return TrendName(); }
  void Key(const std::string& v) { TrendName(v); }

  static std::string_view collection_name_setting() { return setting_name(SettingIndex::TrendName); }
  std::string collection_name() const { return TrendName(); }
  const vb::Variant& collection_name_value() const { return setting_value(SettingIndex::TrendName); }
  void set_collection_name(const std::string& v) { TrendName(v); }
  int16_t collection_seq() const { return TrendSeq(); }
  const vb::Variant& collection_seq_value() const { return setting_value(SettingIndex::TrendSeq); }
  void set_collection_seq(int16_t s) { TrendSeq(s); }

  static const vb::DispatchTable<AGPTrend>& dispatch_table();
};

class AGPTrends : public vb::AutoDispatch<AGPTrends>, public ModelCollection<AGPTrend> {
 public:
  AGPTrends();

  // The current sequence number as decimal text.
  std::string curSeq() const { return std::to_string(cur_seq_); }

  // True also for a name that exists (it becomes current); a name that differs
  // from an existing one only in letter case renames that trend line.
  bool Add(const std::string& Name) { return add_item(std::string(), Name); }
  // A new name that another trend line holds is refused by the container (457).
  bool Change(const std::string& OldName, const std::string& NewName) {
    return change_item(std::string(), OldName, NewName);
  }
  bool Delete(const vb::Variant& Index) { return delete_item(std::string(), name_arg(Index)); }
  bool TrendExist(const vb::Variant& Index) const { return exists(Index); }
  // By position (a number) or exact name (a text); Nothing otherwise.
  vb::Ref<AGPTrend> Item(const vb::Variant& Index) { return item_by(Index); }
  vb::Ref<AGPTrend> Seq(int16_t Index) const { return seq_item(Index); }
  vb::Ref<vb::Enumerator> NewEnum_trend() const { return new_enum(); }

  static const vb::DispatchTable<AGPTrends>& dispatch_table();

 protected:
  vb::Ref<AGPTrend> create_item(const std::string& name) override;
};

}  // namespace tolvex
