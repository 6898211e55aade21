#include "templates/custom_scripts.h"

#include "foundation/class_registry.h"
#include "vb/convert.h"

namespace tolvex {

using vb::Args;
using vb::Ref;
using vb::Variant;

namespace {

const SettingDecl kScriptSettings[] = {
    {"Seq", "Integer", false, 0, false, false},
    {"ScriptType", "String", false, 0, true, true},
    {"ScriptCodeType", "String", false, 0, true, true},
    {"ScriptName", "String", false, 0, true, true},
    {"ScriptCtrlID", "String", false, 0, true, true},
    {"ScriptL1Key", "String", false, 0, true, true},
    {"ScriptL2Key", "String", false, 0, true, true},
    {"ScriptCode", "String", false, 0, false, true},
};

// The key a snippet is held under: the six texts with "_" and "\" inside each escaped by
// "\", joined by "_", so that two different sets of texts never share a key
// (("a_b", "c") and ("a", "b_c") stay apart).
std::string container_key(const ScriptId& id) {
  std::string key;
  bool first = true;
  for (const std::string* part : {&id.script_type, &id.code_type, &id.name, &id.ctrl_id, &id.l1_key, &id.l2_key}) {
    if (!first) key += '_';
    first = false;
    for (char c : *part) {
      if (c == '_' || c == '\\') key += '\\';
      key += c;
    }
  }
  return key;
}

ScriptId id_of(const AGPCustomScript& s) {
  return {s.ScriptType(), s.ScriptCodeType(), s.ScriptName(), s.ScriptCtrlID(), s.ScriptL1Key(), s.ScriptL2Key()};
}

bool same_id(const AGPCustomScript& s, const ScriptId& id) {
  return s.ScriptType() == id.script_type && s.ScriptCodeType() == id.code_type && s.ScriptName() == id.name &&
         s.ScriptCtrlID() == id.ctrl_id && s.ScriptL1Key() == id.l1_key && s.ScriptL2Key() == id.l2_key;
}

Variant position_value(int32_t v) {
  if (v >= INT16_MIN && v <= INT16_MAX) return Variant(int16_t(v));
  return Variant(v);
}

ScriptId id_args(Args a) {
  vb::check_arg_count(a, 6, 6);
  return {vb::to_string(a[0]), vb::to_string(a[1]), vb::to_string(a[2]),
          vb::to_string(a[3]), vb::to_string(a[4]), vb::to_string(a[5])};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// AGPCustomScript

AGPCustomScript::AGPCustomScript() : props_(vb::make_ref<AGProperties>(SettingCatalogue(kScriptSettings))) {}

std::string AGPCustomScript::text(std::string_view name) const {
  const Variant* v = props_->find_value(name);
  if (!v || v->is_null()) return {};
  return vb::to_string(*v);
}

void AGPCustomScript::set_text(std::string_view name, std::string_view value) {
  if (name != "ScriptCode") touch();  // the code identifies nothing
  store_text(name, value);
}

void AGPCustomScript::store_text(std::string_view name, std::string_view value) {
  auto slot = props_->index_of(name);
  if (slot) props_->set_value_at(*slot, Variant(value));
}

int32_t AGPCustomScript::Seq() const {
  const Variant* v = props_->find_value("Seq");
  return v ? vb::to_long(*v) : 0;
}

void AGPCustomScript::Seq(int32_t v) {
  touch();
  store_seq(v);
}

void AGPCustomScript::store_seq(int32_t v) {
  auto slot = props_->index_of("Seq");
  if (slot) props_->set_value_at(*slot, position_value(v));
}

const vb::DispatchTable<AGPCustomScript>& AGPCustomScript::dispatch_table() {
  using S = AGPCustomScript;
  static const vb::DispatchTable<S> table = [] {
    vb::DispatchTable<S> t("AGPCustomScript");
    t.property("Properties",
               [](S& s, Args a) {
                 vb::check_arg_count(a, 0, 0);
                 return Variant(s.PropertiesRef());
               })
        .property(
            "Key", [](S& s, Args) { return Variant(s.Key); },
            [](S& s, Args, const Variant& v) { s.Key = vb::to_string(v); })
        .property(
            "Seq", [](S& s, Args) { return position_value(s.Seq()); },
            [](S& s, Args, const Variant& v) { s.Seq(vb::to_long(v)); });
    for (const char* name :
         {"ScriptType", "ScriptCodeType", "ScriptName", "ScriptCtrlID", "ScriptL1Key", "ScriptL2Key", "ScriptCode"}) {
      t.property(
          name, [name](S& s, Args) { return Variant(s.text(name)); },
          [name](S& s, Args, const Variant& v) { s.set_text(name, vb::to_string(v)); });
    }
    return t;
  }();
  return table;
}

// ---------------------------------------------------------------------------------------
// AGPCustomScripts

AGPCustomScripts::AGPCustomScripts() : col_(vb::make_ref<CSuperCollection>()) {
  // Snippets are told apart by their exact texts (see ScriptExist), so the keys are too.
  col_->setCompareMode(int32_t(KeyCompare::Binary));
}

std::string AGPCustomScripts::composite_key(const ScriptId& id) {
  return id.script_type + "_" + id.code_type + "_" + id.name + "_" + id.ctrl_id + "_" + id.l1_key + "_" + id.l2_key;
}

Ref<AGPCustomScript> AGPCustomScripts::script_at(size_t slot) const {
  return vb::ref_cast<AGPCustomScript>(col_->at(slot).object_or_null());
}

std::optional<size_t> AGPCustomScripts::find_exact(const ScriptId& id) const {
  if (!*touched_) {
    const auto slot = col_->find_key(container_key(id));
    if (slot && same_id(*script_at(*slot), id)) return slot;
    return std::nullopt;
  }
  for (size_t i = 0; i < col_->size(); ++i) {
    auto s = script_at(i);
    if (s && same_id(*s, id)) return i;
  }
  return std::nullopt;
}

bool AGPCustomScripts::ScriptExist(const ScriptId& id) const { return find_exact(id).has_value(); }

bool AGPCustomScripts::Add(const ScriptId& id) {
  if (id.script_type.empty() || id.code_type.empty() || id.name.empty()) return false;
  if (auto slot = find_exact(id)) {
    cur_seq_ = script_at(*slot)->Seq();
    cur_name_ = composite_key(id);
    return true;
  }
  const std::string key = container_key(id);
  // Held already under a key whose texts were since changed on the snippet itself.
  if (col_->find_key(key)) return false;
  auto s = vb::make_ref<AGPCustomScript>();
  s->store_text("ScriptType", id.script_type);
  s->store_text("ScriptCodeType", id.code_type);
  s->store_text("ScriptName", id.name);
  s->store_text("ScriptCtrlID", id.ctrl_id);
  s->store_text("ScriptL1Key", id.l1_key);
  s->store_text("ScriptL2Key", id.l2_key);
  const int32_t seq = Count() + 1;
  s->store_seq(seq);
  s->watch_ = touched_;
  col_->Add(Variant(s), key);
  cur_seq_ = seq;
  cur_name_ = composite_key(id);
  return true;
}

bool AGPCustomScripts::Change(std::string_view old_name, std::string_view new_name) {
  if (old_name.empty() || new_name.empty()) return false;
  bool renamed = false;
  for (size_t i = 0; i < col_->size(); ++i) {
    auto s = script_at(i);
    if (!s || s->ScriptL1Key() != old_name) continue;
    ScriptId id = id_of(*s);
    const std::string old_key = container_key(id);
    id.l1_key.assign(new_name);
    const std::string new_key = container_key(id);
    if (new_key != old_key && col_->find_key(new_key)) continue;  // would duplicate another snippet
    const std::string free_key = s->Key;
    col_->ChangeKey(old_key, new_key);
    s->Key = free_key;  // the item's Key is the caller's own text
    s->store_text("ScriptL1Key", new_name);
    renamed = true;
  }
  return renamed;
}

bool AGPCustomScripts::Delete(const ScriptId& id) {
  if (id.script_type.empty() || id.code_type.empty() || id.name.empty()) return false;
  auto slot = find_exact(id);
  if (!slot) return false;
  const int32_t seq = script_at(*slot)->Seq();
  for (size_t i = 0; i < col_->size(); ++i) {
    auto s = script_at(i);
    if (s && s->Seq() >= seq) s->store_seq(s->Seq() - 1);
  }
  const auto removed = script_at(*slot);
  try {
    col_->Remove(Variant(int32_t(*slot) + col_->BaseIndex()));
  } catch (const vb::VBError&) {
  }
  // Changes to a snippet that has left the collection no longer concern it.
  if (removed) removed->watch_.reset();
  return true;
}

Ref<AGPCustomScript> AGPCustomScripts::ScriptItem(const ScriptId& id) {
  auto slot = find_exact(id);
  if (!slot) return nullptr;
  auto s = script_at(*slot);
  cur_seq_ = s->Seq();
  cur_name_ = composite_key(id);
  return s;
}

Ref<AGPCustomScript> AGPCustomScripts::Seq(int32_t index) const {
  if (!*touched_) {
    // Seq runs 1..Count in collection order.
    if (index < 1 || size_t(index) > col_->size()) return nullptr;
    return script_at(size_t(index) - 1);
  }
  for (size_t i = 0; i < col_->size(); ++i) {
    auto s = script_at(i);
    if (s && s->Seq() == index) return s;
  }
  return nullptr;
}

const vb::DispatchTable<AGPCustomScripts>& AGPCustomScripts::dispatch_table() {
  using C = AGPCustomScripts;
  static const vb::DispatchTable<C> table = [] {
    vb::DispatchTable<C> t("AGPCustomScripts");
    t.property("curName", [](C& c, Args) { return Variant(c.curName()); })
        .property("curSeq", [](C& c, Args) { return Variant(c.curSeq()); })
        .method("Add", [](C& c, Args a) { return Variant(c.Add(id_args(a))); })
        .method("Change",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 2, 2);
                  return Variant(c.Change(vb::to_string(a[0]), vb::to_string(a[1])));
                })
        .method("Count",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 0, 0);
                  return Variant(c.Count());
                })
        .method("Delete", [](C& c, Args a) { return Variant(c.Delete(id_args(a))); })
        .method("ScriptExist", [](C& c, Args a) { return Variant(c.ScriptExist(id_args(a))); })
        .method("ScriptItem", [](C& c, Args a) { return Variant(c.ScriptItem(id_args(a))); })
        .method("Seq",
                [](C& c, Args a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(c.Seq(vb::to_long(a[0])));
                })
        .enumerator("NewEnum_scrpt", [](C& c, Args) { return Variant(c.NewEnum_scrpt()); });
    t.default_member("ScriptItem");
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGPCustomScript);
TOLVEX_REGISTER_CLASS(AGPCustomScripts);

}  // namespace tolvex
