#include "templates/code_base.h"


#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "platform/host_ui.h"
#include "templates/package_xml.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

using vb::Args;
using vb::Variant;

namespace {

bool is_blank_text(const platform::XmlNode& n) {
  if (n.kind() != platform::XmlNodeKind::Text) return false;
  for (char c : n.text())
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

// The character data of the element's first child, leaving out white space between the
// element and a CDATA section; "" when the first child holds no character data.
std::string first_child_data(const platform::XmlNode& e) {
  for (platform::XmlNode n = e.first_child(); n; n = n.next_sibling()) {
    if (is_blank_text(n)) continue;
    const auto kind = n.kind();
    return kind == platform::XmlNodeKind::Text || kind == platform::XmlNodeKind::CData ? n.text() : std::string();
  }
  return {};
}

std::string snippet_key(std::string_view script_type, std::string_view code_type, std::string_view name) {
  std::string k;
  k.reserve(script_type.size() + code_type.size() + name.size() + 2);
  k.append(script_type).push_back('\0');
  k.append(code_type).push_back('\0');
  k.append(name);
  return k;
}

std::string with_crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// AGPCodeBase

const AGPCodeBase::Snippet* AGPCodeBase::find(std::string_view script_type, std::string_view code_type,
                                              std::string_view name) const {
  auto it = index_.find(snippet_key(script_type, code_type, name));
  return it == index_.end() ? nullptr : &snippets_[it->second];
}

bool AGPCodeBase::CodeExist(std::string_view script_type, std::string_view code_type, std::string_view name) const {
  return find(script_type, code_type, name) != nullptr;
}

std::string AGPCodeBase::CodeSource(std::string_view script_type, std::string_view code_type,
                                    std::string_view name) const {
  const Snippet* s = find(script_type, code_type, name);
  return s ? with_crlf(s->source) : std::string();
}

void AGPCodeBase::AddCodeNode(const platform::XmlNode& e) {
  Snippet s;
  for (platform::XmlAttribute& a : e.attributes()) {
    const std::string name = vb::utf8_lower(a.name);
    if (name == "scripttype") s.script_type = std::move(a.value);
    else if (name == "codetype") s.code_type = std::move(a.value);
    else if (name == "name") s.name = std::move(a.value);
  }
  s.source = first_child_data(e);
  const auto [it, added] = index_.emplace(snippet_key(s.script_type, s.code_type, s.name), snippets_.size());
  if (!added) {
    snippets_[it->second].source = std::move(s.source);
    return;
  }
  snippets_.push_back(std::move(s));
}

bool AGPCodeBase::Load(std::string_view file) {
  const auto doc = load_package_xml(file);
  if (!doc) {
    last_error_ = "Load code base file failed!";
    return false;
  }
  const platform::XmlNode root = doc->root();
  if (vb::utf8_lower(root.local_name()) != package_root_name(".codebase")) {
    last_error_ = "Code base file is invalid!";
    return false;
  }
  last_error_.clear();
  snippets_.clear();
  index_.clear();
  for (const platform::XmlNode& child : root.children())
    if (is_element_named(child, "code")) AddCodeNode(child);
  return true;
}

const vb::DispatchTable<AGPCodeBase>& AGPCodeBase::dispatch_table() {
  using C = AGPCodeBase;
  static const vb::DispatchTable<C> table = [] {
    vb::DispatchTable<C> t("AGPCodeBase");
    t.property("curIndex", [](C& c, Args) { return Variant(int16_t(c.curIndex())); })
        .property("Count", [](C& c, Args) { return Variant(c.Count()); })
        .method("CodeExist",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 3, 3);
                  return Variant(c.CodeExist(vb::to_string(a[0]), vb::to_string(a[1]), vb::to_string(a[2])));
                })
        .method("CodeSource",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 3, 3);
                  return Variant(c.CodeSource(vb::to_string(a[0]), vb::to_string(a[1]), vb::to_string(a[2])));
                })
        .method("Load", [](C& c, Args a) {
          vb::check_arg_count(a, 1, 1);
          return Variant(c.Load(vb::to_string(a[0])));
        });
    return t;
  }();
  return table;
}

// ---------------------------------------------------------------------------------------
// AGPKeyword

void AGPKeyword::LoadKeywordNodes(const platform::XmlNode& e) {
  std::string value;
  for (platform::XmlAttribute& a : e.attributes())
    if (vb::utf8_lower(a.name) == "value") value = std::move(a.value);
  if (!values_.insert(value).second) return;
  keywords_.push_back(Keyword{std::string(), std::move(value)});
}

bool AGPKeyword::Load(std::string_view file) {
  const auto doc = load_package_xml(file);
  if (!doc) {
    if (last_error_.empty()) {
      const ModuleContext& ctx = context();
      host_ui().message_box("Load keyword file \"" + std::string(file) + "\" failed. Please check your keyword file.",
                            ctx.ProductTitle, platform::msgbox::vbExclamation);
    }
    last_error_ = "Load keyword file failed!";
    return false;
  }
  last_error_.clear();
  const platform::XmlNode root = doc->root();
  if (vb::utf8_lower(root.local_name()) != package_root_name(".keyword")) {
    last_error_ = "Keyword file is invalid!";
    return false;
  }
  for (const platform::XmlNode& child : root.children())
    if (is_element_named(child, "keyword")) LoadKeywordNodes(child);
  return true;
}

const vb::DispatchTable<AGPKeyword>& AGPKeyword::dispatch_table() {
  using K = AGPKeyword;
  static const vb::DispatchTable<K> table = [] {
    vb::DispatchTable<K> t("AGPKeyword");
    t.property("curIndex", [](K& k, Args) { return Variant(int16_t(k.curIndex())); })
        .property("Count", [](K& k, Args) { return Variant(k.Count()); })
        .method("Load", [](K& k, Args a) {
          vb::check_arg_count(a, 1, 1);
          return Variant(k.Load(vb::to_string(a[0])));
        });
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGPCodeBase);
TOLVEX_REGISTER_CLASS(AGPKeyword);

}  // namespace tolvex
