// XML reading over libxml2 (DOM walk and XPath), and a small writer of our own that gives the
// exact layout (declaration, attribute order, line ends) that the files we write need.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"

typedef struct _xmlNode xmlNode;
typedef struct _xmlDoc xmlDoc;

namespace tolvex::platform {

// A parse or XPath failure. For parse errors what() is "<file>: line <n>: <libxml2 message>".
class XmlError : public FileFormatError {
 public:
  using FileFormatError::FileFormatError;
};

// A document that declares entities, or refers to one declared nowhere: refused before anything
// expands it, and never taken for a missing or empty file.
class XmlEntityError : public XmlError {
 public:
  using XmlError::XmlError;
};

enum class XmlNodeKind { Element, Text, CData, Comment, ProcessingInstruction, Other };

struct XmlAttribute {
  std::string name;        // as written, with its prefix
  std::string local_name;  // without the prefix
  std::string value;       // UTF-8, entities and character references resolved
};

class XmlDocument;

// A node of a parsed document. Cheap to copy; keeps the document alive. A default-constructed
// node is null (operator bool false); every accessor of a null node gives an empty result.
// All texts are UTF-8, whatever the file's encoding.
class XmlNode {
 public:
  XmlNode() = default;
  explicit operator bool() const noexcept { return node_ != nullptr; }

  XmlNodeKind kind() const noexcept;
  bool is_element() const noexcept { return node_ && kind() == XmlNodeKind::Element; }
  std::string name() const;        // qualified name of an element or attribute ("x:item")
  std::string local_name() const;  // without the prefix ("item")
  int line() const noexcept;       // source line, 0 when unknown

  // Attributes of an element in document order.
  std::vector<XmlAttribute> attributes() const;
  // The value of the attribute with that (qualified) name, compared exactly; nullopt when absent.
  std::optional<std::string> attribute(std::string_view name) const;
  bool has_attribute(std::string_view name) const { return attribute(name).has_value(); }

  // For a text, CDATA or comment node its content; for an element the concatenated text of all
  // text and CDATA nodes below it (XPath string value).
  std::string text() const;

  XmlNode parent() const;
  XmlNode first_child() const;
  XmlNode next_sibling() const;
  // All children in order, any kind.
  std::vector<XmlNode> children() const;
  // Child elements in order; with a name, only those whose qualified name equals it exactly.
  std::vector<XmlNode> child_elements(std::string_view name = {}) const;
  XmlNode first_child_element(std::string_view name = {}) const;

  // XPath relative to this node. Throws XmlError for an invalid expression. A result that is not
  // a node set (a number, a string) gives no nodes.
  std::vector<XmlNode> select(const std::string& xpath) const;
  XmlNode select_one(const std::string& xpath) const;  // first node or null

  xmlNode* raw() const noexcept { return node_; }

 private:
  friend class XmlDocument;
  XmlNode(std::shared_ptr<xmlDoc> doc, xmlNode* node) : doc_(std::move(doc)), node_(node) {}
  std::shared_ptr<xmlDoc> doc_;
  xmlNode* node_ = nullptr;
};

// A parsed document. The declared encoding is honoured (windows-1252 and the other iconv
// encodings included); without a declaration UTF-8 (or the byte-order mark's) is assumed.
// No network access, no external DTD or entity loading, no entity expansion beyond the
// predefined ones and character references.
class XmlDocument {
 public:
  friend class XmlStreamReader;
  // Throws XmlError naming the file and line; PlatformError when the file cannot be read.
  static XmlDocument parse_file(const std::filesystem::path& path);
  // `name_for_messages` stands for the file in error messages.
  static XmlDocument parse_memory(std::string_view bytes, const std::string& name_for_messages = "XML text");

  XmlNode root() const;  // the document element
  // XPath from the document node ("/Project/Database").
  std::vector<XmlNode> select(const std::string& xpath) const;
  XmlNode select_one(const std::string& xpath) const;

  // The encoding named in the declaration, as written ("windows-1252"); empty when none.
  std::string declared_encoding() const;

 private:
  explicit XmlDocument(std::shared_ptr<xmlDoc> doc) : doc_(std::move(doc)) {}
  std::shared_ptr<xmlDoc> doc_;
};

// Reads a document node by node without building its tree (libxml2's streaming reader):
// each element's start with its attributes, its end, and the text between. Encodings and
// safety as XmlDocument; texts and attribute values of any length are read (a document
// that XmlDocument refuses for a value over 10 MB reads here). The views it hands out
// stay valid until the next call of next().
class XmlStreamReader {
 public:
  enum class Event {
    StartElement,  // name(), attributes through next_attribute(), empty_element()
    EndElement,    // name(); not reported for an empty element (<a/>)
    Text,          // text, white space; value()
    Other,         // CDATA, comment, processing instruction; value()
    End            // after the document element
  };
  // Throws PlatformError when the file cannot be read.
  explicit XmlStreamReader(const std::filesystem::path& path);
  // The bytes must outlive the reader; `name_for_messages` stands for them in errors.
  XmlStreamReader(std::string_view bytes, std::string name_for_messages);
  ~XmlStreamReader();
  XmlStreamReader(const XmlStreamReader&) = delete;
  XmlStreamReader& operator=(const XmlStreamReader&) = delete;

  // The next node. Throws XmlError ("<file>: line <n>: <message>") at the first fault of
  // the document, which may come after some of its nodes were reported.
  Event next();
  std::string_view name() const;
  std::string_view value() const;
  bool empty_element() const;  // ask before reading the attributes
  int line() const;   // of the current node, 0 when unknown
  int depth() const;  // 0 for the document element
  // The current start element's next attribute (in document order): false after the last.
  bool next_attribute(std::string_view& name, std::string_view& value);

 private:
  void open(const char* data, size_t size);
  [[noreturn]] void fail();
  std::filesystem::path path_;  // when read from a file
  std::string bytes_;           // the file's text, read only to explain a fault
  const char* data_ = nullptr;
  size_t size_ = 0;
  std::string name_for_messages_;
  struct State;
  std::unique_ptr<State> state_;
};

// Escaping as the writer does it: & < > " in attribute values, and CR, LF and TAB as &#13;
// &#10; &#9; so that they survive attribute-value normalisation.
std::string xml_escape_attribute(std::string_view value);
// & < > in text. CR, LF and TAB stand as themselves.
std::string xml_escape_text(std::string_view text);
// Both escapers write "?" for a character that XML 1.0 cannot hold at all (controls below
// U+0020 other than TAB, LF and CR, U+FFFE, U+FFFF) and for each byte that is not part of
// a UTF-8 character, so that the file can always be read back.
// True when `name` can stand as an element or attribute name, without a colon (the
// namespace prefix separator): an XML 1.0 NCName in UTF-8.
bool is_xml_ncname(std::string_view name);

// Builds an XML text in memory, exactly as told. Nothing is added except what the options say:
// - `line_end` is written after the declaration, and (with `indent` not empty) before every
//   start tag below the root and before an end tag that follows child elements;
// - `indent` (e.g. "\t" or two blanks) repeated once per nesting level after such a line end.
// With `indent` empty the elements follow one another with no white space; line_break() and
// raw() put in whatever a layout needs. An element that holds text gets no layout inside it, so
// that its text reads back unchanged.
// The caller's texts are UTF-8; the writer does no encoding (use utf8_to_code_page on the result
// for a file in another encoding, declaring it in the declaration text).
class XmlWriter {
 public:
  struct Options {
    std::string line_end = "\r\n";
    std::string indent;  // empty: no automatic layout
  };
  XmlWriter() = default;
  explicit XmlWriter(Options options) : options_(std::move(options)) {}

  // Writes the text as given (e.g. "<?xml version=\"1.0\" encoding=\"utf-8\"?>") and a line end.
  void declaration(std::string_view text);
  // <name a="..." b="..."> with the attributes in the order given; the tag stays open for more
  // attributes until content or the end tag follows.
  void start_element(std::string_view name,
                     const std::vector<std::pair<std::string, std::string>>& attributes = {});
  void attribute(std::string_view name, std::string_view value);  // onto the open start tag
  void text(std::string_view text);
  void cdata(std::string_view text);  // "]]>" inside is split over two sections
  // </name>, or "/>" closing the start tag when the element has no content (with
  // `empty_elements_short` true, the default; else "></name>").
  void end_element();
  // Writes `line_end` (closing an open start tag first).
  void line_break();
  // Writes the text unchanged (closing an open start tag first).
  void raw(std::string_view text);

  // From now on, hands the text to `sink` in pieces instead of keeping it whole: whenever more
  // than `chunk` bytes are held after an element's end or a line break (never within a tag), and
  // the rest at finish(), which then returns an empty text. An exception from the sink passes on.
  using Sink = std::function<void(std::string_view)>;
  void stream_to(Sink sink, size_t chunk = size_t(1) << 20);

  bool empty_elements_short = true;
  int depth() const noexcept { return int(open_.size()); }
  // The text written and not yet handed to a sink.
  const std::string& str() const noexcept { return out_; }
  // The text; every element must have been ended (throws PlatformError otherwise).
  std::string finish();

 private:
  void close_start_tag();
  void layout_line(size_t level);
  void hand_out() {
    if (sink_ && out_.size() > chunk_) {
      sink_(out_);
      out_.clear();
    }
  }
  struct Open {
    std::string name;
    bool has_content = false;
    bool has_child_elements = false;
    bool has_text = false;
  };
  Options options_;
  std::string out_;
  std::vector<Open> open_;
  bool tag_open_ = false;
  Sink sink_;
  size_t chunk_ = 0;
};

}  // namespace tolvex::platform
