// Writing the project file: the element tree with one attribute per saved setting,
// the declaration chosen from the registry and the system charset, written into a
// temporary file as it is made, and the replacement of the old file after its
// numbered backups.
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <deque>
#include <filesystem>
#include <optional>
#include <tuple>
#include <string>
#include <vector>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "model/project.h"
#include "model/project_members.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "platform/folders.h"
#include "projectfile/object_members.h"
#include "projectfile/project_file.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;
using projectfile::member;
using projectfile::member_object;
using projectfile::store_of;
using projectfile::value_text;

void set_attribute(Attributes& attributes, std::string name, std::string value) {
  for (auto& a : attributes) {
    if (a.first == name) {
      a.second = std::move(value);
      return;
    }
  }
  attributes.emplace_back(std::move(name), std::move(value));
}

std::string replace_all(std::string text, std::string_view from, std::string_view to) {
  for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
    text.replace(pos, from.size(), to);
  return text;
}

int32_t count_of(vb::Dispatch& obj) { return vb::to_long(member(obj, "Count")); }

// How a setting goes into the file.
enum class AttributeRule : uint8_t { NotSaved, Text, TagValues, Boolean };

// The rules of the store's settings; a saved setting whose name cannot stand as an
// attribute fails the save: the file would not open ("xmlns" would read as a namespace
// declaration).
std::vector<AttributeRule> attribute_rules(const AGProperties& store) {
  std::vector<AttributeRule> rules(store.size(), AttributeRule::NotSaved);
  for (size_t i = 0; i < store.size(); ++i) {
    const PropertyDesc& d = store.desc_at(i);
    if (!d.file_save) continue;
    if (!platform::is_xml_ncname(d.name) || d.name == "xmlns")
      throw vb::VBError(vb::err::kInvalidProcedureCall,
                        "The setting \"" + d.name + "\" cannot be saved: its name is not an XML name.", "AGP.Save");
    if (vb::ascii_lower(d.name) == "fldtagvalues") rules[i] = AttributeRule::TagValues;
    else if (d.data_type == "Boolean") rules[i] = AttributeRule::Boolean;
    else rules[i] = AttributeRule::Text;
  }
  return rules;
}

std::string attribute_text(AttributeRule rule, const vb::Variant& value) {
  switch (rule) {
    case AttributeRule::TagValues: return replace_all(value_text(value), "\r\n", "|");
    case AttributeRule::Boolean:
      if (value.is_bool()) return value.raw_bool() ? "1" : "0";
      return std::to_string(BoolToXml(vb::Variant(value_text(value))));
    default: return value.is_string() ? value.raw_string() : value_text(value);
  }
}

// The rules of the stores met in one save, by layout: the stores of a class share one,
// so its names are checked once.
class RuleCache {
 public:
  const std::vector<AttributeRule>& of(const AGProperties& store) {
    for (auto& [layout, size, rules] : cache_)
      if (layout.get() == store.layout().get() && size == store.size()) return rules;
    cache_.emplace_back(store.layout(), store.size(), attribute_rules(store));
    return std::get<2>(cache_.back());
  }

 private:
  // Held, so that no other layout takes the address of one met before.
  std::deque<std::tuple<vb::Ref<SettingsLayout>, size_t, std::vector<AttributeRule>>> cache_;
};

// The text of a whole number, Empty's "", or nothing for a value of another kind: the common
// values that need no conversion through a string.
std::optional<std::string_view> plain_value_text(const vb::Variant& value, char (&buffer)[16]) {
  std::to_chars_result r{};
  switch (value.type()) {
    case vb::VarType::Empty: return std::string_view();
    case vb::VarType::Integer: r = std::to_chars(buffer, buffer + sizeof buffer, value.raw_integer()); break;
    case vb::VarType::Long: r = std::to_chars(buffer, buffer + sizeof buffer, value.raw_long()); break;
    case vb::VarType::Byte: r = std::to_chars(buffer, buffer + sizeof buffer, value.raw_byte()); break;
    default: return std::nullopt;
  }
  return std::string_view(buffer, size_t(r.ptr - buffer));
}

// The document being written: the writer, the rules of the stores met, and what tells
// whether the text stands at the start of a line.
struct Output {
  explicit Output(platform::XmlWriter& writer) : w(writer) {}
  platform::XmlWriter& w;
  RuleCache cache;
  // The last byte the writer handed to its sink ('\n' before any).
  char handed_out_last = '\n';

  bool at_line_start() const {
    const std::string& held = w.str();
    return (held.empty() ? handed_out_last : held.back()) == '\n';
  }
};

// Writes back the elements kept for an element between the children the writer gives it:
// each just before the child it stood before (counting the children written), the rest
// before the element's end. Each stands on a line of its own.
class KeptChildren {
 public:
  KeptChildren(Output& out, const std::vector<KeptElement>* kept) : out_(out), kept_(kept) {}
  KeptChildren(Output& out, const vb::Ref<AGProperties>& store)
      : KeptChildren(out, store ? store->kept_elements() : nullptr) {}

  // Before each child element.
  void before_child() {
    if (kept_) write_while([&](const KeptElement& k) { return k.position <= children_; });
    ++children_;
  }
  // Before the element's end tag.
  void before_end() {
    if (kept_) write_while([](const KeptElement&) { return true; });
  }

 private:
  template <class Condition>
  void write_while(Condition condition) {
    for (; next_ < kept_->size() && condition((*kept_)[next_]); ++next_) {
      if (!out_.at_line_start()) out_.w.line_break();
      out_.w.raw((*kept_)[next_].xml);
      out_.w.line_break();
    }
  }

  Output& out_;
  const std::vector<KeptElement>* kept_;
  size_t next_ = 0;
  uint32_t children_ = 0;
};

// Starts an element with one attribute per saved setting of the store.
void start_element(Output& out, const char* name, const vb::Ref<AGProperties>& store) {
  platform::XmlWriter& w = out.w;
  w.start_element(name);
  if (!store) return;
  const std::vector<AttributeRule>& rules = out.cache.of(*store);
  char buffer[16];
  for (size_t i = 0, n = store->size(); i < n; ++i) {
    const AttributeRule rule = rules[i];
    if (rule == AttributeRule::NotSaved) continue;
    const vb::Variant& value = store->value_at(i);
    if (rule == AttributeRule::Text) {
      if (value.is_string()) {
        w.attribute(store->name_at(i), value.raw_string());
        continue;
      }
      if (std::optional<std::string_view> text = plain_value_text(value, buffer)) {
        w.attribute(store->name_at(i), *text);
        continue;
      }
    } else if (rule == AttributeRule::Boolean && value.is_bool()) {
      w.attribute(store->name_at(i), value.raw_bool() ? "1" : "0");
      continue;
    }
    w.attribute(store->name_at(i), attribute_text(rule, value));
  }
}

// The items of a collection by sequence number, 1 to Count, each as Seq finds it (the first
// item holding the number; null where none does), in one pass over the collection instead of
// a search per number.
template <class Item, class Collection>
std::vector<vb::Ref<Item>> by_sequence(const Collection& items) {
  const int32_t count = items.Count();
  std::vector<vb::Ref<Item>> out(size_t(std::max(count, int32_t(0))));
  for (size_t slot = 0; slot < items.size(); ++slot) {
    vb::Ref<Item> item = items.at(slot);
    if (!item) continue;
    int16_t seq = 0;
    try {
      seq = item->collection_seq();
    } catch (const vb::VBError&) {
      continue;  // a number that cannot be read matches none
    }
    if (seq >= 1 && seq <= count && !out[size_t(seq - 1)]) out[size_t(seq - 1)] = std::move(item);
  }
  return out;
}

// An element with the store's settings and nothing inside but what was kept for it.
void write_leaf(Output& out, const char* name, const vb::Ref<AGProperties>& store) {
  start_element(out, name, store);
  KeptChildren(out, store).before_end();
  out.w.end_element();
}

// One extension: its settings and, when it is extended, its attribute tree.
void write_extension(Output& out, vb::Dispatch& ext) {
  platform::XmlWriter& w = out.w;
  const vb::Ref<AGProperties> ext_store = store_of(ext);
  start_element(out, "Extension", ext_store);
  KeptChildren ext_kept(out, ext_store);
  if (vb::to_bool(member(ext, "IsExtended"))) {
    w.line_break();
    auto proj = member_object(ext, "PROJ");
    const vb::Ref<AGProperties> proj_store = proj ? store_of(*proj) : nullptr;
    ext_kept.before_child();
    start_element(out, "ExtProject", proj_store);
    KeptChildren proj_kept(out, proj_store);
    w.line_break();
    if (proj && vb::to_long(member(*proj, "DBCnt")) >= 1) {
      auto db = member_object(*proj, "DB");
      const vb::Ref<AGProperties> db_store = db ? store_of(*db) : nullptr;
      proj_kept.before_child();
      start_element(out, "ExtDatabase", db_store);
      KeptChildren db_kept(out, db_store);
      w.line_break();
      auto tables = db ? member_object(*db, "Tables") : nullptr;
      const int32_t ntables = tables ? count_of(*tables) : 0;
      for (int32_t i = 1; i <= ntables; ++i) {
        auto table = member_object(*tables, "Seq", {vb::Variant(int16_t(i))});
        if (!table) continue;
        const vb::Ref<AGProperties> table_store = store_of(*table);
        db_kept.before_child();
        start_element(out, "ExtTable", table_store);
        KeptChildren table_kept(out, table_store);
        w.line_break();
        for (const char* kind : {"Charts", "Fields"}) {
          auto items = member_object(*table, kind);
          const int32_t n = items ? count_of(*items) : 0;
          for (int32_t k = 1; k <= n; ++k) {
            auto item = member_object(*items, "Seq", {vb::Variant(int16_t(k))});
            if (!item) continue;
            table_kept.before_child();
            write_leaf(out, kind[0] == 'C' ? "ExtChart" : "ExtField", store_of(*item));
            w.line_break();
          }
        }
        table_kept.before_end();
        w.end_element();  // ExtTable
        w.line_break();
      }
      db_kept.before_end();
      w.end_element();  // ExtDatabase
    }
    proj_kept.before_end();
    w.end_element();  // ExtProject
  }
  ext_kept.before_end();
  w.end_element();  // Extension
}

void write_database(Output& out, AGPDatabase& db) {
  platform::XmlWriter& w = out.w;
  start_element(out, "Database", db.Properties());
  KeptChildren db_kept(out, db.Properties());
  w.line_break();
  for (const vb::Ref<AGPTable>& table : by_sequence<AGPTable>(*db.Tables())) {
    if (!table) continue;
    db_kept.before_child();
    start_element(out, "Table", table->Properties());
    KeptChildren table_kept(out, table->Properties());
    w.line_break();
    for (const vb::Ref<AGPChart>& chart : by_sequence<AGPChart>(*table->Charts())) {
      if (!chart) continue;
      table_kept.before_child();
      start_element(out, "Chart", chart->Properties());
      KeptChildren chart_kept(out, chart->Properties());
      w.line_break();
      for (const vb::Ref<AGPTrend>& trend : by_sequence<AGPTrend>(*chart->Trendlines())) {
        if (!trend) continue;
        chart_kept.before_child();
        write_leaf(out, "Trendline", trend->Properties());
        w.line_break();
      }
      chart_kept.before_end();
      w.end_element();  // Chart
      w.line_break();
    }
    for (const vb::Ref<AGPField>& field : by_sequence<AGPField>(*table->Fields())) {
      if (!field) continue;
      table_kept.before_child();
      write_leaf(out, "Field", field->Properties());
      w.line_break();
    }
    table_kept.before_end();
    w.end_element();  // Table
    w.line_break();
  }
  db_kept.before_end();
  w.end_element();  // Database
}

// The site menu's entries, children of the root (whose kept elements go among them).
void write_menus(Output& out, AGPMenus& menus, KeptChildren& root_kept) {
  platform::XmlWriter& w = out.w;
  for (int32_t i = 1; i <= menus.Count(); ++i) {
    vb::Ref<AGPMenu> m = menus.Item(i);
    if (!m) continue;
    root_kept.before_child();
    w.start_element("Menu", {{"MenuID", std::to_string(m->MenuId())},
                             {"MenuText", m->MenuText()},
                             {"MenuParentID", std::to_string(m->MenuParentID())},
                             {"MenuUrl", m->MenuUrl()},
                             {"MenuCustomUrl", std::to_string(BoolToXml(vb::Variant(m->MenuCustomUrl())))},
                             {"MenuLevel", std::to_string(m->MenuLevel())},
                             {"MenuShow", std::to_string(BoolToXml(vb::Variant(m->MenuShow())))},
                             {"MenuDisplayOrder", std::to_string(m->MenuDisplayOrder())}});
    KeptChildren(out, m->kept_elements()).before_end();
    w.end_element();
    w.line_break();
  }
}

bool is_utf8_name(const std::string& charset) {
  const std::string c = vb::ascii_lower(charset);
  return c.empty() || c == "utf-8" || c == "utf8";
}

// The name of the element or attribute around position `at` of the document text.
std::string name_around(const std::string& text, size_t at) {
  const size_t start = text.find_last_of(" <", at);
  const size_t end = text.find_first_of("= />", at);
  return text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

// Turns the UTF-8 text the XML writer makes (well-formed UTF-8), piece by piece, into the
// charset the declaration names. Characters the charset lacks become character references in
// values and text, and in a CDATA section a reference between two sections; in a name, where
// no reference can stand, they fail the save. In a comment or processing instruction (of an
// element kept as it stood), where nothing is read as a reference, the reference's text
// stands for the character. Pieces may break anywhere outside a character.
class CharsetEncoder {
 public:
  explicit CharsetEncoder(const std::string& charset) : charset_(charset), cd_(iconv_open(charset.c_str(), "UTF-8")) {
    if (cd_ == iconv_t(-1))
      throw vb::VBError(vb::err::kInvalidProcedureCall, "The character set \"" + charset + "\" is unknown.", "AGP.Save");
  }
  ~CharsetEncoder() { iconv_close(cd_); }
  CharsetEncoder(const CharsetEncoder&) = delete;
  CharsetEncoder& operator=(const CharsetEncoder&) = delete;

  void append(std::string& out, std::string_view utf8) {
    size_t i = 0;
    while (i < utf8.size()) {
      if (plain_run_possible()) {
        // A run of ASCII that leaves where the text stands as it is: copied whole.
        size_t end = i;
        while (end < utf8.size() && !marks(static_cast<unsigned char>(utf8[end]))) ++end;
        out.append(utf8.data() + i, end - i);
        i = end;
        if (i == utf8.size()) break;
      }
      const unsigned char c = static_cast<unsigned char>(utf8[i]);
      if (c < 0x80) {
        follow(char(c));
        out += char(c);
        ++i;
        continue;
      }
      previous_ = {0, 0};  // no end marker across it
      size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      if (len > utf8.size() - i) len = utf8.size() - i;
      char buf[16];
      char* in = const_cast<char*>(utf8.data() + i);
      size_t in_left = len;
      char* o = buf;
      size_t out_left = sizeof buf;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd_, &in, &in_left, &o, &out_left) != size_t(-1) && in_left == 0) {
        out.append(buf, size_t(o - buf));
      } else if (where_ == Where::Tag) {
        throw vb::VBError(vb::err::kInvalidProcedureCall,
                          "The name \"" + name_around(std::string(utf8), i) +
                              "\" cannot be written in the character set \"" + charset_ + "\".",
                          "AGP.Save");
      } else {
        char32_t cp = len == 1 ? c : (c & (0xFF >> (len + 1)));
        for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        const std::string reference = "&#" + std::to_string(uint32_t(cp)) + ";";
        out += where_ == Where::CData ? "]]>" + reference + "<![CDATA[" : reference;
      }
      i += len;
    }
  }

 private:
  enum class Where : uint8_t { Content, Tag, Value, Comment, Instruction, CData };

  // Whether where the text stands can change only at a character that marks() (the common
  // case: not inside a comment, instruction or section, nor just after a "<").
  bool plain_run_possible() const {
    return where_ == Where::Content || where_ == Where::Value || (where_ == Where::Tag && opening_.empty());
  }
  static bool marks(unsigned char c) { return c >= 0x80 || c == '<' || c == '>' || c == '"'; }

  // Where the text stands after the character `c`. The writer escapes "<", ">" and the
  // quote within values and text; comments, instructions and CDATA sections only come
  // from kept elements.
  void follow(char c) {
    switch (where_) {
      case Where::Content:
        if (c == '<') {
          where_ = Where::Tag;
          opening_ = "<";
        }
        return;
      case Where::Tag:
        if (!opening_.empty()) {
          opening_ += c;
          if (opening_ == "<?") where_ = Where::Instruction;
          else if (opening_ == "<!--") where_ = Where::Comment;
          else if (opening_ == "<![CDATA[") where_ = Where::CData;
          else if (std::string_view("<!--").starts_with(opening_) || std::string_view("<![CDATA[").starts_with(opening_))
            return;
          const bool decided = where_ != Where::Tag;
          opening_.clear();
          previous_ = {0, 0};
          if (decided) return;
        }
        if (c == '"') where_ = Where::Value;
        else if (c == '>') where_ = Where::Content;
        return;
      case Where::Value:
        if (c == '"') where_ = Where::Tag;
        return;
      case Where::Comment: return follow_to_end(c, "--");
      case Where::Instruction: return follow_to_end(c, "\0?");
      case Where::CData: return follow_to_end(c, "]]");
    }
  }
  // In a comment, instruction or section: its end is `before` (NUL for any character) and ">".
  void follow_to_end(char c, const char (&before)[3]) {
    if (c == '>' && (!before[0] || previous_[0] == before[0]) && previous_[1] == before[1]) where_ = Where::Content;
    previous_ = {previous_[1], c};
  }

  std::string charset_;
  iconv_t cd_;
  Where where_ = Where::Content;
  std::string opening_;  // of a markup whose kind is not yet known, from its "<"
  std::array<char, 2> previous_{};  // the characters before, inside a comment, instruction or section
};

std::string general_text(const char* name) {
  return value_text(common::GetRegValue(vb::Variant("HKCU"), vb::Variant(context().RegKeyGeneral), vb::Variant(name)));
}

// A registry value converted as a setting of that type would be; Empty when it does not convert.
vb::Variant general_converted(const char* name, const char* type) {
  return common::ConvertByType(
      common::GetRegValue(vb::Variant("HKCU"), vb::Variant(context().RegKeyGeneral), vb::Variant(name)),
      vb::Variant(type));
}

void write_project_file(AGP& project, const std::string& projFile);

[[noreturn]] void fail(const std::string& message) {
  context().ProjErr = message;
  throw vb::VBError(vb::err::kPermissionDenied, message, "AGP.Save");
}

const bool registered = [] {
  register_project_member("Save", [](AGP& project, vb::Args args) {
    vb::check_arg_count(args, 1, 1);
    Save(project, vb::to_string(args[0]));
    return vb::Variant();
  });
  register_project_member("BoolToXml", [](AGP&, vb::Args args) {
    vb::check_arg_count(args, 1, 1);
    return vb::Variant(BoolToXml(args[0]));
  });
  return true;
}();

}  // namespace

int16_t BoolToXml(const vb::Variant& value) {
  const std::string text = value_text(value);
  if (text.empty()) return 0;
  try {
    return vb::to_bool(vb::Variant(text)) ? 1 : 0;
  } catch (const vb::VBError&) {
    return 0;
  }
}

void WritePropertyAttributes(Attributes& attributes, const AGProperties& store) {
  const std::vector<AttributeRule> rules = attribute_rules(store);
  for (size_t i = 0; i < store.size(); ++i)
    if (rules[i] != AttributeRule::NotSaved) set_attribute(attributes, store.name_at(i), attribute_text(rules[i], store.value_at(i)));
}

std::string ProjectFileDeclaration(const std::string& charset, bool utf8) {
  std::string text = "<?xml version=\"1.0\"";
  const std::string encoding = utf8 ? std::string("utf-8") : charset;
  if (!encoding.empty()) text += " encoding=\"" + encoding + "\"";
  text += " standalone=\"yes\"?>";
  return text;
}

namespace {

// The whole document through the writer.
void write_project_document(Output& out, AGP& project, const std::string& declaration) {
  ModuleContext& ctx = context();
  platform::XmlWriter& w = out.w;
  w.declaration(declaration);
  Attributes root;
  set_attribute(root, "Version", project.version_text());
  set_attribute(root, "Product", ctx.ProductKey);
  WritePropertyAttributes(root, *project.Properties());
  w.start_element("Project", root);
  KeptChildren root_kept(out, project.Properties());
  w.line_break();
  if (project.DB()) {
    root_kept.before_child();
    write_database(out, *project.DB());
  }
  if (auto exts = project.Extensions()) {
    const int32_t n = count_of(*exts);
    if (n > 0) {
      w.line_break();
      for (int32_t i = 1; i <= n; ++i) {
        if (auto ext = member_object(*exts, "Seq", {vb::Variant(int16_t(i))})) {
          root_kept.before_child();
          write_extension(out, *ext);
        }
        w.line_break();
      }
    }
  }
  vb::Ref<AGPMenus> menus = project.MenuList();
  if (menus && menus->Count() >= 1) {
    w.line_break();
    write_menus(out, *menus, root_kept);
  }
  root_kept.before_end();
  w.end_element();  // Project
  w.line_break();
}

}  // namespace

std::string ProjectFileText(AGP& project, const std::string& declaration) {
  platform::XmlWriter w({"\r\n", ""});
  Output out(w);
  write_project_document(out, project, declaration);
  return w.finish();
}


void Save(AGP& project, const std::string& projFile) {
  ModuleContext& ctx = context();
  ctx.ProjErr.clear();
  try {
    // Held while the file is written, so that no other writer replaces it meanwhile; a command
    // that read the file holds it already, from its load on.
    const platform::FileLock lock(platform::normalize_separators(projFile));
    write_project_file(project, projFile);
    project.set_project_file(platform::normalize_separators(projFile));
  } catch (const vb::VBError& e) {
    if (ctx.ProjErr.empty()) ctx.ProjErr = ctx.ProductTitle + ": Save Project File failed! " + e.description();
    throw;
  } catch (const std::exception& e) {
    fail(ctx.ProductTitle + ": Save Project File failed! " + e.what());
  }
}

namespace {

void write_project_file(AGP& project, const std::string& projFile) {
  ModuleContext& ctx = context();
  common::InitSystemCharset();
  std::string charset = ctx.SystemCharset;
  if (std::string stored = general_text("XMLEncodeCharSet"); !stored.empty()) charset = stored;
  const vb::Variant utf8_setting = general_converted("UTF8Project", "Boolean");
  const bool utf8 = utf8_setting.is_bool() && utf8_setting.raw_bool();
  std::optional<CharsetEncoder> encoder;
  if (!utf8 && !is_utf8_name(charset)) encoder.emplace(charset);

  // The document goes into a temporary file beside the project file as it is written; nothing
  // else on disk changes until it stands, and the old file stays until the final rename.
  const std::string path = platform::normalize_separators(projFile);
  std::optional<platform::AtomicFileWriter> file;
  try {
    file.emplace(path);
  } catch (const std::exception& e) {
    file.reset();
    fail(ctx.ProductTitle + ": Save Project File failed! " + e.what());
  }
  // A file that holds the database password is its owner's only, and so is the old file that
  // becomes its backup; other files keep the mode of the file they replace.
  const bool holds_secret = project.DB() && !project.DB()->DBPwd().empty();
  if (holds_secret) file->limit_mode(S_IRWXU);
  if (utf8) file->write("\xEF\xBB\xBF");
  platform::XmlWriter w({"\r\n", ""});
  Output out(w);
  std::string encoded;
  w.stream_to([&](std::string_view piece) {
    if (!piece.empty()) out.handed_out_last = piece.back();
    if (!encoder) return file->write(piece);
    encoded.clear();
    encoder->append(encoded, piece);
    file->write(encoded);
  });
  write_project_document(out, project, ProjectFileDeclaration(charset, utf8));
  w.finish();

  {
    int32_t kind = 1;
    common::SetRegValue(vb::Variant("HKCU"), vb::Variant(ctx.RegKeyGeneral), vb::Variant("XMLEncodeCharSet"), kind,
                        vb::Variant(charset));
  }
  const vb::Variant max_setting = general_converted("MaxProjectBackupCount", "Integer");
  int16_t max_count = max_setting.type() == vb::VarType::Integer ? max_setting.raw_integer() : int16_t(0);
  if (max_count < 1) max_count = 10;
  // A read-only project file is not replaced.
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  const bool read_only =
      exists && ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0);
  if (exists && holds_secret && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) ::chmod(path.c_str(), st.st_mode & S_IRWXU);
  // The old file becomes backup number 1 under a second name, without copying its bytes, when
  // it is about to be replaced; until then the two names are one file.
  const std::string backup_folder = ProjectBackupFolder(ctx.BackupFolder, projFile);
  const bool linked =
      BackupProjectFile(projFile, backup_folder, max_count, read_only ? BackupOfFile::Copy : BackupOfFile::Link);
  if (read_only)
    fail(ctx.ProductTitle + ": Save Project File failed! " + platform::errno_message("Cannot replace", path, EACCES));
  // The new text replaces the old file in one step; a failure leaves the old file, and backup
  // number 1 is then made a copy of its own.
  try {
    file->commit();
  } catch (const std::exception& e) {
    file.reset();
    if (linked) {
      try {
        platform::copy_file_atomic(path, std::filesystem::path(backup_folder) / BackupFileName(projFile, 1));
      } catch (const std::exception&) {
        // The backup keeps the old bytes either way.
      }
    }
    fail(ctx.ProductTitle + ": Save Project File failed! " + e.what());
  }
  LabelProjectBackupFolder(backup_folder, projFile);
}

}  // namespace

}  // namespace tolvex
