#include "platform/codepage.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/error.h"
#include "vb/strings.h"

namespace tolvex::platform {

namespace {

struct CodePageName {
  int code_page;
  const char* name;  // known to iconv and to XML parsers
};

// Code pages with the names iconv (glibc) knows them by.
constexpr CodePageName kCodePages[] = {
    {37, "IBM037"},       {437, "IBM437"},        {500, "IBM500"},        {737, "CP737"},
    {775, "IBM775"},      {850, "IBM850"},        {852, "IBM852"},        {855, "IBM855"},
    {857, "IBM857"},      {860, "IBM860"},        {861, "IBM861"},        {862, "IBM862"},
    {863, "IBM863"},      {864, "IBM864"},        {865, "IBM865"},        {866, "IBM866"},
    {869, "IBM869"},      {874, "windows-874"},   {875, "CP875"},         {932, "CP932"},
    {936, "GBK"},         {949, "CP949"},         {950, "BIG5"},          {1026, "IBM1026"},
    {1200, "UTF-16LE"},   {1201, "UTF-16BE"},     {1250, "windows-1250"}, {1251, "windows-1251"},
    {1252, "windows-1252"}, {1253, "windows-1253"}, {1254, "windows-1254"}, {1255, "windows-1255"},
    {1256, "windows-1256"}, {1257, "windows-1257"}, {1258, "windows-1258"}, {1361, "JOHAB"},
    {10000, "MACINTOSH"}, {10007, "MAC-CYRILLIC"}, {20127, "US-ASCII"},   {20866, "KOI8-R"},
    {20932, "EUC-JP"},    {21866, "KOI8-U"},      {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"}, {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"},  {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"}, {50220, "ISO-2022-JP"}, {51932, "EUC-JP"},    {51936, "GB2312"},
    {51949, "EUC-KR"},    {54936, "GB18030"},     {65001, "UTF-8"},
};

const char* iconv_name(int code_page) {
  for (const auto& c : kCodePages) {
    if (c.code_page == code_page) return c.name;
  }
  return nullptr;
}

// One iconv descriptor per thread, direction and code page, kept for the thread's life.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [key, cd] : cds_) iconv_close(cd);
  }
  // nullopt when iconv cannot convert that way.
  std::optional<iconv_t> get(int code_page, bool from_utf8) {
    auto key = std::make_pair(code_page, from_utf8);
    if (auto it = cds_.find(key); it != cds_.end()) return it->second;
    const char* name = iconv_name(code_page);
    if (!name) return std::nullopt;
    iconv_t cd = from_utf8 ? iconv_open(name, "UTF-8") : iconv_open("UTF-8", name);
    if (cd == iconv_t(-1)) return std::nullopt;
    cds_.emplace(key, cd);
    return cd;
  }

 private:
  std::map<std::pair<int, bool>, iconv_t> cds_;
};

thread_local ConverterCache t_converters;

iconv_t converter(int code_page, bool from_utf8) {
  auto cd = t_converters.get(code_page, from_utf8);
  if (!cd) throw PlatformError("Unknown code page " + std::to_string(code_page));
  iconv(*cd, nullptr, nullptr, nullptr, nullptr);  // initial shift state
  return *cd;
}

bool convertible(int code_page) {
  return t_converters.get(code_page, true).has_value() && t_converters.get(code_page, false).has_value();
}

// Runs iconv over the input; on a sequence it cannot take, calls on_bad(pos) which appends the
// replacement and returns how many input bytes to skip.
template <class OnBad>
std::string run(iconv_t cd, std::string_view in, OnBad on_bad) {
  std::string out;
  out.reserve(in.size() + in.size() / 4 + 8);
  char buf[4096];
  size_t pos = 0;
  auto flush_to = [&](char* end) { out.append(buf, size_t(end - buf)); };
  while (pos < in.size()) {
    char* src = const_cast<char*>(in.data() + pos);
    size_t src_left = in.size() - pos;
    char* dst = buf;
    size_t dst_left = sizeof buf;
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    pos = size_t(src - in.data());
    flush_to(dst);
    if (r != size_t(-1)) continue;
    if (errno == E2BIG) continue;
    if (errno == EILSEQ || errno == EINVAL) {
      // Finish any shift sequence before the replacement.
      dst = buf;
      dst_left = sizeof buf;
      iconv(cd, nullptr, nullptr, &dst, &dst_left);
      flush_to(dst);
      pos += on_bad(out, pos);
      continue;
    }
    throw PlatformError(std::string("Code page conversion failed: ") + std::strerror(errno));
  }
  char* dst = buf;
  size_t dst_left = sizeof buf;
  iconv(cd, nullptr, nullptr, &dst, &dst_left);
  flush_to(dst);
  return out;
}

std::mutex g_setting_mutex;
std::optional<int> g_ansi;  // chosen or computed
std::optional<int> g_oem;

int from_environment(const char* var, int fallback) {
  if (const char* v = std::getenv(var)) {
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    if (end != v && *end == '\0' && n > 0 && n < 100000 && convertible(int(n))) return int(n);
  }
  return fallback;
}

}  // namespace

int ansi_code_page() {
  std::lock_guard lock(g_setting_mutex);
  if (!g_ansi) g_ansi = from_environment("TOLVEX_ANSI_CODEPAGE", 1252);
  return *g_ansi;
}

void set_ansi_code_page(int code_page) {
  if (code_page != 0 && !convertible(code_page)) throw PlatformError("Unknown code page " + std::to_string(code_page));
  std::lock_guard lock(g_setting_mutex);
  if (code_page == 0) {
    g_ansi.reset();
  } else {
    g_ansi = code_page;
  }
}

int oem_code_page() {
  std::lock_guard lock(g_setting_mutex);
  if (!g_oem) g_oem = from_environment("TOLVEX_OEM_CODEPAGE", 437);
  return *g_oem;
}

void set_oem_code_page(int code_page) {
  std::lock_guard lock(g_setting_mutex);
  if (code_page == 0) {
    g_oem.reset();
  } else {
    g_oem = code_page;
  }
}

std::string code_page_charset_name(int code_page) {
  const char* name = iconv_name(code_page);
  return name ? name : "";
}

// Whether the code page writes every ASCII character as that same one byte (most do;
// EBCDIC and UTF-16 pages do not). Asked of iconv once per thread and code page.
bool keeps_ascii(int code_page, iconv_t cd) {
  thread_local std::map<int, bool> known;
  if (auto it = known.find(code_page); it != known.end()) return it->second;
  std::string ascii(128, '\0');
  for (size_t i = 0; i < ascii.size(); ++i) ascii[i] = char(i);
  const bool same = run(cd, ascii, [](std::string&, size_t) { return size_t(1); }) == ascii;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  known.emplace(code_page, same);
  return same;
}

std::string utf8_to_code_page(std::string_view utf8, int code_page) {
  iconv_t cd = converter(code_page, true);
  const bool ascii_as_is = keeps_ascii(code_page, cd);
  // Most pages (and most generated pages) are plain ASCII: no conversion to run.
  if (ascii_as_is && vb::is_ascii(utf8)) return std::string(utf8);
  // "?" as the code page writes it (one byte for every code page but UTF-16).
  std::string question = code_page == 1200 ? std::string("?\0", 2) : code_page == 1201 ? std::string("\0?", 2) : "?";
  auto convert = [&](std::string_view part) {
    return run(cd, part, [&](std::string& out, size_t pos) {
      out += question;
      // Skip the character the code page lacks, or the one invalid byte.
      size_t next = pos;
      vb::utf8_decode(part, next);
      return next - pos;
    });
  };
  // ISO-2022-JP switches between character sets with escape sequences: it goes whole.
  constexpr int kIso2022Jp = 50220;
  if (!ascii_as_is || code_page == kIso2022Jp) return convert(utf8);
  // A page with a few characters outside ASCII: the ASCII runs are copied and only the runs
  // between them converted. No UTF-8 sequence holds an ASCII byte, so every run boundary is a
  // character boundary and a broken sequence breaks the same way either side of it.
  std::string out;
  out.reserve(utf8.size() + 8);
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t end = pos;
    while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) < 0x80) ++end;
    out.append(utf8, pos, end - pos);
    pos = end;
    while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) >= 0x80) ++end;
    if (end > pos) out += convert(utf8.substr(pos, end - pos));
    pos = end;
  }
  return out;
}

std::string code_page_to_utf8(std::string_view bytes, int code_page) {
  iconv_t cd = converter(code_page, false);
  return run(cd, bytes, [](std::string& out, size_t) {
    out += "\xEF\xBF\xBD";
    return size_t(1);
  });
}

std::string utf8_to_ansi(std::string_view utf8) { return utf8_to_code_page(utf8, ansi_code_page()); }
std::string ansi_to_utf8(std::string_view bytes) { return code_page_to_utf8(bytes, ansi_code_page()); }

std::optional<uint32_t> ansi_char_code_if_present(char32_t c) {
  std::string one;
  vb::utf8_append(one, c);
  const std::string bytes = utf8_to_ansi(one);
  if (bytes.empty() || bytes.size() > 4) return std::nullopt;
  if (c != U'?' && bytes == utf8_to_ansi("?")) return std::nullopt;  // the replacement
  uint32_t code = 0;
  for (unsigned char b : bytes) code = code * 256 + b;
  return code;
}

uint32_t ansi_char_code(char32_t c) { return ansi_char_code_if_present(c).value_or(0x3F); }

}  // namespace tolvex::platform
