#include "projectfile/project_document.h"

#include <algorithm>
#include <unordered_map>

#include "platform/xml.h"

namespace tolvex::projectfile {

namespace {

bool blank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// The line end of a project file: a line end of a kept element's text is written as it, so
// that a kept element of a file that has them reads out as it stood (the parser made each
// a single "\n").
constexpr std::string_view kLineEnd = "\r\n";

// Text that the parser delivered, as it stands inside a comment, processing instruction
// or CDATA section (where nothing is escaped).
void append_unescaped(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '\n') out += kLineEnd;
    else out += c;
  }
}

// Character data, escaped; a carriage return (from a reference: the parser leaves no other)
// stays one.
void append_text(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\r': out += "&#13;"; break;
      case '\n': out += kLineEnd; break;
      default: out += c; break;
    }
  }
}

// The reader's current start element with its attributes, closed as "/>" when it is empty.
// Gives the element's name (the reader's own name() then names the last attribute).
std::string append_start_tag(std::string& out, platform::XmlStreamReader& reader, bool empty) {
  std::string element(reader.name());
  out += '<';
  out += element;
  std::string_view name, value;
  while (reader.next_attribute(name, value)) {
    out += ' ';
    out += name;
    out += "=\"";
    out += platform::xml_escape_attribute(value);
    out += '"';
  }
  out += empty ? "/>" : ">";
  return element;
}

// A comment, processing instruction or CDATA section by the reader's name for it.
void append_other(std::string& out, std::string_view name, std::string_view value) {
  if (name == "#comment") {
    out += "<!--";
    append_unescaped(out, value);
    out += "-->";
  } else if (name == "#cdata-section") {
    out += "<![CDATA[";
    append_unescaped(out, value);
    out += "]]>";
  } else {
    out += "<?";
    out += name;
    if (!value.empty()) out += ' ';
    append_unescaped(out, value);
    out += "?>";
  }
}

}  // namespace

ProjectDocument ProjectDocument::read(const std::filesystem::path& path, ReadsChild reads_child) {
  platform::XmlStreamReader reader(path);
  ProjectDocument doc;
  std::error_code ec;
  const size_t size = std::filesystem::file_size(path, ec);
  if (!ec) {
    doc.values_.reserve(size);
    // A project file spends some 14 bytes of text on an attribute.
    doc.attributes_.reserve(size / 12);
  }
  // The reader hands out the same pointer for most occurrences of a name: names are
  // looked up by pointer first (the text checked), and by text when that misses.
  std::unordered_map<const char*, uint32_t> by_pointer;
  std::unordered_map<std::string_view, uint32_t> by_text;
  auto number_by_lookup = [&](std::string_view name) {
    if (auto it = by_pointer.find(name.data()); it != by_pointer.end() && doc.names_[it->second] == name)
      return it->second;
    uint32_t number;
    if (auto it = by_text.find(name); it != by_text.end()) {
      number = it->second;
    } else {
      number = uint32_t(doc.names_.size());
      doc.names_.emplace_back(name);
      by_text.emplace(name, number);
    }
    by_pointer.insert_or_assign(name.data(), number);
    return number;
  };
  // Elements of a kind repeat their attributes in the same order: the name that followed
  // the previous one last time is tried first.
  std::vector<std::pair<const char*, uint32_t>> followed_by;
  uint32_t previous = 0;
  auto number_of = [&](std::string_view name) {
    if (previous < followed_by.size()) {
      const auto& [pointer, number] = followed_by[previous];
      if (pointer == name.data() && doc.names_[number] == name) return previous = number;
    }
    const uint32_t number = number_by_lookup(name);
    if (followed_by.size() <= previous) followed_by.resize(previous + 1, {nullptr, 0});
    followed_by[previous] = {name.data(), number};
    return previous = number;
  };
  // The elements of the tree not yet ended, innermost last, each with the number of its
  // child elements so far that entered the tree.
  struct Open {
    uint32_t index;
    uint32_t read_children = 0;
  };
  std::vector<Open> open;
  // What reads_child said, by parent (UINT32_MAX for the root) and child name number.
  // Siblings mostly repeat a name: the last answer is tried first.
  std::unordered_map<uint64_t, bool> reads;
  uint64_t last_key = UINT64_MAX;
  bool last_answer = true;
  auto is_read = [&](const Open& parent, uint32_t child) {
    if (!reads_child) return true;
    const bool root = doc.elements_[parent.index].parent == kNone;
    const uint32_t parent_name = doc.elements_[parent.index].name;
    const uint64_t key = (uint64_t(root ? kNone : parent_name) << 32) | child;
    if (key == last_key) return last_answer;
    auto it = reads.find(key);
    if (it == reads.end()) it = reads.emplace(key, reads_child(doc.names_[parent_name], root, doc.names_[child])).first;
    last_key = key;
    return last_answer = it->second;
  };
  // The element being kept as text, and the names of its elements not yet ended.
  std::string* kept = nullptr;
  std::vector<std::string> kept_open;
  for (;;) {
    const platform::XmlStreamReader::Event event = reader.next();
    if (event == platform::XmlStreamReader::Event::End) break;
    if (kept) {
      switch (event) {
        case platform::XmlStreamReader::Event::StartElement: {
          const bool empty = reader.empty_element();
          std::string name = append_start_tag(*kept, reader, empty);
          if (!empty) kept_open.push_back(std::move(name));
          break;
        }
        case platform::XmlStreamReader::Event::EndElement:
          *kept += "</" + kept_open.back() + ">";
          kept_open.pop_back();
          break;
        case platform::XmlStreamReader::Event::Text: append_text(*kept, reader.value()); break;
        case platform::XmlStreamReader::Event::Other: append_other(*kept, reader.name(), reader.value()); break;
        case platform::XmlStreamReader::Event::End: break;
      }
      if (kept_open.empty()) kept = nullptr;
      continue;
    }
    switch (event) {
      case platform::XmlStreamReader::Event::StartElement: {
        const uint32_t name_number = number_of(reader.name());
        if (!open.empty() && !is_read(open.back(), name_number)) {
          doc.kept_.push_back({open.back().index, {open.back().read_children, std::string()}});
          kept = &doc.kept_.back().element.xml;
          const bool empty = reader.empty_element();
          std::string name = append_start_tag(*kept, reader, empty);
          if (empty) kept = nullptr;
          else kept_open.push_back(std::move(name));
          break;
        }
        Element e;
        e.name = name_number;
        e.parent = open.empty() ? kNone : open.back().index;
        e.line = reader.line();
        e.first_attribute = uint32_t(doc.attributes_.size());
        const bool empty = reader.empty_element();
        std::string_view name, value;
        while (reader.next_attribute(name, value)) {
          if (value.size() > UINT32_MAX) throw platform::XmlError(path.string(), e.line, "an attribute value is too large");
          doc.attributes_.push_back({number_of(name), uint32_t(value.size()), doc.values_.size()});
          doc.values_.append(value);
        }
        e.attribute_count = uint32_t(doc.attributes_.size()) - e.first_attribute;
        const uint32_t index = uint32_t(doc.elements_.size());
        if (e.parent != kNone) {
          Element& parent = doc.elements_[e.parent];
          if (parent.last_child == kNone) parent.first_child = index;
          else doc.elements_[parent.last_child].next_sibling = index;
          parent.last_child = index;
          ++open.back().read_children;
        }
        doc.elements_.push_back(e);
        if (!empty) open.push_back({index});
        break;
      }
      case platform::XmlStreamReader::Event::EndElement:
        if (open.empty()) break;
        // The kept children after the element's last one in the tree stay last.
        for (auto it = doc.kept_.rbegin();
             it != doc.kept_.rend() && it->holder == open.back().index && it->element.position == open.back().read_children;
             ++it)
          it->element.position = KeptElement::kAfterAll;
        open.pop_back();
        break;
      case platform::XmlStreamReader::Event::Text:
        if (!open.empty() && !blank(reader.value())) ++doc.elements_[open.back().index].other_children;
        break;
      case platform::XmlStreamReader::Event::Other:
        if (!open.empty()) ++doc.elements_[open.back().index].other_children;
        break;
      case platform::XmlStreamReader::Event::End:
        break;
    }
  }
  // Each holder's kept children one after another, for kept_children to find.
  std::stable_sort(doc.kept_.begin(), doc.kept_.end(),
                   [](const Kept& a, const Kept& b) { return a.holder < b.holder; });
  if (doc.elements_.empty()) throw platform::XmlError(path.string(), 0, "the document has no root element");
  return doc;
}

std::string_view ProjectElement::name() const { return doc_->names_[doc_->elements_[index_].name]; }

int ProjectElement::line() const { return doc_->elements_[index_].line; }

const ProjectElement::Attribute* ProjectElement::attributes_begin() const {
  return doc_->attributes_.data() + doc_->elements_[index_].first_attribute;
}

const ProjectElement::Attribute* ProjectElement::attributes_end() const {
  return attributes_begin() + doc_->elements_[index_].attribute_count;
}

std::string_view ProjectElement::attribute_name(const Attribute& a) const { return doc_->names_[a.name]; }

std::string_view ProjectElement::attribute_value(const Attribute& a) const {
  return std::string_view(doc_->values_).substr(a.offset, a.size);
}

std::optional<std::string_view> ProjectElement::attribute(std::string_view name) const {
  for (const Attribute* a = attributes_begin(); a != attributes_end(); ++a)
    if (attribute_name(*a) == name) return attribute_value(*a);
  return std::nullopt;
}

std::vector<ProjectElement> ProjectElement::child_elements() const {
  std::vector<ProjectElement> out;
  for (uint32_t c = doc_->elements_[index_].first_child; c != ProjectDocument::kNone; c = doc_->elements_[c].next_sibling)
    out.push_back(ProjectElement(doc_, c));
  return out;
}

uint32_t ProjectElement::other_children() const { return doc_->elements_[index_].other_children; }

std::vector<KeptElement> ProjectElement::kept_children() const {
  std::vector<KeptElement> out;
  const auto& kept = doc_->kept_;
  if (kept.empty()) return out;
  auto it = std::lower_bound(kept.begin(), kept.end(), index_,
                             [](const ProjectDocument::Kept& k, uint32_t holder) { return k.holder < holder; });
  for (; it != kept.end() && it->holder == index_; ++it) out.push_back(it->element);
  return out;
}

bool ProjectElement::is_root() const { return doc_->elements_[index_].parent == ProjectDocument::kNone; }

}  // namespace tolvex::projectfile
