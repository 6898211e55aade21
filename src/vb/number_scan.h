// Reading numbers from text the way VB's conversions do (internal to src/vb).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tolvex::vb::detail {

enum class ScanStatus { Ok, NotNumber, Overflow };

// A number read from text: either an integer from a "&H"/"&O" form, or the
// decimal value digits * 10^exp10 (digits without leading zeros).
struct ScannedNumber {
  static constexpr int kMaxDigits = 780;  // enough for correctly rounded doubles
  bool negative = false;
  bool radix = false;       // "&H" / "&O" form; the value is radix_value
  int64_t radix_value = 0;  // already signed (16- or 32-bit two's complement)
  int ndigits = 0;
  bool sticky = false;      // non-zero digits were dropped beyond kMaxDigits
  int64_t exp10 = 0;
  char digits[kMaxDigits];
};

// Reads the whole text as a number: blanks around it, a sign before or after
// it, "$", parentheses for negatives, "," between digits of the integer part,
// "." decimals, an E or D exponent, "&H"/"&O" with an optional "&" suffix.
ScanStatus scan_number(std::string_view s, ScannedNumber& out) noexcept;
ScanStatus scanned_to_double(const ScannedNumber& n, double& out) noexcept;
// value * 10000 with halves rounded to even; Overflow outside the 64-bit range.
ScanStatus scanned_to_currency(const ScannedNumber& n, int64_t& out) noexcept;

// Writes v with up to `precision` significant digits as VB does (plain decimals while
// the decimal exponent e is in -5 < e < fixed_limit, else "1.5E-07"); returns the length.
// out needs room for 32 characters.
size_t format_significant(double v, int precision, int fixed_limit, char* out) noexcept;
// Writes a Currency value (value * 10000); out needs room for 24 characters.
size_t format_currency_to(int64_t scaled, char* out) noexcept;

inline bool is_blank(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace tolvex::vb::detail
