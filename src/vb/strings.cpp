#include "vb/strings.h"

namespace tolvex::vb {

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

std::string ascii_upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_upper(c);
  return out;
}

std::string excerpt(std::string_view text, size_t at, size_t limit) {
  const size_t n = text.size();
  if (n <= limit) return std::string(text);
  if (at > n) at = n;
  size_t begin = at > limit / 2 ? at - limit / 2 : 0;
  if (begin > n - limit) begin = n - limit;
  size_t end = begin + limit;
  auto inside = [&](size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
  while (begin > 0 && begin < end && inside(begin)) ++begin;
  while (end < n && end > begin && inside(end)) --end;
  std::string out;
  out.reserve(end - begin + 6);
  if (begin > 0) out += "...";
  out.append(text.substr(begin, end - begin));
  if (end < n) out += "...";
  return out;
}

bool iequals(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

int icompare(std::string_view a, std::string_view b) noexcept {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = (unsigned char)ascii_lower(a[i]), y = (unsigned char)ascii_lower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<std::string_view> split(std::string_view s, std::string_view sep) {
  std::vector<std::string_view> out;
  if (sep.empty()) {
    out.push_back(s);
    return out;
  }
  for (size_t pos = 0;;) {
    size_t at = s.find(sep, pos);
    if (at == std::string_view::npos) {
      out.push_back(s.substr(pos));
      return out;
    }
    out.push_back(s.substr(pos, at - pos));
    pos = at + sep.size();
  }
}

size_t IHash::operator()(std::string_view s) const noexcept {
  // FNV-1a over the lower-cased bytes.
  uint64_t h = 1469598103934665603ull;
  for (char c : s) {
    h ^= (unsigned char)ascii_lower(c);
    h *= 1099511628211ull;
  }
  return size_t(h);
}

bool is_ascii(std::string_view s) noexcept {
  for (char c : s)
    if ((unsigned char)c >= 0x80) return false;
  return true;
}

char32_t utf8_decode(std::string_view s, size_t& pos) noexcept {
  unsigned char c = (unsigned char)s[pos];
  if (c < 0x80) {
    ++pos;
    return c;
  }
  int len = (c >= 0xF0 && c < 0xF8) ? 4 : (c >= 0xE0) ? 3 : (c >= 0xC2 && c < 0xE0) ? 2 : 0;
  if (c >= 0xF8) len = 0;
  if (len == 0 || pos + size_t(len) > s.size()) {
    ++pos;
    return 0xFFFD;
  }
  char32_t cp = c & (0x7F >> len);
  for (int i = 1; i < len; ++i) {
    unsigned char cc = (unsigned char)s[pos + size_t(i)];
    if ((cc & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  static constexpr char32_t min_for_len[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < min_for_len[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return 0xFFFD;
  }
  pos += size_t(len);
  return cp;
}

size_t utf8_length(std::string_view s) noexcept {
  if (is_ascii(s)) return s.size();
  size_t n = 0;
  for (size_t pos = 0; pos < s.size(); ++n) utf8_decode(s, pos);
  return n;
}

size_t utf8_offset(std::string_view s, size_t index) noexcept {
  size_t pos = 0;
  for (size_t i = 0; i < index && pos < s.size(); ++i) utf8_decode(s, pos);
  return pos;
}

void utf8_append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp <= 0x10FFFF) {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    utf8_append(out, 0xFFFD);
  }
}

std::u32string utf8_to_u32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) out.push_back(utf8_decode(s, pos));
  return out;
}

std::string u32_to_utf8(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) utf8_append(out, c);
  return out;
}

}  // namespace tolvex::vb
