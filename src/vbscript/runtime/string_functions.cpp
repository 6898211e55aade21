// String functions. Positions and lengths count characters; ASCII text takes a byte-wise path.
#include <algorithm>
#include <cmath>

#include "vb/strings.h"
#include "vbscript/runtime/library.h"
#include "vbscript/runtime/stop.h"

namespace tolvex::vbscript::lib {

namespace {

using vb::CompareMode;

constexpr size_t kMaxText = size_t(1) << 30;  // longer texts raise "Out of string space"

// Work on a long text goes a piece of this many bytes at a time, looking between two
// pieces whether the run must stop (stop.h).
constexpr size_t kPiece = kStopPiece;

// The end of the piece of s that starts at `from`: kPiece bytes on, moved back to the
// start of a character.
size_t piece_end(std::string_view s, size_t from) {
  size_t e = std::min(s.size(), from + kPiece);
  while (e < s.size() && e > from && (static_cast<unsigned char>(s[e]) & 0xC0) == 0x80) --e;
  return e == from ? std::min(s.size(), from + kPiece) : e;
}

// f(piece) for the pieces of s, whole characters each, in order.
template <class F>
void by_pieces(std::string_view s, F&& f) {
  for (size_t b = 0; b < s.size();) {
    size_t e = piece_end(s, b);
    f(s.substr(b, e - b));
    b = e;
    poll_stop();
  }
}

// True when s holds only ASCII.
bool all_ascii(std::string_view s) {
  for (size_t b = 0; b < s.size(); b += kPiece) {
    const size_t e = std::min(s.size(), b + kPiece);
    if (ascii_run_end(s, b, e) < e) return false;
    poll_stop();
  }
  return true;
}

// ASCII text with its letters lowered.
std::string ascii_lowered(std::string_view s) {
  if (s.size() <= kPiece) return vb::ascii_lower(s);
  std::string out;
  out.reserve(s.size());
  by_pieces(s, [&](std::string_view p) { out += vb::ascii_lower(p); });
  return out;
}

// hay.find(key, from), looking whether the run must stop between pieces of starts. Each
// start may compare the whole key: a piece holds as many starts as make about 16 pieces
// of text compared, however long the key.
template <class C>
size_t find_from(std::basic_string_view<C> hay, std::basic_string_view<C> key, size_t from) {
  if (key.empty() || from >= hay.size() || hay.size() - from <= kPiece) return hay.find(key, from);
  const size_t step = std::max<size_t>(1, kPiece * 16 / key.size());
  for (size_t pos = from;; pos += step) {
    const size_t span = step + key.size() - 1;
    size_t at = hay.substr(pos, span).find(key);
    if (at != hay.npos) return pos + at;
    if (hay.size() - pos <= span) return hay.npos;
    poll_stop();
  }
}

// hay.rfind(key, last_start) a piece of starts at a time, from the back.
template <class C>
size_t rfind_from(std::basic_string_view<C> hay, std::basic_string_view<C> key, size_t last_start) {
  if (key.empty() || key.size() > hay.size() || hay.size() <= kPiece) return hay.rfind(key, last_start);
  const size_t step = std::max<size_t>(1, kPiece * 16 / key.size());
  for (size_t hi = std::min(last_start, hay.size() - key.size());;) {
    const size_t lo = hi >= step ? hi - step + 1 : 0;
    size_t at = hay.substr(lo, hi - lo + key.size()).rfind(key);
    if (at != hay.npos) return lo + at;
    if (lo == 0) return hay.npos;
    hi = lo - 1;
    poll_stop();
  }
}

std::u32string to_u32(std::string_view s) {
  if (s.size() <= kPiece) return vb::utf8_to_u32(s);
  std::u32string u;
  by_pieces(s, [&](std::string_view p) {
    make_room(u, p.size());
    u += vb::utf8_to_u32(p);
  });
  return u;
}

std::string to_utf8(std::u32string_view u) {
  std::string out;
  for (size_t b = 0; b < u.size(); b += kPiece) {
    make_room(out, std::min(kPiece, u.size() - b) * 2);
    out += vb::u32_to_utf8(u.substr(b, kPiece));
    poll_stop();
  }
  return out;
}

// The text with every character mapped by `map` (LCase, UCase), a piece at a time.
template <class Map>
std::string mapped(std::string_view s, Map&& map) {
  if (s.size() <= kPiece) return map(s);
  std::string out;
  out.reserve(s.size());
  by_pieces(s, [&](std::string_view p) { out += map(p); });
  return out;
}

std::u32string folded(std::string_view s) {
  std::u32string u = to_u32(s);
  StopEvery<kPiece> stop;
  for (auto& c : u) {
    c = vb::unicode_lower(c);
    stop.step();
  }
  return u;
}

bool ascii_pair(std::string_view a, std::string_view b) { return all_ascii(a) && all_ascii(b); }

// Character position (0-based) of `what` in `in` from character `from`; npos when absent.
size_t find_chars(std::string_view in, std::string_view what, size_t from, CompareMode mode) {
  if (mode == CompareMode::Binary) {
    // UTF-8 is searched byte-wise: a match always starts on a character boundary.
    size_t at = find_from<char>(in, what, char_offset(in, from));
    return at == std::string_view::npos ? at : char_count(in.substr(0, at));
  }
  if (ascii_pair(in, what)) return find_from<char>(ascii_lowered(in), vb::ascii_lower(what), from);
  return find_from<char32_t>(folded(in), folded(what), from);
}

// Last character position of `what` starting at or before `last_start`.
size_t rfind_chars(std::string_view in, std::string_view what, size_t last_start, CompareMode mode) {
  if (mode == CompareMode::Binary) {
    size_t at = rfind_from<char>(in, what, char_offset(in, last_start));
    return at == std::string_view::npos ? at : char_count(in.substr(0, at));
  }
  if (ascii_pair(in, what)) return rfind_from<char>(ascii_lowered(in), vb::ascii_lower(what), last_start);
  return rfind_from<char32_t>(folded(in), folded(what), last_start);
}

size_t char_length(std::string_view s) { return char_count(s); }

// A count argument that must not be negative (error 5); Null raises 94.
size_t count_arg(Args a, size_t i) {
  int32_t n = long_arg(a, i);
  if (n < 0) invalid_argument();
  return size_t(n);
}

Variant fn_len(RuntimeEnv&, Args a) {
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  return Variant(int32_t(char_length(text_arg(a, 0, buf))));
}

// A copy of the text, made a piece at a time when it is long.
std::string copied(std::string_view s) {
  std::string out;
  append_text(out, s);
  return out;
}

// The first argument's text, a copy (made a piece at a time) when it is a String.
std::string text_copy(Args a) { return a[0].is_string() ? copied(a[0].raw_string()) : str_arg(a, 0); }

// The first argument's text for a function that converts later arguments: in place, not
// copied (the text may be hundreds of megabytes), unless converting a later argument may
// run script code (an object's default member) that could change the text.
std::string_view subject_arg(Args a, std::string& buffer) {
  for (size_t i = 1; i < a.size(); ++i)
    if (a[i].is_object()) return buffer = text_copy(a);
  return text_arg(a, 0, buffer);
}

// Characters [pos, pos + n) of s, walking only as far as they reach.
std::string slice(std::string_view s, size_t pos, size_t n) {
  size_t b = char_offset(s, pos);
  if (n == std::string::npos) return copied(s.substr(b));
  size_t e = b + char_offset(s.substr(b), n);
  return copied(s.substr(b, e - b));
}

Variant fn_left(RuntimeEnv&, Args a) {
  size_t n = count_arg(a, 1);
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  return Variant(slice(text_arg(a, 0, buf), 0, n));
}

Variant fn_right(RuntimeEnv&, Args a) {
  size_t n = count_arg(a, 1);
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  std::string_view s = text_arg(a, 0, buf);
  size_t tail = tail_offset(s, n);
  if (tail != std::string_view::npos) return Variant(copied(s.substr(tail)));
  size_t len = char_length(s);
  return Variant(slice(s, n >= len ? 0 : len - n, std::string::npos));
}

Variant fn_mid(RuntimeEnv&, Args a) {
  // A Null start or length is error 94 before any other check of the two.
  if (null_arg(a, 1) || null_arg(a, 2)) vb::raise(vb::err::kInvalidUseOfNull);
  int32_t start = long_arg(a, 1);
  if (start <= 0) invalid_argument();
  size_t n = present(a, 2) ? count_arg(a, 2) : std::string::npos;
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  return Variant(slice(text_arg(a, 0, buf), size_t(start) - 1, n));
}

Variant fn_instr(RuntimeEnv&, Args a) {
  // InStr([start, ]string1, string2[, compare])
  size_t first = a.size() >= 3 ? 1 : 0;
  int32_t start = 1;
  if (first) {
    start = long_arg(a, 0);
    if (start <= 0) invalid_argument();
  }
  CompareMode mode = a.size() == 4 ? compare_arg(a, 3) : CompareMode::Binary;
  if (null_arg(a, first) || null_arg(a, first + 1)) return Variant::null();
  std::string hb, nb;
  std::string_view h = text_arg(a, first, hb), n = text_arg(a, first + 1, nb);
  size_t hlen = char_length(h);
  if (hlen == 0 || size_t(start) > hlen) return Variant(int32_t(0));
  if (n.empty()) return Variant(start);
  size_t p = find_chars(h, n, size_t(start) - 1, mode);
  return Variant(int32_t(p == std::string::npos ? 0 : p + 1));
}

Variant fn_instrrev(RuntimeEnv&, Args a) {
  // InStrRev(string1, string2[, start[, compare]]): unlike InStr, a Null text is error 94.
  int32_t start = long_arg_or(a, 2, -1);
  if (start == 0 || start < -1) invalid_argument();
  CompareMode mode = compare_arg(a, 3);
  std::string hb, nb;
  std::string_view h = text_arg(a, 0, hb), n = text_arg(a, 1, nb);
  size_t hlen = char_length(h), nlen = char_length(n);
  if (start == -1) start = int32_t(hlen);
  if (hlen == 0 || size_t(start) > hlen) return Variant(int32_t(0));
  if (nlen == 0) return Variant(start);
  if (nlen > size_t(start)) return Variant(int32_t(0));
  size_t p = rfind_chars(h, n, size_t(start) - nlen, mode);
  return Variant(int32_t(p == std::string::npos ? 0 : p + 1));
}

Variant fn_replace(RuntimeEnv&, Args a) {
  std::string sb, fb, wb;
  std::string_view s = subject_arg(a, sb);
  std::string_view find_arg = text_arg(a, 1, fb), with = text_arg(a, 2, wb);
  std::string find(find_arg);
  int32_t start = long_arg_or(a, 3, 1);
  int32_t count = long_arg_or(a, 4, -1);
  if (start <= 0 || count < -1) invalid_argument();
  CompareMode mode = compare_arg(a, 5);
  // The result starts at `start`: what comes before it is dropped.
  const size_t from = char_offset(s, size_t(start) - 1);
  if (from >= s.size()) return Variant("");
  std::string_view rest = s.substr(from);
  if (find.empty() || count == 0) return Variant(copied(rest));
  std::string out;
  bool ascii_text = mode == CompareMode::Text && ascii_pair(rest, find);
  if (mode == CompareMode::Binary || ascii_text) {
    // UTF-8 byte search finds whole characters only; ASCII text compares lowered copies.
    std::string lowered;
    if (ascii_text) {
      lowered = ascii_lowered(rest);
      find = vb::ascii_lower(find);
    }
    const std::string_view hay = ascii_text ? std::string_view(lowered) : rest;
    size_t pos = 0;
    StopEvery<1024> stop;
    for (int32_t done = 0; count < 0 || done < count; ++done) {
      stop.step();
      size_t p = find_from<char>(hay, find, pos);
      if (p == std::string::npos) break;
      append_text(out, rest.substr(pos, p - pos));
      append_text(out, with);
      pos = p + find.size();
      if (out.size() > kMaxText) vb::raise(vb::err::kOutOfStringSpace);
    }
    append_text(out, rest.substr(pos));
    return Variant(std::move(out));
  }
  std::u32string hay = to_u32(rest), key = folded(find);
  std::u32string low = folded(rest);
  std::u32string res;
  std::u32string rep = vb::utf8_to_u32(with);
  size_t pos = 0;
  StopEvery<1024> stop;
  for (int32_t done = 0; count < 0 || done < count; ++done) {
    stop.step();
    size_t p = find_from<char32_t>(low, key, pos);
    if (p == std::u32string::npos) break;
    append_text(res, std::u32string_view(hay).substr(pos, p - pos));
    append_text(res, std::u32string_view(rep));
    pos = p + key.size();
    if (res.size() > kMaxText / 4) vb::raise(vb::err::kOutOfStringSpace);
  }
  append_text(res, std::u32string_view(hay).substr(pos));
  return Variant(to_utf8(res));
}

Variant fn_lcase(RuntimeEnv&, Args a) {
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  std::string_view s = text_arg(a, 0, buf);
  return Variant(all_ascii(s) ? ascii_lowered(s) : mapped(s, [](std::string_view p) { return vb::utf8_lower(p); }));
}

Variant fn_ucase(RuntimeEnv&, Args a) {
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  std::string_view s = text_arg(a, 0, buf);
  if (all_ascii(s)) return Variant(mapped(s, [](std::string_view p) { return vb::ascii_upper(p); }));
  return Variant(mapped(s, [](std::string_view p) { return vb::utf8_upper(p); }));
}

template <bool Left, bool Right>
Variant trim(RuntimeEnv&, Args a) {
  if (null_arg(a, 0)) return Variant::null();
  std::string buf;
  std::string_view s = text_arg(a, 0, buf);
  size_t b = 0, e = s.size();
  if (Left)
    while (b < e && s[b] == ' ') ++b;
  if (Right)
    while (e > b && s[e - 1] == ' ') --e;
  return Variant(copied(s.substr(b, e - b)));
}

// `unit` n times over, made by doubling in pieces of at most kPiece * 16 bytes, looking
// between two whether the run must stop.
std::string repeated(std::string_view unit, size_t n) {
  const size_t total = n * unit.size();
  vb::memory::check(total + 1);
  std::string out;
  out.reserve(total);
  if (n) out = unit;
  while (out.size() < total) {
    out.append(out, 0, std::min({out.size(), total - out.size(), kPiece * 16}));
    poll_stop();
  }
  return out;
}

Variant fn_space(RuntimeEnv&, Args a) {
  size_t n = count_arg(a, 0);
  if (n > kMaxText) vb::raise(vb::err::kOutOfStringSpace);
  return Variant(repeated(" ", n));
}

Variant fn_string(RuntimeEnv&, Args a) {
  Variant ch = value_arg(a, 1);
  size_t n = count_arg(a, 0);
  if (ch.is_null()) return ch;
  std::string unit;
  if (ch.is_string()) {
    if (ch.raw_string().empty()) invalid_argument();
    unit = slice(ch.raw_string(), 0, 1);
  } else {
    int32_t code = vb::to_long(ch);
    code %= 256;
    if (code < 0) code += 256;
    vb::utf8_append(unit, ansi_to_unicode(uint8_t(code)));
  }
  if (n > kMaxText / std::max<size_t>(unit.size(), 1)) vb::raise(vb::err::kOutOfStringSpace);
  return Variant(repeated(unit, n));
}

// compare_text of two long texts in text mode, a piece of characters at a time: the
// comparison goes a character of each side per step, so pieces of as many characters
// compare as the whole.
int compare_by_pieces(std::string_view x, std::string_view y, CompareMode mode) {
  if (mode == CompareMode::Binary || std::min(x.size(), y.size()) <= kPiece) return vb::compare_text(x, y, mode);
  for (;;) {
    const size_t xe = char_offset(x, kPiece / 4), ye = char_offset(y, kPiece / 4);
    if (int c = vb::compare_text(x.substr(0, xe), y.substr(0, ye), mode)) return c;
    x.remove_prefix(xe);
    y.remove_prefix(ye);
    if (x.empty() || y.empty()) return vb::compare_text(x, y, mode);
    poll_stop();
  }
}

Variant fn_strcomp(RuntimeEnv&, Args a) {
  CompareMode mode = compare_arg(a, 2);
  if (null_arg(a, 0) || null_arg(a, 1)) return Variant::null();
  std::string xb, yb;
  int c = compare_by_pieces(text_arg(a, 0, xb), text_arg(a, 1, yb), mode);
  return Variant(int16_t(c < 0 ? -1 : c > 0 ? 1 : 0));
}

Variant fn_strreverse(RuntimeEnv&, Args a) {
  std::string s = text_copy(a);
  if (all_ascii(s)) {
    std::reverse(s.begin(), s.end());
    return Variant(std::move(s));
  }
  std::u32string u = to_u32(s);
  std::reverse(u.begin(), u.end());
  return Variant(to_utf8(u));
}

Variant string_array(std::vector<Variant> items) {
  auto arr = vb::make_ref<vb::Array>(vb::VarType::String,
                                     std::vector<vb::Array::Bound>{{0, int32_t(items.size())}});
  StopEvery<65536> stop;
  for (size_t i = 0; i < items.size(); ++i) {
    stop.step();
    (*arr)[i] = std::move(items[i]);
  }
  return Variant(std::move(arr));
}

Variant fn_split(RuntimeEnv&, Args a) {
  std::string sb;
  std::string_view s = subject_arg(a, sb);
  std::string delim = present(a, 1) ? str_arg(a, 1) : std::string(" ");
  int32_t count = long_arg_or(a, 2, -1);
  if (count < -1) invalid_argument();
  CompareMode mode = compare_arg(a, 3);
  std::vector<Variant> parts;
  if (s.empty() || count == 0) return string_array(std::move(parts));
  if (delim.empty() || count == 1) return string_array({Variant(copied(s))});
  if (mode == CompareMode::Binary) {
    size_t pos = 0;
    StopEvery<1024> stop;
    while (count < 0 || int32_t(parts.size()) < count - 1) {
      stop.step();
      size_t p = find_from<char>(s, delim, pos);
      if (p == std::string::npos) break;
      make_room(parts, 1);
      parts.emplace_back(s.substr(pos, p - pos));
      pos = p + delim.size();
    }
    parts.emplace_back(copied(s.substr(pos)));
  } else {
    std::u32string hay = to_u32(s), low = folded(s), key = folded(delim);
    size_t pos = 0;
    StopEvery<1024> stop;
    while (count < 0 || int32_t(parts.size()) < count - 1) {
      stop.step();
      size_t p = find_from<char32_t>(low, key, pos);
      if (p == std::u32string::npos) break;
      make_room(parts, 1);
      parts.emplace_back(vb::u32_to_utf8(std::u32string_view(hay).substr(pos, p - pos)));
      pos = p + key.size();
    }
    parts.emplace_back(to_utf8(std::u32string_view(hay).substr(pos)));
  }
  return string_array(std::move(parts));
}

// The one-dimensional array an argument holds, or an object's default property returns
// (the Variant shares it).
Variant one_dim_array(Args a, size_t i) {
  Variant v = value_arg(a, i);
  if (v.is_null()) vb::raise(vb::err::kInvalidUseOfNull);
  if (!v.is_array()) vb::raise(vb::err::kTypeMismatch);
  if (v.raw_array().dims() != 1) vb::raise(vb::err::kSubscriptOutOfRange);
  return v;
}

Variant fn_join(RuntimeEnv&, Args a) {
  const Variant held = one_dim_array(a, 0);
  const vb::Array& arr = held.raw_array();
  std::string delim = present(a, 1) ? str_arg(a, 1) : std::string(" ");
  std::string out;
  StopEvery<1024> stop;
  for (size_t i = 0; i < arr.size(); ++i) {
    stop.step();
    if (i) append_text(out, std::string_view(delim));
    const Variant& e = arr[i];
    if (e.is_string()) {
      append_text(out, std::string_view(e.raw_string()));
    } else {
      Variant v = e.is_object() ? vb::default_value(e) : e;
      if (v.is_null()) vb::raise(vb::err::kTypeMismatch);
      append_text(out, std::string_view(vb::to_string(v)));
    }
  }
  return Variant(std::move(out));
}

Variant fn_filter(RuntimeEnv&, Args a) {
  const Variant held = one_dim_array(a, 0);
  const vb::Array& arr = held.raw_array();
  std::string value = str_arg(a, 1);
  bool include = bool_arg_or(a, 2, true);
  CompareMode mode = compare_arg(a, 3);
  std::vector<Variant> out;
  StopEvery<256> stop;
  for (size_t i = 0; i < arr.size(); ++i) {
    stop.step();
    const Variant& e = arr[i];
    if (e.is_null()) vb::raise(vb::err::kTypeMismatch);
    std::string s = e.is_string() ? e.raw_string() : vb::to_string(e.is_object() ? vb::default_value(e) : e);
    bool found = find_chars(s, value, 0, mode) != std::string::npos;
    if (found == include) {
      make_room(out, 1);
      out.emplace_back(std::move(s));
    }
  }
  return string_array(std::move(out));
}

char32_t first_char(Args a) {
  std::string buf;
  std::string_view s = text_arg(a, 0, buf);
  if (s.empty()) invalid_argument();
  size_t pos = 0;
  return vb::utf8_decode(s, pos);
}

Variant fn_asc(RuntimeEnv&, Args a) {
  char32_t c = first_char(a);
  auto b = unicode_to_ansi(c);
  return Variant(int16_t(b ? *b : '?'));
}

Variant fn_ascw(RuntimeEnv&, Args a) {
  char32_t c = first_char(a);
  if (c >= 0x10000) c = 0xD800 + ((c - 0x10000) >> 10);  // the first UTF-16 unit
  return Variant(int16_t(uint16_t(c)));
}

Variant fn_chr(RuntimeEnv&, Args a) {
  int32_t n = long_arg(a, 0);
  if (n < 0 || n > 255) invalid_argument();
  std::string s;
  vb::utf8_append(s, ansi_to_unicode(uint8_t(n)));
  return Variant(std::move(s));
}

Variant fn_chrw(RuntimeEnv&, Args a) {
  int32_t n = long_arg(a, 0);
  if (n < -32768 || n > 65535) invalid_argument();
  if (n < 0) n += 65536;
  char32_t c = char32_t(n);
  if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // a lone surrogate has no UTF-8 form
  std::string s;
  vb::utf8_append(s, c);
  return Variant(std::move(s));
}

// Hex and Oct: the value rounded to a whole number, negative values in two's complement
// of their own width (Integer 16 bits, Long 32 bits).
Variant radix(Args a, int shift) {
  Variant v = value_arg(a, 0);
  if (v.is_null()) return v;
  if (v.is_empty()) return Variant("0");
  uint32_t u;
  if (v.type() == vb::VarType::Integer || v.type() == vb::VarType::Byte || v.type() == vb::VarType::Boolean) {
    u = uint16_t(vb::to_integer(v));
  } else {
    u = uint32_t(vb::to_long(v));
  }
  const char* digits = "0123456789ABCDEF";
  uint32_t mask = (1u << shift) - 1;
  std::string out;
  do {
    out.push_back(digits[u & mask]);
    u >>= shift;
  } while (u);
  std::reverse(out.begin(), out.end());
  return Variant(std::move(out));
}

Variant fn_hex(RuntimeEnv&, Args a) { return radix(a, 4); }
Variant fn_oct(RuntimeEnv&, Args a) { return radix(a, 3); }

bool escape_keeps(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '@' || c == '*' || c == '_' || c == '+' || c == '-' || c == '.' || c == '/';
}

Variant fn_escape(RuntimeEnv&, Args a) {
  // A Null text is error 94 (text_arg), not Null as for the other string functions.
  std::string buf, out;
  std::string_view s = text_arg(a, 0, buf);
  const char* hex = "0123456789ABCDEF";
  auto unit = [&](uint32_t u) {
    if (u < 256) {
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 15];
    } else {
      out += "%u";
      for (int sh = 12; sh >= 0; sh -= 4) out += hex[(u >> sh) & 15];
    }
  };
  StopEvery<65536> stop;
  for (size_t pos = 0; pos < s.size();) {
    stop.step();
    make_room(out, 12);  // the most one character takes: two %uXXXX
    char32_t c = vb::utf8_decode(s, pos);
    if (escape_keeps(c)) {
      out += char(c);
    } else if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return Variant(std::move(out));
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The hexadecimal number of `n` digits at s[pos], or -1.
int32_t hex_at(std::string_view s, size_t pos, size_t n) {
  if (pos + n > s.size()) return -1;
  int32_t v = 0;
  for (size_t i = 0; i < n; ++i) {
    int h = hex_value(s[pos + i]);
    if (h < 0) return -1;
    v = v * 16 + h;
  }
  return v;
}

Variant fn_unescape(RuntimeEnv&, Args a) {
  // A Null text is error 94 (text_arg), not Null as for the other string functions.
  std::string buf, out;
  std::string_view s = text_arg(a, 0, buf);
  char32_t pending_high = 0;
  auto emit = [&](char32_t c) {
    if (pending_high) {
      if (c >= 0xDC00 && c <= 0xDFFF) {
        vb::utf8_append(out, 0x10000 + ((pending_high - 0xD800) << 10) + (c - 0xDC00));
        pending_high = 0;
        return;
      }
      vb::utf8_append(out, 0xFFFD);
      pending_high = 0;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
      pending_high = c;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      vb::utf8_append(out, 0xFFFD);
    } else {
      vb::utf8_append(out, c);
    }
  };
  StopEvery<65536> stop;
  for (size_t i = 0; i < s.size();) {
    stop.step();
    make_room(out, 8);  // the most one step writes: a pending half and a character
    if (s[i] == '%') {
      int32_t u = (i + 1 < s.size() && s[i + 1] == 'u') ? hex_at(s, i + 2, 4) : -1;
      if (u >= 0) {
        emit(char32_t(u));
        i += 6;
        continue;
      }
      int32_t b = hex_at(s, i + 1, 2);
      if (b >= 0) {
        emit(char32_t(b));
        i += 3;
        continue;
      }
    }
    emit(vb::utf8_decode(s, i));
  }
  if (pending_high) vb::utf8_append(out, 0xFFFD);
  return Variant(std::move(out));
}

const Builtin kBuiltins[] = {
    {"Len", fn_len, 1, 1},
    {"Left", fn_left, 2, 2},
    {"Right", fn_right, 2, 2},
    {"Mid", fn_mid, 2, 3},
    {"InStr", fn_instr, 2, 4},
    {"InStrRev", fn_instrrev, 2, 4},
    {"Replace", fn_replace, 3, 6},
    {"LCase", fn_lcase, 1, 1},
    {"UCase", fn_ucase, 1, 1},
    {"Trim", trim<true, true>, 1, 1},
    {"LTrim", trim<true, false>, 1, 1},
    {"RTrim", trim<false, true>, 1, 1},
    {"Space", fn_space, 1, 1},
    {"String", fn_string, 2, 2},
    {"StrComp", fn_strcomp, 2, 3},
    {"StrReverse", fn_strreverse, 1, 1},
    {"Split", fn_split, 1, 4},
    {"Join", fn_join, 1, 2},
    {"Filter", fn_filter, 2, 4},
    {"Asc", fn_asc, 1, 1},
    {"AscW", fn_ascw, 1, 1},
    {"Chr", fn_chr, 1, 1},
    {"ChrW", fn_chrw, 1, 1},
    {"Hex", fn_hex, 1, 1},
    {"Oct", fn_oct, 1, 1},
    {"Escape", fn_escape, 1, 1},
    {"Unescape", fn_unescape, 1, 1},
};

}  // namespace

std::span<const Builtin> string_builtins() { return kBuiltins; }

}  // namespace tolvex::vbscript::lib
