#include "vbscript/runtime/library.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "vb/strings.h"
#include "vbscript/runtime/stop.h"

namespace tolvex::vbscript::lib {

namespace {
Variant checked(Args a, size_t i) {
  if (i >= a.size()) vb::raise(vb::err::kWrongArgCount);
  return a[i].is_object() ? vb::default_value(a[i]) : a[i];
}
}  // namespace

void invalid_argument() { vb::raise(vb::err::kInvalidProcedureCall); }

Variant indexed(vb::Ref<vb::Dispatch> collection, Args a) {
  if (a.empty()) return Variant(std::move(collection));
  return collection->invoke(vb::kDispValue, vb::InvokeKind::Get, a);
}

std::string str_arg(Args a, size_t i) {
  if (i < a.size() && a[i].is_string()) return a[i].raw_string();
  Variant v = checked(a, i);
  return v.is_string() ? v.raw_string() : vb::to_string(v);
}

std::string_view text_arg(Args a, size_t i, std::string& buffer) {
  if (i < a.size() && a[i].is_string()) return a[i].raw_string();
  buffer = str_arg(a, i);
  return buffer;
}

bool null_arg(Args a, size_t i) {
  if (i >= a.size()) return false;
  if (a[i].is_object()) return vb::default_value(a[i]).is_null();
  return a[i].is_null();
}

int32_t long_arg(Args a, size_t i) { return vb::to_long(checked(a, i)); }
double double_arg(Args a, size_t i) { return vb::to_double(checked(a, i)); }
bool bool_arg(Args a, size_t i) { return vb::to_bool(checked(a, i)); }
double date_arg(Args a, size_t i) { return vb::to_date(checked(a, i)); }

int32_t long_arg_or(Args a, size_t i, int32_t def) { return present(a, i) ? long_arg(a, i) : def; }
bool bool_arg_or(Args a, size_t i, bool def) { return present(a, i) ? bool_arg(a, i) : def; }

vb::CompareMode compare_arg(Args a, size_t i) {
  if (!present(a, i)) return vb::CompareMode::Binary;
  int32_t m = long_arg(a, i);
  if (m == 0) return vb::CompareMode::Binary;
  if (m == 1) return vb::CompareMode::Text;
  invalid_argument();
}

size_t ascii_run_end(std::string_view s, size_t from, size_t limit) noexcept {
  const char* p = s.data();
  size_t i = from, n = std::min(s.size(), limit);
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (uint64_t high = w & 0x8080808080808080ull) return i + size_t(__builtin_ctzll(high) / 8);
  }
  for (; i < n; ++i)
    if (static_cast<unsigned char>(p[i]) >= 0x80) return i;
  return n;
}

size_t char_offset(std::string_view s, size_t index) {
  size_t pos = 0, i = 0, next_look = kStopPiece;
  while (i < index && pos < s.size()) {
    if (pos >= next_look) {
      poll_stop();
      next_look = pos + kStopPiece;
    }
    size_t want = index - i;
    size_t run = ascii_run_end(s, pos, std::min({s.size(), want > s.size() - pos ? s.size() : pos + want, next_look}));
    if (run > pos) {
      size_t take = run - pos;
      pos += take;
      i += take;
      continue;
    }
    vb::utf8_decode(s, pos);
    ++i;
  }
  return pos;
}

size_t char_count(std::string_view s) {
  size_t pos = 0, n = 0, next_look = kStopPiece;
  while (pos < s.size()) {
    if (pos >= next_look) {
      poll_stop();
      next_look = pos + kStopPiece;
    }
    size_t run = ascii_run_end(s, pos, next_look);
    n += run - pos;
    pos = run;
    if (pos < s.size() && pos < next_look) {
      vb::utf8_decode(s, pos);
      ++n;
    }
  }
  return n;
}

size_t tail_offset(std::string_view s, size_t n) {
  size_t pos = s.size();
  StopEvery<kStopPiece> stop;
  for (size_t i = 0; i < n && pos > 0; ++i) {
    stop.step();
    unsigned char c = static_cast<unsigned char>(s[pos - 1]);
    if (c < 0x80) {
      --pos;
      continue;
    }
    // Back over continuation bytes to the lead byte, which must announce exactly them.
    size_t start = pos - 1, conts = 0;
    while (start > 0 && conts < 3 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) {
      --start;
      ++conts;
    }
    size_t check = start;
    if (vb::utf8_decode(s, check) == 0xFFFD || check != pos) return std::string_view::npos;
    pos = start;
  }
  return pos;
}

double date_to_linear(double oadate) {
  double day = std::trunc(oadate);
  return day + std::fabs(oadate - day);
}

double linear_to_date(double linear) {
  double day = std::floor(linear);
  double frac = linear - day;
  return day >= 0 ? day + frac : day - frac;
}

int64_t date_to_seconds(double oadate) { return int64_t(std::llround(date_to_linear(oadate) * 86400.0)); }

double seconds_to_date(int64_t seconds) {
  int64_t day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  double frac = double(seconds - day * 86400) / 86400.0;
  return day >= 0 ? double(day) + frac : double(day) - frac;
}

namespace {
// Code points of bytes 0x80-0x9F in windows-1252; 0 where the code page has no character.
constexpr char16_t kAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

char32_t ansi_to_unicode(uint8_t byte) noexcept {
  if (byte >= 0x80 && byte < 0xA0) {
    char16_t c = kAnsiHigh[byte - 0x80];
    return c ? char32_t(c) : char32_t(byte);  // undefined bytes map to the C1 controls
  }
  return byte;
}

std::optional<uint8_t> unicode_to_ansi(char32_t cp) noexcept {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return uint8_t(cp);
  for (int i = 0; i < 32; ++i) {
    char32_t c = kAnsiHigh[i] ? char32_t(kAnsiHigh[i]) : char32_t(0x80 + i);
    if (c == cp) return uint8_t(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace tolvex::vbscript::lib
