#include "vbscript/runtime/dictionary.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "vb/convert.h"
#include "vbscript/runtime/env.h"

namespace tolvex::vbscript {

using vb::Variant;
using vb::VarType;

namespace {
constexpr int32_t kElementNotFound = 32811;
}

namespace {

enum class KeyKind { Empty, Null, Boolean, Number, String, Object };

KeyKind kind_of(const Variant& k) {
  switch (k.type()) {
    case VarType::Empty: return KeyKind::Empty;
    case VarType::Null: return KeyKind::Null;
    case VarType::Boolean: return KeyKind::Boolean;
    case VarType::String: return KeyKind::String;
    case VarType::Object: return KeyKind::Object;
    case VarType::Array:
    case VarType::Error: vb::raise(vb::err::kTypeMismatch);
    default: return KeyKind::Number;
  }
}

// A numeric key as one Double (-0 and 0 alike), compared by its bits.
uint64_t number_bits(const Variant& k) {
  double d = vb::to_double(k);
  if (d == 0) d = 0;
  return std::bit_cast<uint64_t>(d);
}

uint64_t mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

uint64_t text_hash(std::string_view s) { return std::hash<std::string_view>{}(s); }

}  // namespace

uint64_t Dictionary::hash_of(const Variant& k) const {
  switch (kind_of(k)) {
    case KeyKind::Empty: return mix(1);
    case KeyKind::Null: return mix(2);
    case KeyKind::Boolean: return mix(k.raw_bool() ? 3 : 4);
    case KeyKind::Number: return mix(number_bits(k));
    case KeyKind::Object: return mix(uint64_t(reinterpret_cast<uintptr_t>(k.raw_object())));
    case KeyKind::String: break;
  }
  const std::string& s = k.raw_string();
  if (compare_mode_ == 0) return text_hash(s);
  // Text mode: the hash of the lower-case text.
  if (vb::is_ascii(s)) {
    char small[64];
    if (s.size() <= sizeof small) {
      for (size_t i = 0; i < s.size(); ++i) small[i] = vb::ascii_lower(s[i]);
      return text_hash(std::string_view(small, s.size()));
    }
    return text_hash(vb::ascii_lower(s));
  }
  return text_hash(vb::utf8_lower(s));
}

bool Dictionary::same_key(const Variant& a, const Variant& b) const {
  KeyKind ka = kind_of(a);
  if (ka != kind_of(b)) return false;
  switch (ka) {
    case KeyKind::Empty:
    case KeyKind::Null: return true;
    case KeyKind::Boolean: return a.raw_bool() == b.raw_bool();
    case KeyKind::Number: return number_bits(a) == number_bits(b);
    case KeyKind::Object: return a.raw_object() == b.raw_object();
    case KeyKind::String: break;
  }
  const std::string& x = a.raw_string();
  const std::string& y = b.raw_string();
  if (compare_mode_ == 0) return x == y;
  if (vb::is_ascii(x) && vb::is_ascii(y)) return vb::iequals(x, y);
  return vb::utf8_lower(x) == vb::utf8_lower(y);
}

size_t Dictionary::find(const Variant& key, uint64_t hash, size_t* slot) const {
  if (table_.empty()) return kNone;
  if (!slot) {
    // Keys are often looked up in their order (For Each k In d.Keys ... d(k)): the
    // next live entry after the last one found is tried first, sparing the table.
    for (size_t i = finger_ + 1, end = std::min(entries_.size(), finger_ + 4); i < end; ++i) {
      const Entry& e = entries_[i];
      if (!e.live) continue;
      if (e.hash == hash && same_key(e.key, key)) {
        finger_ = i;
        return i;
      }
      break;
    }
  }
  const size_t mask = table_.size() - 1;
  const uint32_t tag = uint32_t(hash);
  for (size_t i = size_t(hash >> 32) & mask;; i = (i + 1) & mask) {
    const Slot& s = table_[i];
    if (s.entry == 0) return kNone;
    if (s.entry != kDeleted && s.hash == tag && same_key(entries_[s.entry - 1].key, key)) {
      if (slot) *slot = i;
      finger_ = s.entry - 1;
      return s.entry - 1;
    }
  }
}

void Dictionary::insert(const Variant& key, const Variant& item, uint64_t hash) {
  // Room for one more at most 3/4 full (removed keys included).
  if ((used_ + 1) * 4 > table_.size() * 3) rebuild(dead_ > 32 && dead_ > entries_.size() / 2);
  entries_.push_back(Entry{key, item, hash});
  place(entries_.size() - 1);
  ++count_;
}

void Dictionary::place(size_t entry) {
  const size_t mask = table_.size() - 1;
  const uint64_t hash = entries_[entry].hash;
  for (size_t i = size_t(hash >> 32) & mask;; i = (i + 1) & mask) {
    Slot& s = table_[i];
    if (s.entry == 0 || s.entry == kDeleted) {
      if (s.entry == 0) ++used_;
      s = Slot{uint32_t(entry + 1), uint32_t(hash)};
      return;
    }
  }
}

void Dictionary::rebuild(bool compact) {
  if (compact) {
    std::vector<Entry> live;
    live.reserve(count_);
    for (auto& e : entries_)
      if (e.live) live.push_back(std::move(e));
    entries_ = std::move(live);
    dead_ = 0;
  }
  size_t size = 16;
  while (size < (count_ + 1) * 2) size *= 2;  // at most half full after the rebuild
  table_.assign(size, Slot{});
  used_ = 0;
  for (size_t n = 0; n < entries_.size(); ++n)
    if (entries_[n].live) place(n);
}

void Dictionary::Add(const Variant& key, const Variant& item) {
  uint64_t h = hash_of(key);
  if (find(key, h) != kNone) vb::raise(vb::err::kKeyAlreadyExists);
  insert(key, item, h);
}

bool Dictionary::Exists(const Variant& key) const { return find(key) != kNone; }

Variant Dictionary::Item(const Variant& key) {
  uint64_t h = hash_of(key);
  size_t i = find(key, h);
  if (i != kNone) return entries_[i].item;
  insert(key, Variant(), h);
  return Variant();
}

void Dictionary::SetItem(const Variant& key, const Variant& item) {
  uint64_t h = hash_of(key);
  size_t i = find(key, h);
  if (i == kNone) {
    insert(key, item, h);
    return;
  }
  // The old item goes last: ending an object may run script code that uses this dictionary.
  Variant old = std::move(entries_[i].item);
  entries_[i].item = item;
}

void Dictionary::SetKey(const Variant& key, const Variant& new_key) {
  uint64_t old_h = hash_of(key), new_h = hash_of(new_key);
  size_t slot = 0;
  size_t i = find(key, old_h, &slot);
  if (i == kNone) vb::raise(kElementNotFound, "Element not found");
  if (same_key(key, new_key)) {
    Variant old = std::move(entries_[i].key);
    entries_[i].key = new_key;
    return;
  }
  if (find(new_key, new_h) != kNone) vb::raise(vb::err::kKeyAlreadyExists);
  // Out of the table under the old key, back in under the new one, in the same place in order.
  table_[slot].entry = kDeleted;
  Variant old = std::move(entries_[i].key);
  entries_[i].key = new_key;
  entries_[i].hash = new_h;
  if ((used_ + 1) * 4 > table_.size() * 3) rebuild(false);
  else place(i);
}

void Dictionary::Remove(const Variant& key) {
  size_t slot = 0;
  size_t i = find(key, hash_of(key), &slot);
  if (i == kNone) vb::raise(kElementNotFound, "Element not found");
  table_[slot].entry = kDeleted;
  Entry& e = entries_[i];
  e.live = false;
  Variant old_key = std::move(e.key), old_item = std::move(e.item);
  --count_;
  ++dead_;
  if (dead_ > 32 && dead_ > entries_.size() / 2) rebuild(true);
}

std::vector<Dictionary::Entry> Dictionary::take_entries() {
  std::vector<Entry> old = std::move(entries_);
  entries_.clear();
  table_.clear();
  count_ = used_ = dead_ = 0;
  return old;
}

void Dictionary::RemoveAll() {
  // Items may be objects whose termination touches this dictionary: they go after it is empty.
  std::vector<Entry> old = take_entries();
}

Variant Dictionary::Keys() const {
  std::vector<Variant> out;
  out.reserve(count_);
  for (const auto& e : entries_)
    if (e.live) out.push_back(e.key);
  return Variant::array(std::move(out));
}

Variant Dictionary::Items() const {
  std::vector<Variant> out;
  out.reserve(count_);
  for (const auto& e : entries_)
    if (e.live) out.push_back(e.item);
  return Variant::array(std::move(out));
}

void Dictionary::SetCompareMode(int32_t mode) {
  if (mode < 0) vb::raise(vb::err::kInvalidProcedureCall);
  if (count_ != 0) vb::raise(vb::err::kInvalidProcedureCall);
  compare_mode_ = mode;
}

vb::Ref<vb::Enumerator> Dictionary::enumerate() {
  std::vector<Variant> keys;
  keys.reserve(count_);
  for (const auto& e : entries_)
    if (e.live) keys.push_back(e.key);
  return vb::make_ref<vb::SnapshotEnumerator>(std::move(keys));
}

// ---------------------------------------------------------------- the engine's list

Dictionary::Dictionary(RuntimeEnv* env) : env_(env) {
  if (env_) live_.join(this, env_->live_dictionaries.head);
}

Dictionary::~Dictionary() {
  if (env_) live_.leave(env_->live_dictionaries.head);
}

void Dictionary::forget_env(RuntimeEnv::DictionaryList& list) noexcept {
  for (Dictionary* d = list.head; d;) {
    Dictionary* next = d->live_.next;
    d->env_ = nullptr;
    d->live_ = {};
    d = next;
  }
  list.head = nullptr;
}

RuntimeEnv::DictionaryList::~DictionaryList() { Dictionary::forget_env(*this); }

namespace {

// Calls found(d) for each Dictionary of `index` that v holds: itself, or as an element of
// an array that only v holds (an array held elsewhere too is reachable from there: what it
// holds is counted as held from outside by not being found here).
template <class Found>
void held_dictionaries(const Variant& v, const std::unordered_map<const vb::Dispatch*, size_t>& index,
                       Found&& found) {
  std::vector<const vb::Array*> arrays;  // a list, not recursion: arrays may nest deeply
  auto look = [&](const Variant& x) {
    if (x.is_object()) {
      auto it = index.find(x.raw_object());
      if (it != index.end()) found(it->second);
    } else if (x.is_array() && x.raw_array().ref_count() == 1) {
      arrays.push_back(&x.raw_array());
    }
  };
  look(v);
  while (!arrays.empty()) {
    const vb::Array* a = arrays.back();
    arrays.pop_back();
    for (size_t i = 0; i < a->size(); ++i) look((*a)[i]);
  }
}

}  // namespace

void Dictionary::free_cycles(RuntimeEnv& env) noexcept {
  try {
    std::vector<vb::Ref<Dictionary>> held;
    std::unordered_map<const vb::Dispatch*, size_t> index;
    for (Dictionary* d = env.live_dictionaries.head; d; d = d->live_.next) {
      index.emplace(d, held.size());
      held.emplace_back(d);
    }
    const size_t n = held.size();
    auto each_held = [&](size_t i, auto&& found) {
      for (const Entry& e : held[i]->entries_) {
        if (!e.live) continue;
        held_dictionaries(e.key, index, found);
        held_dictionaries(e.item, index, found);
      }
    };
    // References from inside the list; the rest (beyond `held`'s own) come from outside.
    std::vector<long> inner(n, 0);
    for (size_t i = 0; i < n; ++i) each_held(i, [&](size_t j) { ++inner[j]; });
    std::vector<bool> reached(n, false);
    std::vector<size_t> work;
    for (size_t i = 0; i < n; ++i) {
      if (held[i]->ref_count() - 1 > inner[i]) {
        reached[i] = true;
        work.push_back(i);
      }
    }
    // What is reachable from outside reaches what it holds.
    while (!work.empty()) {
      size_t i = work.back();
      work.pop_back();
      each_held(i, [&](size_t j) {
        if (!reached[j]) {
          reached[j] = true;
          work.push_back(j);
        }
      });
    }
    // The rest only hold each other: emptied, their items released after the walk.
    std::vector<std::vector<Entry>> released;
    for (size_t i = 0; i < n; ++i)
      if (!reached[i]) released.push_back(held[i]->take_entries());
  } catch (const std::bad_alloc&) {
    // No memory to walk the list: the Dictionaries stay as they would without this pass.
  }
}

namespace {
const Variant& need(vb::Args a, size_t n) {
  if (a.size() <= n) vb::raise(vb::err::kWrongArgCount);
  return a[n];
}
}  // namespace

const vb::DispatchTable<Dictionary>& Dictionary::dispatch_table() {
  using D = Dictionary;
  using vb::Args;
  static const vb::DispatchTable<D> table = [] {
    vb::DispatchTable<D> t("Dictionary");
    t.method("Add", [](D& d, Args a) {
       vb::check_arg_count(a, 2, 2);
       d.Add(a[0], a[1]);
       return Variant();
     })
        .method("Exists", [](D& d, Args a) {
          vb::check_arg_count(a, 1, 1);
          return Variant(d.Exists(a[0]));
        })
        .property(
            "Item", [](D& d, Args a) { return d.Item(need(a, 0)); },
            [](D& d, Args a, const Variant& v) { d.SetItem(need(a, 0), v); },
            [](D& d, Args a, const Variant& v) { d.SetItem(need(a, 0), v); })
        .property(
            "Key", [](D&, Args) -> Variant { vb::raise(vb::err::kNotSupported); },
            [](D& d, Args a, const Variant& v) { d.SetKey(need(a, 0), v); })
        .method("Remove", [](D& d, Args a) {
          vb::check_arg_count(a, 1, 1);
          d.Remove(a[0]);
          return Variant();
        })
        .method("RemoveAll", [](D& d, Args a) {
          vb::check_arg_count(a, 0, 0);
          d.RemoveAll();
          return Variant();
        })
        .property("Count", [](D& d, Args) { return Variant(d.Count()); })
        .method("Keys", [](D& d, Args) { return d.Keys(); })
        .method("Items", [](D& d, Args) { return d.Items(); })
        .property(
            "CompareMode", [](D& d, Args) { return Variant(d.CompareMode()); },
            [](D& d, Args, const Variant& v) { d.SetCompareMode(vb::to_long(v)); })
        .enumerator("_NewEnum", [](D& d, Args) { return Variant(vb::Ref<vb::Dispatch>(d.enumerate())); });
    t.default_member("Item");
    return t;
  }();
  return table;
}

}  // namespace tolvex::vbscript
