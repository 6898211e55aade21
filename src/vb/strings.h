// Small text helpers shared by every layer: ASCII case folding for names, UTF-8 walking.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::vb {

inline char ascii_lower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
inline char ascii_upper(char c) noexcept { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
std::string ascii_lower(std::string_view s);
std::string ascii_upper(std::string_view s);
// Compares without regard to the letter case of A-Z/a-z.
bool iequals(std::string_view a, std::string_view b) noexcept;
// <0, 0, >0 ignoring ASCII letter case.
int icompare(std::string_view a, std::string_view b) noexcept;

// The pieces of `s` between occurrences of `sep` (one piece when there is none); views into `s`.
std::vector<std::string_view> split(std::string_view s, std::string_view sep);

struct IHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept;
};
struct IEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return iequals(a, b); }
};

// At most `limit` bytes of a text to show in a message, around byte `at` (0: its start,
// text.size(): its end), cut between UTF-8 characters, with "..." where text was left out.
std::string excerpt(std::string_view text, size_t at, size_t limit);

// UTF-8 helpers. Invalid bytes count as one character each (decoded as U+FFFD).
bool is_ascii(std::string_view s) noexcept;
size_t utf8_length(std::string_view s) noexcept;  // characters
// Byte offset of character `index` (0-based); s.size() when past the end.
size_t utf8_offset(std::string_view s, size_t index) noexcept;
// Decodes one code point at `pos`, advancing it.
char32_t utf8_decode(std::string_view s, size_t& pos) noexcept;
void utf8_append(std::string& out, char32_t cp);
std::u32string utf8_to_u32(std::string_view s);
std::string u32_to_utf8(std::u32string_view s);
// Full Unicode simple case mapping for the letters the Latin, Greek and Cyrillic blocks hold.
std::string utf8_lower(std::string_view s);
std::string utf8_upper(std::string_view s);
char32_t unicode_lower(char32_t c) noexcept;
char32_t unicode_upper(char32_t c) noexcept;

}  // namespace tolvex::vb
