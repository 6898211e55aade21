#include "templates/file_cache.h"

#include "foundation/class_registry.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "platform/codepage.h"
#include "platform/contained_path.h"
#include "platform/file_io.h"
#include "templates/marker_search.h"
#include "templates/package_xml.h"
#include "templates/template_run.h"
#include "vb/convert.h"

namespace tolvex {

namespace {

constexpr std::string_view kSessionOpen = "<!--##session";
constexpr std::string_view kSessionClose = "<!--##/session##-->";
constexpr std::string_view kIncludeOpen = "<!--##include";
// Includes deeper than this are refused: no real package nests that far.
constexpr size_t kMaxIncludeDepth = 200;
// A session that includes another several times, which includes another several times, and so
// on, grows exponentially without any loop. The expansion stops once it holds this many bytes
// or pieces; a real package stays far below both.
constexpr size_t kMaxExpandedBytes = size_t(64) << 20;
constexpr size_t kMaxExpandedPieces = size_t(1) << 20;

std::string row_key(std::string_view file, std::string_view session) {
  std::string k;
  k.reserve(file.size() + session.size() + 1);
  k.append(file).push_back('\0');
  k.append(session);
  return k;
}

void refresh_progress() { status_window().Refresh(); }

// A file with the UTF-8 byte-order mark, or one that is valid UTF-8 without it, is UTF-8;
// anything else was saved in the ANSI code page.
std::string decode_template_file(const std::string& bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  if (is_valid_utf8(bytes)) return bytes;
  return platform::ansi_to_utf8(bytes);
}

const TemplateExtensionSource*& extension_source() {
  static const TemplateExtensionSource* source = nullptr;
  return source;
}

}  // namespace

struct AGPFileCache::Expansion {
  std::vector<std::string> pieces;
  std::vector<std::pair<std::string, std::string>> path;  // sessions being expanded
  size_t bytes = 0;
  bool reported = false;
  bool too_large = false;

  void add(std::string_view piece) {
    if (too_large) return;
    bytes += piece.size();
    pieces.emplace_back(piece);
  }
  // Reports the first failure only; the expansion goes on without the offending include.
  void fail(std::string text) {
    if (reported) return;
    reported = true;
    context().ProjErr = context().ProductTitle + ": " + text + ". Generation aborted!";
  }
};

void AGPFileCache::Clear() {
  rows_.clear();
  index_.clear();
}

void AGPFileCache::store(const std::string& file, std::string session, std::string text) {
  std::string key = row_key(file, session);
  auto it = index_.find(key);
  if (it != index_.end()) {
    rows_[it->second].text = std::move(text);
    return;
  }
  index_.emplace(std::move(key), rows_.size());
  rows_.push_back(Row{file, std::move(session), std::move(text)});
}

const AGPFileCache::Row* AGPFileCache::find(std::string_view file, std::string_view session) const {
  auto it = index_.find(row_key(file, session));
  return it == index_.end() ? nullptr : &rows_[it->second];
}

void AGPFileCache::AddFile(const std::string& file_path, const std::string& file_name) {
  const auto found = existing_template_path(file_path);
  if (!found) return;
  // Unreadable files count as missing.
  if (const auto text = read_template_text(*found)) AddText(*text, file_name);
}

void AGPFileCache::AddText(std::string_view s, const std::string& file_name) {
  size_t open = find_nocase(s, kSessionOpen, 0);
  while (open != kNoMatch) {
    refresh_progress();
    const size_t name_start = open + kSessionOpen.size();
    const size_t name_end = s.find(kBlockClose, name_start);
    if (name_end == kNoMatch) return;
    const size_t body = name_end + kBlockClose.size();
    const size_t close = find_nocase(s, kSessionClose, body);
    if (close != kNoMatch)
      store(file_name, std::string(trim_spaces(s.substr(name_start, name_end - name_start))),
            std::string(s.substr(body, close - body)));
    open = find_nocase(s, kSessionOpen, body);
  }
}

std::string AGPFileCache::GetSession(const std::string& file_name, const std::string& session_name) const {
  const Row* r = find(file_name, session_name);
  return r ? r->text : std::string();
}

void AGPFileCache::expand(std::string_view s, Expansion& ex) const {
  size_t last_end = 0;
  size_t pos = find_nocase(s, kIncludeOpen, 0);
  while (pos != kNoMatch && !ex.too_large) {
    refresh_progress();
    ex.add(s.substr(last_end, pos - last_end));
    const size_t spec_start = pos + kIncludeOpen.size();
    const size_t close = s.find(kBlockClose, spec_start);
    if (close == kNoMatch) {
      last_end = pos;
      break;
    }
    std::string_view spec = trim_spaces(s.substr(spec_start, close - spec_start));
    const size_t slash = spec.find('/');
    if (slash != std::string_view::npos && spec.find('/', slash + 1) == std::string_view::npos) {
      std::string file(trim_spaces(spec.substr(0, slash)));
      std::string session(trim_spaces(spec.substr(slash + 1)));
      const std::string where = file + "/" + session;
      bool loop = false;
      for (const auto& p : ex.path) loop = loop || (p.first == file && p.second == session);
      if (loop) {
        ex.fail("Session " + where + " includes itself");
      } else if (ex.path.size() >= kMaxIncludeDepth) {
        ex.fail("Includes nested deeper than " + std::to_string(kMaxIncludeDepth) + " levels at " + where);
      } else if (ex.bytes > kMaxExpandedBytes || ex.pieces.size() > kMaxExpandedPieces) {
        ex.fail("Includes expand to more than " + std::to_string(kMaxExpandedBytes >> 20) + " MB or " +
                std::to_string(kMaxExpandedPieces) + " pieces at " + where);
        ex.too_large = true;
      } else if (const Row* r = find(file, session)) {
        ex.path.emplace_back(file, session);
        expand(r->text, ex);
        ex.path.pop_back();
      } else {
        ex.add({});
      }
    }
    last_end = close + kBlockClose.size();
    pos = find_nocase(s, kIncludeOpen, last_end);
  }
  if (!ex.too_large) ex.add(s.substr(last_end));
}

std::vector<std::string> AGPFileCache::expand_includes(std::string_view text) const {
  Expansion ex;
  expand(text, ex);
  return std::move(ex.pieces);
}

std::vector<std::string> AGPFileCache::expanded_session(const std::string& file_name,
                                                        const std::string& session_name) const {
  const Row* r = find(file_name, session_name);
  if (!r) return {std::string()};
  Expansion ex;
  ex.path.emplace_back(file_name, session_name);
  expand(r->text, ex);
  return std::move(ex.pieces);
}

std::optional<std::string> read_template_text(const std::string& file_path) {
  try {
    return decode_template_file(platform::read_file(file_path));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

AGPFileCache& shared_file_cache() {
  ModuleContext& ctx = context();
  if (!ctx.SharedFileCache) ctx.SharedFileCache = vb::make_ref<AGPFileCache>();
  return static_cast<AGPFileCache&>(*ctx.SharedFileCache);
}

std::string ListTemplateIncludes(std::string_view s) {
  std::string out;
  size_t pos = find_nocase(s, kIncludeOpen, 0);
  while (pos != kNoMatch) {
    const size_t close = s.find(kBlockClose, pos);
    if (close == kNoMatch) break;
    const size_t spec_start = pos + kIncludeOpen.size();
    std::string_view spec = close > spec_start ? s.substr(spec_start, close - spec_start) : std::string_view();
    const size_t slash = spec.rfind('/');
    std::string_view file = trim_spaces(slash == std::string_view::npos ? spec : spec.substr(0, slash));
    if (!out.empty()) out += ',';
    out += file;
    pos = find_nocase(s, kIncludeOpen, close + kBlockClose.size());
  }
  return out;
}

void set_template_extension_source(const TemplateExtensionSource* source) { extension_source() = source; }

std::string ResolveTemplateFile(const std::string& name) {
  const ModuleContext& ctx = context();
  if (ctx.CurrentTemplateFolder == ctx.TemplateFolder && extension_source()) {
    for (const std::string& ext : extension_source()->extension_names()) {
      // Found as every package file is: either separator, any letter case.
      if (const auto inside = platform::path_inside(join_path(ctx.ExtensionWorkFolder, ext), name))
        if (auto found = existing_template_path(*inside)) return *found;
    }
  }
  return platform::path_inside(ctx.CurrentTemplateFolder, name).value_or(std::string());
}

const vb::DispatchTable<AGPFileCache>& AGPFileCache::dispatch_table() {
  using T = AGPFileCache;
  using vb::Args;
  using vb::Variant;
  static const vb::DispatchTable<T> table = [] {
    vb::DispatchTable<T> d("AGPFileCache");
    d.method("Clear",
             [](T& c, Args) {
               c.Clear();
               return Variant();
             })
        .method("AddFile",
                [](T& c, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  c.AddFile(vb::to_string(a[0]), vb::to_string(a[1]));
                  return Variant();
                })
        .method("GetSession", [](T& c, Args a) {
          vb::check_arg_count(a, 2, 2);
          return Variant(c.GetSession(vb::to_string(a[0]), vb::to_string(a[1])));
        });
    return d;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGPFileCache);

}  // namespace tolvex
