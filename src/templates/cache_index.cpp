#include "templates/cache_index.h"

#include <system_error>

#include "foundation/class_registry.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "platform/xml.h"
#include "templates/package_xml.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace fs = std::filesystem;

namespace tolvex {

using vb::Args;
using vb::Variant;

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr size_t npos = size_t(-1);

std::string index_key(std::string_view group, std::string_view key) {
  std::string k;
  k.reserve(group.size() + key.size() + 1);
  k.append(group).push_back('\0');
  k.append(key);
  return k;
}


std::string text_of(const Variant& v) {
  const Variant value = vb::default_value(v);
  return value.is_null() ? std::string() : vb::to_string(value);
}

// An attribute value that reads back exactly whatever encoding the declaration names: the
// XML escapes, and every character beyond ASCII as a character reference.
std::string attribute_value(std::string_view value) {
  const std::string escaped = platform::xml_escape_attribute(value);
  if (vb::is_ascii(escaped)) return escaped;
  std::string out;
  out.reserve(escaped.size() + 16);
  size_t pos = 0;
  while (pos < escaped.size()) {
    const char32_t cp = vb::utf8_decode(escaped, pos);
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else {
      out.append("&#").append(std::to_string(uint32_t(cp))).push_back(';');
    }
  }
  return out;
}

void write_attribute(std::string& out, std::string_view name, std::string_view value) {
  out.append(name).append("=\"").append(attribute_value(value)).append("\" ");
}

// Sizes are file sizes: two numbers compare by value ("1024" and 1024 are the same size),
// anything else by its text.
bool same_size(const std::string& stored, const Variant& given) {
  const Variant value = vb::default_value(given);
  if (value.is_null()) return false;
  const auto stored_number = vb::parse_number(stored);
  if (stored_number && vb::is_numeric(value)) {
    try {
      return *stored_number == vb::to_double(value);
    } catch (const vb::VBError&) {
      return false;
    }
  }
  return stored == vb::to_string(value);
}

std::string document_folder() {
  const ModuleContext& ctx = context();
  std::string docs = common::trim_blanks(ctx.DocumentsFolder);
  if (docs.empty()) docs = platform::documents_folder().string();
  return platform::normalize_separators(docs);
}

}  // namespace

fs::path AGPCache::cache_folder_for(std::string_view package_name) {
  fs::path folder = fs::path(document_folder()) / common::CompactName(context().ProductKey) / "Templates";
  const std::string package = common::CompactName(package_name);
  if (!package.empty()) folder /= package;
  return folder / "cache";
}

AGPCache::AGPCache() : file_(cache_folder_for(context().TemplatePackageName) / "cache.xml") { read_file(); }

AGPCache::AGPCache(const fs::path& cache_folder) : file_(cache_folder / "cache.xml") { read_file(); }

void AGPCache::read_file() {
  try {
    platform::create_folders(file_.parent_path());
  } catch (const std::exception&) {
    // The folder cannot be made: the index stays empty and writing it will report the failure.
  }
  std::error_code ec;
  if (!fs::is_regular_file(file_, ec)) return;
  const auto doc = load_package_xml(file_.string());
  if (!doc) return;
  const platform::XmlNode root = doc->root();
  if (root.name() != "Cache") return;
  for (const platform::XmlNode& e : root.child_elements("CacheEntry")) {
    append(Entry{e.attribute("Group").value_or(std::string()), e.attribute("Key").value_or(std::string()),
                 e.attribute("DateTime").value_or(std::string()), e.attribute("Size").value_or(std::string())});
  }
}

size_t AGPCache::find(std::string_view group, std::string_view key) const {
  auto it = index_.find(index_key(group, key));
  return it == index_.end() ? npos : it->second;
}

void AGPCache::append(Entry e) {
  index_.emplace(index_key(e.group, e.key), entries_.size());
  entries_.push_back(std::move(e));
}

void AGPCache::reindex() {
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(index_key(entries_[i].group, entries_[i].key), i);
}

bool AGPCache::AddCache(const Variant& group, const Variant& key, const Variant& date, const Variant& size) {
  const std::string g = text_of(group), k = text_of(key);
  std::string stamp = common::FormatTimestamp(date);
  std::string size_text = text_of(size);
  const size_t i = find(g, k);
  if (i != npos) {
    entries_[i].date_time = std::move(stamp);
    entries_[i].size = std::move(size_text);
  } else {
    append(Entry{g, k, std::move(stamp), std::move(size_text)});
  }
  return true;
}

bool AGPCache::DeleteCache(const Variant& group, const Variant& key) {
  const size_t i = find(text_of(group), text_of(key));
  if (i == npos) return false;
  entries_.erase(entries_.begin() + std::ptrdiff_t(i));
  reindex();
  return true;
}

bool AGPCache::DeleteCacheGroup(const Variant& group) {
  const std::string g = text_of(group);
  const size_t before = entries_.size();
  std::erase_if(entries_, [&g](const Entry& e) { return same_text_nocase(e.group, g); });
  if (entries_.size() == before) return false;
  reindex();
  return true;
}

bool AGPCache::DeleteAllCache() {
  entries_.clear();
  index_.clear();
  return false;
}

int16_t AGPCache::CheckCache(const Variant& group, const Variant& key, const Variant& date, const Variant& size) const {
  const size_t i = find(text_of(group), text_of(key));
  if (i == npos) return 2;
  const Entry& e = entries_[i];
  return e.date_time == common::FormatTimestamp(date) && same_size(e.size, size) ? 0 : 1;
}

Variant AGPCache::GetCacheDate(const Variant& group, const Variant& key) const {
  const size_t i = find(text_of(group), text_of(key));
  if (i == npos) return Variant::date(0.0);
  return Variant(entries_[i].date_time);
}

bool AGPCache::MatchCacheGroup(const Variant& group, const Variant& list) const {
  const std::string g = text_of(group);
  const std::string text = text_of(list);
  // Lines by their folded form, each with a flag: matched by some key of the group.
  std::unordered_map<std::string, bool, KeyHash, KeyEqual> lines{0, KeyHash{KeyCompare::Text},
                                                                 KeyEqual{KeyCompare::Text}};
  if (!text.empty())
    for (std::string_view line : vb::split(text, kCrLf)) lines.emplace(std::string(line), false);
  for (const Entry& e : entries_) {
    if (!same_text_nocase(e.group, g)) continue;
    auto it = lines.find(e.key);
    if (it == lines.end()) return false;
    it->second = true;
  }
  for (const auto& [line, matched] : lines)
    if (!matched) return false;
  return true;
}

FileResult AGPCache::WriteCacheFile() const {
  ModuleContext& ctx = context();
  std::string charset = text_of(common::GetRegValue(Variant("HKCU"), Variant(ctx.RegKeyGeneral),
                                                    Variant("XMLEncodeCharSet")));
  if (charset.empty()) {
    if (ctx.SystemCodePage.empty()) common::InitSystemCharset();
    charset = ctx.SystemCharset;
  }
  std::string out = "<?xml version=\"1.0\"";
  if (!charset.empty()) out.append(" encoding=\"").append(attribute_value(charset)).append("\"");
  out.append(" standalone=\"yes\"?>").append(kCrLf);
  out.append("<Cache ");
  write_attribute(out, "Product", ctx.ProductKey);
  write_attribute(out, "Version", ctx.ProgramVersion);
  out.append(">").append(kCrLf);
  for (const Entry& e : entries_) {
    out.append("<CacheEntry ");
    write_attribute(out, "Group", e.group);
    write_attribute(out, "Key", e.key);
    write_attribute(out, "DateTime", e.date_time);
    write_attribute(out, "Size", e.size);
    out.append("/>").append(kCrLf);
  }
  out.append("</Cache>").append(kCrLf);
  try {
    platform::create_folders(file_.parent_path());
    platform::write_file_atomic(file_, platform::utf8_to_ansi(out));
  } catch (const std::exception& e) {
    return FileResult{e.what()};
  }
  return FileResult{};
}

const vb::DispatchTable<AGPCache>& AGPCache::dispatch_table() {
  using C = AGPCache;
  static const vb::DispatchTable<C> table = [] {
    vb::DispatchTable<C> t("AGPCache");
    t.method("AddCache",
             [](C& c, Args a) {
               vb::check_arg_count(a, 4, 4);
               return Variant(c.AddCache(a[0], a[1], a[2], a[3]));
             })
        .method("DeleteCache",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return Variant(c.DeleteCache(a[0], a[1]));
                })
        .method("DeleteCacheGroup",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(c.DeleteCacheGroup(a[0]));
                })
        .method("DeleteAllCache",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 0, 0);
                  return Variant(c.DeleteAllCache());
                })
        .method("CheckCache",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 4, 4);
                  return Variant(c.CheckCache(a[0], a[1], a[2], a[3]));
                })
        .method("GetCacheDate",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return c.GetCacheDate(a[0], a[1]);
                })
        .method("MatchCacheGroup",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return Variant(c.MatchCacheGroup(a[0], a[1]));
                })
        .method("WriteCacheFile", [](C& c, Args a) {
          vb::check_arg_count(a, 0, 0);
          (void)c.WriteCacheFile();
          return Variant();
        });
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGPCache);

}  // namespace tolvex
