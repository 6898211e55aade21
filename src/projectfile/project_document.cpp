#include "projectfile/project_document.h"

#include <unordered_map>

#include "platform/xml.h"

namespace tolvex::projectfile {

namespace {

bool blank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

}  // namespace

ProjectDocument ProjectDocument::read(const std::filesystem::path& path) {
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
  std::vector<uint32_t> open;  // the elements not yet ended, innermost last
  for (;;) {
    const platform::XmlStreamReader::Event event = reader.next();
    if (event == platform::XmlStreamReader::Event::End) break;
    switch (event) {
      case platform::XmlStreamReader::Event::StartElement: {
        Element e;
        e.name = number_of(reader.name());
        e.parent = open.empty() ? kNone : open.back();
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
        }
        doc.elements_.push_back(e);
        if (!empty) open.push_back(index);
        break;
      }
      case platform::XmlStreamReader::Event::EndElement:
        if (!open.empty()) open.pop_back();
        break;
      case platform::XmlStreamReader::Event::Text:
        if (!open.empty() && !blank(reader.value())) ++doc.elements_[open.back()].other_children;
        break;
      case platform::XmlStreamReader::Event::Other:
        if (!open.empty()) ++doc.elements_[open.back()].other_children;
        break;
      case platform::XmlStreamReader::Event::End:
        break;
    }
  }
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

bool ProjectElement::is_root() const { return doc_->elements_[index_].parent == ProjectDocument::kNone; }

}  // namespace tolvex::projectfile
