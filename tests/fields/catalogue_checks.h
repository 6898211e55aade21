// Checks of a settings catalogue against the totals and flags its owner states.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/setting_decl.h"
#include "vb/strings.h"

namespace tolvex::testing {

struct CatalogueFacts {
  const char* owner;
  SettingCatalogue catalogue;
  size_t count;
  size_t reg_text;   // RegSave with RegFormat 1
  size_t reg_dword;  // RegSave with RegFormat 4
  std::set<std::string> not_file_saved;
  size_t synced;
  // Data type counts, where the owner states them (empty: not stated).
  std::map<std::string, size_t> per_type;
  // Settings whose registry default is a text although their type is a number.
  std::set<std::string> numeric_text_defaults;
  // (position from 1, key) pairs that anchor the declaration order.
  std::vector<std::pair<size_t, std::string>> positions;
};

inline bool is_numeric_type(std::string_view t) {
  return t == "Integer" || t == "Long" || t == "Single" || t == "Double";
}

inline void check_catalogue(const CatalogueFacts& f) {
  SCOPED_TRACE(f.owner);
  const SettingCatalogue& c = f.catalogue;
  ASSERT_EQ(c.size(), f.count);

  const std::set<std::string> known{"String", "Boolean", "Integer", "Long", "Single", "Double", "Variant"};
  std::set<std::string> folded;
  size_t reg_text = 0, reg_dword = 0, synced = 0;
  std::set<std::string> not_file_saved;
  std::map<std::string, size_t> per_type;
  for (const SettingDecl& d : c) {
    SCOPED_TRACE(d.name);
    std::string name = d.name;
    ASSERT_FALSE(name.empty());
    // The store refuses a second key that differs only in letter case.
    EXPECT_TRUE(folded.insert(vb::ascii_lower(name)).second) << "duplicate key ignoring case";
    EXPECT_TRUE(known.count(d.data_type)) << d.data_type;
    ++per_type[d.data_type];
    if (!d.reg_save) {
      EXPECT_EQ(d.reg_format, 0) << "a setting without a per-user default has no registry kind";
    } else {
      ASSERT_TRUE(d.reg_format == 1 || d.reg_format == 4) << d.reg_format;
      (d.reg_format == 1 ? reg_text : reg_dword)++;
      bool dword_expected = is_numeric_type(d.data_type) && !f.numeric_text_defaults.count(name);
      EXPECT_EQ(d.reg_format == 4, dword_expected) << "numbers are double words, the rest texts";
    }
    if (!d.file_save) not_file_saved.insert(name);
    if (d.sync) ++synced;
  }
  EXPECT_EQ(reg_text, f.reg_text);
  EXPECT_EQ(reg_dword, f.reg_dword);
  EXPECT_EQ(not_file_saved, f.not_file_saved);
  EXPECT_EQ(synced, f.synced);
  if (!f.per_type.empty()) {
    EXPECT_EQ(per_type, f.per_type);
  }
  for (const auto& [pos, key] : f.positions) {
    ASSERT_LE(pos, c.size());
    EXPECT_EQ(std::string(c[pos - 1].name), key) << "at position " << pos;
  }
}

// One row as its owner gives it, checked at the position its index enum names.
struct NamedRow {
  SettingCatalogue catalogue;
  size_t index;
  const char* name;
  const char* type;
  bool reg_save;
  int32_t reg_format;
  bool file_save;
  bool sync;
};

inline void check_rows(std::initializer_list<NamedRow> rows) {
  for (const NamedRow& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_LT(r.index, r.catalogue.size());
    const SettingDecl& d = r.catalogue[r.index];
    EXPECT_EQ(std::string(d.name), r.name);
    EXPECT_EQ(std::string(d.data_type), r.type);
    EXPECT_EQ(d.reg_save, r.reg_save);
    EXPECT_EQ(d.reg_format, r.reg_format);
    EXPECT_EQ(d.file_save, r.file_save);
    EXPECT_EQ(d.sync, r.sync);
  }
}

}  // namespace tolvex::testing
