// Shared helpers of the built-in function files: argument access and the tables each file exports.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vb/convert.h"
#include "vb/error.h"
#include "vb/variant.h"
#include "vbscript/runtime/builtins.h"

namespace tolvex::vbscript::lib {

using vb::Args;
using vb::Variant;

// The argument as a plain value: an object gives its default value, a missing one stays missing.
inline Variant value_arg(Args a, size_t i) {
  if (i >= a.size()) return Variant::missing();
  return a[i].is_object() ? vb::default_value(a[i]) : a[i];
}
inline bool present(Args a, size_t i) { return vb::has_arg(a, i); }

// The argument's text without a copy when it already is a String; other values are
// converted into `buffer`. Null raises 94.
std::string_view text_arg(Args a, size_t i, std::string& buffer);
// True when the argument is Null (an object's default value counts).
bool null_arg(Args a, size_t i);

// Typed arguments; Null raises 94 through the conversions.
std::string str_arg(Args a, size_t i);
int32_t long_arg(Args a, size_t i);
double double_arg(Args a, size_t i);
bool bool_arg(Args a, size_t i);
// An optional argument, or the default when missing.
int32_t long_arg_or(Args a, size_t i, int32_t def);
bool bool_arg_or(Args a, size_t i, bool def);
// vbBinaryCompare (0) or vbTextCompare (1); error 5 for other values.
vb::CompareMode compare_arg(Args a, size_t i);
// A date argument (CDate rules).
double date_arg(Args a, size_t i);

[[noreturn]] void invalid_argument();  // error 5

// obj.Items(1) for a collection property: arguments index the collection's default member.
Variant indexed(vb::Ref<vb::Dispatch> collection, Args a);

// UTF-8 walking that skips runs of ASCII eight bytes at a time. Invalid bytes count as
// one character each, as in vb/strings.h. Walks over long texts look between pieces
// whether the run must stop (stop.h), and may throw its stop.
// The first non-ASCII byte at or after `from`, looking no further than `limit`.
size_t ascii_run_end(std::string_view s, size_t from, size_t limit = std::string_view::npos) noexcept;
size_t char_offset(std::string_view s, size_t index);   // byte offset of character `index`
size_t char_count(std::string_view s);                  // characters
// Byte offset where the last `n` characters begin; npos when the text is not valid
// UTF-8 there (the caller then counts from the front).
size_t tail_offset(std::string_view s, size_t n);

// OLE dates as a continuous day count (the fraction of a negative date counts forwards).
double date_to_linear(double oadate);
double linear_to_date(double linear);
// A linear day count rounded to whole seconds.
int64_t date_to_seconds(double oadate);
double seconds_to_date(int64_t seconds);

// Windows-1252 (the ANSI code page) for Asc/Chr and ASCII text files.
char32_t ansi_to_unicode(uint8_t byte) noexcept;
std::optional<uint8_t> unicode_to_ansi(char32_t cp) noexcept;

// The tables of the built-in function files.
std::span<const Builtin> string_builtins();
std::span<const Builtin> byte_builtins();
std::span<const Builtin> math_builtins();
std::span<const Builtin> date_builtins();
std::span<const Builtin> format_builtins();
std::span<const Builtin> misc_builtins();

}  // namespace tolvex::vbscript::lib
