// Comparing dotted version texts ("3.0", the library's 3.0.0.1): project files and
// template packages are checked against the program version with it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/project.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

// The text of a version argument; "" for one that has none (Null, an object).
std::string version_argument(const vb::Variant& v) {
  try {
    return vb::to_string(vb::default_value(v));
  } catch (const vb::VBError&) {
    return std::string();
  }
}

// The parts between the "."; an empty text has none.
std::vector<std::string> version_parts(const std::string& text) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (size_t dot = text.find('.');; dot = text.find('.', start)) {
    parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

// A part as a whole number; a part that is none ("", "beta") counts as 0, and one too
// large for a Long ("2147483648") as larger (or smaller) than any that is not.
int64_t part_number(const std::string& part) {
  try {
    return vb::to_long(vb::Variant(part));
  } catch (const vb::VBError&) {
  }
  try {
    const double d = vb::to_double(vb::Variant(part));
    if (d > 0) return int64_t(INT32_MAX) + 1;
    if (d < 0) return int64_t(INT32_MIN) - 1;
  } catch (const vb::VBError&) {
  }
  return 0;
}

}  // namespace

int16_t AGP::CompareVersion(const vb::Variant& a, const vb::Variant& b) {
  const std::vector<std::string> pa = version_parts(version_argument(a));
  const std::vector<std::string> pb = version_parts(version_argument(b));
  // Only as many parts as the shorter text has are compared.
  const size_t n = std::min(pa.size(), pb.size());
  std::vector<int64_t> na(n), nb(n);
  for (size_t i = 0; i < n; ++i) {
    na[i] = part_number(pa[i]);
    nb[i] = part_number(pb[i]);
  }
  if (n >= 1) {
    if (na[0] > nb[0]) return 2;
    if (na[0] == nb[0] && n >= 2 && na[1] > nb[1]) return 1;
  }
  for (size_t i = 0; i < std::min<size_t>(n, 3); ++i)
    if (na[i] < nb[i]) return -1;
  return 0;
}

}  // namespace tolvex
