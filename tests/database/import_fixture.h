// A project in a fresh context whose database driver serves the schemas of
// fixtures/import.schema, and whose questions to the user are answered by a script.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "database/schema_connection.h"
#include "model/project.h"
#include "model/project_fixture.h"
#include "platform/host_ui.h"
#include "platform/progress.h"
#include "platform/schema/fixture_driver.h"
#include "vb/convert.h"

namespace tolvex::testing {

class ImportFixture : public ProjectFixture {
 protected:
  ImportFixture() {
    ui_ = std::make_shared<platform::ScriptedUI>();
    ctx().HostUi = ui_;
    progress_ = std::make_shared<platform::RecordingProgress>();
    ctx().progress.library = progress_;
    use_driver(vb::make_ref<platform::FixtureSchemaDriver>(std::string(TOLVEX_TEST_DIR) + "/fixtures/import.schema"));
    project_ = vb::make_ref<AGP>();
  }

  void use_driver(vb::Ref<platform::FixtureSchemaDriver> d) {
    driver_ = d;
    set_schema_driver(d);
  }

  static ConnectionSettings shop(const std::string& database = "shop", const std::string& type = "mysql") {
    ConnectionSettings c;
    c.database = database;
    c.type = type;
    c.host = "db.example";
    c.port = "3306";
    c.user = "app";
    c.password = "pw";
    c.encoding = "utf8";
    return c;
  }

  AGPTables& tables() { return *project_->DB()->Tables(); }
  vb::Ref<AGPTable> table(const std::string& name) { return project_->DB()->Tables()->Item(vb::Variant(name)); }
  std::vector<std::string> table_names() {
    std::vector<std::string> names;
    for (size_t i = 0; i < tables().size(); ++i) names.push_back(tables().at(i)->TblName());
    return names;
  }
  std::vector<std::string> field_names(const std::string& t) {
    std::vector<std::string> names;
    auto fields = table(t)->Fields();
    for (size_t i = 0; i < fields->size(); ++i) names.push_back(fields->at(i)->FldName());
    return names;
  }
  // "url text shown" of each menu entry.
  std::vector<std::string> menu() {
    std::vector<std::string> out;
    auto m = project_->MenuList();
    for (int32_t i = 1; i <= m->Count(); ++i) {
      auto e = m->Item(i);
      out.push_back(e->MenuUrl() + "|" + e->MenuText() + "|" + (e->MenuShow() ? "shown" : "hidden"));
    }
    return out;
  }

  std::shared_ptr<platform::ScriptedUI> ui_;
  std::shared_ptr<platform::RecordingProgress> progress_;
  vb::Ref<platform::FixtureSchemaDriver> driver_;
  vb::Ref<AGP> project_;
};

}  // namespace tolvex::testing
