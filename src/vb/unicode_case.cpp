// Simple (one-to-one) Unicode case mapping of UTF-8 text.
#include "vb/strings.h"
#include "vb/unicode_case_table.h"

namespace tolvex::vb {

namespace {

const detail::CaseSegment* segment_of(char32_t c) noexcept {
  for (size_t i = 0; i < detail::kCaseSegmentCount; ++i) {
    const auto& s = detail::kCaseSegments[i];
    if (c < s.first) return nullptr;  // segments are sorted
    if (c <= s.last) return &s;
  }
  return nullptr;
}

template <bool Upper>
std::string map_utf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t pos = 0;
  while (pos < s.size()) {
    unsigned char b = (unsigned char)s[pos];
    if (b < 0x80) {
      out.push_back(Upper ? ascii_upper(char(b)) : ascii_lower(char(b)));
      ++pos;
      continue;
    }
    size_t start = pos;
    char32_t c = utf8_decode(s, pos);
    char32_t m = Upper ? unicode_upper(c) : unicode_lower(c);
    if (m == c)
      out.append(s.substr(start, pos - start));  // unchanged (invalid bytes too): keep the bytes
    else
      utf8_append(out, m);
  }
  return out;
}

}  // namespace

char32_t unicode_lower(char32_t c) noexcept {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  const auto* s = segment_of(c);
  return s ? char32_t(s->lower[c - s->first]) : c;
}

char32_t unicode_upper(char32_t c) noexcept {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  const auto* s = segment_of(c);
  return s ? char32_t(s->upper[c - s->first]) : c;
}

std::string utf8_lower(std::string_view s) { return map_utf8<false>(s); }
std::string utf8_upper(std::string_view s) { return map_utf8<true>(s); }

}  // namespace tolvex::vb
