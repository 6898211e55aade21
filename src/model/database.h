// AGPDatabase: the one database of a project (30 settings and its tables), and
// AGPDatabases, the project's holder that refuses a second database.
#pragma once

#include <memory>
#include <string>

#include "fields/sequenced_collection.h"
#include "fields/settings_owner.h"
#include "model/database_settings.h"
#include "model/tables.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPDatabase;

// The schema loaders of the database object belong to the database import layer,
// which registers its implementation here. Without one they report failure.
class DatabaseLoader {
 public:
  virtual ~DatabaseLoader() = default;
  // Arguments as the object model passes them (Variants by reference).
  virtual int16_t LoadzvDB(AGPDatabase& db, vb::Args args) { return 3; }
  virtual int16_t LoadzvCustomView(AGPDatabase& db, vb::Args args) { return 1; }
};
void register_database_loader(std::shared_ptr<DatabaseLoader> loader);
DatabaseLoader& database_loader();

class AGPDatabase : public vb::AutoDispatch<AGPDatabase>, public SettingsOwner<DatabaseSetting, kDatabaseSettings> {
 public:
  // Declares the settings and reads the per-user defaults (RegKeyDatabase).
  AGPDatabase();

  using SettingsStore::GetV;
  using SettingsStore::SetV;

  // The tables, created on first use.
  const vb::Ref<AGPTables>& Tables();

  TOLVEX_DATABASE_SETTINGS(TOLVEX_SETTING_ACCESSORS)

  // A second name for DBName.
  std::string Key() const { return DBName(); }
  void Key(const std::string& v) { DBName(v); }

  // sHost, sDBName, sDBType, sUID, sPwd, sPort, sSID, sMethod, sUrl, sEncoding, sTableName.
  int16_t LoadzvDB(vb::Args args) { return database_loader().LoadzvDB(*this, args); }
  // sTableName, sSQL.
  int16_t LoadzvCustomView(vb::Args args) { return database_loader().LoadzvCustomView(*this, args); }

  // The release step of a database leaving the project: unloads its tables one at
  // a time, last first, behind the progress window, then clears
  // DefaultTblSecurity. Runs once; nothing of it runs in the destructor.
  void unload();

  static const vb::DispatchTable<AGPDatabase>& dispatch_table();

 private:
  vb::Ref<AGPTables> tables_;
  bool unloaded_ = false;
};

class AGPDatabases : public vb::AutoDispatch<AGPDatabases> {
 public:
  AGPDatabases();

  const std::string& curName() const noexcept { return cur_name_; }
  std::string curSeq() const { return std::to_string(cur_seq_); }
  // Adds the database, or sets ProjErr "support 1 db only!" when one exists.
  void Add(const std::string& Name);
  int32_t Count() const noexcept { return col_->Count(); }
  // By name (a text) or position (a number); the container's error when missing.
  // The database removed is released (its tables unloaded).
  void Delete(const vb::Variant& Index);
  vb::Ref<AGPDatabase> Item(const vb::Variant& Index);
  vb::Ref<vb::Enumerator> NewEnum_db() const { return col_->NewEnum(); }

  // Deletes every database, last first, by position, releasing each.
  void delete_all();

  static const vb::DispatchTable<AGPDatabases>& dispatch_table();

 private:
  vb::Ref<CSuperCollection> col_;
  std::string cur_name_;
  int16_t cur_seq_ = 0;
};

}  // namespace tolvex
