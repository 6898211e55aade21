// The database steps of opening a project file: the key lists, and with AutoSync the
// check against a snapshot of the live schema, the Keep/Update question and the
// synchronization.
#include <map>
#include <memory>

#include "database/custom_sync.h"
#include "database/database_check.h"
#include "database/project_hooks.h"
#include "database/schema_reader.h"
#include "database/table_keys.h"
#include "database/table_sync.h"
#include "projectfile/project_file_hooks.h"

namespace tolvex {
namespace {

class DatabaseHooks : public ProjectDatabaseHooks {
 public:
  void BuildTableKeys(AGP& project) override { tolvex::BuildTableKeys(project); }
  void LoadSchemaSnapshot(AGP& project, const std::vector<std::string>& connection) override {
    auto value = [&](size_t i) { return i < connection.size() ? connection[i] : std::string(); };
    ConnectionSettings c;
    c.database = value(0);
    c.type = value(1);
    c.host = value(2);
    c.port = value(3);
    c.user = value(4);
    c.password = value(5);
    c.sid = value(6);
    c.method = value(7);
    c.url = value(8);
    c.encoding = value(9);
    auto snapshot = vb::make_ref<AGPSchema>();
    snapshots_[&project] = snapshot;
    snapshot->LoadDB(c);
  }
  void ReleaseSchemaSnapshot(AGP& project) override { snapshots_.erase(&project); }
  int32_t CheckTablesAndViews(AGP& project) override {
    const AGPSchema* s = snapshot(project);
    return s ? tolvex::CheckTablesAndViews(project, *s) : 0;
  }
  int32_t CheckCustomViews(AGP& project) override { return tolvex::CheckCustomViews(project); }
  int32_t CheckReports(AGP& project) override { return tolvex::CheckReports(project); }
  bool AskKeepOldDefinition(AGP&, const std::string& question) override {
    return tolvex::AskKeepOldDefinition(question);
  }
  void MapRenamedTablesAndFields(AGP& project) override {
    if (const AGPSchema* s = snapshot(project)) tolvex::MapRenamedTablesAndFields(project, *s);
  }
  void SyncTablesAndViews(AGP& project) override {
    if (const AGPSchema* s = snapshot(project)) tolvex::SyncTablesAndViews(project, *s);
  }
  void SyncCustomViews(AGP& project) override { tolvex::SyncCustomViews(project); }
  void SyncReports(AGP& project) override { tolvex::SyncReports(project); }
  void SyncMenus(AGP& project) override { tolvex::SyncMenus(project); }

 private:
  // The snapshot of a project between LoadSchemaSnapshot and ReleaseSchemaSnapshot; none
  // while the read failed to load (its count stays 0).
  const AGPSchema* snapshot(AGP& project) const {
    auto it = snapshots_.find(&project);
    return it == snapshots_.end() || it->second->load_count() < 1 ? nullptr : it->second.get();
  }
  std::map<const AGP*, vb::Ref<AGPSchema>> snapshots_;
};

const bool registered = [] {
  register_project_database_hooks(std::make_shared<DatabaseHooks>());
  return true;
}();

}  // namespace
}  // namespace tolvex
