// A project loaded from one schema and then compared with, or brought in step with, the
// schema as it is later: the "live" schema file is rewritten between the two, and the
// fixture driver reads it afresh at every connection.
#pragma once

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "database/import_fixture.h"
#include "database/schema_import.h"
#include "model/table.h"

namespace tolvex::testing {

class SyncFixture : public ImportFixture {
 protected:
  SyncFixture() : live_file_((docs_ / "live.schema").string()) {}

  // A new project object in a fresh session (its own site menu) whose questions a new
  // script answers.
  void fresh_project() {
    project_ = vb::make_ref<AGP>();
    ctx().MenuList = nullptr;
    ui_ = std::make_shared<platform::ScriptedUI>();
    ctx().HostUi = ui_;
  }

  // The live schema of the database "shop" from now on.
  void live(const std::string& tables) {
    std::ofstream(live_file_, std::ios::binary) << "database name=shop\n" << tables;
    if (!live_driver_) {
      live_driver_ = vb::make_ref<platform::FixtureSchemaDriver>(live_file_);
      use_driver(live_driver_);
    }
  }
  // Loads the project's database from `tables` and marks every table and field as
  // set up by the user (caption "user"), so that a dump tells kept objects from rebuilt ones.
  void load(const std::string& tables) {
    live(tables);
    LoadDB(*project_, shop());
    ASSERT_EQ(ctx().ProjErr, "");
    mark_user_settings();
  }
  void mark_user_settings() {
    for (size_t i = 0; i < this->tables().size(); ++i) {
      auto t = this->tables().at(i);
      t->TblCaption("user");
      auto fields = t->Fields();
      for (size_t j = 0; j < fields->size(); ++j) fields->at(j)->FldCaption("user");
    }
  }

  // "name(TYPE)[key1,key2]: field,field" per table, joined by " | "; "*" after a table
  // or field name marks the user's settings kept, "~" after the type a table not loaded.
  // With `only`, just the tables of those names.
  std::string dump(const std::vector<std::string>& only = {}) {
    std::string out;
    for (size_t i = 0; i < this->tables().size(); ++i) {
      auto t = this->tables().at(i);
      if (!only.empty() && std::find(only.begin(), only.end(), t->TblName()) == only.end()) continue;
      if (!out.empty()) out += " | ";
      std::string key = t->TblKey();
      for (size_t p; (p = key.find("\r\n")) != std::string::npos;) key.replace(p, 2, ",");
      out += t->TblName() + (t->TblCaption() == "user" ? "*" : "") + "(" + t->TblType() + (t->TblLoaded() ? "" : "~") +
             ")[" + key + "]:";
      auto fields = t->Fields();
      for (size_t j = 0; j < fields->size(); ++j) {
        auto f = fields->at(j);
        out += std::string(j ? "," : " ") + f->FldName() + (f->FldCaption() == "user" ? "*" : "");
      }
    }
    return out;
  }

  std::string live_file_;
  vb::Ref<platform::FixtureSchemaDriver> live_driver_;
};

}  // namespace tolvex::testing
