#include "vbscript/runtime/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "vb/convert.h"
#include "vb/strings.h"
#include "vbscript/runtime/library.h"
#include "vbscript/runtime/stop.h"

namespace tolvex::vbscript {

using vb::Args;
using vb::Variant;

namespace {

constexpr int32_t kRegexSyntax = 5017;
// Bounds on the work of one match, so that a pattern with catastrophic backtracking
// fails with an error instead of hanging the script.
constexpr uint32_t kMatchLimit = 20'000'000;
constexpr uint32_t kDepthLimit = 100'000;
// A search through a long valid text tries the starts of a match this many bytes at a
// time, looking between two windows whether the run must stop (stop.h).
constexpr size_t kSearchWindow = size_t(1) << 20;

// Character positions of byte offsets, walked forwards from the last answer.
class CharCounter {
 public:
  explicit CharCounter(std::string_view s) : s_(s), ascii_(lib::ascii_run_end(s, 0) == s.size()) {}
  size_t at(size_t byte) {
    if (ascii_) return byte;
    if (byte < byte_) {
      byte_ = 0;
      chars_ = 0;
    }
    chars_ += lib::char_count(s_.substr(byte_, byte - byte_));
    byte_ = byte;
    return chars_;
  }

 private:
  std::string_view s_;
  bool ascii_;
  size_t byte_ = 0, chars_ = 0;
};

size_t next_char(std::string_view s, size_t pos) {
  size_t p = pos;
  vb::utf8_decode(s, p);
  return p > pos ? p : pos + 1;
}

// The script's pattern syntax in PCRE2 terms. Escapes of letters that the script
// language does not define stand for the letter itself (PCRE2 gives several of them
// other meanings or refuses them), and \v is the vertical tab only.
std::string translate_pattern(std::string_view p) {
  static constexpr std::string_view kKnown = "bBdDsSwWfnrtcxu0123456789";
  std::string out;
  out.reserve(p.size() + 8);
  for (size_t i = 0; i < p.size(); ++i) {
    char c = p[i];
    if (c != '\\' || i + 1 >= p.size()) {
      out += c;
      continue;
    }
    char n = p[++i];
    bool letter = (n >= 'a' && n <= 'z') || (n >= 'A' && n <= 'Z');
    if (n == 'v')
      out += "\\x0B";
    else if (letter && kKnown.find(n) == std::string_view::npos)
      out += n;
    else {
      out += '\\';
      out += n;
    }
  }
  return out;
}

}  // namespace

class CompiledPattern {
 public:
  CompiledPattern(const std::string& source, bool ignore_case, bool multiline) {
    std::string pattern = translate_pattern(source);
    pcre2_compile_context* cc = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(cc, PCRE2_NEWLINE_ANYCRLF);
    uint32_t opts = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_INVALID_UTF;
    if (ignore_case) opts |= PCRE2_CASELESS;
    opts |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
    int err = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), opts, &err, &offset, cc);
    // The same pattern for texts known to be valid UTF-8, matched without checking them:
    // the invalid-UTF mode reads the text from the start offset to its end on every call,
    // which makes walking the matches of a long text quadratic.
    // It also takes an offset limit, so that a long search can go a window at a time.
    if (code_)
      valid_code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                  (opts & ~uint32_t(PCRE2_MATCH_INVALID_UTF)) | PCRE2_USE_OFFSET_LIMIT, &err,
                                  &offset, cc);
    pcre2_compile_context_free(cc);
    if (!code_) {
      PCRE2_UCHAR msg[256];
      pcre2_get_error_message(err, msg, sizeof msg);
      vb::raise(kRegexSyntax, "Syntax error in regular expression: " + std::string(reinterpret_cast<char*>(msg)) +
                                  " at offset " + std::to_string(offset));
    }
    pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &groups_);
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
    context_ = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(context_, kMatchLimit);
    pcre2_set_depth_limit(context_, kDepthLimit);
  }
  ~CompiledPattern() {
    pcre2_match_context_free(context_);
    pcre2_match_data_free(data_);
    pcre2_code_free(valid_code_);
    pcre2_code_free(code_);
  }
  CompiledPattern(const CompiledPattern&) = delete;
  CompiledPattern& operator=(const CompiledPattern&) = delete;

  // Matches from byte `start`; false when there is no match. `valid_utf8`: the text is
  // known to be valid UTF-8, so the matcher need not check it again (a check that reads
  // the text from `start` to its end on every call). Such a text is searched a window of
  // starts at a time; the others in one go.
  bool match(std::string_view s, size_t start, bool valid_utf8 = false) const {
    if (!valid_utf8 || !valid_code_) {
      pcre2_set_offset_limit(context_, PCRE2_UNSET);
      return matched(code_, s, start, 0);
    }
    for (;;) {
      size_t limit = window_end(s, start);
      pcre2_set_offset_limit(context_, limit < s.size() ? limit : PCRE2_UNSET);
      if (matched(valid_code_, s, start, PCRE2_NO_UTF_CHECK)) return true;
      if (limit >= s.size()) return false;
      start = limit;
      poll_stop();
    }
  }
  // Byte range of group g (0 = the whole match); npos when the group took no part.
  std::pair<size_t, size_t> group(uint32_t g) const {
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
    if (g > groups_ || ov[2 * g] == PCRE2_UNSET) return {std::string::npos, std::string::npos};
    return {ov[2 * g], ov[2 * g + 1]};
  }
  uint32_t groups() const { return groups_; }

 private:
  // The last start of the window that begins at `start`: the first character boundary
  // kSearchWindow bytes on, or the end of the text.
  static size_t window_end(std::string_view s, size_t start) {
    if (s.size() - start <= kSearchWindow) return s.size();
    size_t e = start + kSearchWindow;
    while (e < s.size() && (static_cast<unsigned char>(s[e]) & 0xC0) == 0x80) ++e;
    return e;
  }
  // One search of `code` from `start` (matches starting no later than the context's
  // offset limit); false when there is none.
  bool matched(const pcre2_code* code, std::string_view s, size_t start, uint32_t options) const {
    int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), start, options, data_, context_);
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT)
      vb::raise(vb::err::kOutOfMemory, "The regular expression needs too much work to match this text");
    if (rc < 0) {
      PCRE2_UCHAR msg[256];
      pcre2_get_error_message(rc, msg, sizeof msg);
      vb::raise(vb::err::kInvalidProcedureCall, reinterpret_cast<char*>(msg));
    }
    return true;
  }

  pcre2_code* code_ = nullptr;
  pcre2_code* valid_code_ = nullptr;  // null when it could not be made: code_ serves
  pcre2_match_data* data_ = nullptr;
  pcre2_match_context* context_ = nullptr;
  uint32_t groups_ = 0;
};

RegExp::RegExp() = default;
RegExp::~RegExp() = default;

void RegExp::SetPattern(std::string p) {
  pattern_ = std::move(p);
  compiled_.reset();
}

const CompiledPattern& RegExp::compiled() {
  if (!compiled_ || compiled_case_ != IgnoreCase || compiled_multiline_ != Multiline) {
    compiled_.reset();
    compiled_ = std::make_unique<CompiledPattern>(pattern_, IgnoreCase, Multiline);
    compiled_case_ = IgnoreCase;
    compiled_multiline_ = Multiline;
  }
  return *compiled_;
}

namespace {

// Walks the matches of `s` as the script sees them: after an empty match the search
// goes on one character further.
// True when s is well-formed UTF-8: no stray, overlong or truncated sequence, no
// surrogate, nothing past U+10FFFF.
bool valid_utf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  for (size_t i = 0, n = s.size(), next_look = kSearchWindow; i < n;) {
    if (i >= next_look) {
      poll_stop();
      next_look = i + kSearchWindow;
    }
    i = lib::ascii_run_end(s, i, next_look);
    if (i >= next_look) continue;
    if (i >= n) break;
    const unsigned c = p[i];
    size_t len;
    unsigned lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (n - i < len || p[i + 1] < lo || p[i + 1] > hi) return false;
    for (size_t k = 2; k < len; ++k)
      if ((p[i + k] & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

template <class OnMatch>
void each_match(const CompiledPattern& re, std::string_view s, bool global, OnMatch on_match) {
  size_t start = 0;
  StopEvery<256> stop;
  const bool valid = (global || s.size() > kSearchWindow) && valid_utf8(s);
  while (start <= s.size()) {
    stop.step();
    if (!re.match(s, start, valid)) return;
    auto [b, e] = re.group(0);
    on_match(b, e);
    if (!global) return;
    start = e > b ? e : next_char(s, e);
  }
}

}  // namespace

bool RegExp::Test(std::string_view s) {
  const CompiledPattern& re = compiled();
  return re.match(s, 0, s.size() > kSearchWindow && valid_utf8(s));
}

vb::Ref<MatchCollection> RegExp::Execute(std::string_view s) {
  const CompiledPattern& re = compiled();
  CharCounter chars(s);
  std::vector<vb::Ref<Match>> out;
  each_match(re, s, Global, [&](size_t b, size_t e) {
    std::vector<Variant> groups;
    for (uint32_t g = 1; g <= re.groups(); ++g) {
      auto [gb, ge] = re.group(g);
      groups.push_back(gb == std::string::npos ? Variant() : Variant(std::string(s.substr(gb, ge - gb))));
    }
    size_t first = chars.at(b);
    size_t last = chars.at(e);
    make_room(out, 1);
    out.push_back(vb::make_ref<Match>(std::string(s.substr(b, e - b)), int32_t(first), int32_t(last - first),
                                      std::move(groups)));
  });
  return vb::make_ref<MatchCollection>(std::move(out));
}

std::string RegExp::Replace(std::string_view s, std::string_view rep) {
  const CompiledPattern& re = compiled();
  std::string out;
  size_t copied = 0;
  each_match(re, s, Global, [&](size_t b, size_t e) {
    append_text(out, s.substr(copied, b - copied));
    make_room(out, rep.size());
    for (size_t i = 0; i < rep.size(); ++i) {
      char c = rep[i];
      if (c != '$' || i + 1 >= rep.size()) {
        out += c;
        continue;
      }
      char n = rep[i + 1];
      if (n == '$') {
        out += '$';
        ++i;
      } else if (n == '&') {
        append_text(out, s.substr(b, e - b));
        ++i;
      } else if (n == '`') {
        append_text(out, s.substr(0, b));
        ++i;
      } else if (n == '\'') {
        append_text(out, s.substr(e));
        ++i;
      } else if (n >= '0' && n <= '9') {
        // $nn when that group exists, else $n; $0 and missing groups stay as written.
        uint32_t g = uint32_t(n - '0');
        size_t used = 1;
        if (i + 2 < rep.size() && rep[i + 2] >= '0' && rep[i + 2] <= '9') {
          uint32_t g2 = g * 10 + uint32_t(rep[i + 2] - '0');
          if (g2 >= 1 && g2 <= re.groups()) {
            g = g2;
            used = 2;
          }
        }
        if (g >= 1 && g <= re.groups()) {
          auto [gb, ge] = re.group(g);
          if (gb != std::string::npos) append_text(out, s.substr(gb, ge - gb));
          i += used;
        } else {
          out += c;
        }
      } else {
        out += c;
      }
    }
    copied = e;
  });
  append_text(out, s.substr(copied));
  return out;
}

std::string RegExp::Replace(const std::string& s, vb::Dispatch& function) {
  const CompiledPattern& re = compiled();
  CharCounter chars(s);
  std::string out;
  size_t copied = 0;
  each_match(re, s, Global, [&](size_t b, size_t e) {
    append_text(out, std::string_view(s).substr(copied, b - copied));
    std::vector<Variant> args;
    args.emplace_back(s.substr(b, e - b));
    for (uint32_t g = 1; g <= re.groups(); ++g) {
      auto [gb, ge] = re.group(g);
      args.push_back(gb == std::string::npos ? Variant() : Variant(s.substr(gb, ge - gb)));
    }
    args.emplace_back(int32_t(chars.at(b)));
    args.emplace_back(s);
    Variant r = function.invoke(vb::kDispValue, vb::InvokeKind::Method, args);
    if (r.is_object()) r = vb::default_value(r);
    if (!r.is_null()) append_text(out, std::string_view(vb::to_string(r)));
    copied = e;
  });
  append_text(out, std::string_view(s).substr(copied));
  return out;
}

const Variant& SubMatches::Item(int32_t i) const {
  if (i < 0 || i >= Count()) vb::raise(vb::err::kInvalidProcedureCall);
  return items_[size_t(i)];
}

vb::Ref<vb::Enumerator> SubMatches::enumerate() { return vb::make_ref<vb::SnapshotEnumerator>(items_); }

vb::Ref<Match> MatchCollection::Item(int32_t i) const {
  if (i < 0 || i >= Count()) vb::raise(vb::err::kInvalidProcedureCall);
  return items_[size_t(i)];
}

vb::Ref<vb::Enumerator> MatchCollection::enumerate() {
  std::vector<Variant> all(items_.begin(), items_.end());
  return vb::make_ref<vb::SnapshotEnumerator>(std::move(all));
}

namespace {
int32_t index_arg(Args a) {
  vb::check_arg_count(a, 1, 1);
  return vb::to_long(a[0]);
}
std::string text_arg(Args a, size_t i) { return a[i].is_string() ? a[i].raw_string() : vb::to_string(a[i]); }
// The argument's text in place when it is a String, else converted into `buffer`.
std::string_view text_view(Args a, size_t i, std::string& buffer) {
  if (a[i].is_string()) return a[i].raw_string();
  return buffer = vb::to_string(a[i]);
}
}  // namespace


const vb::DispatchTable<SubMatches>& SubMatches::dispatch_table() {
  static const vb::DispatchTable<SubMatches> table = [] {
    vb::DispatchTable<SubMatches> t("ISubMatches");
    t.property("Item", [](SubMatches& m, Args a) { return m.Item(index_arg(a)); })
        .property("Count", [](SubMatches& m, Args) { return Variant(m.Count()); })
        .enumerator("_NewEnum", [](SubMatches& m, Args) { return Variant(vb::Ref<vb::Dispatch>(m.enumerate())); });
    t.default_member("Item");
    return t;
  }();
  return table;
}

const vb::DispatchTable<Match>& Match::dispatch_table() {
  static const vb::DispatchTable<Match> table = [] {
    vb::DispatchTable<Match> t("IMatch2");
    t.property("Value", [](Match& m, Args) { return Variant(m.Value()); })
        .property("FirstIndex", [](Match& m, Args) { return Variant(m.FirstIndex()); })
        .property("Length", [](Match& m, Args) { return Variant(m.Length()); })
        .property("SubMatches", [](Match& m, Args a) { return lib::indexed(m.Submatches(), a); });
    t.default_member("Value");
    return t;
  }();
  return table;
}

const vb::DispatchTable<MatchCollection>& MatchCollection::dispatch_table() {
  static const vb::DispatchTable<MatchCollection> table = [] {
    vb::DispatchTable<MatchCollection> t("IMatchCollection2");
    t.property("Item", [](MatchCollection& m, Args a) { return Variant(m.Item(index_arg(a))); })
        .property("Count", [](MatchCollection& m, Args) { return Variant(m.Count()); })
        .enumerator("_NewEnum",
                    [](MatchCollection& m, Args) { return Variant(vb::Ref<vb::Dispatch>(m.enumerate())); });
    t.default_member("Item");
    return t;
  }();
  return table;
}

const vb::DispatchTable<RegExp>& RegExp::dispatch_table() {
  using R = RegExp;
  static const vb::DispatchTable<R> table = [] {
    vb::DispatchTable<R> t("IRegExp2");
    t.property(
         "Pattern", [](R& r, Args) { return Variant(r.Pattern()); },
         [](R& r, Args, const Variant& v) { r.SetPattern(vb::to_string(v)); })
        .property(
            "Global", [](R& r, Args) { return Variant(r.Global); },
            [](R& r, Args, const Variant& v) { r.Global = vb::to_bool(v); })
        .property(
            "IgnoreCase", [](R& r, Args) { return Variant(r.IgnoreCase); },
            [](R& r, Args, const Variant& v) { r.IgnoreCase = vb::to_bool(v); })
        .property(
            "Multiline", [](R& r, Args) { return Variant(r.Multiline); },
            [](R& r, Args, const Variant& v) { r.Multiline = vb::to_bool(v); })
        .method("Test",
                [](R& r, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  std::string buffer;
                  return Variant(r.Test(text_view(a, 0, buffer)));
                })
        .method("Execute",
                [](R& r, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  std::string buffer;
                  return Variant(r.Execute(text_view(a, 0, buffer)));
                })
        .method("Replace", [](R& r, Args a) {
          vb::check_arg_count(a, 2, 2);
          if (a[1].is_object() && !a[1].is_nothing()) return Variant(r.Replace(text_arg(a, 0), *a[1].raw_object()));
          // The text first: converting it may run an object's default member, the
          // replacement (no object here) runs nothing that could change the text.
          std::string text, replacement;
          const std::string_view tv = text_view(a, 0, text);
          return Variant(r.Replace(tv, text_view(a, 1, replacement)));
        });
    return t;
  }();
  return table;
}

}  // namespace tolvex::vbscript
