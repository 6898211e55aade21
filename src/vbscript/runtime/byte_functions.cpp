// The byte functions LenB, LeftB, RightB, MidB, InStrB, AscB and ChrB. They count the
// bytes of the text's UTF-16 form (little-endian, two bytes a character, four for a
// character outside the Basic Multilingual Plane), as Windows strings hold it.
//
// Texts here are UTF-8. A byte string of an odd number of bytes (LeftB("ABC", 3),
// ChrB(65)) holds its whole UTF-16 units as UTF-8 and its last byte as kLoneByte and
// that byte: 0xFF never occurs in UTF-8, so the pair reads back as the one byte,
// wherever concatenation has put it.
#include <string>

#include "vb/strings.h"
#include "vbscript/runtime/library.h"

namespace tolvex::vbscript::lib {

namespace {

constexpr char kLoneByte = char(0xFF);

// The UTF-16LE bytes of a UTF-8 text (a lone byte gives itself).
std::string utf16_bytes(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  auto unit = [&](uint32_t u) {
    out.push_back(char(u & 0xFF));
    out.push_back(char(u >> 8));
  };
  for (size_t i = 0; i < s.size();) {
    if (s[i] == kLoneByte && i + 1 < s.size()) {
      out.push_back(s[i + 1]);
      i += 2;
      continue;
    }
    const char32_t c = vb::utf8_decode(s, i);
    if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(uint32_t(c));
    }
  }
  return out;
}

// The text of UTF-16LE bytes; a lone surrogate becomes U+FFFD (as in ChrW), an odd last
// byte a lone byte.
std::string from_utf16_bytes(std::string_view b) {
  std::string out;
  out.reserve(b.size());
  const size_t whole = b.size() / 2;
  auto unit = [&](size_t k) { return uint32_t(uint8_t(b[2 * k])) | uint32_t(uint8_t(b[2 * k + 1])) << 8; };
  for (size_t k = 0; k < whole; ++k) {
    const uint32_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < whole) {
      const uint32_t low = unit(k + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        vb::utf8_append(out, char32_t(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
        ++k;
        continue;
      }
    }
    vb::utf8_append(out, u >= 0xD800 && u <= 0xDFFF ? char32_t(0xFFFD) : char32_t(u));
  }
  if (b.size() % 2) {
    out.push_back(kLoneByte);
    out.push_back(b.back());
  }
  return out;
}

size_t count_arg(Args a, size_t i) {
  const int32_t n = long_arg(a, i);
  if (n < 0) invalid_argument();
  return size_t(n);
}

Variant fn_lenb(RuntimeEnv&, Args a) {
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  return Variant(int32_t(utf16_bytes(text_arg(a, 0, buf)).size()));
}

Variant fn_leftb(RuntimeEnv&, Args a) {
  const size_t n = count_arg(a, 1);
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  const std::string b = utf16_bytes(text_arg(a, 0, buf));
  return Variant(from_utf16_bytes(std::string_view(b).substr(0, n)));
}

Variant fn_rightb(RuntimeEnv&, Args a) {
  const size_t n = count_arg(a, 1);
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  const std::string b = utf16_bytes(text_arg(a, 0, buf));
  return Variant(from_utf16_bytes(std::string_view(b).substr(n >= b.size() ? 0 : b.size() - n)));
}

Variant fn_midb(RuntimeEnv&, Args a) {
  const int32_t start = long_arg(a, 1);
  if (start <= 0) invalid_argument();
  const size_t n = present(a, 2) ? count_arg(a, 2) : std::string::npos;
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  const std::string b = utf16_bytes(text_arg(a, 0, buf));
  if (size_t(start) > b.size()) return Variant("");
  return Variant(from_utf16_bytes(std::string_view(b).substr(size_t(start) - 1, n)));
}

Variant fn_instrb(RuntimeEnv&, Args a) {
  // InStrB([start, ]string1, string2[, compare]): the byte position of string2, found at
  // any byte (the bytes are compared as they are, whatever the compare mode).
  const size_t first = a.size() >= 3 ? 1 : 0;
  int32_t start = 1;
  if (first) {
    start = long_arg(a, 0);
    if (start <= 0) invalid_argument();
  }
  if (a.size() == 4) compare_arg(a, 3);
  if (null_arg(a, first) || null_arg(a, first + 1)) return Variant::null();
  std::string hb, nb;
  const std::string h = utf16_bytes(text_arg(a, first, hb)), n = utf16_bytes(text_arg(a, first + 1, nb));
  if (h.empty() || size_t(start) > h.size()) return Variant(int32_t(0));
  if (n.empty()) return Variant(start);
  const size_t p = h.find(n, size_t(start) - 1);
  return Variant(int32_t(p == std::string::npos ? 0 : p + 1));
}

Variant fn_ascb(RuntimeEnv&, Args a) {
  std::string buf;
  std::string_view s = text_arg(a, 0, buf);
  if (s.empty()) invalid_argument();
  const size_t first = s[0] == kLoneByte && s.size() > 1 ? 2 : vb::utf8_offset(s, 1);
  return Variant(uint8_t(utf16_bytes(s.substr(0, first))[0]));
}

Variant fn_chrb(RuntimeEnv&, Args a) {
  const int32_t n = long_arg(a, 0);
  if (n < 0 || n > 255) vb::raise(vb::err::kOverflow);  // the code is a Byte
  return Variant(std::string{kLoneByte, char(n)});
}

const Builtin kBuiltins[] = {
    {"LenB", fn_lenb, 1, 1},     {"LeftB", fn_leftb, 2, 2}, {"RightB", fn_rightb, 2, 2}, {"MidB", fn_midb, 2, 3},
    {"InStrB", fn_instrb, 2, 4}, {"AscB", fn_ascb, 1, 1},   {"ChrB", fn_chrb, 1, 1},
};

}  // namespace

std::span<const Builtin> byte_builtins() { return kBuiltins; }

}  // namespace tolvex::vbscript::lib
