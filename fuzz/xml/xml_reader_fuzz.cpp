// Reads arbitrary bytes as XML in every way the engine reads it: the tree parse, the streaming
// reader over memory, and the project-file reader over a file, which streams. Checks what they
// promise:
// - a fault is an XmlError (or an XmlEntityError), never another exception or a crash;
// - the readers agree: each accepts what the others accept, and reads the same elements,
//   attributes and texts; a document refused for its entities (or attribute defaults) is
//   refused so by all;
// - nothing is expanded in a document that was read: its tree holds no entity declarations or
//   references, and what was read is no larger than its bytes can give without expansion (a
//   character reference or a code-page byte gives at most 3 bytes of UTF-8, so 3 per input
//   byte and a little slack), which a declared entity or a defaulted namespace copied into
//   every element would break.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/tree.h>

#include "platform/xml.h"
#include "projectfile/project_document.h"

namespace fs = std::filesystem;
using tolvex::platform::XmlDocument;
using tolvex::platform::XmlEntityError;
using tolvex::platform::XmlError;
using tolvex::platform::XmlNode;
using tolvex::platform::XmlStreamReader;
using tolvex::projectfile::ProjectDocument;
using tolvex::projectfile::ProjectElement;

namespace {

// Stops the run at a broken promise, naming it.
void check(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "xml_reader_fuzz.cpp:%d: broken: %s\n", line, what);
  std::abort();
}
#define require(...) check((__VA_ARGS__), #__VA_ARGS__, __LINE__)

const fs::path& scratch_file() {
  static const fs::path file = [] {
    std::string pattern = (fs::temp_directory_path() / "fuzz-xml-XXXXXX").string();
    require(::mkdtemp(pattern.data()) != nullptr);
    return fs::path(pattern) / "project.tvp";
  }();
  return file;
}

// What a reader made of a document: its elements with their attributes in document order,
// the texts in the elements (CDATA sections left out) one after another, and how many bytes of
// names and values it read in all.
struct Reading {
  enum Outcome { Read, Refused, EntityRefused } outcome = Read;
  std::string elements;
  std::string texts;
  size_t elements_count = 0;
  size_t bytes = 0;
};

void add_element(Reading& r, std::string_view name) {
  r.elements.append("<").append(name);
  r.bytes += name.size();
  ++r.elements_count;
}

void add_attribute(Reading& r, std::string_view name, std::string_view value) {
  r.elements.append(" ").append(name).append("=").append(std::to_string(value.size())).append(":").append(value);
  r.bytes += name.size() + value.size();
}

// ---- the tree

void check_no_entities(const xmlDoc* doc) {
  require(doc->extSubset == nullptr);
  if (const xmlDtd* dtd = doc->intSubset) {
    require(dtd->entities == nullptr);
    require(dtd->pentities == nullptr);
    for (const xmlNode* n = dtd->children; n; n = n->next) require(n->type != XML_ENTITY_DECL);
  }
}

void walk_tree(Reading& r, const xmlNode* node) {
  for (; node; node = node->next) {
    require(node->type != XML_ENTITY_REF_NODE && node->type != XML_ENTITY_NODE && node->type != XML_ENTITY_DECL);
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE || node->type == XML_COMMENT_NODE ||
        node->type == XML_PI_NODE) {
      r.bytes += node->content ? std::strlen(reinterpret_cast<const char*>(node->content)) : 0;
      if (node->type == XML_TEXT_NODE)
        r.texts.append("|").append(node->content ? reinterpret_cast<const char*>(node->content) : "");
    }
    if (node->type != XML_ELEMENT_NODE) continue;
    std::string name;
    if (node->ns && node->ns->prefix) name = std::string(reinterpret_cast<const char*>(node->ns->prefix)) + ":";
    name += reinterpret_cast<const char*>(node->name);
    add_element(r, name);
    // The namespace declarations, which the tree holds apart, come first, as the streaming
    // reader hands them out.
    for (const xmlNs* ns = node->nsDef; ns; ns = ns->next)
      add_attribute(r, ns->prefix ? "xmlns:" + std::string(reinterpret_cast<const char*>(ns->prefix)) : "xmlns",
                    ns->href ? reinterpret_cast<const char*>(ns->href) : "");
    for (const xmlAttr* a = node->properties; a; a = a->next) {
      for (const xmlNode* c = a->children; c; c = c->next) require(c->type == XML_TEXT_NODE);
      xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a));
      std::string qualified;
      if (a->ns && a->ns->prefix) qualified = std::string(reinterpret_cast<const char*>(a->ns->prefix)) + ":";
      qualified += reinterpret_cast<const char*>(a->name);
      add_attribute(r, qualified, value ? reinterpret_cast<const char*>(value) : "");
      xmlFree(value);
    }
    r.elements.append(">");
    walk_tree(r, node->children);
    r.elements.append("</>");
  }
}

Reading read_tree(std::string_view bytes) {
  Reading r;
  try {
    XmlDocument doc = XmlDocument::parse_memory(bytes, "fuzz.xml");
    XmlNode root = doc.root();
    require(root.is_element());
    check_no_entities(root.raw()->doc);
    walk_tree(r, root.raw());
    // What the rest of the engine asks of a document.
    (void)doc.declared_encoding();
    (void)root.text();
    for (const auto& a : root.attributes()) require(root.attribute(a.name).has_value());
    require(doc.select("//*").size() == r.elements_count);
    for (XmlNode c = root.first_child(); c; c = c.next_sibling()) require(c.parent().raw() == root.raw());
  } catch (const XmlEntityError&) {
    r.outcome = Reading::EntityRefused;
  } catch (const XmlError&) {
    r.outcome = Reading::Refused;
  }
  return r;
}

// ---- the streaming reader

Reading read_stream(XmlStreamReader& reader) {
  Reading r;
  try {
    for (;;) {
      const XmlStreamReader::Event e = reader.next();
      if (e == XmlStreamReader::Event::End) break;
      switch (e) {
        case XmlStreamReader::Event::StartElement: {
          require(reader.depth() >= 0);
          const bool empty = reader.empty_element();
          add_element(r, reader.name());
          std::string_view name, value;
          while (reader.next_attribute(name, value)) add_attribute(r, name, value);
          r.elements.append(">");
          if (empty) r.elements.append("</>");
          break;
        }
        case XmlStreamReader::Event::EndElement:
          r.bytes += reader.name().size();
          r.elements.append("</>");
          break;
        case XmlStreamReader::Event::Text:
          r.bytes += reader.value().size();
          if (reader.depth() > 0) r.texts.append("|").append(reader.value());
          break;
        case XmlStreamReader::Event::Other:
          r.bytes += reader.value().size();
          break;
        case XmlStreamReader::Event::End:
          break;
      }
    }
  } catch (const XmlEntityError&) {
    r.outcome = Reading::EntityRefused;
  } catch (const XmlError&) {
    r.outcome = Reading::Refused;
  }
  return r;
}

Reading read_stream_memory(std::string_view bytes) {
  try {
    XmlStreamReader reader(bytes, "fuzz.xml");
    return read_stream(reader);
  } catch (const XmlEntityError&) {
    return Reading{Reading::EntityRefused};
  } catch (const XmlError&) {
    return Reading{Reading::Refused};
  }
}

// ---- the project-file reader

void walk_project(Reading& r, const ProjectElement& e) {
  add_element(r, e.name());
  for (const auto* a = e.attributes_begin(); a != e.attributes_end(); ++a) {
    const std::string_view name = e.attribute_name(*a), value = e.attribute_value(*a);
    require(e.attribute(name).has_value());
    add_attribute(r, name, value);
  }
  r.elements.append(">");
  for (const ProjectElement& c : e.child_elements()) {
    require(!c.is_root());
    walk_project(r, c);
  }
  r.elements.append("</>");
}

Reading read_project(const fs::path& file) {
  Reading r;
  try {
    const ProjectDocument doc = ProjectDocument::read(file);
    require(doc.root().is_root());
    walk_project(r, doc.root());
  } catch (const XmlEntityError&) {
    r.outcome = Reading::EntityRefused;
  } catch (const XmlError&) {
    r.outcome = Reading::Refused;
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t bound = 3 * size + 64;

  const Reading tree = read_tree(bytes);
  const Reading stream = read_stream_memory(bytes);
  {
    std::ofstream out(scratch_file(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
  }
  const Reading project = read_project(scratch_file());

  for (const Reading* r : {&tree, &stream, &project}) require(r->bytes <= bound);
  require(tree.outcome == stream.outcome);
  require(stream.outcome == project.outcome);
  if (tree.outcome == Reading::Read) {
    require(tree.elements == stream.elements);
    require(tree.texts == stream.texts);
    require(stream.elements == project.elements);
  }
  return 0;
}
