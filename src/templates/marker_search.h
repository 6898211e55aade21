// Searching template text for block markers. Markers are ASCII; the letters in them
// ("session", "include") are matched without regard to case.
#pragma once

#include <string_view>

namespace tolvex {

inline constexpr std::string_view kBlockOpen = "<!--##";
inline constexpr std::string_view kBlockClose = "##-->";
inline constexpr size_t kNoMatch = std::string_view::npos;

// Position of the first `needle` in `text` at or after `from`, ignoring ASCII letter case.
size_t find_nocase(std::string_view text, std::string_view needle, size_t from);

// Removes the space character (only) from both ends.
std::string_view trim_spaces(std::string_view s) noexcept;

}  // namespace tolvex
