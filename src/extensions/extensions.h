// The project's list of extensions (AGPExtensions, one per module context) and one
// extension (AGPExtension): its package, its definition file, whether generation
// uses it, and its attribute tree PROJ.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "extensions/extension_settings.h"
#include "extensions/extension_tree.h"
#include "fields/sequenced_collection.h"
#include "fields/settings_owner.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPExtension : public vb::AutoDispatch<AGPExtension>,
                     public SettingsOwner<ExtensionSetting, kExtensionSettings> {
 public:
  // True once PROJ has been read; asking creates nothing.
  bool IsExtended() const noexcept { return static_cast<bool>(proj_); }
  // The attribute tree, created empty on first read.
  const vb::Ref<AGPExtProj>& PROJ();

  TOLVEX_EXTENSION_SETTINGS(TOLVEX_SETTING_ACCESSORS)
  std::string Key() const { return Name(); }
  void Key(const std::string& v) { Name(v); }

  static std::string_view collection_name_setting() { return setting_name(SettingIndex::Name); }
  std::string collection_name() const { return Name(); }
  void set_collection_name(const std::string& v) { Name(v); }
  int16_t collection_seq() const { return Seq(); }
  void set_collection_seq(int16_t s) { Seq(s); }

  static const vb::DispatchTable<AGPExtension>& dispatch_table();

 private:
  vb::Ref<AGPExtProj> proj_;
};

class AGPExtensions : public vb::AutoDispatch<AGPExtensions>, public SequencedCollection<AGPExtension> {
 public:
  std::string curSeq() const { return std::to_string(cur_seq_); }

  // True for a new name (appended, numbered Count, current) and for a name that an
  // extension has exactly (it becomes current). False for "", and for a name that
  // differs from a listed one only in letter case: the two would share the
  // extension's work folder and key.
  // False, with a message box, for a name that is not a plain folder name (it names the
  // extension's folder).
  bool Add(const std::string& Name);
  // Closes the gap in the numbers and removes the extension named Index exactly.
  bool Delete(const vb::Variant& Index);
  bool ExtensionExist(const vb::Variant& Index) const;
  // By exact name only (a number is read as a name); it becomes current.
  vb::Ref<AGPExtension> Item(const vb::Variant& Index);
  // The extension numbered Index; the current one stays.
  vb::Ref<AGPExtension> Seq(int16_t Index) const;
  vb::Ref<vb::Enumerator> NewEnum_ext() const { return new_enum(); }

  // The extensions in list order, each once (a copy: the walks may change the list).
  std::vector<vb::Ref<AGPExtension>> items() const;
  // The extension named `name` exactly, or null; the current one stays.
  vb::Ref<AGPExtension> find(const std::string& name) const;

  static const vb::DispatchTable<AGPExtensions>& dispatch_table();
};

// The module-wide list, created on first use (what AGP.Extensions returns).
AGPExtensions& extension_list();
// The module-wide list when it exists, else null.
AGPExtensions* existing_extension_list();

}  // namespace tolvex
