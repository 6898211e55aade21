// A fresh project context for the project file tests: files go to the fixture's
// temporary documents folder, the declaration's charset comes from the registry
// ("utf-8") so that it does not depend on the machine, and the hooks of later
// layers are the defaults during a test and put back as they were afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/project.h"
#include "model/project_fixture.h"
#include "platform/file_io.h"
#include "projectfile/project_file.h"
#include "projectfile/project_file_hooks.h"

namespace tolvex::testing {

class ProjectFileFixture : public ProjectFixture {
 protected:
  ProjectFileFixture()
      : converter_(register_project_converter(nullptr)),
        database_hooks_(register_project_database_hooks(nullptr)),
        extension_hooks_(register_project_extension_hooks(nullptr)) {
    user_value(general(), "XMLEncodeCharSet", platform::RegValue::make_text("utf-8"));
    user_value(project_key(), "SmtpServer", platform::RegValue::make_text("mail.example.org"));
  }
  ~ProjectFileFixture() override {
    register_project_converter(converter_);
    register_project_database_hooks(database_hooks_);
    register_project_extension_hooks(extension_hooks_);
    platform::set_write_fault_hook({});
    std::error_code ec;
    for (const auto& p : read_only_)
      std::filesystem::permissions(p, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  }

  std::string path(const std::string& name) const { return (docs_ / name).string(); }
  // A new project loaded from `file`, with no menu list left from an earlier load.
  vb::Ref<AGP> open(const std::string& file) {
    ctx().MenuList = nullptr;
    auto p = vb::make_ref<AGP>();
    Load(*p, file);
    return p;
  }
  static std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void write(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
  }
  void make_read_only(const std::string& file) {
    std::filesystem::permissions(file, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                           std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    read_only_.push_back(file);
  }

  // A project with a database of that name.
  static vb::Ref<AGP> project_with_database(const std::string& db_name = "shop") {
    auto p = vb::make_ref<AGP>();
    p->AddProj("Shop");
    p->databases().Add(db_name);
    p->set_current_database(p->databases().Item(vb::Variant(db_name)));
    return p;
  }

  std::vector<std::string> read_only_;
  std::shared_ptr<ProjectConverter> converter_;
  std::shared_ptr<ProjectDatabaseHooks> database_hooks_;
  std::shared_ptr<ProjectExtensionHooks> extension_hooks_;
};

}  // namespace tolvex::testing
