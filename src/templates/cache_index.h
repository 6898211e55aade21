// AGPCache: the cache index of a generation run ("cache.xml" in the cache folder), which
// remembers the modification time and size of the template package, the extension
// packages, the user's code, the control and language files and the compiled templates, so
// that a run can tell what changed since the last one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/super_collection.h"
#include "foundation/text_files.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPCache : public vb::AutoDispatch<AGPCache> {
 public:
  static const vb::DispatchTable<AGPCache>& dispatch_table();

  struct Entry {
    std::string group;
    std::string key;
    std::string date_time;  // common::FormatTimestamp of the date given
    std::string size;       // the size given, as text
  };

  // The index in the cache folder of the current template package (the context's
  // TemplatePackageName; see cache_folder_for). Missing folders are created and an existing
  // "cache.xml" is read.
  AGPCache();
  explicit AGPCache(const std::filesystem::path& cache_folder);

  // The cache folder of a template package: <documents>/<product>/Templates/<package>/cache
  // with the product key and the package name without "/" and blanks (directly below
  // "Templates" when there is no package name).
  static std::filesystem::path cache_folder_for(std::string_view package_name);

  // Updates the entry (group and key ignoring letter case) or appends it; always True.
  bool AddCache(const vb::Variant& group, const vb::Variant& key, const vb::Variant& date, const vb::Variant& size);
  bool DeleteCache(const vb::Variant& group, const vb::Variant& key);
  bool DeleteCacheGroup(const vb::Variant& group);
  // Empties the table; the result is always False.
  bool DeleteAllCache();
  // 2 when there is no entry, 0 when the formatted date and the size are the stored ones,
  // 1 otherwise. Sizes compare as numbers when both are numbers.
  int16_t CheckCache(const vb::Variant& group, const vb::Variant& key, const vb::Variant& date,
                     const vb::Variant& size) const;
  // The stored DateTime text, or the Date 0:00:00 when there is no entry.
  vb::Variant GetCacheDate(const vb::Variant& group, const vb::Variant& key) const;
  // True when the keys of the group and the lines of `list` (CR LF separated) are the same
  // set, letter case ignored.
  bool MatchCacheGroup(const vb::Variant& group, const vb::Variant& list) const;
  // Replaces "cache.xml" with the table; a failure is reported, and the old file stays.
  FileResult WriteCacheFile() const;

  const std::vector<Entry>& entries() const noexcept { return entries_; }
  const std::filesystem::path& file() const noexcept { return file_; }

 private:
  void read_file();
  size_t find(std::string_view group, std::string_view key) const;  // npos when missing
  void append(Entry e);
  void reindex();

  std::filesystem::path file_;
  std::vector<Entry> entries_;
  // Position of the first entry of each (group, key), letter case ignored.
  std::unordered_map<std::string, size_t, KeyHash, KeyEqual> index_{0, KeyHash{KeyCompare::Text},
                                                                    KeyEqual{KeyCompare::Text}};
};

}  // namespace tolvex
