// Loading the per-user defaults of a settings store from the registry.
//
// Every model object reads the defaults of its RegSave settings when it is built, so a
// schema of thousands of columns reads the same few values thousands of times. The
// answers for one (layout, key, text mode) are kept until the registry changes.
#include <vector>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/properties.h"
#include "foundation/registry.h"
#include "platform/registry.h"
#include "vb/convert.h"

namespace tolvex {

struct UserDefaultsCache {
  struct Entry {
    vb::Ref<SettingsLayout> layout;  // held, so the layout cannot change or be reused meanwhile
    size_t size = 0;
    std::string key;
    bool as_text = false;
    uint64_t stamp = 0;
    std::vector<std::pair<size_t, vb::Variant>> values;  // slot, converted default
    std::string last_name;
    int32_t last_type = 0;
  };
  std::vector<Entry> entries;
};

namespace {

// A handful of layouts (one per model class) cover every ordinary run.
constexpr size_t kMaxEntries = 32;

UserDefaultsCache::Entry read_defaults(const AGProperties& props, const std::string& key, bool as_text) {
  ModuleContext& ctx = context();
  UserDefaultsCache::Entry e;
  e.key = key;
  e.as_text = as_text;
  e.size = props.size();
  const vb::Variant root("HKCU");
  const vb::Variant section(key);
  for (size_t i = 0; i < props.size(); ++i) {
    const PropertyDesc& d = props.desc_at(i);
    if (!d.reg_save) continue;
    ctx.RegValueName = d.name;
    vb::Variant raw = common::GetRegValue(root, section, vb::Variant(d.name));
    if (as_text) {
      try {
        raw = vb::Variant(raw.is_null() ? std::string() : vb::to_string(raw));
      } catch (const vb::VBError&) {
        raw = vb::Variant(std::string());
      }
    }
    e.values.emplace_back(i, common::ConvertByType(raw, vb::Variant(d.data_type)));
    e.last_name = d.name;
    e.last_type = ctx.RegLastValueType;
  }
  return e;
}

}  // namespace

void AGProperties::LoadUserDefaults(const std::string& key, bool as_text) {
  ModuleContext& ctx = context();
  if (!ctx.UserDefaults) ctx.UserDefaults = std::make_shared<UserDefaultsCache>();
  auto& entries = ctx.UserDefaults->entries;
  const uint64_t stamp = platform::registry_change_stamp();

  const UserDefaultsCache::Entry* hit = nullptr;
  for (const auto& e : entries) {
    if (e.layout == layout_ && e.size == size() && e.as_text == as_text && e.key == key && e.stamp == stamp) {
      hit = &e;
      break;
    }
  }
  UserDefaultsCache::Entry fresh;
  if (!hit) {
    fresh = read_defaults(*this, key, as_text);
    // Reading may have changed the registry (a hive loaded for the first time counts as a
    // change): only answers read at an unchanged stamp are kept.
    if (platform::registry_change_stamp() == stamp) {
      std::erase_if(entries, [&](const auto& e) { return e.stamp != stamp; });
      if (entries.size() >= kMaxEntries) entries.erase(entries.begin());
      fresh.layout = layout_;
      fresh.stamp = stamp;
      entries.push_back(fresh);
    }
    hit = &fresh;
  }
  for (const auto& [slot, value] : hit->values) set_value_at(slot, value);
  if (!hit->last_name.empty()) {
    ctx.RegValueName = hit->last_name;
    ctx.RegLastValueType = hit->last_type;
  }
}

}  // namespace tolvex
