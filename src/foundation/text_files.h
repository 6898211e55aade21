// Text-file writing in UTF-8 or the system's ANSI code page, and the byte-order
// helpers behind it (the project object's WriteTextFile, WriteUtf8File,
// GetFileCharset, BinToHex and RemoveBOM delegate here).
//
// Every write replaces a file through the platform's atomic writer: the new content
// goes into a temporary file beside the target and is renamed over it, so a failure
// never loses the old file. An existing file that is not writable (read-only) is
// never replaced. Paths accept "\" as well as "/".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "vb/variant.h"

namespace tolvex {

// The outcome of a file operation: empty error text on success.
struct [[nodiscard]] FileResult {
  std::string error;
  bool ok() const noexcept { return error.empty(); }
  explicit operator bool() const noexcept { return ok(); }
};

// Writes `text` (UTF-8) as the whole content of `file_name`: as UTF-8 without a
// byte-order mark when the user's general registry value "UTF8Project" is True and
// `ansi` is False, else in the ANSI code page (characters it lacks become "?").
// Only `file_name` is written: a file whose name differs from it only in letter case
// is left as it is.
FileResult WriteTextFile(std::string_view file_name, std::string_view text, bool ansi);

// Writes `text` as UTF-8 with the byte-order mark EF BB BF.
FileResult WriteUtf8File(std::string_view file_name, std::string_view text);

// "UTF-8" for a file starting EF BB BF, "UNICODE BIG" for FE FF, "UNICODE" for
// FF FE, else "" (also for a missing or unreadable file).
std::string GetFileCharset(std::string_view file_path);

// The bytes as one hexadecimal number: upper case, no leading zeros, "0" for none.
std::string BinToHex(std::span<const uint8_t> bytes);
// A Byte array (or an array of numbers 0..255); anything else counts as no bytes.
std::string BinToHex(const vb::Variant& bytes);

// Rewrites a file that starts with the UTF-8 byte-order mark without it. A file
// with no such mark is left as it is.
FileResult RemoveBOM(std::string_view file_path);

}  // namespace tolvex
