// The simple case mapping tables behind unicode_lower / unicode_upper (generated data).
#pragma once

#include <cstddef>

namespace tolvex::vb::detail {

struct CaseSegment {
  char32_t first, last;   // inclusive range of code points
  const char16_t* lower;  // lower-case of first + i
  const char16_t* upper;  // upper-case of first + i
};

extern const CaseSegment kCaseSegments[];
extern const size_t kCaseSegmentCount;

}  // namespace tolvex::vb::detail
