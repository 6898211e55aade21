#include "platform/error.h"
#include "platform/xml.h"

namespace tolvex::platform {

namespace {

// XML 1.0 holds no control characters but TAB, LF and CR, not even as references.
bool forbidden_control(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

}  // namespace

std::string xml_escape_attribute(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 8);
  for (unsigned char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': out += "&#13;"; break;
      case '\n': out += "&#10;"; break;
      case '\t': out += "&#9;"; break;
      default: out += forbidden_control(c) ? '?' : char(c);
    }
  }
  return out;
}

std::string xml_escape_text(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (unsigned char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += forbidden_control(c) ? '?' : char(c);
    }
  }
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
  out_ += xml_escape_attribute(value);
  out_ += '"';
}

void XmlWriter::text(std::string_view text) {
  close_start_tag();
  if (!open_.empty()) {
    open_.back().has_content = true;
    open_.back().has_text = true;
  }
  out_ += xml_escape_text(text);
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
    return;
  }
  close_start_tag();
  if (e.has_child_elements && !e.has_text && !options_.indent.empty()) layout_line(open_.size());
  out_ += "</" + e.name + '>';
}

void XmlWriter::line_break() {
  close_start_tag();
  if (!open_.empty()) open_.back().has_content = true;
  out_ += options_.line_end;
}

void XmlWriter::raw(std::string_view text) {
  close_start_tag();
  if (!open_.empty()) open_.back().has_content = true;
  out_ += text;
}

std::string XmlWriter::finish() {
  if (!open_.empty()) throw PlatformError("XML writer: element '" + open_.back().name + "' was not ended");
  return std::move(out_);
}

}  // namespace tolvex::platform
