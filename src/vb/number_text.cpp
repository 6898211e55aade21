// Numbers to and from text in VB's locale-independent form (English, United States).
// Nothing here consults the C or C++ locale: digits go through std::to_chars/from_chars.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "vb/convert.h"
#include "vb/number_scan.h"

namespace tolvex::vb {

double round_half_even(double x) {
  if (!std::isfinite(x)) return x;
  double r = std::floor(x);
  double diff = x - r;  // exact for every double
  if (diff > 0.5) return r + 1.0;
  if (diff < 0.5) return r;
  return std::fmod(r, 2.0) == 0.0 ? r : r + 1.0;
}

namespace detail {

namespace {

int hex_digit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

}  // namespace

ScanStatus scan_number(std::string_view s, ScannedNumber& out) noexcept {
  out.negative = false;
  out.radix = false;
  out.radix_value = 0;
  out.ndigits = 0;
  out.sticky = false;
  out.exp10 = 0;

  size_t i = 0, n = s.size();
  auto skip_blanks = [&] {
    while (i < n && is_blank(s[i])) ++i;
  };
  skip_blanks();

  // "&H1F", "&O17", optionally with the "&" (Long) suffix.
  if (i < n && s[i] == '&') {
    ++i;
    if (i >= n) return ScanStatus::NotNumber;
    int base = (s[i] == 'H' || s[i] == 'h') ? 16 : (s[i] == 'O' || s[i] == 'o') ? 8 : 0;
    if (base == 0) return ScanStatus::NotNumber;
    ++i;
    uint64_t v = 0;
    size_t first = i;
    bool too_big = false;
    for (; i < n; ++i) {
      int d = hex_digit(s[i]);
      if (d < 0 || d >= base) break;
      v = v * uint64_t(base) + uint64_t(d);
      if (v > 0xFFFFFFFFull) {
        too_big = true;
        v = 0xFFFFFFFFull + 1;
      }
    }
    if (i == first) return ScanStatus::NotNumber;
    bool long_suffix = false;
    if (i < n && s[i] == '&') {
      long_suffix = true;
      ++i;
    }
    skip_blanks();
    if (i != n) return ScanStatus::NotNumber;
    if (too_big) return ScanStatus::Overflow;
    out.radix = true;
    // As VB reads such numbers: four hex digits make an Integer, eight a Long.
    if (!long_suffix && v <= 0xFFFF)
      out.radix_value = int64_t(int16_t(uint16_t(v)));
    else
      out.radix_value = int64_t(int32_t(uint32_t(v)));
    return ScanStatus::Ok;
  }

  bool parens = false;
  if (i < n && s[i] == '(') {
    parens = true;
    ++i;
    skip_blanks();
  }
  bool have_sign = false, have_currency = false;
  for (int k = 0; k < 2 && i < n; ++k) {
    if (s[i] == '$' && !have_currency) {
      have_currency = true;
      ++i;
      skip_blanks();
    } else if ((s[i] == '-' || s[i] == '+') && !have_sign && !parens) {
      have_sign = true;
      out.negative = s[i] == '-';
      ++i;
    }
  }

  bool any_digit = false;
  auto take_digit = [&](char c, bool fraction) {
    any_digit = true;
    if (out.ndigits == 0 && c == '0') {
      if (fraction) --out.exp10;
      return;
    }
    if (out.ndigits < ScannedNumber::kMaxDigits) {
      out.digits[out.ndigits++] = c;
      if (fraction) --out.exp10;
    } else {
      if (!fraction) ++out.exp10;
      if (c != '0') out.sticky = true;
    }
  };

  // Integer part; "," groups digits ("1,234") but must sit between two digits.
  while (i < n) {
    if (is_digit(s[i])) {
      take_digit(s[i], false);
      ++i;
    } else if (s[i] == ',' && i > 0 && is_digit(s[i - 1]) && i + 1 < n && is_digit(s[i + 1])) {
      ++i;
    } else {
      break;
    }
  }
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && is_digit(s[i])) take_digit(s[i++], true);
  }
  if (!any_digit) return ScanStatus::NotNumber;

  if (i < n && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    ++i;
    bool eneg = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
    if (i >= n || !is_digit(s[i])) return ScanStatus::NotNumber;
    int64_t e = 0;
    for (; i < n && is_digit(s[i]); ++i) {
      if (e < 100000000) e = e * 10 + (s[i] - '0');
    }
    out.exp10 += eneg ? -e : e;
  }

  if (!have_sign && !parens && i < n && (s[i] == '-' || s[i] == '+')) {
    out.negative = s[i] == '-';
    ++i;
  }
  skip_blanks();
  if (parens) {
    if (i >= n || s[i] != ')') return ScanStatus::NotNumber;
    ++i;
    out.negative = true;
    skip_blanks();
  }
  if (i != n) return ScanStatus::NotNumber;
  return ScanStatus::Ok;
}

ScanStatus scanned_to_double(const ScannedNumber& num, double& out) noexcept {
  if (num.radix) {
    out = double(num.radix_value);
    return ScanStatus::Ok;
  }
  if (num.ndigits == 0) {
    out = 0.0;
    return ScanStatus::Ok;
  }
  int64_t lead = int64_t(num.ndigits) - 1 + num.exp10;  // decimal exponent of the first digit
  if (lead > 310) return ScanStatus::Overflow;
  if (lead < -400) {
    out = 0.0;
    return ScanStatus::Ok;
  }
  char buf[ScannedNumber::kMaxDigits + 32];
  size_t len = size_t(num.ndigits);
  std::memcpy(buf, num.digits, len);
  int64_t e = num.exp10;
  if (num.sticky) {  // a trailing 1 stands for the dropped digits when rounding
    buf[len++] = '1';
    --e;
  }
  buf[len++] = 'e';
  auto r = std::to_chars(buf + len, buf + sizeof buf, e);
  double v = 0;
  auto res = std::from_chars(buf, r.ptr, v, std::chars_format::scientific);
  if (res.ec == std::errc::result_out_of_range) {
    if (lead > 0) return ScanStatus::Overflow;
    v = 0.0;
  } else if (res.ec != std::errc()) {
    return ScanStatus::NotNumber;
  }
  if (std::isinf(v)) return ScanStatus::Overflow;
  out = num.negative && v != 0.0 ? -v : v;
  return ScanStatus::Ok;
}

ScanStatus scanned_to_currency(const ScannedNumber& num, int64_t& out) noexcept {
  constexpr uint64_t kLimit = uint64_t(1) << 63;  // magnitude of the most negative value
  uint64_t mag = 0;
  if (num.radix) {
    int64_t v = num.radix_value;
    out = v * 10000;  // 32-bit values always fit
    return ScanStatus::Ok;
  }
  if (num.ndigits == 0) {
    out = 0;
    return ScanStatus::Ok;
  }
  int64_t scale = num.exp10 + 4;
  int64_t keep = int64_t(num.ndigits) + scale;  // digits left of the (scaled) decimal point
  if (keep > 19) return ScanStatus::Overflow;
  auto add_digit = [&](int d) {
    if (mag > (kLimit - uint64_t(d)) / 10) return false;
    mag = mag * 10 + uint64_t(d);
    return true;
  };
  int64_t kept_digits = keep < num.ndigits ? keep : num.ndigits;
  for (int64_t k = 0; k < kept_digits; ++k)
    if (!add_digit(num.digits[k] - '0')) return ScanStatus::Overflow;
  for (int64_t k = num.ndigits; k < keep; ++k)
    if (!add_digit(0)) return ScanStatus::Overflow;
  if (keep >= 0 && keep < num.ndigits) {
    // Round the dropped digits, halves to even (below a tenth of a unit, keep < 0, gives 0).
    int first = num.digits[keep] - '0';
    bool rest = num.sticky;
    for (int64_t k = keep + 1; k < num.ndigits && !rest; ++k)
      if (num.digits[k] != '0') rest = true;
    if (first > 5 || (first == 5 && (rest || (mag & 1)))) {
      if (mag == kLimit) return ScanStatus::Overflow;
      ++mag;
    }
  }
  if (num.negative) {
    out = mag == kLimit ? std::numeric_limits<int64_t>::min() : -int64_t(mag);
  } else {
    if (mag >= kLimit) return ScanStatus::Overflow;
    out = int64_t(mag);
  }
  return ScanStatus::Ok;
}

}  // namespace detail

std::optional<double> parse_number(std::string_view s) {
  detail::ScannedNumber num;
  if (detail::scan_number(s, num) != detail::ScanStatus::Ok) return std::nullopt;
  double v = 0;
  if (detail::scanned_to_double(num, v) != detail::ScanStatus::Ok) return std::nullopt;
  return v;
}

namespace detail {

size_t format_significant(double v, int precision, int fixed_limit, char* out) noexcept {
  char* p = out;
  if (std::isnan(v)) {
    std::memcpy(out, "-1.#IND", 7);
    return 7;
  }
  if (std::isinf(v)) {
    if (v < 0) *p++ = '-';
    std::memcpy(p, "1.#INF", 6);
    return size_t(p - out) + 6;
  }
  if (v == 0.0) {
    *p = '0';
    return 1;
  }
  char tmp[48];
  auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::scientific, precision - 1);
  const char* q = tmp;
  if (*q == '-') {
    *p++ = '-';
    ++q;
  }
  char digits[24];
  int nd = 0;
  for (; q < r.ptr && *q != 'e'; ++q)
    if (*q != '.') digits[nd++] = *q;
  int exp = 0;
  if (q < r.ptr) {
    ++q;  // 'e'
    if (*q == '+') ++q;
    std::from_chars(q, r.ptr, exp);
  }
  while (nd > 1 && digits[nd - 1] == '0') --nd;

  if (exp > -5 && exp < fixed_limit) {
    if (exp >= 0) {
      for (int k = 0; k <= exp; ++k) *p++ = k < nd ? digits[k] : '0';
      if (nd > exp + 1) {
        *p++ = '.';
        for (int k = exp + 1; k < nd; ++k) *p++ = digits[k];
      }
    } else {
      *p++ = '0';
      *p++ = '.';
      for (int k = 0; k < -exp - 1; ++k) *p++ = '0';
      for (int k = 0; k < nd; ++k) *p++ = digits[k];
    }
  } else {
    *p++ = digits[0];
    if (nd > 1) {
      *p++ = '.';
      for (int k = 1; k < nd; ++k) *p++ = digits[k];
    }
    *p++ = 'E';
    *p++ = exp < 0 ? '-' : '+';
    int a = exp < 0 ? -exp : exp;
    if (a < 10) *p++ = '0';
    p = std::to_chars(p, p + 8, a).ptr;
  }
  return size_t(p - out);
}


size_t format_currency_to(int64_t scaled, char* out) noexcept {
  char* p = out;
  uint64_t mag = scaled < 0 ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
  if (scaled < 0) *p++ = '-';
  p = std::to_chars(p, out + 24, mag / 10000).ptr;
  unsigned frac = unsigned(mag % 10000);
  if (frac) {
    char f[4] = {char('0' + frac / 1000), char('0' + frac / 100 % 10), char('0' + frac / 10 % 10),
                 char('0' + frac % 10)};
    int nf = 4;
    while (f[nf - 1] == '0') --nf;
    *p++ = '.';
    for (int k = 0; k < nf; ++k) *p++ = f[k];
  }
  return size_t(p - out);
}

}  // namespace detail

std::string format_double(double d) {
  char buf[32];
  return std::string(buf, detail::format_significant(d, 15, 15, buf));
}

std::string format_single(float f) {
  char buf[32];
  // The float's own value rounded to 7 digits: 0.1f reads "0.1", not "0.100000001490116".
  return std::string(buf, detail::format_significant(double(f), 7, 7, buf));
}

std::string format_currency(int64_t scaled) {
  char buf[24];
  return std::string(buf, detail::format_currency_to(scaled, buf));
}

}  // namespace tolvex::vb
