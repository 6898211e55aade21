// A project file read into a compact tree: the elements with their attributes, and
// for each element how many of its children are not elements (text that is not white
// space, comments and the like). It is read with the streaming reader, names are held
// once, and the attribute values lie one after another in one block, so that the tree
// of a large project takes about the size of its file rather than the many times of a
// whole DOM. The whole file is read before anything uses it: a malformed file fails
// before the model is touched.
//
// Elements that the program does not read (a later version's, a user's own) do not enter
// the tree: each is kept whole as XML text, with its place among the elements that do,
// for the object that holds it to write back.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/properties.h"

namespace tolvex::projectfile {

class ProjectDocument;

// An element of a ProjectDocument (a cheap view; the document must outlive it).
class ProjectElement {
 public:
  struct Attribute {
    uint32_t name;  // the document's name number
    uint32_t size;
    size_t offset;  // of the value in the document's value block
  };

  std::string_view name() const;
  int line() const;
  // The attributes in document order.
  const Attribute* attributes_begin() const;
  const Attribute* attributes_end() const;
  std::string_view attribute_name(const Attribute& a) const;
  std::string_view attribute_value(const Attribute& a) const;
  // The value of the attribute with exactly that name.
  std::optional<std::string_view> attribute(std::string_view name) const;
  // Children that are elements, in order.
  std::vector<ProjectElement> child_elements() const;
  // The number of children that are no elements, not counting white-space text.
  uint32_t other_children() const;
  // The child elements kept as they stood (see ProjectDocument::read), in file order, each
  // with the number of child elements before it that are in the tree.
  std::vector<KeptElement> kept_children() const;
  bool is_root() const;

  const ProjectDocument& document() const { return *doc_; }

 private:
  friend class ProjectDocument;
  ProjectElement(const ProjectDocument* doc, uint32_t index) : doc_(doc), index_(index) {}
  const ProjectDocument* doc_;
  uint32_t index_;
};

class ProjectDocument {
 public:
  // Whether the program reads a child element of that name, given its parent element's
  // name and whether that is the root (names as written, letter case and all).
  using ReadsChild = bool (*)(std::string_view parent, bool parent_is_root, std::string_view child);

  // Throws platform::XmlError (file, line and the parser's reason) for a malformed file and
  // PlatformError for one that cannot be read. A child that `reads_child` refuses is kept,
  // with its whole subtree, as XML text: its attributes, elements, text, comments,
  // processing instructions and CDATA sections as the file has them (UTF-8, and
  // the project file's line end "\r\n" for every line end inside). Without `reads_child`
  // every element enters the tree.
  static ProjectDocument read(const std::filesystem::path& path, ReadsChild reads_child = nullptr);

  ProjectElement root() const { return ProjectElement(this, 0); }
  // The number of distinct element and attribute names, and the name of each number.
  size_t name_count() const { return names_.size(); }
  std::string_view name(uint32_t number) const { return names_[number]; }

 private:
  friend class ProjectElement;
  static constexpr uint32_t kNone = UINT32_MAX;
  struct Element {
    uint32_t name;
    uint32_t parent;
    uint32_t first_child = kNone;
    uint32_t last_child = kNone;
    uint32_t next_sibling = kNone;
    uint32_t first_attribute = 0;
    uint32_t attribute_count = 0;
    uint32_t other_children = 0;
    int32_t line = 0;
  };
  std::deque<std::string> names_;  // stable addresses while the document is read
  std::vector<Element> elements_;
  std::vector<ProjectElement::Attribute> attributes_;
  std::string values_;
  struct Kept {
    uint32_t holder;  // the element it is a child of
    KeptElement element;
  };
  std::vector<Kept> kept_;  // by holder, and in file order for each
};

}  // namespace tolvex::projectfile
