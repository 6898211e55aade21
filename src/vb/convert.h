// VB's conversion rules. Every function raises VBError: 13 type mismatch,
// 6 overflow, 94 invalid use of Null. Texts use one locale-independent form
// (English, United States: "." decimal point, M/D/YYYY dates).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vb/variant.h"

namespace tolvex::vb {

// The value of an object's default member (objects used as values); other values unchanged.
Variant default_value(const Variant& v);

bool to_bool(const Variant& v);            // CBool
uint8_t to_byte(const Variant& v);         // CByte
int16_t to_integer(const Variant& v);      // CInt (banker's rounding)
int32_t to_long(const Variant& v);         // CLng (banker's rounding)
float to_single(const Variant& v);         // CSng
double to_double(const Variant& v);        // CDbl
int64_t to_currency(const Variant& v);     // CCur, value * 10000
double to_date(const Variant& v);          // CDate, as an OLE date
std::string to_string(const Variant& v);   // CStr (Empty gives "", Null raises 94)
// Appends CStr(v) to out without a temporary string for numbers and strings.
void append_string(std::string& out, const Variant& v);

// Conversions that keep the Variant wrapper (CInt(x) gives an Integer Variant, ...).
Variant cbool(const Variant& v);
Variant cbyte(const Variant& v);
Variant cint(const Variant& v);
Variant clng(const Variant& v);
Variant csng(const Variant& v);
Variant cdbl(const Variant& v);
Variant ccur(const Variant& v);
Variant cdate(const Variant& v);
Variant cstr(const Variant& v);
// Changes v to the given subtype with the rules above (VarType codes of scalars).
Variant change_type(const Variant& v, VarType to);

// Text as VB reads numbers (English, United States): blanks around, a sign before
// or after the digits, "$", parentheses for a negative, "," between digits of the
// integer part, "." decimals, an E or D exponent, "&H"/"&O" forms (four hex digits
// make an Integer: "&HFFFF" is -1; a trailing "&" makes a Long); nullopt when the
// text is no number or too large for a Double.
std::optional<double> parse_number(std::string_view s);
// Text as VB reads dates and times: M/D/YYYY (D/M/YYYY when only that is a date),
// YYYY-MM-DD, YYYY/MM/DD, D-Mon-YYYY, Month D, YYYY, M/D and D Mon of this year,
// times h:mm[:ss] [AM|PM] and h AM|PM, before or after the date. Two-digit years
// read as 2000-2029 and 1930-1999. A time alone gives a time on day 0.
std::optional<double> parse_date(std::string_view s);

bool is_numeric(const Variant& v);  // IsNumeric
bool is_date(const Variant& v);     // IsDate

// Banker's rounding to an integer (halves to the even neighbour).
double round_half_even(double x);

// Texts of numbers as VB writes them.
std::string format_double(double d);    // up to 15 significant digits, "1E+20", "1.5E-07"
std::string format_single(float f);     // up to 7 significant digits
std::string format_currency(int64_t scaled);  // up to 4 decimals, no thousands separators
std::string format_date(double oadate);       // "1/2/2003", "1/2/2003 4:05:06 PM", "4:05:06 PM"

// OLE date arithmetic. Dates run from 100-01-01 to 9999-12-31.
struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int weekday = 7;  // 1 = Sunday
};
// DateSerial: months and days outside their ranges carry (month 13 is January of
// the next year, day 0 the last day of the month before); years 0-99 read as
// 2000-2029 and 1930-1999. nullopt outside 1/1/100 .. 12/31/9999.
std::optional<double> make_date(int year, int month, int day);
double make_time(int hour, int minute, int second);
DateParts split_date(double oadate);

// VB's comparison rules for Variants. Numbers (Integer, Long, Byte, Boolean,
// Currency, Single, Double, Date) compare as numbers, strings as strings (binary
// or text compare); a number is always less than a string; Empty is 0 against a
// number and "" against a string. No operand keeps a fixed type as in compiled
// VB: "100" > CLng(1000) holds, because the string side is always the greater.
enum class CompareMode { Binary = 0, Text = 1 };
// <0, 0 or >0; nullopt when either side is Null.
std::optional<int> compare(const Variant& a, const Variant& b, CompareMode mode = CompareMode::Binary);
// StrComp-style text comparison (Text mode ignores letter case).
int compare_text(std::string_view a, std::string_view b, CompareMode mode);

// TypeName() of a value ("Empty", "Null", "Integer", ..., "Variant()", "Byte()", class names).
std::string type_name(const Variant& v);

}  // namespace tolvex::vb
