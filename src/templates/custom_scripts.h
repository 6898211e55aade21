// AGPCustomScripts: the user's own code snippets, a keyed and ordered collection of
// AGPCustomScript records, each identified by six texts (script type, code type, name,
// control id and two key levels) and numbered by its Seq setting from 1.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/properties.h"
#include "foundation/super_collection.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPCustomScript : public vb::AutoDispatch<AGPCustomScript> {
 public:
  AGPCustomScript();
  static const vb::DispatchTable<AGPCustomScript>& dispatch_table();

  // Handing out the store lets its holder change the identifying texts unseen.
  AGProperties& Properties() {
    touch();
    return *props_;
  }
  vb::Ref<AGProperties> PropertiesRef() {
    touch();
    return props_;
  }

  std::string Key;  // free text; a rename by the collection sets it to the item's key

  // Positions are numbered in 32 bits, so a large collection never wraps.
  int32_t Seq() const;
  void Seq(int32_t v);
  std::string ScriptType() const { return text("ScriptType"); }
  void ScriptType(std::string_view v) { set_text("ScriptType", v); }
  std::string ScriptCodeType() const { return text("ScriptCodeType"); }
  void ScriptCodeType(std::string_view v) { set_text("ScriptCodeType", v); }
  std::string ScriptName() const { return text("ScriptName"); }
  void ScriptName(std::string_view v) { set_text("ScriptName", v); }
  std::string ScriptCtrlID() const { return text("ScriptCtrlID"); }
  void ScriptCtrlID(std::string_view v) { set_text("ScriptCtrlID", v); }
  std::string ScriptL1Key() const { return text("ScriptL1Key"); }
  void ScriptL1Key(std::string_view v) { set_text("ScriptL1Key", v); }
  std::string ScriptL2Key() const { return text("ScriptL2Key"); }
  void ScriptL2Key(std::string_view v) { set_text("ScriptL2Key", v); }
  std::string ScriptCode() const { return text("ScriptCode"); }
  void ScriptCode(std::string_view v) { set_text("ScriptCode", v); }

  // The value of a setting as text ("" when empty or not declared).
  std::string text(std::string_view name) const;
  void set_text(std::string_view name, std::string_view value);

 private:
  friend class AGPCustomScripts;
  // Changes made by the owning collection itself, which keeps its lookups in step.
  void store_text(std::string_view name, std::string_view value);
  void store_seq(int32_t v);
  // Tells the owning collection that the texts or Seq may have been changed behind its back.
  void touch() {
    if (watch_) *watch_ = true;
  }

  vb::Ref<AGProperties> props_;
  std::shared_ptr<bool> watch_;  // the owning collection's flag
};

// The six identifying texts of a snippet.
struct ScriptId {
  std::string script_type, code_type, name, ctrl_id, l1_key, l2_key;
};

class AGPCustomScripts : public vb::AutoDispatch<AGPCustomScripts> {
 public:
  AGPCustomScripts();
  static const vb::DispatchTable<AGPCustomScripts>& dispatch_table();

  // The composite key of the snippet last added or found: the six texts joined by "_".
  const std::string& curName() const noexcept { return cur_name_; }
  std::string curSeq() const { return std::to_string(cur_seq_); }

  // Adds a snippet (or, when one has exactly these six texts, makes it current). False when
  // the script type, code type or name is empty.
  bool Add(const ScriptId& id);
  // Renames the first key level `old_name` to `new_name` in every snippet; True when some
  // snippet was renamed. Nothing happens when either name is empty; a snippet whose rename
  // would give the six texts of another one is left as it is.
  bool Change(std::string_view old_name, std::string_view new_name);
  int32_t Count() const noexcept { return col_->Count(); }
  // Removes the snippet with exactly these six texts and closes the gap in Seq.
  bool Delete(const ScriptId& id);
  bool ScriptExist(const ScriptId& id) const;
  // The snippet with exactly these six texts (null when none); it becomes current.
  vb::Ref<AGPCustomScript> ScriptItem(const ScriptId& id);
  vb::Ref<AGPCustomScript> Seq(int32_t index) const;
  vb::Ref<vb::Enumerator> NewEnum_scrpt() const { return col_->NewEnum(); }

  static std::string composite_key(const ScriptId& id);

 private:
  vb::Ref<AGPCustomScript> script_at(size_t slot) const;
  std::optional<size_t> find_exact(const ScriptId& id) const;

  vb::Ref<CSuperCollection> col_;
  std::string cur_name_;
  int32_t cur_seq_ = 0;
  // Set once a snippet's texts or Seq may have been changed other than through this
  // collection. Until then every snippet is held under the key of its texts and its Seq is
  // its position, so lookups need no walk over all snippets.
  std::shared_ptr<bool> touched_ = std::make_shared<bool>(false);
};

}  // namespace tolvex
