// AGP: the project object, the host's entry point and the script object PROJ.
// Its constructor is the library's start-up: product identity, registry paths,
// folders and the per-user defaults of the 122 project settings.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fields/settings_owner.h"
#include "model/database.h"
#include "model/menus.h"
#include "model/project_settings.h"
#include "platform/registry.h"
#include "platform/zip_extractor.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGP : public vb::Dispatch, public SettingsOwner<ProjectSetting, kProjectSettings> {
 public:
  AGP();

  // The host's window handle (hwnd is the same value).
  int32_t lhWnd = 0;
  int32_t hwnd() const noexcept { return lhWnd; }
  void hwnd(int32_t v) noexcept { lhWnd = v; }

  bool ProjInit() const noexcept { return proj_init_; }
  // The current database, or Nothing.
  const vb::Ref<AGPDatabase>& DB() const noexcept { return db_; }
  vb::Ref<AGPMenus> MenuList() const { return menu_list(); }
  int16_t DBCnt();
  // The module-wide extension list, made on first use by the factory that the
  // extensions layer registers (Nothing without one).
  vb::Ref<vb::Dispatch> Extensions() const;

  using SettingsStore::GetV;
  using SettingsStore::SetV;

  const std::string& ProjErr() const;
  void ProjErr(const std::string& v);

  TOLVEX_PROJECT_SETTINGS(TOLVEX_SETTING_ACCESSORS)

  // Starts a new project: name, variable name, per-user defaults; ProjInit True.
  void AddProj(const std::string& strProjName);
  // Discards the project: settings emptied and declared again, databases dropped.
  void DeleteProj();

  // The per-user defaults and fixed values of the project settings, and the general
  // values under RegKeyGeneral. LoadDefault, the first-run copy and CreateFolderTree
  // are defined here, not by the project file layer: the constructor runs them.
  void LoadDefault();
  // Writes the project's and the database's per-user defaults (the settings marked
  // RegSave, each as its RegFormat kind) and the general values back to the
  // current user's keys. Defined by the project file layer.
  void SaveDefault();
  // First run: copies the machine-wide keys to the current user.
  void CopyDefaultSettings();
  // Copies one machine key to the current user: its values (with their kinds and
  // data as stored), then every subkey, recursively.
  void CopyRegistryKey(const std::string& key);

  // Compares two dotted version texts: 2 when a's first part is greater, 1 when the
  // first parts are equal and a's second is greater, -1 when one of the first three
  // parts (of as many as the shorter text has) is smaller, else 0. Parts that are no
  // whole numbers count as 0. Never raises. Defined by the project file layer.
  static int16_t CompareVersion(const vb::Variant& a, const vb::Variant& b);
  // Creates every missing folder along `path` ("/" and "\" both separate); a folder
  // that cannot be made is skipped, and nothing is reported. The work and backup
  // folders, the numbered project backups and the generated site's folders use it.
  static void CreateFolderTree(const std::string& path);

  // --- state that later layers use ---
  AGPDatabases& databases();
  void set_current_database(vb::Ref<AGPDatabase> db) { db_ = std::move(db); }
  const std::string& current_database_name() const noexcept { return db_name_; }
  void set_current_database_name(std::string n) { db_name_ = std::move(n); }
  // The package extractor kept for the object's generation runs.
  platform::ZipExtractor& zip_extractor() noexcept { return *zip_; }
  const std::string& version_text() const noexcept { return version_; }
  int16_t version_part(int i) const noexcept { return version_parts_[i]; }
  const std::string& language() const noexcept { return language_; }
  void set_language(std::string l) { language_ = std::move(l); }
  // The project file last loaded into this object or saved from it ("" when none).
  const std::string& project_file() const noexcept { return project_file_; }
  void set_project_file(std::string path) { project_file_ = std::move(path); }
  bool backup_file() const noexcept { return backup_file_; }
  void set_backup_file(bool v) noexcept { backup_file_ = v; }
  const std::string& user_code() const noexcept { return user_code_; }
  int32_t script_engine_timeout() const noexcept { return script_timeout_; }
  void set_script_engine_timeout(int32_t v) noexcept { script_timeout_ = v; }
  int16_t unload_threshold_count() const noexcept { return unload_threshold_; }
  const std::string& default_output_extension() const noexcept { return default_ext_; }
  const vb::Variant& default_page() const noexcept { return default_page_; }
  // The two table objects that conditions of table scope read.
  vb::Variant& table_slot(int i) { return table_slots_[i]; }
  // What the template layer keeps with the project (its control lists and the compiler's
  // state), made by that layer on first use.
  std::shared_ptr<void>& template_state() noexcept { return template_state_; }

  // --- dispatch: own members first, then those that later layers registered ---
  std::string type_name() const override { return "AGP"; }
  vb::DispId find_member(std::string_view name) const override;
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override;
  std::vector<std::string> member_names() const override;
  static const vb::DispatchTable<AGP>& dispatch_table();

 private:
  // Adds to `out` the writes of CopyRegistryKey, but the value `skip_value` of `key` itself
  // (none when empty) is written as an empty text.
  void copy_registry_key(const std::string& key, std::string_view skip_value, std::vector<platform::RegWrite>& out);
  // Adds to `out` the write that copies one value from the machine to the current user; false
  // when the machine has none.
  bool copy_registry_value(const std::string& key, const std::string& name, std::vector<platform::RegWrite>& out);

  std::unique_ptr<platform::ZipExtractor> zip_;
  bool proj_init_ = false;
  vb::Ref<AGPDatabases> databases_;
  vb::Ref<AGPDatabase> db_;
  std::string db_name_;
  std::string version_;
  int16_t version_parts_[4] = {0, 0, 0, 0};
  std::string language_;
  bool backup_file_ = false;
  std::string project_file_;
  std::string user_code_;
  int32_t script_timeout_ = 0;
  int16_t unload_threshold_ = 20;
  std::string default_ext_;
  vb::Variant default_page_;
  vb::Variant table_slots_[2];
  std::shared_ptr<void> template_state_;
};

// Makes the extension list for AGP::Extensions (registered by the extensions layer).
void register_extension_list_factory(std::function<vb::Ref<vb::Dispatch>()> factory);

}  // namespace tolvex
