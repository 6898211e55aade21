#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "platform/file_io.h"
#include "platform/xml.h"

namespace tolvex::platform {

namespace {

std::string to_string(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : std::string(); }

// A text libxml2 allocated, freed with xmlFree.
std::string take_string(xmlChar* s) {
  std::string out = to_string(s);
  if (s) xmlFree(s);
  return out;
}

std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

std::string qualified(const xmlNs* ns, const xmlChar* name) {
  std::string n = to_string(name);
  if (ns && ns->prefix) return to_string(ns->prefix) + ":" + n;
  return n;
}

// Collects the first error an XPath evaluation reports instead of printing it.
void keep_first_error(void* user, xmlErrorPtr error) {
  auto* message = static_cast<std::string*>(user);
  if (message->empty() && error && error->message) *message = trimmed(error->message);
}

std::vector<XmlNode> run_xpath(xmlDoc* doc, xmlNode* context, const std::string& xpath,
                               const std::function<XmlNode(xmlNode*)>& wrap) {
  std::vector<XmlNode> nodes;
  std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> ctx(xmlXPathNewContext(doc),
                                                                      &xmlXPathFreeContext);
  if (!ctx) throw XmlError("XPath", 0, "out of memory");
  std::string message;
  ctx->error = &keep_first_error;
  ctx->userData = &message;
  ctx->node = context;
  std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
      xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), ctx.get()), &xmlXPathFreeObject);
  if (!result) {
    throw XmlError("XPath", 0, "invalid expression '" + xpath + "'" + (message.empty() ? "" : ": " + message));
  }
  if (result->type == XPATH_NODESET && result->nodesetval) {
    for (int i = 0; i < result->nodesetval->nodeNr; ++i) nodes.push_back(wrap(result->nodesetval->nodeTab[i]));
  }
  return nodes;
}

// The first error of a parse, which says more than the last one.
struct FirstError {
  bool set = false;
  bool fatal = false;
  int line = 0;
  std::string message;
};

void keep_first_parse_error(void* user, xmlErrorPtr error) {
  auto* ctxt = static_cast<xmlParserCtxt*>(user);
  auto* first = ctxt ? static_cast<FirstError*>(ctxt->_private) : nullptr;
  if (!first || first->set || !error || error->level < XML_ERR_ERROR) return;
  first->set = true;
  first->line = error->line;
  first->message = error->message ? trimmed(error->message) : "not well-formed XML";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Nodes

XmlNodeKind XmlNode::kind() const noexcept {
  if (!node_) return XmlNodeKind::Other;
  switch (node_->type) {
    case XML_ELEMENT_NODE: return XmlNodeKind::Element;
    case XML_TEXT_NODE: return XmlNodeKind::Text;
    case XML_CDATA_SECTION_NODE: return XmlNodeKind::CData;
    case XML_COMMENT_NODE: return XmlNodeKind::Comment;
    case XML_PI_NODE: return XmlNodeKind::ProcessingInstruction;
    default: return XmlNodeKind::Other;
  }
}

std::string XmlNode::name() const {
  if (!node_) return {};
  if (node_->type == XML_ELEMENT_NODE || node_->type == XML_ATTRIBUTE_NODE) return qualified(node_->ns, node_->name);
  return to_string(node_->name);
}

std::string XmlNode::local_name() const { return node_ ? to_string(node_->name) : std::string(); }

int XmlNode::line() const noexcept { return node_ ? int(xmlGetLineNo(node_)) : 0; }

std::vector<XmlAttribute> XmlNode::attributes() const {
  std::vector<XmlAttribute> out;
  if (!node_ || node_->type != XML_ELEMENT_NODE) return out;
  for (xmlAttr* a = node_->properties; a; a = a->next) {
    out.push_back({qualified(a->ns, a->name), to_string(a->name),
                   take_string(xmlNodeGetContent(reinterpret_cast<xmlNode*>(a)))});
  }
  return out;
}

std::optional<std::string> XmlNode::attribute(std::string_view name) const {
  if (!node_ || node_->type != XML_ELEMENT_NODE) return std::nullopt;
  for (xmlAttr* a = node_->properties; a; a = a->next) {
    if (qualified(a->ns, a->name) == name) return take_string(xmlNodeGetContent(reinterpret_cast<xmlNode*>(a)));
  }
  return std::nullopt;
}

std::string XmlNode::text() const {
  if (!node_) return {};
  return take_string(xmlNodeGetContent(node_));
}

XmlNode XmlNode::parent() const {
  if (!node_ || !node_->parent || node_->parent->type == XML_DOCUMENT_NODE) return {};
  return XmlNode(doc_, node_->parent);
}

XmlNode XmlNode::first_child() const {
  if (!node_ || node_->type != XML_ELEMENT_NODE || !node_->children) return {};
  return XmlNode(doc_, node_->children);
}

XmlNode XmlNode::next_sibling() const {
  if (!node_ || !node_->next) return {};
  return XmlNode(doc_, node_->next);
}

std::vector<XmlNode> XmlNode::children() const {
  std::vector<XmlNode> out;
  for (XmlNode c = first_child(); c; c = c.next_sibling()) out.push_back(c);
  return out;
}

std::vector<XmlNode> XmlNode::child_elements(std::string_view name) const {
  std::vector<XmlNode> out;
  for (XmlNode c = first_child(); c; c = c.next_sibling()) {
    if (c.is_element() && (name.empty() || c.name() == name)) out.push_back(c);
  }
  return out;
}

XmlNode XmlNode::first_child_element(std::string_view name) const {
  for (XmlNode c = first_child(); c; c = c.next_sibling()) {
    if (c.is_element() && (name.empty() || c.name() == name)) return c;
  }
  return {};
}

std::vector<XmlNode> XmlNode::select(const std::string& xpath) const {
  if (!node_) return {};
  return run_xpath(doc_.get(), node_, xpath, [this](xmlNode* n) { return XmlNode(doc_, n); });
}

XmlNode XmlNode::select_one(const std::string& xpath) const {
  auto nodes = select(xpath);
  return nodes.empty() ? XmlNode() : nodes.front();
}

// ---------------------------------------------------------------------------------------------
// Documents

XmlDocument XmlDocument::parse_file(const std::filesystem::path& path) {
  return parse_memory(read_file(path), path.string());
}

XmlDocument XmlDocument::parse_memory(std::string_view bytes, const std::string& name_for_messages) {
  static const bool initialised = (xmlInitParser(), true);  // once, before any thread parses
  (void)initialised;
  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(), &xmlFreeParserCtxt);
  if (!ctxt) throw XmlError(name_for_messages, 0, "out of memory");
  if (bytes.size() > size_t(INT32_MAX)) throw XmlError(name_for_messages, 0, "the document is too large");
  FirstError first;
  ctxt->_private = &first;
  ctxt->userData = ctxt.get();
  ctxt->sax->serror = &keep_first_parse_error;
  // Texts over libxml2's default limit of 10 MB are read, as the streaming reader reads them.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE;
  xmlDoc* doc = xmlCtxtReadMemory(ctxt.get(), bytes.data(), int(bytes.size()), nullptr, nullptr, options);
  if (!doc || !ctxt->wellFormed) {
    if (doc) xmlFreeDoc(doc);
    if (!first.set) {
      const xmlError* e = xmlCtxtGetLastError(ctxt.get());
      first.line = e ? e->line : 0;
      first.message = e && e->message ? trimmed(e->message) : "not well-formed XML";
    }
    throw XmlError(name_for_messages, first.line, first.message);
  }
  if (!xmlDocGetRootElement(doc)) {
    xmlFreeDoc(doc);
    throw XmlError(name_for_messages, 0, "the document has no root element");
  }
  return XmlDocument(std::shared_ptr<xmlDoc>(doc, &xmlFreeDoc));
}

XmlNode XmlDocument::root() const { return XmlNode(doc_, xmlDocGetRootElement(doc_.get())); }

std::vector<XmlNode> XmlDocument::select(const std::string& xpath) const {
  return run_xpath(doc_.get(), reinterpret_cast<xmlNode*>(doc_.get()), xpath,
                   [this](xmlNode* n) { return XmlNode(doc_, n); });
}

XmlNode XmlDocument::select_one(const std::string& xpath) const {
  auto nodes = select(xpath);
  return nodes.empty() ? XmlNode() : nodes.front();
}

std::string XmlDocument::declared_encoding() const { return to_string(doc_->encoding); }

// ---------------------------------------------------------------------------------------------
// Streaming

struct XmlStreamReader::State {
  xmlTextReaderPtr reader = nullptr;
  std::shared_ptr<xmlDoc> doc;  // the document a walk goes over, when the file was parsed whole
  int fd = -1;
  FirstError first;
  bool in_attributes = false;
  bool done = false;
  bool had_element = false;
  ~State() {
    if (reader) xmlFreeTextReader(reader);
    if (fd >= 0) ::close(fd);
  }
};

namespace {

// Keeps the first fatal error (what stopped the reader), else the first error.
void keep_first_reader_error(void* user, xmlErrorPtr error) {
  auto* first = static_cast<FirstError*>(user);
  if (!first || !error || error->level < XML_ERR_ERROR) return;
  if (first->set && (first->fatal || error->level != XML_ERR_FATAL)) return;
  first->set = true;
  first->fatal = error->level == XML_ERR_FATAL;
  first->line = error->line;
  first->message = error->message ? trimmed(error->message) : "not well-formed XML";
}

// The longest run of bytes without a ">" in the file (from its start): about the length
// of its longest tag.
size_t longest_tag_run(int fd) {
  char buf[65536];
  size_t longest = 0, run = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const char* p = buf;
    const char* end = buf + n;
    while (const char* gt = static_cast<const char*>(std::memchr(p, '>', size_t(end - p)))) {
      longest = std::max(longest, run + size_t(gt - p));
      run = 0;
      p = gt + 1;
    }
    run += size_t(end - p);
  }
  return std::max(longest, run);
}

constexpr size_t kLongestStreamedTag = 256 * 1024;

// Values over libxml2's default limit of 10 MB are read: what the writer writes reads back.
constexpr int kStreamOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE;

std::string_view view_of(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

}  // namespace

XmlStreamReader::XmlStreamReader(const std::filesystem::path& path) : path_(path), name_for_messages_(path.string()) {
  static const bool initialised = (xmlInitParser(), true);
  (void)initialised;
  state_ = std::make_unique<State>();
  state_->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (state_->fd < 0) throw PlatformError(errno_message("Cannot open", path, errno));
  struct stat st {};
  if (::fstat(state_->fd, &st) == 0 && S_ISDIR(st.st_mode)) throw PlatformError(errno_message("Cannot read", path, EISDIR));
  if (st.st_size > INT32_MAX) throw XmlError(name_for_messages_, 0, "the document is too large");
  if (longest_tag_run(state_->fd) > kLongestStreamedTag) {
    // The streaming reader hands the parser small pieces and looks for the end of a tag
    // again after each: a tag of many megabytes would take time that grows with its
    // square. Such a file is parsed whole (in time that grows with its size) and walked.
    XmlDocument doc = XmlDocument::parse_file(path);
    state_->doc = doc.doc_;
    state_->reader = xmlReaderWalker(state_->doc.get());
    if (!state_->reader) throw XmlError(name_for_messages_, 0, "out of memory");
    return;
  }
  // The file is read in pieces as the document is walked, not whole.
  if (::lseek(state_->fd, 0, SEEK_SET) != 0) throw PlatformError(errno_message("Cannot read", path, errno));
  state_->reader = xmlReaderForFd(state_->fd, nullptr, nullptr, kStreamOptions);
  if (!state_->reader) throw XmlError(name_for_messages_, 0, "out of memory");
  xmlTextReaderSetStructuredErrorHandler(state_->reader, &keep_first_reader_error, &state_->first);
}

XmlStreamReader::XmlStreamReader(std::string_view bytes, std::string name_for_messages)
    : name_for_messages_(std::move(name_for_messages)) {
  open(bytes.data(), bytes.size());
}

XmlStreamReader::~XmlStreamReader() = default;

void XmlStreamReader::open(const char* data, size_t size) {
  data_ = data;
  size_ = size;
  static const bool initialised = (xmlInitParser(), true);
  (void)initialised;
  if (size > size_t(INT32_MAX)) throw XmlError(name_for_messages_, 0, "the document is too large");
  state_ = std::make_unique<State>();
  state_->reader = xmlReaderForMemory(size ? data : "", int(size), nullptr, nullptr, kStreamOptions);
  if (!state_->reader) throw XmlError(name_for_messages_, 0, "out of memory");
  xmlTextReaderSetStructuredErrorHandler(state_->reader, &keep_first_reader_error, &state_->first);
}

// The first error of a parse of the whole text that builds nothing: the streaming
// reader's own messages after a fault can name a later symptom instead of the cause.
static FirstError first_parse_error(const char* data, size_t size) {
  FirstError first;
  if (size == 0) {
    first.set = true;
    first.line = 1;
    first.message = "Document is empty";
    return first;
  }
  xmlSAXHandler sax{};
  sax.initialized = XML_SAX2_MAGIC;
  sax.serror = &keep_first_reader_error;
  xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(data, int(size));
  if (!ctxt) return first;
  std::memcpy(ctxt->sax, &sax, sizeof sax);
  ctxt->userData = &first;
  xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
  xmlParseDocument(ctxt);
  xmlFreeParserCtxt(ctxt);
  return first;
}

void XmlStreamReader::fail() {
  FirstError& first = state_->first;
  if (!data_) {
    try {
      bytes_ = read_file(path_);
      data_ = bytes_.data();
      size_ = bytes_.size();
    } catch (const std::exception&) {
    }
  }
  if (data_)
    if (FirstError cause = first_parse_error(data_, size_); cause.set) first = cause;
  if (!first.set) {
    first.line = xmlTextReaderGetParserLineNumber(state_->reader);
    first.message = "not well-formed XML";
  }
  throw XmlError(name_for_messages_, first.line, first.message);
}

XmlStreamReader::Event XmlStreamReader::next() {
  if (state_->done) return Event::End;
  if (state_->in_attributes) {
    xmlTextReaderMoveToElement(state_->reader);
    state_->in_attributes = false;
  }
  for (;;) {
    const int r = xmlTextReaderRead(state_->reader);
    if (r < 0) fail();
    if (r == 0) {
      state_->done = true;
      if (!state_->had_element) throw XmlError(name_for_messages_, 0, "the document has no root element");
      return Event::End;
    }
    switch (xmlTextReaderNodeType(state_->reader)) {
      case XML_READER_TYPE_ELEMENT:
        state_->had_element = true;
        return Event::StartElement;
      case XML_READER_TYPE_END_ELEMENT: return Event::EndElement;
      case XML_READER_TYPE_TEXT:
      case XML_READER_TYPE_WHITESPACE:
      case XML_READER_TYPE_SIGNIFICANT_WHITESPACE: return Event::Text;
      case XML_READER_TYPE_CDATA:
      case XML_READER_TYPE_COMMENT:
      case XML_READER_TYPE_PROCESSING_INSTRUCTION: return Event::Other;
      default: continue;  // the document type declaration and the like
    }
  }
}

std::string_view XmlStreamReader::name() const { return view_of(xmlTextReaderConstName(state_->reader)); }

std::string_view XmlStreamReader::value() const { return view_of(xmlTextReaderConstValue(state_->reader)); }

bool XmlStreamReader::empty_element() const { return xmlTextReaderIsEmptyElement(state_->reader) == 1; }

int XmlStreamReader::line() const {
  xmlNode* node = xmlTextReaderCurrentNode(state_->reader);
  return node ? int(xmlGetLineNo(node)) : 0;
}

int XmlStreamReader::depth() const { return xmlTextReaderDepth(state_->reader); }

bool XmlStreamReader::next_attribute(std::string_view& name, std::string_view& value) {
  if (xmlTextReaderMoveToNextAttribute(state_->reader) != 1) return false;
  state_->in_attributes = true;
  name = view_of(xmlTextReaderConstName(state_->reader));
  value = view_of(xmlTextReaderConstValue(state_->reader));
  return true;
}

}  // namespace tolvex::platform
