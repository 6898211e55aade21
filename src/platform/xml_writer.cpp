#include <array>
#include <cstdlib>

#include "platform/error.h"
#include "platform/xml.h"

namespace tolvex::platform {

namespace {

// XML 1.0 holds no control characters but TAB, LF and CR, not even as references.
bool forbidden_control(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

// The length of the UTF-8 sequence at text[i]: positive for a character XML 1.0 can
// hold, negative for one it cannot (U+FFFE, U+FFFF), 0 for a byte that starts none (not
// UTF-8, overlong, a surrogate).
int utf8_sequence(std::string_view text, size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  size_t len;
  char32_t cp, least;
  if ((c & 0xE0) == 0xC0) len = 2, cp = c & 0x1F, least = 0x80;
  else if ((c & 0xF0) == 0xE0) len = 3, cp = c & 0x0F, least = 0x800;
  else if ((c & 0xF8) == 0xF0) len = 4, cp = c & 0x07, least = 0x10000;
  else return 0;
  if (len > text.size() - i) return 0;
  for (size_t k = 1; k < len; ++k) {
    const unsigned char cc = static_cast<unsigned char>(text[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return cp == 0xFFFE || cp == 0xFFFF ? -int(len) : int(len);
}

// Appends the text escaped; `attribute` also escapes the quote and the white space that
// attribute-value normalisation would change.
// Characters that stand for themselves in a value and in a text, by byte.
constexpr auto kPlain = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[size_t(c)] = c != '&' && c != '<' && c != '>' && c != '"';
  return plain;
}();
bool plain(unsigned char c) { return kPlain[c]; }

void append_escaped(std::string& out, std::string_view text, bool attribute) {
  for (size_t i = 0; i < text.size();) {
    // Runs of plain characters go in whole.
    size_t run = i;
    while (run < text.size() && plain(static_cast<unsigned char>(text[run]))) ++run;
    if (run > i) {
      out.append(text.data() + i, run - i);
      i = run;
      if (i == text.size()) break;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const int len = utf8_sequence(text, i);
      if (len > 0) out.append(text.data() + i, size_t(len));
      else out += '?';
      i += len == 0 ? 1 : size_t(std::abs(len));
      continue;
    }
    ++i;
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += attribute ? "&quot;" : "\""; break;
      case '\r': out += attribute ? "&#13;" : "\r"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      default: out += forbidden_control(c) ? '?' : char(c);
    }
  }
}

bool name_start_char(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 0xC0 && c <= 0xD6) ||
         (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
         (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
         (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool name_char(char32_t c) {
  return name_start_char(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

}  // namespace

bool is_xml_ncname(std::string_view name) {
  if (name.empty()) return false;
  bool first = true;
  for (size_t i = 0; i < name.size();) {
    char32_t c = static_cast<unsigned char>(name[i]);
    size_t len = 1;
    if (c >= 0x80) {
      const int n = utf8_sequence(name, i);
      if (n <= 0) return false;
      len = size_t(n);
      c &= 0xFF >> (len + 1);
      for (size_t k = 1; k < len; ++k) c = (c << 6) | (static_cast<unsigned char>(name[i + k]) & 0x3F);
    }
    if (first ? !name_start_char(c) : !name_char(c)) return false;
    first = false;
    i += len;
  }
  return true;
}

std::string xml_escape_attribute(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 8);
  append_escaped(out, value, true);
  return out;
}

std::string xml_escape_text(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  append_escaped(out, text, false);
  return out;
}

void XmlWriter::declaration(std::string_view text) {
  out_ += text;
  out_ += options_.line_end;
}

void XmlWriter::close_start_tag() {
  if (tag_open_) {
    out_ += '>';
    tag_open_ = false;
  }
}

void XmlWriter::layout_line(size_t level) {
  out_ += options_.line_end;
  for (size_t i = 0; i < level; ++i) out_ += options_.indent;
}

void XmlWriter::start_element(std::string_view name, const std::vector<std::pair<std::string, std::string>>& attributes) {
  if (name.empty()) throw PlatformError("XML writer: an element needs a name");
  close_start_tag();
  if (!open_.empty()) {
    Open& parent = open_.back();
    parent.has_content = true;
    parent.has_child_elements = true;
    if (!options_.indent.empty() && !parent.has_text) layout_line(open_.size());
  }
  out_ += '<';
  out_ += name;
  tag_open_ = true;
  open_.push_back({std::string(name)});
  for (const auto& [n, v] : attributes) attribute(n, v);
}

void XmlWriter::attribute(std::string_view name, std::string_view value) {
  if (!tag_open_) throw PlatformError("XML writer: attribute '" + std::string(name) + "' after the element's content");
  out_ += ' ';
  out_ += name;
  out_ += "=\"";
  append_escaped(out_, value, true);
  out_ += '"';
}

void XmlWriter::text(std::string_view text) {
  close_start_tag();
  if (!open_.empty()) {
    open_.back().has_content = true;
    open_.back().has_text = true;
  }
  append_escaped(out_, text, false);
}

void XmlWriter::cdata(std::string_view text) {
  close_start_tag();
  if (!open_.empty()) {
    open_.back().has_content = true;
    open_.back().has_text = true;
  }
  out_ += "<![CDATA[";
  size_t pos = 0;
  for (size_t end; (end = text.find("]]>", pos)) != std::string_view::npos; pos = end + 2) {
    out_ += text.substr(pos, end + 2 - pos);
    out_ += "]]><![CDATA[";
  }
  for (unsigned char c : text.substr(pos)) out_ += forbidden_control(c) ? '?' : char(c);
  out_ += "]]>";
}

void XmlWriter::end_element() {
  if (open_.empty()) throw PlatformError("XML writer: end_element without an open element");
  Open e = std::move(open_.back());
  open_.pop_back();
  if (!e.has_content) {
    tag_open_ = false;
    if (empty_elements_short) {
      out_ += "/>";
    } else {
      out_ += "></" + e.name + '>';
    }
    hand_out();
    return;
  }
  close_start_tag();
  if (e.has_child_elements && !e.has_text && !options_.indent.empty()) layout_line(open_.size());
  out_ += "</" + e.name + '>';
  hand_out();
}

void XmlWriter::line_break() {
  close_start_tag();
  if (!open_.empty()) open_.back().has_content = true;
  out_ += options_.line_end;
  hand_out();
}

void XmlWriter::raw(std::string_view text) {
  close_start_tag();
  if (!open_.empty()) open_.back().has_content = true;
  out_ += text;
}

void XmlWriter::stream_to(Sink sink, size_t chunk) {
  sink_ = std::move(sink);
  chunk_ = chunk;
}

std::string XmlWriter::finish() {
  if (!open_.empty()) throw PlatformError("XML writer: element '" + open_.back().name + "' was not ended");
  if (sink_) {
    sink_(out_);
    out_.clear();
    return {};
  }
  return std::move(out_);
}

}  // namespace tolvex::platform
