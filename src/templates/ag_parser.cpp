#include "templates/ag_parser.h"

#include "foundation/context.h"
#include "platform/host_ui.h"
#include "templates/file_cache.h"
#include "templates/marker_search.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

namespace {

agc_Block_Type kind_of_sigil(char c) {
  switch (c) {
    case '=':
      return agc_Block_Function;
    case '~':
      return agc_Block_FunctionIndent;
    case '@':
      return agc_Block_Language;
    case '$':
      return agc_Block_LanguageDynamic;
    default:
      return agc_Block_Script;
  }
}

// The trailing run of spaces and tabs of a content text.
std::string trailing_indent(std::string_view content) {
  size_t b = content.size();
  while (b > 0 && (content[b - 1] == ' ' || content[b - 1] == '\t')) --b;
  return std::string(content.substr(b));
}

constexpr size_t kShownLine = 160;     // bytes of an error line shown
constexpr size_t kShownSource = 2000;  // bytes of a template's text shown

}  // namespace

std::string block_error_message(std::string_view src, size_t marker_pos, bool nested) {
  std::string_view head = src.substr(0, marker_pos + 1);
  // Lines split at CR LF only; a lone LF stays inside its line.
  const std::vector<std::string_view> lines = vb::split(head, "\r\n");
  const size_t line = lines.size();
  const size_t column = vb::utf8_length(lines.back());
  std::string msg = nested ? "***Nested Blocks found at line " : "***Incomplete Block at line ";
  msg += std::to_string(line) + " column " + std::to_string(column) + "! Generation failed!";
  msg += "\r\nError lines:";
  size_t first = line <= 11 ? 1 : line - 10;
  // A line of a generated or minified text can be very long: the offending one ends at the
  // marker, so its end is shown; of the others their start.
  for (size_t i = first; i <= line; ++i) {
    msg += "\r\n";
    msg += vb::excerpt(lines[i - 1], i == line ? lines[i - 1].size() : 0, kShownLine);
  }
  return msg;
}

void AGParser::Parse(std::string src) {
  source_ = std::move(src);
  blocks_.clear();
  const std::string_view s(source_);
  size_t last_end = 0;
  size_t pos = s.find(kBlockOpen);
  while (pos != kNoMatch) {
    if (pos > last_end) blocks_.push_back({agc_Block_Content, last_end, pos - last_end, {}, {}});
    const size_t after_open = pos + kBlockOpen.size();
    const size_t close = s.find(kBlockClose, after_open);
    if (close == kNoMatch) {
      context().ProjErr = block_error_message(s, pos, false);
      break;
    }
    const size_t next = s.find(kBlockOpen, after_open);
    if (next != kNoMatch && next < close) {
      host_ui().message_box("Nested Block: " + vb::excerpt(source_, 0, kShownSource), context().ProductTitle, platform::msgbox::vbOKOnly);
      // The inner opening marker is the offending one.
      context().ProjErr = block_error_message(s, next, true);
      break;
    }
    const agc_Block_Type kind = after_open < s.size() ? kind_of_sigil(s[after_open]) : agc_Block_Script;
    TemplateBlock b{kind, after_open, 0, {}, {}};
    if (kind != agc_Block_Script) {
      b.start = after_open + 1;
      // The sigil may sit right before the closing marker's "#"s: "<!--##=##-->".
      if (b.start > close) b.start = close;
      b.name = std::string(trim_spaces(s.substr(b.start, close - b.start)));
      if (kind == agc_Block_FunctionIndent && !blocks_.empty() && blocks_.back().kind == agc_Block_Content)
        b.indent = trailing_indent(text_of(blocks_.back()));
    }
    b.length = close - b.start;
    blocks_.push_back(std::move(b));
    last_end = close + kBlockClose.size();
    pos = next;
  }
  if (pos == kNoMatch && last_end < s.size())
    blocks_.push_back({agc_Block_Content, last_end, s.size() - last_end, {}, {}});
  current_ = Count();
}

void AGParser::SetBlockID(int32_t id) noexcept {
  if (id >= 1 && id <= Count()) current_ = id;
}

const TemplateBlock* AGParser::current() const noexcept {
  if (current_ < 1 || current_ > Count()) return nullptr;
  return &blocks_[size_t(current_) - 1];
}

int32_t AGParser::BlockType() const noexcept {
  const TemplateBlock* b = current();
  return b ? b->kind : 0;
}

std::string AGParser::BlockName() const {
  const TemplateBlock* b = current();
  return b ? b->name : std::string();
}

std::string AGParser::BlockValue() const {
  const TemplateBlock* b = current();
  return b ? std::string(text_of(*b)) : std::string();
}

std::string AGParser::BlockIndent() const {
  const TemplateBlock* b = current();
  return b ? b->indent : std::string();
}

vb::Variant AGParser::GetSession(const std::string& file_id, const std::string& session_id) const {
  std::vector<vb::Variant> pieces;
  for (auto& piece : shared_file_cache().expanded_session(file_id, session_id))
    pieces.emplace_back(std::move(piece));
  return vb::Variant::array(std::move(pieces));
}

const vb::DispatchTable<AGParser>& AGParser::dispatch_table() {
  using T = AGParser;
  using vb::Args;
  using vb::Variant;
  static const vb::DispatchTable<T> table = [] {
    vb::DispatchTable<T> d("AGParser");
    d.method("Parse",
             [](T& p, Args a) {
               vb::check_arg_count(a, 1, 1);
               p.Parse(vb::to_string(a[0]));
               return Variant();
             })
        .property("Count", [](T& p, Args) { return Variant(p.Count()); })
        .property(
            "BlockID", [](T& p, Args) { return Variant(p.BlockID()); },
            [](T& p, Args, const Variant& v) { p.SetBlockID(vb::to_long(v)); })
        .property("BlockType", [](T& p, Args) { return Variant(p.BlockType()); })
        .property("BlockName", [](T& p, Args) { return Variant(p.BlockName()); })
        .property("BlockValue", [](T& p, Args) { return Variant(p.BlockValue()); })
        .property("BlockIndent", [](T& p, Args) { return Variant(p.BlockIndent()); })
        .method("GetSession", [](T& p, Args a) {
          vb::check_arg_count(a, 2, 2);
          return p.GetSession(vb::to_string(a[0]), vb::to_string(a[1]));
        });
    return d;
  }();
  return table;
}

}  // namespace tolvex
