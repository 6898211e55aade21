// The shared procedures of module `common`: conversions by type name, quoting,
// captions, paths, dates, sorting of key lists, code pages and charsets.
// The registry procedures GetRegValue/SetRegValue live in foundation/registry.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vb/variant.h"

namespace tolvex::common {

// --- text helpers used throughout the engine ---

// VB's Trim: removes blanks (U+0020 only) at both ends.
std::string trim_blanks(std::string_view s);
// The text of a value; "" for Empty, Null and a value that has no text (a conversion error).
std::string text_if_any(const vb::Variant& v);
// The truth of a value; False for Empty, Null and a value that is no Boolean (a conversion error).
bool truth_if_any(const vb::Variant& v);
// The value as an Integer when it is numeric; 0 otherwise and when it does not fit (a
// conversion error).
int16_t integer_if_numeric(const vb::Variant& v);

// --- conversions by type name ---

// Converts by the lower-cased type name: "boolean", "integer", "long", "single",
// "double", "string" (to text, then Unquote). Any other name gives the value
// unchanged. A conversion that fails gives Empty; Empty gives False, 0 or "".
vb::Variant ConvertByType(const vb::Variant& value, const vb::Variant& type_name);
// As ConvertByType, but "string" passes a text unchanged (no trimming, no unquoting).
vb::Variant ConvertByTypeRaw(const vb::Variant& value, const vb::Variant& type_name);

// --- quoting, paths, names ---

// Trims, then strips matching pairs of double or single quotes (trimming again
// after each pair).
std::string Unquote(std::string_view text);
// Trims; a non-empty path that ends in neither "/" nor "\" gets the engine's path
// separator "/" appended. A blank path gives "".
std::string AddBackslash(std::string_view path);
// "order_date" -> "Order Date", "CustomerID" -> "Customer ID".
std::string MakeCaption(std::string_view name);
// The text with every "/" and every blank removed.
std::string CompactName(std::string_view text);
// The path of a special folder of the user: folder id 5 is the documents folder.
// Any other id, or a failure, gives "".
std::string GetSpecialFolderPath(int32_t window_handle, int32_t folder_id);

// --- numbers and dates ---

// part / whole * 100 rounded half to even; a whole of 0 counts as 1, a part above
// the whole counts as the whole. Results beyond the Integer range are clamped.
int16_t Percent(int32_t part, int32_t whole);
// A date (or a text that reads as one) as "yyyy/mm/dd hh:mm:ss"; any other value
// as its text ("" when it has none).
std::string FormatTimestamp(const vb::Variant& value);
// Left-pads the value's text with "0" to `width` characters; a longer value is
// returned as it is.
std::string PadZero(std::string_view value, int32_t width);
std::string PadZero(int64_t value, int32_t width);

// --- lists ---

// Sorts a list of names kept one per line (CR LF separated) by their trimmed texts
// in exact character order; stable. Lines that had to move are written back
// trimmed; the others keep their blanks. A blank list gives "".
std::string SortLines(std::string_view list);

// --- code pages and charsets ---

// Sets the context's SystemCodePage and SystemCharset from the system's default
// OEM code page.
void InitSystemCharset();
// The charset name of a Windows code page number ("iso-8859-1" for 1252, "utf-8"
// for 65001, ...); "" for a code page without one.
std::string CodePageToCharset(const vb::Variant& code_page);
// True when `text`, trimmed, can stand in a page's charset declaration: empty (the default),
// or up to 40 letters, digits, ".", "_", ":" and "-" starting with a letter or digit.
bool IsCharsetName(std::string_view text);

}  // namespace tolvex::common
