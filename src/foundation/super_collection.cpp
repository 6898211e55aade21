#include "foundation/super_collection.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "vb/strings.h"

namespace tolvex {

namespace {

using vb::Ref;
using vb::Variant;
using vb::VarType;

constexpr char32_t kInvalidByteBase = 0x110000;  // code points for bytes that are not UTF-8

// One code point at pos; a byte that does not start a valid sequence stands for
// itself (above the Unicode range), so that distinct texts never fold together.
char32_t next_code_point(std::string_view s, size_t& pos) noexcept {
  unsigned char b = (unsigned char)s[pos];
  if (b < 0x80) {
    ++pos;
    return b;
  }
  size_t extra = 0;
  char32_t cp = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    extra = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    extra = 2;
    cp = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    extra = 3;
    cp = b & 0x07;
  }
  bool ok = extra != 0 && pos + extra < s.size();
  for (size_t i = 1; ok && i <= extra; ++i) {
    unsigned char c = (unsigned char)s[pos + i];
    ok = (c & 0xC0) == 0x80;
    cp = (cp << 6) | (c & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (ok && cp >= kMin[extra] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
    pos += extra + 1;
    return cp;
  }
  ++pos;
  return kInvalidByteBase + b;
}

[[noreturn]] void raise_collection(int32_t number, const char* description) {
  vb::raise(number, description);
}

}  // namespace

char32_t fold_key_char(char32_t c) noexcept {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= kInvalidByteBase) return c;
  return vb::unicode_lower(c);
}

int compare_keys(std::string_view a, std::string_view b, KeyCompare mode) noexcept {
  if (mode == KeyCompare::Binary) {
    int r = a.compare(b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char ca = (unsigned char)a[i], cb = (unsigned char)b[j];
    char32_t x, y;
    if ((ca | cb) < 0x80) {
      x = ca >= 'A' && ca <= 'Z' ? ca + 32u : ca;
      y = cb >= 'A' && cb <= 'Z' ? cb + 32u : cb;
      ++i;
      ++j;
    } else {
      x = fold_key_char(next_code_point(a, i));
      y = fold_key_char(next_code_point(b, j));
    }
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = kOnes * 0x80;

// Up to eight bytes as one word (zeros after the end).
inline uint64_t load_word(const char* p, size_t n) noexcept {
  uint64_t w = 0;
  if (n >= 8) {
    std::memcpy(&w, p, 8);
  } else {
    for (size_t i = 0; i < n; ++i) w |= uint64_t((unsigned char)p[i]) << (8 * i);
  }
  return w;
}

// Lower-cases the ASCII capitals of eight ASCII bytes at once.
inline uint64_t lower_word(uint64_t w) noexcept {
  uint64_t at_least_a = w + kOnes * (0x80 - 'A');
  uint64_t beyond_z = w + kOnes * (0x80 - 'Z' - 1);
  return w | ((at_least_a & ~beyond_z & kHighBits) >> 2);
}

inline uint64_t mix(uint64_t h, uint64_t w) noexcept {
  h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 31);
}

inline size_t finish(uint64_t h) noexcept { return size_t(h * 0x94D049BB133111EBull ^ (h >> 29)); }

}  // namespace

size_t KeyHash::operator()(std::string_view s) const noexcept {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
  if (mode == KeyCompare::Binary) {
    for (size_t i = 0; i < s.size(); i += 8) h = mix(h, load_word(s.data() + i, s.size() - i));
    return finish(h);
  }
  uint64_t seen = 0;
  for (size_t i = 0; i < s.size(); i += 8) {
    uint64_t w = load_word(s.data() + i, s.size() - i);
    seen |= w;
    h = mix(h, lower_word(w));
  }
  if ((seen & kHighBits) == 0) return finish(h);
  // Not plain ASCII: hash the folded text, so that texts that compare equal hash alike.
  std::string folded;
  folded.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t c = fold_key_char(next_code_point(s, i));
    if (c < 0x80)
      folded.push_back(char(c));
    else
      for (int k = 0; k < 4; ++k) folded.push_back(char(0x80 | ((c >> (7 * k)) & 0x7F)));
  }
  // (A folded text that is plain ASCII hashes as that ASCII text does.)
  h = 0x9E3779B97F4A7C15ull ^ folded.size();
  for (size_t i = 0; i < folded.size(); i += 8) h = mix(h, lower_word(load_word(folded.data() + i, folded.size() - i)));
  return finish(h);
}

bool KeyEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  if (mode == KeyCompare::Binary) return a == b;
  if (a.size() == b.size()) {
    size_t i = 0;
    for (; i < a.size(); i += 8) {
      uint64_t wa = load_word(a.data() + i, a.size() - i);
      uint64_t wb = load_word(b.data() + i, b.size() - i);
      if ((wa | wb) & kHighBits) break;
      if (lower_word(wa) != lower_word(wb)) return false;
    }
    if (i >= a.size()) return true;
  }
  return compare_keys(a, b, KeyCompare::Text) == 0;
}

// --- core ---

namespace detail {

const std::vector<CollectionNode*>& CollectionCore::sorted_keys() {
  if (sorted_version != version) {
    sorted.clear();
    sorted.reserve(keys.size());
    for (auto& [k, node] : keys) sorted.push_back(node);
    KeyCompare m = mode;
    std::sort(sorted.begin(), sorted.end(), [m](const CollectionNode* a, const CollectionNode* b) {
      return compare_keys(a->list_key, b->list_key, m) < 0;
    });
    sorted_version = version;
  }
  return sorted;
}

void CollectionCore::release_all() noexcept {
  // Take the values out first: releasing an object may run code that looks at us.
  std::vector<Variant> released;
  released.reserve(order.size());
  for (auto& node : order) {
    node->live = false;
    node->has_entry = false;
    released.push_back(std::move(node->value));
    node->value.clear();
  }
  keys.clear();
  std::vector<Ref<CollectionNode>> nodes;
  nodes.swap(order);
  sorted.clear();
  ++version;
  // `released` and `nodes` go here, after the container is consistent.
}

}  // namespace detail

// --- key list ---

const vb::DispatchTable<cKey>& cKey::dispatch_table() {
  static const vb::DispatchTable<cKey> table = [] {
    vb::DispatchTable<cKey> t("cKey");
    t.property("Name", [](cKey& k, vb::Args) { return Variant(k.Name()); });
    t.property("AssociatedIndex", [](cKey& k, vb::Args) { return Variant(k.AssociatedIndex()); });
    return t;
  }();
  return table;
}

namespace {
const vb::DispatchTable<CKeys>& keys_table() {
  static const vb::DispatchTable<CKeys> table = [] {
    vb::DispatchTable<CKeys> t("CKeys");
    t.enumerator("NewEnum", [](CKeys& k, vb::Args) { return Variant(vb::ref_from(&k)); });
    t.property("Count", [](CKeys& k, vb::Args) { return Variant(k.Count()); });
    return t;
  }();
  return table;
}
}  // namespace

int32_t CKeys::Count() const noexcept { return core_->alive ? int32_t(core_->keys.size()) : 0; }

bool CKeys::next(Variant& out) {
  if (!core_->alive) return false;
  const auto& sorted = core_->sorted_keys();
  if (index_ >= sorted.size()) return false;
  const detail::CollectionNode* node = sorted[index_++];
  out = Variant(vb::make_ref<cKey>(node->list_key, int32_t(core_->base + node->pos)));
  return true;
}

vb::DispId CKeys::find_member(std::string_view name) const { return keys_table().find(name); }

Variant CKeys::invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) {
  return keys_table().invoke(*this, id, kind, args);
}

std::vector<std::string> CKeys::member_names() const { return keys_table().names(); }

// --- item enumeration ---

cEnumerationObject::cEnumerationObject(Ref<detail::CollectionCore> core)
    : core_(std::move(core)), snapshot_(core_->order) {
  ++core_->open_enumerations;
}

cEnumerationObject::cEnumerationObject(const cEnumerationObject& other)
    : vb::Enumerator(), core_(other.core_), snapshot_(other.snapshot_), current_(other.current_) {
  ++core_->open_enumerations;
}

cEnumerationObject::~cEnumerationObject() { --core_->open_enumerations; }

bool cEnumerationObject::next(Variant& out) {
  if (!core_->alive) return false;
  const auto& order = core_->order;
  if (order.size() > snapshot_.size()) {
    // Items were appended: follow them when nothing moved at the current place.
    size_t c = std::min(current_, snapshot_.size());
    bool aligned = c < snapshot_.size() ? order[c] == snapshot_[c] : (c == 0 || order[c - 1] == snapshot_[c - 1]);
    if (aligned) snapshot_ = order;
  }
  while (current_ < snapshot_.size()) {
    const auto& node = snapshot_[current_++];
    if (node->live) {
      out = node->value;
      return true;
    }
  }
  return false;
}

// --- container ---

CSuperCollection::CSuperCollection() : core_(vb::make_ref<detail::CollectionCore>()) {}

CSuperCollection::~CSuperCollection() {
  core_->release_all();
  core_->alive = false;
}

void CSuperCollection::setCompareMode(int32_t mode) {
  if (!core_->order.empty()) raise_collection(collection_err::kAlreadyInitialized, "Collection already initialized");
  if (mode != 0 && mode != 1) vb::raise(vb::err::kSubscriptOutOfRange);
  core_->mode = KeyCompare(mode);
  core_->keys = detail::CollectionCore::Map(0, KeyHash{core_->mode}, KeyEqual{core_->mode});
  ++core_->version;
}

void CSuperCollection::setBaseIndex(int32_t base) {
  if (!core_->order.empty()) raise_collection(collection_err::kAlreadyInitialized, "Collection already initialized");
  core_->base = base;
}

std::optional<size_t> CSuperCollection::slot_of_position(int64_t position) const noexcept {
  int64_t slot = position - int64_t(core_->base);
  if (slot < 0 || slot >= int64_t(core_->order.size())) return std::nullopt;
  return size_t(slot);
}

CSuperCollection::Node* CSuperCollection::find_node(std::string_view key) const {
  if (key.empty()) return nullptr;
  auto it = core_->keys.find(key);
  return it == core_->keys.end() ? nullptr : it->second;
}

std::optional<size_t> CSuperCollection::find_key(std::string_view key) const {
  Node* node = find_node(key);
  if (!node) return std::nullopt;
  return size_t(node->pos);
}

CSuperCollection::Index CSuperCollection::read_index(const Variant& index) const {
  Index r;
  double d = 0;
  switch (index.type()) {
    case VarType::Integer: d = index.raw_integer(); break;
    case VarType::Long: d = index.raw_long(); break;
    case VarType::Byte: d = index.raw_byte(); break;
    case VarType::Single: d = index.raw_single(); break;
    case VarType::Double: d = index.raw_double(); break;
    case VarType::String: {
      r.is_key = true;
      if (Node* node = find_node(index.raw_string())) r.slot = size_t(node->pos);
      return r;
    }
    default:
      raise_collection(collection_err::kInvalidDatatype, "Invalid datatype");
  }
  // Halves go to the even neighbour (the default rounding mode).
  d = std::nearbyint(d);
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) {
    // No 32-bit position: outside the items whatever the base.
    r.position = int64_t(1) << 40;
    return r;
  }
  r.position = int64_t(d);
  r.slot = slot_of_position(r.position);
  return r;
}

void CSuperCollection::renumber(size_t first, size_t last) noexcept {
  for (size_t i = first; i < last && i < core_->order.size(); ++i) core_->order[i]->pos = int32_t(i);
}

void CSuperCollection::enter_key(Node& node, std::string_view spelling) {
  node.list_key.assign(spelling);
  core_->keys.emplace(std::string_view(node.list_key), &node);
  node.has_entry = true;
  ++core_->version;
}

void CSuperCollection::drop_key(Node& node) {
  if (!node.has_entry) return;
  auto it = core_->keys.find(std::string_view(node.list_key));
  if (it != core_->keys.end() && it->second == &node) core_->keys.erase(it);
  node.has_entry = false;
  node.list_key.clear();
  ++core_->version;
}

void CSuperCollection::move_slot(size_t from, size_t to) {
  auto& order = core_->order;
  if (from < to)
    std::rotate(order.begin() + std::ptrdiff_t(from), order.begin() + std::ptrdiff_t(from) + 1,
                order.begin() + std::ptrdiff_t(to) + 1);
  else
    std::rotate(order.begin() + std::ptrdiff_t(to), order.begin() + std::ptrdiff_t(from),
                order.begin() + std::ptrdiff_t(from) + 1);
  renumber(std::min(from, to), std::max(from, to) + 1);
}

void CSuperCollection::assign_item_key(const Variant& value, std::string_view key) {
  Ref<vb::Dispatch> obj = value.object_or_null();
  if (obj && obj->has_member("Key")) obj->let("Key", Variant(key));
}

std::string CSuperCollection::Key(int32_t position) const {
  auto slot = slot_of_position(position);
  if (!slot) vb::raise(vb::err::kSubscriptOutOfRange);
  return core_->order[*slot]->key;
}

int32_t CSuperCollection::KeyExists(std::string_view key) const {
  Node* node = find_node(key);
  return node ? int32_t(core_->base + node->pos) : kNoPosition;
}

void CSuperCollection::Add(const Variant& item, std::string_view key, int32_t mode, int32_t position) {
  const size_t count = core_->order.size();
  const int64_t base = core_->base;
  if (mode < 1 || mode > 4) mode = int32_t(AddMode::Last);
  const bool given = position != kNoPosition;
  if (given) {
    bool in_range = count == 0 ? position == base : slot_of_position(position).has_value();
    if (!in_range) vb::raise(vb::err::kSubscriptOutOfRange);
    if (mode == int32_t(AddMode::Before) && position == base) mode = int32_t(AddMode::First);
    if (mode == int32_t(AddMode::After) && (count == 0 || position == base + int64_t(count) - 1))
      mode = int32_t(AddMode::Last);
  } else if (mode == int32_t(AddMode::Before) || mode == int32_t(AddMode::After)) {
    raise_collection(collection_err::kNoPosition, "No position supplied.");
  }
  if (find_node(key)) vb::raise(vb::err::kKeyAlreadyExists);

  size_t target = count;
  if (mode == int32_t(AddMode::Before)) target = size_t(position - base);
  if (mode == int32_t(AddMode::After)) target = size_t(position - base) + 1;
  if (mode == int32_t(AddMode::First)) target = 0;
  // A move is refused during an enumeration; refuse before anything is added.
  if (target != count && core_->open_enumerations != 0)
    raise_collection(collection_err::kMoveInForEach, "Move not allowed while in For...Each loop.");

  auto node = vb::make_ref<Node>();
  node->value = item;
  node->key.assign(key);
  node->pos = int32_t(count);
  Node& added = *node;
  core_->order.push_back(std::move(node));
  if (!key.empty()) {
    try {
      enter_key(added, key);
    } catch (...) {
      core_->order.pop_back();
      throw;
    }
  }
  if (target != count) move_slot(count, target);
}

void CSuperCollection::Remove(const Variant& index) {
  Index r = read_index(index);
  if (!r.slot) {
    if (r.is_key) raise_collection(collection_err::kKeyNotFound, "Key not found.");
    vb::raise(vb::err::kSubscriptOutOfRange);
  }
  size_t slot = *r.slot;
  Ref<Node> node = core_->order[slot];
  drop_key(*node);
  node->live = false;
  Variant released = std::move(node->value);
  node->value.clear();
  core_->order.erase(core_->order.begin() + std::ptrdiff_t(slot));
  renumber(slot, core_->order.size());
  // `released` goes last: its object may run code that looks at the container.
}

Variant CSuperCollection::Item(const Variant& index) const {
  Index r = read_index(index);
  if (!r.slot) return Variant();
  return core_->order[*r.slot]->value;
}

void CSuperCollection::setItem(const Variant& index, const Variant& value) {
  if (!core_->allow_item_assignments) vb::raise(vb::err::kNotSupported);
  Index r = read_index(index);
  if (!r.slot) {
    if (!r.is_key && core_->order.empty() && r.position == core_->base) vb::raise(vb::err::kSubscriptOutOfRange);
    raise_collection(collection_err::kKeyNotFound, "Key not found.");
  }
  Variant old = std::exchange(core_->order[*r.slot]->value, value);
}

void CSuperCollection::Clear() noexcept { core_->release_all(); }

int32_t CSuperCollection::MoveItem(const Variant& from, const Variant& to) {
  if (core_->open_enumerations != 0)
    raise_collection(collection_err::kMoveInForEach, "Move not allowed while in For...Each loop.");
  Index f = read_index(from);
  Index t = read_index(to);
  if ((f.is_key && !f.slot) || (t.is_key && !t.slot)) raise_collection(collection_err::kKeyNotFound, "Key not found.");
  if (!f.slot || !t.slot) vb::raise(vb::err::kSubscriptOutOfRange);
  if (*f.slot != *t.slot) move_slot(*f.slot, *t.slot);
  return int32_t(core_->base + int64_t(*t.slot));
}

void CSuperCollection::ChangeKey(std::string_view old_key, std::string_view new_key_arg) {
  const std::string new_key(new_key_arg);  // the argument may view a key that changes here
  Node* target = find_node(new_key);
  Node* node = find_node(old_key);
  if (!target) {
    if (!node) raise_collection(collection_err::kKeyNotFound, "Key not found.");
    node->key.assign(new_key);
    drop_key(*node);
    if (!new_key.empty()) enter_key(*node, new_key);
    assign_item_key(node->value, new_key);
    return;
  }
  if (node == target) {
    // Only the letter case changes (or nothing): the key list keeps its spelling.
    node->key.assign(new_key);
    assign_item_key(node->value, new_key);
    return;
  }
  if (!node && vb::iequals(old_key, new_key)) raise_collection(collection_err::kKeyNotFound, "Key not found.");
  vb::raise(vb::err::kKeyAlreadyExists);
}

void CSuperCollection::ChangeKeyForIndex(std::string_view position, std::string_view new_key_arg) {
  const std::string new_key(new_key_arg);
  // The position text is read as a number: blanks around, an optional sign.
  std::string_view t = position;
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  double number = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), number);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(number))
    vb::raise(vb::err::kTypeMismatch);
  const double first = double(core_->base);
  const double last = double(core_->base) + double(core_->order.size()) - 1;
  if (core_->order.empty() || number < first || number > last) return;
  if (find_node(new_key)) vb::raise(vb::err::kKeyAlreadyExists);
  size_t slot = size_t(int64_t(std::nearbyint(number)) - int64_t(core_->base));
  Node& node = *core_->order[slot];
  node.key.assign(new_key);
  drop_key(node);
  if (!new_key.empty()) enter_key(node, new_key);
  assign_item_key(node.value, new_key);
}

void CSuperCollection::set_key_at(size_t slot, std::string_view key_arg) {
  const std::string key(key_arg);  // the argument may view a key that changes here
  Node& node = *core_->order[slot];
  Node* holder = find_node(key);
  if (holder && holder != &node) vb::raise(vb::err::kKeyAlreadyExists);
  node.key.assign(key);
  if (holder == &node) return;  // only the letter case changes: the key list keeps its spelling
  drop_key(node);
  if (!key.empty()) enter_key(node, key);
}

std::vector<Variant> CSuperCollection::items() const {
  std::vector<Variant> out;
  out.reserve(core_->order.size());
  for (const auto& node : core_->order) out.push_back(node->value);
  return out;
}

}  // namespace tolvex
