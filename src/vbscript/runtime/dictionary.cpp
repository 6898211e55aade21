#include "vbscript/runtime/dictionary.h"

#include <cstring>

#include "vb/convert.h"

namespace tolvex::vbscript {

using vb::Variant;
using vb::VarType;

namespace {
constexpr int32_t kElementNotFound = 32811;
}

std::string Dictionary::key_of(const Variant& k) const {
  std::string out;
  switch (k.type()) {
    case VarType::Empty:
      return "e";
    case VarType::Null:
      return "z";
    case VarType::String:
      out = "s";
      out += compare_mode_ == 0 ? k.raw_string() : vb::utf8_lower(k.raw_string());
      return out;
    case VarType::Object: {
      out = "o";
      Dispatch* p = k.raw_object();
      out.append(reinterpret_cast<const char*>(&p), sizeof p);
      return out;
    }
    case VarType::Boolean:
      return k.raw_bool() ? "b1" : "b0";
    case VarType::Array:
    case VarType::Error:
      vb::raise(vb::err::kTypeMismatch);
    default: {
      // Integer 1, Long 1 and Double 1 are one key.
      double d = vb::to_double(k);
      if (d == 0) d = 0;  // -0 and 0 alike
      out = "n";
      out.append(reinterpret_cast<const char*>(&d), sizeof d);
      return out;
    }
  }
}

size_t* Dictionary::find(const Variant& key) {
  auto it = index_.find(key_of(key));
  return it == index_.end() ? nullptr : &it->second;
}

const size_t* Dictionary::find(const Variant& key) const {
  auto it = index_.find(key_of(key));
  return it == index_.end() ? nullptr : &it->second;
}

void Dictionary::Add(const Variant& key, const Variant& item) {
  std::string k = key_of(key);
  if (index_.count(k)) vb::raise(vb::err::kKeyAlreadyExists);
  entries_.push_back({key, item});
  index_.emplace(std::move(k), entries_.size() - 1);
}

bool Dictionary::Exists(const Variant& key) const { return find(key) != nullptr; }

Variant Dictionary::Item(const Variant& key) {
  if (size_t* i = find(key)) return entries_[*i].item;
  Add(key, Variant());
  return Variant();
}

void Dictionary::SetItem(const Variant& key, const Variant& item) {
  if (size_t* i = find(key)) {
    entries_[*i].item = item;
    return;
  }
  Add(key, item);
}

void Dictionary::SetKey(const Variant& key, const Variant& new_key) {
  std::string old_k = key_of(key), new_k = key_of(new_key);
  auto it = index_.find(old_k);
  if (it == index_.end()) vb::raise(kElementNotFound, "Element not found");
  if (old_k == new_k) {
    entries_[it->second].key = new_key;
    return;
  }
  if (index_.count(new_k)) vb::raise(vb::err::kKeyAlreadyExists);
  size_t pos = it->second;
  index_.erase(it);
  entries_[pos].key = new_key;
  index_.emplace(std::move(new_k), pos);
}

void Dictionary::Remove(const Variant& key) {
  auto it = index_.find(key_of(key));
  if (it == index_.end()) vb::raise(kElementNotFound, "Element not found");
  Entry& e = entries_[it->second];
  e.live = false;
  e.key.clear();
  e.item.clear();
  index_.erase(it);
  if (++dead_ > 32 && dead_ > entries_.size() / 2) compact();
}

void Dictionary::compact() {
  std::vector<Entry> live;
  live.reserve(index_.size());
  for (auto& e : entries_)
    if (e.live) live.push_back(std::move(e));
  entries_ = std::move(live);
  for (size_t i = 0; i < entries_.size(); ++i) index_[key_of(entries_[i].key)] = i;
  dead_ = 0;
}

void Dictionary::RemoveAll() {
  // Items may be objects whose termination touches this dictionary: move them out first.
  std::vector<Entry> old = std::move(entries_);
  entries_.clear();
  index_.clear();
  dead_ = 0;
}

Variant Dictionary::Keys() const {
  std::vector<Variant> out;
  out.reserve(index_.size());
  for (const auto& e : entries_)
    if (e.live) out.push_back(e.key);
  return Variant::array(std::move(out));
}

Variant Dictionary::Items() const {
  std::vector<Variant> out;
  out.reserve(index_.size());
  for (const auto& e : entries_)
    if (e.live) out.push_back(e.item);
  return Variant::array(std::move(out));
}

void Dictionary::SetCompareMode(int32_t mode) {
  if (mode < 0) vb::raise(vb::err::kInvalidProcedureCall);
  if (!index_.empty()) vb::raise(vb::err::kInvalidProcedureCall);
  compare_mode_ = mode;
}

vb::Ref<vb::Enumerator> Dictionary::enumerate() {
  std::vector<Variant> keys;
  keys.reserve(index_.size());
  for (const auto& e : entries_)
    if (e.live) keys.push_back(e.key);
  return vb::make_ref<vb::SnapshotEnumerator>(std::move(keys));
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
