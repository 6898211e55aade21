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
#include <libxml/SAX2.h>
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
  bool refused = false;  // entities stopped the parse
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

// Entities. No file we read needs any, and declared entities are what an entity bomb is made
// of (libxml2's own guard against their expansion is off once texts over 10 MB are allowed):
// the first declaration stops the parse before any reference can expand it. A reference to
// an entity declared nowhere (one that an external DTD, never loaded, would declare) stops it
// too: its text cannot be read, and leaving it out would change the value.
// The hooks take a context whose `_private` is the parse's FirstError.
void stop_parse(xmlParserCtxt* ctxt, std::string message) {
  auto* first = static_cast<FirstError*>(ctxt->_private);
  if (first && !first->refused) {
    first->set = first->fatal = first->refused = true;
    first->line = ctxt->input ? ctxt->input->line : 0;
    first->message = std::move(message);
  }
  ctxt->wellFormed = 0;
  xmlStopParser(ctxt);
}

void refuse_entity_declaration(void* ctx, const xmlChar* name, int type, const xmlChar*, const xmlChar*, xmlChar*) {
  const bool parameter = type == XML_INTERNAL_PARAMETER_ENTITY || type == XML_EXTERNAL_PARAMETER_ENTITY;
  stop_parse(static_cast<xmlParserCtxt*>(ctx), std::string("the document type declares the entity '") +
                                                   (parameter ? "%" : "") + to_string(name) +
                                                   "': entities are not accepted in this file");
}

xmlEntity* refuse_undeclared_entity(void* ctx, const xmlChar* name) {
  if (xmlEntity* predefined = xmlGetPredefinedEntity(name)) return predefined;
  stop_parse(static_cast<xmlParserCtxt*>(ctx), "the entity '&" + to_string(name) +
                                                   ";' is not declared: its value cannot be read");
  return nullptr;
}

// A default value for an attribute is refused too: the readers would copy a namespace
// declaration's default into every element it names (a short document that reads as many
// megabytes), and leave out any other default, which would change the values read.
void refuse_attribute_default(void* ctx, const xmlChar* element, const xmlChar* name, int type, int def,
                              const xmlChar* default_value, xmlEnumeration* values) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  if (default_value) {
    if (values) xmlFreeEnumeration(values);
    stop_parse(ctxt, "the document type declares a default value for the attribute '" + to_string(name) +
                         "' of '" + to_string(element) + "': attribute defaults are not accepted in this file");
    return;
  }
  // Kept with the document that the parse builds, as without the guard.
  if (ctxt->myDoc) xmlSAX2AttributeDecl(ctx, element, name, type, def, default_value, values);
  else if (values) xmlFreeEnumeration(values);
}

void guard_entities(xmlSAXHandler* sax) {
  sax->entityDecl = &refuse_entity_declaration;
  sax->getEntity = &refuse_undeclared_entity;
  sax->attributeDecl = &refuse_attribute_default;
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
  guard_entities(ctxt->sax);
  // Texts over libxml2's default limit of 10 MB are read, as the streaming reader reads them.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE;
  xmlDoc* doc = xmlCtxtReadMemory(ctxt.get(), bytes.data(), int(bytes.size()), nullptr, nullptr, options);
  if (!doc || !ctxt->wellFormed || first.refused) {
    if (doc) xmlFreeDoc(doc);
    if (!first.set) {
      const xmlError* e = xmlCtxtGetLastError(ctxt.get());
      first.line = e ? e->line : 0;
      first.message = e && e->message ? trimmed(e->message) : "not well-formed XML";
    }
    if (first.refused) throw XmlEntityError(name_for_messages, first.line, first.message);
    throw XmlError(name_for_messages, first.line, first.message);
  }
  if (!xmlDocGetRootElement(doc)) {
    xmlFreeDoc(doc);
    throw XmlError(name_for_messages, 0, "the document has no root element");
  }
  // After the document element libxml2 takes a NUL character for the end of the text and
  // accepts whatever follows it: the streaming reader refuses such a text, and so is it here.
  if (const xmlParserInput* in = ctxt->input; in && in->cur && in->end && in->cur < in->end) {
    xmlFreeDoc(doc);
    throw XmlError(name_for_messages, in->line, "Extra content at the end of the document");
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

// Keeps the first error of a parse whose context's `_private` is its FirstError.
void keep_first_error_of_parse(void* ctx, xmlErrorPtr error) {
  keep_first_reader_error(static_cast<xmlParserCtxt*>(ctx)->_private, error);
}

// What the streaming reader is about to walk, parsed first with the entity guard (libxml2's
// reader gives no hold on its parser to guard it as it reads) and nothing built: the prolog
// only, where a document declares its entities, or the whole text when it names an external
// DTD, whose entities may be referred to anywhere.
struct EntityScan : FirstError {
  bool external_dtd = false;
};

void note_document_type(void* ctx, const xmlChar*, const xmlChar* external_id, const xmlChar* system_id) {
  auto* scan = static_cast<EntityScan*>(static_cast<FirstError*>(static_cast<xmlParserCtxt*>(ctx)->_private));
  if (external_id || system_id) scan->external_dtd = true;
}

void stop_at_document_element(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int,
                              int, const xmlChar**) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  if (!static_cast<EntityScan*>(static_cast<FirstError*>(ctxt->_private))->external_dtd) xmlStopParser(ctxt);
}

// `read_some` fills the buffer from the start of the text on, and returns 0 at its end.
FirstError scan_entities(const std::function<size_t(char*, size_t)>& read_some) {
  xmlSAXHandler sax{};
  sax.initialized = XML_SAX2_MAGIC;
  guard_entities(&sax);
  sax.internalSubset = &note_document_type;
  sax.startElementNs = &stop_at_document_element;
  sax.serror = &keep_first_error_of_parse;
  EntityScan scan;
  std::vector<char> buf(65536);
  size_t n = read_some(buf.data(), buf.size());
  // The first bytes tell the encoding.
  const size_t head = std::min<size_t>(n, 4);
  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(
      xmlCreatePushParserCtxt(&sax, nullptr, buf.data(), int(head), nullptr), &xmlFreeParserCtxt);
  if (!ctxt) return scan;
  ctxt->_private = &scan;
  xmlCtxtUseOptions(ctxt.get(), kStreamOptions);
  size_t offset = head;
  while (ctxt->instate != XML_PARSER_EOF) {
    if (offset == n) {
      n = read_some(buf.data(), buf.size());
      offset = 0;
    }
    if (scan.external_dtd && n > 0) {
      // The rest in one piece: a long tag fed in pieces would take time that grows with its square.
      std::string rest(buf.data() + offset, n - offset);
      while ((n = read_some(buf.data(), buf.size())) > 0) rest.append(buf.data(), n);
      xmlParseChunk(ctxt.get(), rest.data(), int(rest.size()), 1);
      break;
    }
    if (xmlParseChunk(ctxt.get(), buf.data() + offset, int(n - offset), n == 0) != 0 || n == 0) break;
    offset = n;
    // Past the prolog (at the document element's start tag, which may be long, or beyond it):
    // no declaration can follow.
    const int state = ctxt->instate;
    if (!scan.external_dtd && (state == XML_PARSER_START_TAG || state == XML_PARSER_CONTENT ||
                               state == XML_PARSER_CDATA_SECTION || state == XML_PARSER_END_TAG ||
                               state == XML_PARSER_EPILOG))
      break;
  }
  // libxml2 may have made a document to hold the declarations it saw.
  if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
  ctxt->myDoc = nullptr;
  return scan;
}

void refuse_entities(const std::string& name_for_messages, const FirstError& scan) {
  if (scan.refused) throw XmlEntityError(name_for_messages, scan.line, scan.message);
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
  const int fd = state_->fd;
  refuse_entities(name_for_messages_, scan_entities([fd](char* buf, size_t size) {
    for (;;) {
      const ssize_t n = ::read(fd, buf, size);
      if (n >= 0) return size_t(n);
      if (errno != EINTR) return size_t(0);
    }
  }));
  if (::lseek(state_->fd, 0, SEEK_SET) != 0) throw PlatformError(errno_message("Cannot read", path, errno));
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
  size_t offset = 0;
  refuse_entities(name_for_messages_, scan_entities([&](char* buf, size_t room) {
    const size_t n = std::min(room, size - offset);
    if (n) std::memcpy(buf, data + offset, n);
    offset += n;
    return n;
  }));
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
  xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(data, int(size));
  if (!ctxt) return first;
  sax.serror = &keep_first_error_of_parse;
  guard_entities(&sax);
  std::memcpy(ctxt->sax, &sax, sizeof sax);
  ctxt->_private = &first;
  xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
  xmlParseDocument(ctxt);
  if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
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
  if (first.refused) throw XmlEntityError(name_for_messages_, first.line, first.message);
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
      case XML_READER_TYPE_ENTITY_REFERENCE:
        throw XmlEntityError(name_for_messages_, line(), "the entity '&" + std::string(name()) + ";' cannot be read");
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
