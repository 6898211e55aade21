#include <atomic>
#include "platform/registry.h"

#include <cerrno>
#include <charconv>
#include <map>
#include <unordered_map>

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "vb/strings.h"

namespace tolvex::platform {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Values and names

bool RegValue::operator==(const RegValue& o) const noexcept {
  if (kind != o.kind) return false;
  if (is_text_kind()) return text == o.text;
  if (is_number_kind()) return number == o.number;
  if (kind == reg_kind::kMultiText) return texts == o.texts;
  return bytes == o.bytes;
}

std::vector<std::string> split_key_path(std::string_view path) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t sep = path.find('\\', i);
    if (sep == std::string_view::npos) sep = path.size();
    if (sep > i) parts.emplace_back(path.substr(i, sep - i));
    i = sep + 1;
  }
  return parts;
}

namespace {

// The form under which names are compared and subkeys ordered.
std::string fold(std::string_view name) { return vb::utf8_upper(name); }

void check_key_name(std::string_view name) {
  for (unsigned char c : name) {
    if (c < 0x20) throw PlatformError("Invalid registry key name '" + std::string(name) + "': control character");
  }
}

// Keys nest at most this deep, as in the Windows registry; deeper trees are refused so that
// walking a tree (writing, copying, releasing it) stays within bounds.
constexpr size_t kMaxKeyDepth = 512;

std::string too_deep_message() {
  return "a key path may have at most " + std::to_string(kMaxKeyDepth) + " levels";
}

std::vector<std::string> checked_path(std::string_view path) {
  auto parts = split_key_path(path);
  if (parts.size() > kMaxKeyDepth) throw PlatformError("Invalid registry key path: " + too_deep_message());
  for (const auto& p : parts) check_key_name(p);
  return parts;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The tree

struct RegistryTree::Key {
  std::string name;
  std::map<std::string, std::unique_ptr<Key>> subkeys;  // by fold(name)
  std::vector<std::pair<std::string, RegValue>> values;  // in insertion order
  std::unordered_map<std::string, size_t> value_index;  // fold(name) -> position in values

  std::unique_ptr<Key> clone() const {
    auto k = std::make_unique<Key>();
    k->name = name;
    k->values = values;
    k->value_index = value_index;
    for (const auto& [f, sub] : subkeys) k->subkeys.emplace(f, sub->clone());
    return k;
  }
  Key* child(std::string_view n) const {
    auto it = subkeys.find(fold(n));
    return it == subkeys.end() ? nullptr : it->second.get();
  }
  Key* child_or_create(const std::string& n) {
    auto [it, added] = subkeys.try_emplace(fold(n));
    if (added) {
      it->second = std::make_unique<Key>();
      it->second->name = n;
    }
    return it->second.get();
  }
  std::pair<std::string, RegValue>* value(std::string_view n) {
    auto it = value_index.find(fold(n));
    return it == value_index.end() ? nullptr : &values[it->second];
  }
  // Stores the value under its name: in place when the name is there, else at the end.
  void put(std::string n, RegValue v) {
    auto [it, added] = value_index.try_emplace(fold(n), values.size());
    if (added)
      values.emplace_back(std::move(n), std::move(v));
    else
      values[it->second].second = std::move(v);
  }
  bool erase(std::string_view n) {
    auto it = value_index.find(fold(n));
    if (it == value_index.end()) return false;
    const size_t at = it->second;
    value_index.erase(it);
    values.erase(values.begin() + std::ptrdiff_t(at));
    for (auto& [f, pos] : value_index)
      if (pos > at) --pos;
    return true;
  }
};

namespace {
std::atomic<uint64_t> g_change_stamp{1};
void note_change() noexcept { g_change_stamp.fetch_add(1, std::memory_order_relaxed); }
}  // namespace

uint64_t registry_change_stamp() noexcept { return g_change_stamp.load(std::memory_order_relaxed); }

RegistryTree::RegistryTree() : root_(std::make_unique<Key>()) {}
RegistryTree::~RegistryTree() = default;
RegistryTree::RegistryTree(const RegistryTree& o) : root_(o.root_->clone()) {}
RegistryTree& RegistryTree::operator=(const RegistryTree& o) {
  if (this != &o) root_ = o.root_->clone();
  note_change();
  return *this;
}

bool RegistryTree::key_exists(std::string_view path) const {
  Key* k = root_.get();
  for (const auto& part : split_key_path(path)) {
    k = k->child(part);
    if (!k) return false;
  }
  return true;
}

void RegistryTree::create_key(std::string_view path) {
  note_change();
  Key* k = root_.get();
  for (const auto& part : checked_path(path)) k = k->child_or_create(part);
}

std::optional<RegValue> RegistryTree::query_value(std::string_view path, std::string_view name) const {
  Key* k = root_.get();
  for (const auto& part : split_key_path(path)) {
    k = k->child(part);
    if (!k) return std::nullopt;
  }
  auto* v = k->value(name);
  if (!v) return std::nullopt;
  return v->second;
}

void RegistryTree::set_value(std::string_view path, std::string_view name, const RegValue& value) {
  note_change();
  Key* k = root_.get();
  for (const auto& part : checked_path(path)) k = k->child_or_create(part);
  k->put(std::string(name), value);
}

bool RegistryTree::delete_value(std::string_view path, std::string_view name) {
  note_change();
  Key* k = root_.get();
  for (const auto& part : split_key_path(path)) {
    k = k->child(part);
    if (!k) return false;
  }
  return k->erase(name);
}

bool RegistryTree::delete_key(std::string_view path) {
  note_change();
  auto parts = split_key_path(path);
  if (parts.empty()) return false;
  Key* k = root_.get();
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    k = k->child(parts[i]);
    if (!k) return false;
  }
  return k->subkeys.erase(fold(parts.back())) > 0;
}

std::vector<std::string> RegistryTree::subkeys(std::string_view path) const {
  std::vector<std::string> names;
  Key* k = root_.get();
  for (const auto& part : split_key_path(path)) {
    k = k->child(part);
    if (!k) return names;
  }
  for (const auto& [f, sub] : k->subkeys) names.push_back(sub->name);
  return names;
}

std::vector<std::string> RegistryTree::value_names(std::string_view path) const {
  std::vector<std::string> names;
  Key* k = root_.get();
  for (const auto& part : split_key_path(path)) {
    k = k->child(part);
    if (!k) return names;
  }
  for (const auto& v : k->values) names.push_back(v.first);
  return names;
}

// ---------------------------------------------------------------------------------------------
// Hive text

namespace {

const char kHex[] = "0123456789abcdef";

void put_quoted(std::string& out, std::string_view s) {
  out += '"';
  for (unsigned char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += char(c);
        }
    }
  }
  out += '"';
}

void put_hex_bytes(std::string& out, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) out += ',';
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 15];
  }
}

void put_dword(std::string& out, uint32_t n) {
  for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(n >> shift) & 15];
}

void put_value(std::string& out, const std::string& name, const RegValue& v) {
  if (name.empty()) {
    out += '@';
  } else {
    put_quoted(out, name);
  }
  out += '=';
  switch (v.kind) {
    case reg_kind::kText: put_quoted(out, v.text); break;
    case reg_kind::kExpandText: out += "expand:"; put_quoted(out, v.text); break;
    case reg_kind::kMultiText:
      out += "multi:";
      for (size_t i = 0; i < v.texts.size(); ++i) {
        if (i) out += ',';
        put_quoted(out, v.texts[i]);
      }
      break;
    case reg_kind::kDword: out += "dword:"; put_dword(out, v.number); break;
    case reg_kind::kDwordBigEndian: out += "dword-be:"; put_dword(out, v.number); break;
    case reg_kind::kBinary: out += "hex:"; put_hex_bytes(out, v.bytes); break;
    default:
      out += "hex(" + std::to_string(v.kind) + "):";
      put_hex_bytes(out, v.bytes);
  }
  out += '\n';
}

void put_key(std::string& out, const RegistryTree::Key& k, const std::string& path) {
  // A key that holds no values but has subkeys is implied by them.
  if (!k.values.empty() || (!path.empty() && k.subkeys.empty())) {
    out += '[' + path + "]\n";
    for (const auto& [name, value] : k.values) put_value(out, name, value);
  }
  for (const auto& [f, sub] : k.subkeys) put_key(out, *sub, path.empty() ? sub->name : path + '\\' + sub->name);
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// What is wrong with a line of a hive.
struct HiveLineError {
  std::string why;
};

// Reads one line of a hive; throws HiveLineError.
struct LineParser {
  std::string_view s;
  size_t pos = 0;

  [[noreturn]] void fail(const std::string& why) { throw HiveLineError{why}; }
  bool at_end() const { return pos >= s.size(); }
  void skip_blanks() {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
  }
  bool take(std::string_view word) {
    if (s.substr(pos, word.size()) == word) {
      pos += word.size();
      return true;
    }
    return false;
  }
  std::string quoted() {
    if (!take("\"")) fail("expected '\"'");
    std::string out;
    for (;;) {
      if (at_end()) fail("text not closed by '\"'");
      char c = s[pos++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_end()) fail("text not closed by '\"'");
      char e = s[pos++];
      switch (e) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'x': {
          int hi = pos < s.size() ? hex_digit(s[pos]) : -1;
          int lo = pos + 1 < s.size() ? hex_digit(s[pos + 1]) : -1;
          if (hi < 0 || lo < 0) fail("\\x must be followed by two hex digits");
          out += char(hi * 16 + lo);
          pos += 2;
          break;
        }
        default: fail(std::string("unknown escape '\\") + e + "'");
      }
    }
  }
  std::vector<uint8_t> hex_bytes() {
    std::vector<uint8_t> bytes;
    skip_blanks();
    if (at_end()) return bytes;
    for (;;) {
      skip_blanks();
      int hi = pos < s.size() ? hex_digit(s[pos]) : -1;
      int lo = pos + 1 < s.size() ? hex_digit(s[pos + 1]) : -1;
      if (hi < 0 || lo < 0) fail("expected two hex digits");
      bytes.push_back(uint8_t(hi * 16 + lo));
      pos += 2;
      skip_blanks();
      if (!take(",")) return bytes;
    }
  }
  uint32_t dword() {
    size_t start = pos;
    uint32_t n = 0;
    while (pos < s.size() && hex_digit(s[pos]) >= 0 && pos - start < 8) n = n * 16 + uint32_t(hex_digit(s[pos++]));
    if (pos == start) fail("expected a hexadecimal number");
    return n;
  }
  void end() {
    skip_blanks();
    if (!at_end()) fail("unexpected text after the value: '" + std::string(s.substr(pos)) + "'");
  }
};

RegValue parse_value_data(LineParser& p) {
  RegValue v;
  if (p.s.substr(p.pos, 1) == "\"") {
    v.kind = reg_kind::kText;
    v.text = p.quoted();
  } else if (p.take("expand:")) {
    v.kind = reg_kind::kExpandText;
    v.text = p.quoted();
  } else if (p.take("multi:")) {
    v.kind = reg_kind::kMultiText;
    p.skip_blanks();
    if (!p.at_end()) {
      for (;;) {
        p.skip_blanks();
        v.texts.push_back(p.quoted());
        p.skip_blanks();
        if (!p.take(",")) break;
      }
    }
  } else if (p.take("dword-be:")) {
    v.kind = reg_kind::kDwordBigEndian;
    v.number = p.dword();
  } else if (p.take("dword:")) {
    v.kind = reg_kind::kDword;
    v.number = p.dword();
  } else if (p.take("hex:")) {
    v.kind = reg_kind::kBinary;
    v.bytes = p.hex_bytes();
  } else if (p.take("hex(")) {
    size_t close = p.s.find("):", p.pos);
    if (close == std::string_view::npos) p.fail("expected 'hex(<kind>):'");
    std::string_view num = p.s.substr(p.pos, close - p.pos);
    uint32_t kind = 0;
    auto r = std::from_chars(num.data(), num.data() + num.size(), kind);
    if (num.empty() || r.ec != std::errc() || r.ptr != num.data() + num.size()) p.fail("invalid value kind '" + std::string(num) + "'");
    p.pos = close + 2;
    if (kind == reg_kind::kText || kind == reg_kind::kExpandText || kind == reg_kind::kMultiText ||
        kind == reg_kind::kDword || kind == reg_kind::kDwordBigEndian) {
      p.fail("value kind " + std::to_string(kind) + " must be written in its own form");
    }
    v.kind = kind;
    v.bytes = p.hex_bytes();
  } else {
    p.fail("unknown value form '" + std::string(p.s.substr(p.pos)) + "'");
  }
  p.end();
  return v;
}

}  // namespace

std::string RegistryTree::to_hive_text() const {
  std::string out = "; Tolvex registry hive (UTF-8)\n";
  put_key(out, *root_, "");
  return out;
}

RegistryTree RegistryTree::from_hive_text(std::string_view text, const std::string& file_for_messages) {
  RegistryTree tree;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Key* current = nullptr;
  int line_no = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    try {
      LineParser p{line};
      p.skip_blanks();
      if (p.at_end() || line[p.pos] == ';' || line[p.pos] == '#') continue;
      if (line[p.pos] == '[') {
        size_t last = line.find_last_not_of(" \t");
        if (line[last] != ']') p.fail("a key line must end with ']'");
        std::string_view path = line.substr(p.pos + 1, last - p.pos - 1);
        const auto parts = split_key_path(path);
        if (parts.size() > kMaxKeyDepth) p.fail(too_deep_message());
        Key* k = tree.root_.get();
        for (const auto& part : parts) {
          for (unsigned char c : part) {
            if (c < 0x20) p.fail("control character in a key name");
          }
          k = k->child_or_create(part);
        }
        current = k;
        continue;
      }
      std::string name;
      if (p.take("@")) {
      } else if (line[p.pos] == '"') {
        name = p.quoted();
      } else {
        p.fail("expected a [key] line or a \"name\"=value line");
      }
      p.skip_blanks();
      if (!p.take("=")) p.fail("expected '=' after the value name");
      p.skip_blanks();
      RegValue v = parse_value_data(p);
      if (!current) p.fail("a value must follow a [key] line");
      current->put(std::move(name), std::move(v));
    } catch (const HiveLineError& e) {
      throw FileFormatError(file_for_messages, line_no, e.why);
    }
  }
  return tree;
}

// ---------------------------------------------------------------------------------------------
// In memory

namespace {
std::optional<RegValue> expanded(std::optional<RegValue> v, bool expand_text) {
  if (v && expand_text && v->kind == reg_kind::kExpandText) v->text = expand_environment(v->text);
  return v;
}
}  // namespace

bool MemoryRegistry::key_exists(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return tree(root).key_exists(path);
}
void MemoryRegistry::create_key(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  tree(root).create_key(path);
}
std::optional<RegValue> MemoryRegistry::query_value(RegRoot root, std::string_view path, std::string_view name,
                                                    bool expand_text) {
  std::lock_guard lock(mutex_);
  return expanded(tree(root).query_value(path, name), expand_text);
}
void MemoryRegistry::set_value(RegRoot root, std::string_view path, std::string_view name, const RegValue& value) {
  std::lock_guard lock(mutex_);
  tree(root).set_value(path, name, value);
}
bool MemoryRegistry::delete_value(RegRoot root, std::string_view path, std::string_view name) {
  std::lock_guard lock(mutex_);
  return tree(root).delete_value(path, name);
}
bool MemoryRegistry::delete_key(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return tree(root).delete_key(path);
}
std::vector<std::string> MemoryRegistry::subkeys(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return tree(root).subkeys(path);
}
std::vector<std::string> MemoryRegistry::value_names(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return tree(root).value_names(path);
}

void RegistryBackend::set_values(RegRoot root, const std::vector<RegWrite>& writes) {
  for (const RegWrite& w : writes) set_value(root, w.path, w.name, w.value);
}
void RegistryBackend::keep_values(RegRoot root, const std::vector<RegWrite>& writes) { set_values(root, writes); }
std::optional<RegistryBackend::Unsaved> RegistryBackend::unsaved(RegRoot) { return std::nullopt; }

// ---------------------------------------------------------------------------------------------
// Hive files

FileRegistry::FileRegistry(fs::path user_hive, fs::path machine_hive) {
  user_.file = std::move(user_hive);
  user_.name = "user";
  machine_.file = std::move(machine_hive);
  machine_.name = "machine";
}

FileRegistry::FileRegistry() : FileRegistry(user_hive_path(), machine_hive_path()) {}

const fs::path& FileRegistry::hive_path(RegRoot root) const {
  return root == RegRoot::CurrentUser ? user_.file : machine_.file;
}

FileRegistry::Hive& FileRegistry::hive(RegRoot root) {
  Hive& h = root == RegRoot::CurrentUser ? user_ : machine_;
  if (!h.loaded) {
    std::error_code ec;
    if (!fs::exists(h.file, ec)) {
      h.tree = RegistryTree();
      h.kept.reset();
    } else {
      std::string text = read_file(h.file);
      h.tree = RegistryTree::from_hive_text(text, h.file.string());
      h.kept = std::move(text);
    }
    h.loaded = true;
  }
  return h;
}

void FileRegistry::save(Hive& h, bool or_keep) {
  std::string text = h.tree.to_hive_text();
  if (h.kept && *h.kept == text) return;
  try {
    if (!h.file.parent_path().empty()) create_folders(h.file.parent_path());
    write_file_atomic(h.file, text);
  } catch (const PlatformError& e) {
    // The cause alone where the message names the hive file; the whole message where it names
    // another (the hive's folder that could not be made).
    const std::string cause = e.cause().empty() || e.path() != h.file ? e.what() : e.cause();
    if (or_keep) {
      h.kept = std::move(text);
      h.unsaved = cause;
      return;
    }
    // Memory follows the file (or what is kept in memory only): take back the change.
    h.tree = h.kept ? RegistryTree::from_hive_text(*h.kept, h.file.string()) : RegistryTree();
    throw PlatformError("Cannot keep the " + std::string(h.name) + " settings in", h.file, cause);
  }
  h.kept = std::move(text);
  h.unsaved.clear();
}

template <class F>
auto FileRegistry::modify(RegRoot root, F&& change) {
  Hive& h = hive(root);
  auto result = change(h.tree);
  save(h);
  return result;
}

bool FileRegistry::key_exists(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return hive(root).tree.key_exists(path);
}
void FileRegistry::create_key(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  modify(root, [&](RegistryTree& t) { t.create_key(path); return true; });
}
std::optional<RegValue> FileRegistry::query_value(RegRoot root, std::string_view path, std::string_view name,
                                                  bool expand_text) {
  std::lock_guard lock(mutex_);
  return expanded(hive(root).tree.query_value(path, name), expand_text);
}
void FileRegistry::set_value(RegRoot root, std::string_view path, std::string_view name, const RegValue& value) {
  std::lock_guard lock(mutex_);
  modify(root, [&](RegistryTree& t) { t.set_value(path, name, value); return true; });
}
void FileRegistry::set_values(RegRoot root, const std::vector<RegWrite>& writes) { store(root, writes, false); }
void FileRegistry::keep_values(RegRoot root, const std::vector<RegWrite>& writes) { store(root, writes, true); }
void FileRegistry::store(RegRoot root, const std::vector<RegWrite>& writes, bool or_keep) {
  std::lock_guard lock(mutex_);
  Hive& h = hive(root);
  // A bad name part-way through takes back the values stored before it.
  RegistryTree before = h.tree;
  try {
    for (const RegWrite& w : writes) h.tree.set_value(w.path, w.name, w.value);
  } catch (...) {
    h.tree = std::move(before);
    throw;
  }
  save(h, or_keep);
}
std::optional<RegistryBackend::Unsaved> FileRegistry::unsaved(RegRoot root) {
  std::lock_guard lock(mutex_);
  const Hive& h = root == RegRoot::CurrentUser ? user_ : machine_;
  if (h.unsaved.empty()) return std::nullopt;
  return Unsaved{h.file, h.unsaved};
}
bool FileRegistry::delete_value(RegRoot root, std::string_view path, std::string_view name) {
  std::lock_guard lock(mutex_);
  return modify(root, [&](RegistryTree& t) { return t.delete_value(path, name); });
}
bool FileRegistry::delete_key(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return modify(root, [&](RegistryTree& t) { return t.delete_key(path); });
}
std::vector<std::string> FileRegistry::subkeys(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return hive(root).tree.subkeys(path);
}
std::vector<std::string> FileRegistry::value_names(RegRoot root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return hive(root).tree.value_names(path);
}

// ---------------------------------------------------------------------------------------------
// Locations and the current registry

fs::path user_hive_path() { return config_folder() / "user.reg"; }
fs::path machine_hive_path() { return application_folder() / "machine.reg"; }

namespace {
std::mutex g_current_mutex;
std::shared_ptr<RegistryBackend> g_current;
}  // namespace

RegistryBackend& current_registry() {
  std::lock_guard lock(g_current_mutex);
  if (!g_current) g_current = std::make_shared<FileRegistry>();
  return *g_current;
}

std::shared_ptr<RegistryBackend> set_current_registry(std::shared_ptr<RegistryBackend> registry) {
  std::lock_guard lock(g_current_mutex);
  std::swap(g_current, registry);
  note_change();
  return registry;
}

}  // namespace tolvex::platform
