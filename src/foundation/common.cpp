#include "foundation/common.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <unordered_map>
#include <vector>

#include "foundation/context.h"
#include "platform/codepage.h"
#include "platform/folders.h"
#include "vb/convert.h"
#include "vb/error.h"
#include "vb/strings.h"
#include "vb/strings.h"

namespace tolvex::common {

using vb::Variant;

std::string trim_blanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string text_if_any(const Variant& v) {
  if (v.is_null() || v.is_empty()) return std::string();
  try {
    return vb::to_string(v);
  } catch (const vb::VBError&) {
    return std::string();
  }
}

int16_t integer_if_numeric(const Variant& v) {
  try {
    return vb::is_numeric(v) ? vb::to_integer(v) : int16_t(0);
  } catch (const vb::VBError&) {
    return 0;
  }
}

bool truth_if_any(const Variant& v) {
  if (v.is_null() || v.is_empty()) return false;
  try {
    return vb::to_bool(v);
  } catch (const vb::VBError&) {
    return false;
  }
}

namespace {

// The text of a value, or nullopt when it has none (Null, objects without a value, ...).
std::optional<std::string> text_of(const Variant& v) {
  try {
    return vb::to_string(v);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

Variant convert(const Variant& value, const Variant& type_name, bool unquote_strings) {
  std::optional<std::string> name = type_name.is_null() ? std::nullopt : text_of(type_name);
  if (!name) return value;  // no type name to match: unchanged
  std::string t = vb::utf8_lower(*name);
  try {
    if (t == "boolean") return vb::cbool(value);
    if (t == "integer") return vb::cint(value);
    if (t == "long") return vb::clng(value);
    if (t == "single") return vb::csng(value);
    if (t == "double") return vb::cdbl(value);
    if (t == "string") {
      std::string s = vb::to_string(value);
      return unquote_strings ? Variant(Unquote(s)) : Variant(std::move(s));
    }
  } catch (const std::exception&) {
    return Variant();
  }
  return value;
}

}  // namespace

Variant ConvertByType(const Variant& value, const Variant& type_name) {
  return convert(value, type_name, true);
}

Variant ConvertByTypeRaw(const Variant& value, const Variant& type_name) {
  return convert(value, type_name, false);
}

std::string Unquote(std::string_view text) {
  std::string s = trim_blanks(text);
  while (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
    s = trim_blanks(std::string_view(s).substr(1, s.size() - 2));
  return s;
}

std::string AddBackslash(std::string_view path) {
  std::string s = trim_blanks(path);
  if (!s.empty() && s.back() != '\\' && s.back() != '/') s += '/';
  return s;
}

std::string MakeCaption(std::string_view name) {
  std::u32string in = vb::utf8_to_u32(trim_blanks(name));
  std::u32string out;
  bool previous_upper = true;
  auto ends_in_blank = [&] { return !out.empty() && out.back() == U' '; };
  for (char32_t c : in) {
    if (c == U'_' || c == U'-' || c == U' ') {
      if (!ends_in_blank()) out += U' ';
      continue;
    }
    char32_t up = vb::unicode_upper(c);
    bool upper = (c == up);
    if (!previous_upper && upper && !ends_in_blank()) out += U' ';
    previous_upper = upper;
    if (out.empty() || ends_in_blank()) c = up;
    out += c;
  }
  return vb::u32_to_utf8(out);
}

std::string CompactName(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '/' && c != ' ') out += c;
  return out;
}

int16_t Percent(int32_t part, int32_t whole) {
  if (whole == 0) whole = 1;
  if (part > whole) part = whole;
  double p = vb::round_half_even(double(part) / double(whole) * 100.0);
  p = std::clamp(p, double(std::numeric_limits<int16_t>::min()), double(std::numeric_limits<int16_t>::max()));
  return int16_t(p);
}

std::string PadZero(std::string_view value, int32_t width) {
  size_t len = vb::utf8_length(value);
  if (width <= 0 || len >= size_t(width)) return std::string(value);
  return std::string(size_t(width) - len, '0') + std::string(value);
}

std::string PadZero(int64_t value, int32_t width) { return PadZero(std::to_string(value), width); }

std::string FormatTimestamp(const Variant& value) {
  try {
    bool is_date = value.type() == vb::VarType::Date || (value.is_string() && vb::is_date(value));
    if (is_date) {
      vb::DateParts d = vb::split_date(vb::to_date(value));
      return PadZero(d.year, 4) + "/" + PadZero(d.month, 2) + "/" + PadZero(d.day, 2) + " " + PadZero(d.hour, 2) +
             ":" + PadZero(d.minute, 2) + ":" + PadZero(d.second, 2);
    }
  } catch (const std::exception&) {
    // fall through to the plain text
  }
  return text_of(value).value_or(std::string());
}

std::string SortLines(std::string_view list) {
  if (trim_blanks(list).empty()) return {};
  std::vector<std::string> items;
  for (std::string_view line : vb::split(list, "\r\n")) items.emplace_back(line);
  // An exchange sort swaps exactly the pairs that are out of order, so a line is
  // moved (and written back trimmed) exactly when some line before it is greater
  // or some line after it is smaller. A stable sort gives the same order without
  // the quadratic cost on long lists.
  const size_t n = items.size();
  std::vector<std::string> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = trim_blanks(items[i]);
  std::vector<bool> moved(n, false);
  const std::string* max_before = nullptr;
  for (size_t i = 0; i < n; ++i) {
    if (max_before && *max_before > keys[i]) moved[i] = true;
    if (!max_before || keys[i] > *max_before) max_before = &keys[i];
  }
  const std::string* min_after = nullptr;
  for (size_t i = n; i-- > 0;) {
    if (min_after && *min_after < keys[i]) moved[i] = true;
    if (!min_after || keys[i] < *min_after) min_after = &keys[i];
  }
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::string out;
  for (size_t k = 0; k < n; ++k) {
    if (k) out += "\r\n";
    size_t i = order[k];
    out += moved[i] ? keys[i] : items[i];
  }
  return out;
}

bool IsCharsetName(std::string_view text) {
  const std::string t = trim_blanks(text);
  if (t.size() > 40 || (!t.empty() && !std::isalnum(static_cast<unsigned char>(t[0])))) return false;
  return std::all_of(t.begin(), t.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '.' || c == '_' || c == ':' || c == '-';
  });
}

std::string CodePageToCharset(const Variant& code_page) {
  static const std::unordered_map<std::string, std::string> table = [] {
    struct Row {
      const char* charset;
      std::initializer_list<int> pages;
    };
    const Row rows[] = {
        {"iso-8859-1", {29001, 20106, 20277, 1142, 20278, 1143, 1147, 20273, 1141, 20871, 1149,
                        1148,  20280, 1144,  20284, 1145, 20285, 1146, 37,    1140, 861,   10079,
                        20108, 437,   20107, 20127, 850,  20105, 28591, 10000, 1252}},
        {"iso-8859-2", {852, 28592, 10029, 1250, 870}},
        {"iso-8859-3", {28593}},
        {"iso-8859-4", {775, 28594, 1257}},
        {"iso-8859-5", {866, 28595, 20866, 21866, 10007, 1251, 20880, 21025, 1026}},
        {"iso-8859-6", {708, 720, 28596, 10004, 1256, 20420}},
        {"iso-8859-7", {737, 28597, 10006, 1253, 869, 875, 20423}},
        {"iso-8859-8", {862, 38598, 28598, 10005, 1255, 20424}},
        {"iso-8859-9", {20905, 857, 28599, 10081, 1254}},
        {"iso-8859-15", {28605}},
        {"gb2312", {51936, 936, 52936, 10008, 50935}},
        {"big5", {950, 20000, 20002, 10002, 50937}},
        {"shift_jis", {50930, 20290, 50931, 51932, 50220, 50222, 50221, 10001, 932, 50939}},
        {"euc-kr", {50933, 20833, 949, 51949, 50225, 1361, 10003}},
        {"windows-874", {20838, 874}},
        {"windows-1258", {1258}},
        {"utf-16", {1200, 1201}},
        {"utf-7", {65000}},
        {"utf-8", {65001}},
    };
    std::unordered_map<std::string, std::string> m;
    for (const Row& r : rows)
      for (int p : r.pages) m.emplace(std::to_string(p), r.charset);
    return m;
  }();
  std::string s = text_of(code_page).value_or(std::string());
  s.erase(std::remove(s.begin(), s.end(), '\0'), s.end());
  auto it = table.find(trim_blanks(s));
  return it == table.end() ? std::string() : it->second;
}

std::string GetSpecialFolderPath(int32_t window_handle, int32_t folder_id) {
  constexpr int32_t kPersonalFolder = 5;  // the user's documents
  if (folder_id != kPersonalFolder) return {};
  std::string path;
  try {
    path = platform::documents_folder().string();
  } catch (const std::exception&) {
    return {};
  }
  path.erase(std::remove(path.begin(), path.end(), '\0'), path.end());
  return trim_blanks(path);
}

void InitSystemCharset() {
  std::string page = std::to_string(platform::oem_code_page());
  ModuleContext& ctx = context();
  ctx.SystemCharset = CodePageToCharset(Variant(page));
  ctx.SystemCodePage = std::move(page);
}

}  // namespace tolvex::common
