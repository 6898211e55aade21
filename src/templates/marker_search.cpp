#include "templates/marker_search.h"

#include <cstring>

#include "vb/strings.h"

namespace tolvex {

size_t find_nocase(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : kNoMatch;
  // Every marker begins with a non-letter, so the first byte can be found with memchr.
  const char first = needle[0];
  const bool first_is_letter = vb::ascii_lower(first) != vb::ascii_upper(first);
  size_t pos = from;
  while (pos + needle.size() <= text.size()) {
    if (first_is_letter) {
      if (vb::ascii_lower(text[pos]) != vb::ascii_lower(first)) {
        ++pos;
        continue;
      }
    } else {
      const void* hit = std::memchr(text.data() + pos, first, text.size() - pos - needle.size() + 1);
      if (!hit) return kNoMatch;
      pos = size_t(static_cast<const char*>(hit) - text.data());
    }
    if (vb::iequals(text.substr(pos, needle.size()), needle)) return pos;
    ++pos;
  }
  return kNoMatch;
}

std::string_view trim_spaces(std::string_view s) noexcept {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace tolvex
