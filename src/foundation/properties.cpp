#include "foundation/properties.h"
#include "foundation/class_registry.h"

#include <map>
#include <utility>

#include "vb/convert.h"

namespace tolvex {

using vb::Ref;
using vb::Variant;

namespace {

// The layout that empty stores start from. Stores that add the same settings in
// the same order keep sharing it as it grows.
const Ref<SettingsLayout>& root_layout() {
  static const Ref<SettingsLayout> root = vb::make_ref<SettingsLayout>();
  return root;
}

// The name an index argument stands for: only a text names an entry.
const std::string* name_of(const Variant& index) noexcept {
  return index.is_string() ? &index.raw_string() : nullptr;
}

}  // namespace

// --- layout ---

std::optional<size_t> SettingsLayout::find_folded(std::string_view name) const {
  auto it = index_.find(name);
  if (it == index_.end()) return std::nullopt;
  return size_t(it->second);
}

void SettingsLayout::push(PropertyDesc d) {
  descs_.push_back(std::move(d));
  index_.emplace(std::string_view(descs_.back().name), uint32_t(descs_.size() - 1));
}

void SettingsLayout::rebuild_index() {
  index_.clear();
  index_.reserve(descs_.size());
  for (size_t i = 0; i < descs_.size(); ++i) index_.emplace(std::string_view(descs_[i].name), uint32_t(i));
}

Ref<SettingsLayout> SettingsLayout::branch(size_t n, const PropertyDesc& d) {
  auto range = branches_.equal_range(std::string_view(d.name));
  for (auto it = range.first; it != range.second; ++it) {
    SettingsLayout* b = it->second;
    if (b->branch_at_ == n && b->descs_[n] == d) return vb::ref_from(b);
  }
  auto b = vb::make_ref<SettingsLayout>();
  for (size_t i = 0; i < n && i < descs_.size(); ++i) b->descs_.push_back(descs_[i]);
  b->rebuild_index();
  b->push(d);
  b->parent_ = vb::ref_from(this);
  b->branch_at_ = n;
  branches_.emplace(std::string_view(b->descs_[n].name), b.get());
  return b;
}

void SettingsLayout::unlink() noexcept {
  if (!parent_) return;
  auto range = parent_->branches_.equal_range(std::string_view(descs_[branch_at_].name));
  for (auto it = range.first; it != range.second; ++it)
    if (it->second == this) {
      parent_->branches_.erase(it);
      break;
    }
  parent_.reset();
}

Ref<SettingsLayout> SettingsLayout::for_catalogue(SettingCatalogue catalogue, size_t* declared) {
  struct Built {
    Ref<SettingsLayout> layout;
    size_t count = 0;
  };
  // Catalogues are static tables, so their address identifies them.
  static std::map<std::pair<const SettingDecl*, size_t>, Built> cache;
  auto key = std::make_pair(catalogue.data(), catalogue.size());
  auto it = cache.find(key);
  if (it == cache.end()) {
    auto layout = vb::make_ref<SettingsLayout>();
    for (const SettingDecl& row : catalogue) {
      std::string_view name = row.name ? row.name : "";
      if (name.empty()) continue;
      if (auto found = layout->find_folded(name)) {
        if ((*layout)[*found].name == name) continue;
        vb::raise(vb::err::kKeyAlreadyExists);
      }
      layout->push(PropertyDesc{std::string(name), row.data_type ? row.data_type : "String", row.reg_save,
                                row.reg_format, row.file_save, row.sync});
    }
    size_t n = layout->size();
    it = cache.emplace(key, Built{std::move(layout), n}).first;
  }
  if (declared) *declared = it->second.count;
  return it->second.layout;
}

// --- entry ---

AGProperty::AGProperty() : own_(std::make_unique<Own>()) {
  // A setting made by the host starts with blank fields.
  own_->desc.data_type.clear();
  own_->desc.file_save = false;
  own_->desc.sync = false;
}

AGProperty::~AGProperty() {
  if (store_) {
    store_->views_[index_] = nullptr;
    store_->view_released();
  }
}

const PropertyDesc& AGProperty::desc() const noexcept {
  return store_ ? (*store_->layout_)[index_] : own_->desc;
}

PropertyDesc& AGProperty::desc_for_write() {
  return store_ ? store_->own_layout().descs_[index_] : own_->desc;
}

void AGProperty::detach(Variant value) {
  auto own = std::make_unique<Own>();
  own->desc = desc();
  own->value = std::move(value);
  own_ = std::move(own);
  store_ = nullptr;
}

const Variant& AGProperty::Value() const noexcept { return store_ ? store_->values_[index_] : own_->value; }

void AGProperty::setValue(Variant value) {
  if (store_) {
    store_->set_value_at(index_, std::move(value));
    return;
  }
  note_settings_change();
  Variant old = std::exchange(own_->value, std::move(value));
  // `old` goes last: releasing an object may run code that looks at the store.
}

void AGProperty::setName(std::string_view name) {
  if (store_)
    store_->rename_at(index_, name);
  else
    own_->desc.name.assign(name);
}

void AGProperty::setDataType(std::string_view type) {
  if (DataType() != type) desc_for_write().data_type.assign(type);
}
void AGProperty::setRegSave(bool v) {
  if (RegSave() != v) desc_for_write().reg_save = v;
}
void AGProperty::setRegFormat(int32_t v) {
  if (RegFormat() != v) desc_for_write().reg_format = v;
}
void AGProperty::setFileSave(bool v) {
  if (FileSave() != v) desc_for_write().file_save = v;
}
void AGProperty::setSync(bool v) {
  if (Sync() != v) desc_for_write().sync = v;
}

const vb::DispatchTable<AGProperty>& AGProperty::dispatch_table() {
  static const vb::DispatchTable<AGProperty> table = [] {
    using P = AGProperty;
    vb::DispatchTable<P> t("AGProperty");
    auto text = [](const Variant& v) { return vb::to_string(vb::default_value(v)); };
    auto flag = [](const Variant& v) { return vb::to_bool(vb::default_value(v)); };
    t.property(
        "Key", [](P& p, vb::Args) { return Variant(p.Key()); },
        [text](P& p, vb::Args, const Variant& v) { p.setKey(text(v)); });
    t.property(
        "Name", [](P& p, vb::Args) { return Variant(p.Name()); },
        [text](P& p, vb::Args, const Variant& v) { p.setName(text(v)); });
    t.property(
        "DataType", [](P& p, vb::Args) { return Variant(p.DataType()); },
        [text](P& p, vb::Args, const Variant& v) { p.setDataType(text(v)); });
    t.property(
        "Value", [](P& p, vb::Args) { return p.Value(); },
        [](P& p, vb::Args, const Variant& v) { p.setValue(v); });
    t.property(
        "RegSave", [](P& p, vb::Args) { return Variant(p.RegSave()); },
        [flag](P& p, vb::Args, const Variant& v) { p.setRegSave(flag(v)); });
    t.property(
        "RegFormat", [](P& p, vb::Args) { return Variant(p.RegFormat()); },
        [](P& p, vb::Args, const Variant& v) { p.setRegFormat(vb::to_long(vb::default_value(v))); });
    t.property(
        "FileSave", [](P& p, vb::Args) { return Variant(p.FileSave()); },
        [flag](P& p, vb::Args, const Variant& v) { p.setFileSave(flag(v)); });
    t.property(
        "Sync", [](P& p, vb::Args) { return Variant(p.Sync()); },
        [flag](P& p, vb::Args, const Variant& v) { p.setSync(flag(v)); });
    t.default_member("Value");
    return t;
  }();
  return table;
}

// --- enumeration ---

// Walks a snapshot of the entries taken at its start: entries removed meanwhile
// are skipped, entries appended meanwhile are visited after the last one.
class PropertyEnumerator : public vb::Enumerator {
 public:
  explicit PropertyEnumerator(std::vector<Ref<AGProperty>> snapshot) : snapshot_(std::move(snapshot)) {}

  bool next(Variant& out) override {
    if (!in_tail_) {
      while (current_ < snapshot_.size()) {
        const Ref<AGProperty>& p = snapshot_[current_++];
        if (p->store_) {
          out = Variant(p);
          return true;
        }
      }
      in_tail_ = true;
      for (size_t k = snapshot_.size(); k-- > 0;)
        if (snapshot_[k]->store_) {
          tail_ = snapshot_[k];
          break;
        }
    }
    if (!tail_ || !tail_->store_) return false;
    AGProperties* store = tail_->store_;
    size_t next_slot = tail_->index_ + 1;
    if (next_slot >= store->size()) return false;
    tail_ = store->view_at(next_slot);
    out = Variant(tail_);
    return true;
  }

  void reset() override {
    current_ = 0;
    in_tail_ = false;
    tail_.reset();
  }

 private:
  std::vector<Ref<AGProperty>> snapshot_;
  size_t current_ = 0;
  bool in_tail_ = false;
  Ref<AGProperty> tail_;
};

// --- store ---

AGProperties::AGProperties() : layout_(root_layout()) {}

AGProperties::AGProperties(SettingCatalogue catalogue) : layout_(root_layout()) { Declare(catalogue); }

AGProperties::~AGProperties() {
  // Entries still held elsewhere live on with their own copy.
  for (size_t i = 0; i < views_.size(); ++i)
    if (AGProperty* v = views_[i]) v->detach(std::move(values_[i]));
}

void AGProperties::set_kept_elements(std::vector<KeptElement> elements) {
  if (elements.empty()) kept_.reset();
  else kept_ = std::make_unique<std::vector<KeptElement>>(std::move(elements));
}

void AGProperties::view_released() noexcept {
  if (--live_views_ == 0) std::vector<AGProperty*>().swap(views_);
}

SettingsLayout& AGProperties::own_layout() {
  const size_t n = values_.size();
  if (layout_->ref_count() != 1) {
    auto copy = vb::make_ref<SettingsLayout>();
    for (size_t i = 0; i < n; ++i) copy->descs_.push_back((*layout_)[i]);
    copy->rebuild_index();
    layout_ = std::move(copy);
  } else {
    SettingsLayout& l = *layout_;
    l.unlink();
    while (l.descs_.size() > n) {
      l.index_.erase(std::string_view(l.descs_.back().name));
      l.descs_.pop_back();
    }
  }
  return *layout_;
}

void AGProperties::append(PropertyDesc d) {
  note_settings_change();
  const size_t n = values_.size();
  SettingsLayout& l = *layout_;
  if (l.size() == n) {
    // Appending past everyone's end changes nothing that other stores see.
    l.push(std::move(d));
  } else if (l[n] == d) {
    // The next shared entry is this very one.
  } else if (l.ref_count() == 1) {
    own_layout().push(std::move(d));
  } else {
    layout_ = l.branch(n, d);
  }
  values_.emplace_back();
  if (!views_.empty()) views_.push_back(nullptr);
  rewatch();
}

bool AGProperties::Add(std::string_view name, std::string_view data_type, bool reg_save, int32_t reg_format,
                       bool file_save, bool sync) {
  if (name.empty()) return false;
  if (auto found = layout_->find_folded(name); found && *found < values_.size()) {
    if (name_at(*found) == name) return false;
    vb::raise(vb::err::kKeyAlreadyExists);
  }
  append(PropertyDesc{std::string(name), std::string(data_type), reg_save, reg_format, file_save, sync});
  return true;
}

void AGProperties::Declare(SettingCatalogue catalogue) {
  note_settings_change();
  if (values_.empty()) {
    size_t n = 0;
    layout_ = SettingsLayout::for_catalogue(catalogue, &n);
    values_.assign(n, Variant());
    rewatch();
    return;
  }
  for (const SettingDecl& row : catalogue)
    Add(row.name ? row.name : "", row.data_type ? row.data_type : "String", row.reg_save, row.reg_format,
        row.file_save, row.sync);
}

std::optional<size_t> AGProperties::index_of(std::string_view name) const {
  auto found = layout_->find_folded(name);
  if (found && *found < values_.size() && name_at(*found) == name) return found;
  return std::nullopt;
}

std::optional<size_t> AGProperties::index_of(std::string_view name, size_t hint) const {
  if (hint < values_.size() && name_at(hint) == name) return hint;
  return index_of(name);
}

void AGProperties::set_value_at(size_t i, Variant value) {
  note_settings_change();
  Variant old = std::exchange(values_[i], std::move(value));
  // `old` goes last: releasing an object may run code that looks at the store.
  if (i == watched_) [[unlikely]]
    tell_watch(old);
}

void AGProperties::set_watch(SettingWatch* watch) {
  watch_ = watch;
  watched_ = kNotWatched;
  if (!watch) return;
  if (auto i = index_of(watch->watched_setting())) watched_ = uint32_t(*i);
}

void AGProperties::rewatch() {
  if (!watch_ || watched_ != kNotWatched) return;
  if (auto i = index_of(watch_->watched_setting())) {
    watched_ = uint32_t(*i);
    tell_watch(Variant());
  }
}

const Variant* AGProperties::find_value(std::string_view name) const {
  auto i = index_of(name);
  return i ? &values_[*i] : nullptr;
}

void AGProperties::erase_at(size_t i) {
  note_settings_change();
  const Variant watched_value = i == watched_ ? values_[i] : Variant();
  Variant released = std::move(values_[i]);
  if (!views_.empty() && views_[i]) {
    AGProperty* v = views_[i];
    views_[i] = nullptr;
    v->detach(std::move(released));
    --live_views_;  // it no longer reports to us
  }
  if (i + 1 == values_.size()) {
    // The last entry: a shorter prefix of the same layout serves.
  } else {
    SettingsLayout& l = own_layout();
    l.descs_.erase(l.descs_.begin() + std::ptrdiff_t(i));
    l.rebuild_index();
  }
  values_.erase(values_.begin() + std::ptrdiff_t(i));
  if (!views_.empty()) {
    views_.erase(views_.begin() + std::ptrdiff_t(i));
    for (size_t j = i; j < views_.size(); ++j)
      if (views_[j]) views_[j]->index_ = j;
    if (live_views_ == 0) std::vector<AGProperty*>().swap(views_);
  }
  if (values_.empty()) layout_ = root_layout();
  if (watched_ != kNotWatched && i <= watched_) {
    if (i < watched_) {
      --watched_;
    } else {
      watched_ = kNotWatched;
      tell_watch(watched_value);
    }
  }
}

void AGProperties::rename_at(size_t i, std::string_view name) {
  note_settings_change();
  if (name_at(i) == name) return;
  if (auto found = layout_->find_folded(name); found && *found < values_.size() && *found != i)
    vb::raise(vb::err::kKeyAlreadyExists);
  SettingsLayout& l = own_layout();
  l.index_.erase(std::string_view(l.descs_[i].name));
  l.descs_[i].name.assign(name);
  l.index_.emplace(std::string_view(l.descs_[i].name), uint32_t(i));
  if (i == watched_) {
    watched_ = kNotWatched;
    tell_watch(values_[i]);
  } else {
    rewatch();
  }
}

Ref<AGProperty> AGProperties::view_at(size_t i) {
  if (views_.empty()) views_.assign(values_.size(), nullptr);
  if (AGProperty* v = views_[i]) return vb::ref_from(v);
  Ref<AGProperty> v(new AGProperty(this, i));
  views_[i] = v.get();
  ++live_views_;
  return v;
}

bool AGProperties::Delete(std::string_view name) {
  if (name.empty()) return false;
  auto i = index_of(name);
  if (!i) return false;
  erase_at(*i);
  return true;
}

bool AGProperties::Delete(const Variant& index) {
  const std::string* name = name_of(index);
  return name && Delete(std::string_view(*name));
}

bool AGProperties::PropertyExist(const Variant& index) const {
  const std::string* name = name_of(index);
  return name && PropertyExist(std::string_view(*name));
}

Ref<AGProperty> AGProperties::Item(std::string_view name) {
  auto i = index_of(name);
  return i ? view_at(*i) : Ref<AGProperty>();
}

Ref<AGProperty> AGProperties::Item(const Variant& index) {
  const std::string* name = name_of(index);
  return name ? Item(std::string_view(*name)) : Ref<AGProperty>();
}

Ref<AGProperty> AGProperties::ItemOrRaise(std::string_view name) {
  Ref<AGProperty> p = Item(name);
  if (!p) vb::raise(vb::err::kObjectVariableNotSet);
  return p;
}

Ref<vb::Enumerator> AGProperties::NewEnum_prp() {
  std::vector<Ref<AGProperty>> snapshot;
  snapshot.reserve(values_.size());
  for (size_t i = 0; i < values_.size(); ++i) snapshot.push_back(view_at(i));
  return vb::make_ref<PropertyEnumerator>(std::move(snapshot));
}

const vb::DispatchTable<AGProperties>& AGProperties::dispatch_table() {
  static const vb::DispatchTable<AGProperties> table = [] {
    using S = AGProperties;
    vb::DispatchTable<S> t("AGProperties");
    t.method("Add", [](S& s, vb::Args args) {
      vb::check_arg_count(args, 1, 6);
      auto text = [&](size_t i, const char* def) {
        return vb::has_arg(args, i) ? vb::to_string(vb::default_value(args[i])) : std::string(def);
      };
      auto flag = [&](size_t i, bool def) {
        return vb::has_arg(args, i) ? vb::to_bool(vb::default_value(args[i])) : def;
      };
      int32_t format = vb::has_arg(args, 3) ? vb::to_long(vb::default_value(args[3])) : 0;
      return Variant(s.Add(text(0, ""), text(1, "String"), flag(2, false), format, flag(4, true), flag(5, true)));
    });
    t.property("Count", [](S& s, vb::Args args) {
      vb::check_arg_count(args, 0, 0);
      return Variant(s.Count());
    });
    t.method("Delete", [](S& s, vb::Args args) {
      vb::check_arg_count(args, 1, 1);
      return Variant(s.Delete(args[0]));
    });
    t.method("PropertyExist", [](S& s, vb::Args args) {
      vb::check_arg_count(args, 1, 1);
      return Variant(s.PropertyExist(args[0]));
    });
    t.property("Item", [](S& s, vb::Args args) {
      vb::check_arg_count(args, 1, 1);
      return Variant(s.Item(args[0]));
    });
    t.enumerator("NewEnum_prp", [](S& s, vb::Args) { return Variant(s.NewEnum_prp()); });
    t.default_member("Item");
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGProperty);
TOLVEX_REGISTER_CLASS(AGProperties);

}  // namespace tolvex
