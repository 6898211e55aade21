// FormatNumber, FormatCurrency and FormatPercent in the English (United States) form:
// "," groups thousands, "." marks decimals, "$" leads currency.
#include <charconv>
#include <cmath>
#include <string_view>

#include "vbscript/runtime/library.h"

namespace tolvex::vbscript::lib {

namespace {

constexpr int kTrue = -1, kFalse = 0, kUseDefault = -2;

struct Fixed {
  bool negative = false;
  std::string whole;     // digits before the point, "0" when none
  std::string fraction;  // exactly the requested number of digits
};

// The number with `digits` decimals. It is read with 15 significant digits first, as VB
// converts doubles to text, then rounded half away from zero on those decimal digits.
Fixed to_fixed(double x, int digits) {
  Fixed f;
  f.negative = std::signbit(x);
  x = std::fabs(x);
  std::string mant;  // significant digits
  int exp10 = 0;     // value = 0.mant * 10^exp10
  if (x != 0) {
    // d.dddddddddddddde±x, written without the C library (whose decimal point is the
    // process locale's).
    char buf[40];
    const auto written = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    const std::string_view s(buf, size_t(written.ptr - buf));
    const size_t e = s.find('e');
    mant = std::string(s.substr(0, 1)) + std::string(s.substr(2, e - 2));
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
    ++exp10;
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
  }
  // Digits of the value at positions ..., 10^1, 10^0 . 10^-1, ... up to 10^-digits.
  int int_len = std::max(exp10, 0);
  std::string all(size_t(int_len + digits), '0');
  // A leading spare digit takes a carry.
  for (size_t i = 0; i < mant.size(); ++i) {
    long pos = long(int_len) - exp10 + long(i);  // index into `all`
    if (pos >= 0 && pos < long(all.size())) all[size_t(pos)] = mant[i];
  }
  long cut = long(int_len) - exp10 + 0;  // index of mant[0]
  long first_dropped = long(all.size()) - cut;  // mant index of the first digit not kept
  bool round_up = first_dropped >= 0 && first_dropped < long(mant.size()) && mant[size_t(first_dropped)] >= '5';
  if (round_up) {
    long i = long(all.size()) - 1;
    for (; i >= 0; --i) {
      if (all[size_t(i)] == '9') {
        all[size_t(i)] = '0';
      } else {
        ++all[size_t(i)];
        break;
      }
    }
    if (i < 0) {
      all.insert(all.begin(), '1');
      ++int_len;
    }
  }
  f.whole = all.substr(0, size_t(int_len));
  size_t nz = f.whole.find_first_not_of('0');
  f.whole = nz == std::string::npos ? "0" : f.whole.substr(nz);
  f.fraction = all.substr(size_t(int_len));
  if (f.whole == "0" && f.fraction.find_first_not_of('0') == std::string::npos) f.negative = false;
  return f;
}

std::string grouped(const std::string& whole) {
  std::string out;
  size_t n = whole.size();
  for (size_t i = 0; i < n; ++i) {
    if (i && (n - i) % 3 == 0) out += ',';
    out += whole[i];
  }
  return out;
}

int tristate(Args a, size_t i) {
  if (!present(a, i)) return kUseDefault;
  int32_t t = long_arg(a, i);
  if (t != kTrue && t != kFalse && t != kUseDefault) {
    if (t == 1) return kTrue;  // any other non-zero value counts as True
    invalid_argument();
  }
  return t;
}

enum class Style { Number, Currency, Percent };

Variant format(Args a, Style style) {
  if (null_arg(a, 0)) vb::raise(vb::err::kTypeMismatch);  // 13, where a Null option is 94
  int32_t digits = long_arg_or(a, 1, -1);
  if (digits < -1 || digits > 255) invalid_argument();
  if (digits == -1) digits = 2;
  int leading = tristate(a, 2), parens = tristate(a, 3), group = tristate(a, 4);
  double x = double_arg(a, 0);
  if (style == Style::Percent) x *= 100;
  if (!std::isfinite(x)) vb::raise(vb::err::kOverflow);
  Fixed f = to_fixed(x, digits);
  std::string body;
  if (f.whole == "0" && leading == kFalse && digits > 0)
    body = "";
  else
    body = group == kFalse ? f.whole : grouped(f.whole);
  if (digits > 0) body += "." + f.fraction;
  if (style == Style::Currency) body = "$" + body;
  if (style == Style::Percent) body += "%";
  if (!f.negative) return Variant(std::move(body));
  bool use_parens = parens == kUseDefault ? style == Style::Currency : parens == kTrue;
  return Variant(use_parens ? "(" + body + ")" : "-" + body);
}

Variant fn_formatnumber(RuntimeEnv&, Args a) { return format(a, Style::Number); }
Variant fn_formatcurrency(RuntimeEnv&, Args a) { return format(a, Style::Currency); }
Variant fn_formatpercent(RuntimeEnv&, Args a) { return format(a, Style::Percent); }

const Builtin kBuiltins[] = {
    {"FormatNumber", fn_formatnumber, 1, 5},
    {"FormatCurrency", fn_formatcurrency, 1, 5},
    {"FormatPercent", fn_formatpercent, 1, 5},
};

}  // namespace

std::span<const Builtin> format_builtins() { return kBuiltins; }

}  // namespace tolvex::vbscript::lib
