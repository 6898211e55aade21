// A project ready for whole generation runs: the installed system code, a template package
// zipped from a folder of the test tree (with files replaced or left out on request), a
// database of one table "orders" (key "id", fields "id" and "total"), a destination folder,
// a scripted host UI and a recording progress window.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fields/fields.h"
#include "foundation/context.h"
#include "model/database.h"
#include "model/project.h"
#include "model/project_fixture.h"
#include "model/tables.h"
#include "platform/host_ui.h"
#include "platform/progress.h"
#include "platform/registry.h"
#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/error.h"
#include "vb/strings.h"
#include "generator/generation_driver.h"

namespace tolvex::testing {

namespace fs = std::filesystem;

inline std::string read_text(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void write_text(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

// The files of a folder, relative, with "/" between folders.
inline std::map<std::string, std::string> folder_files(const fs::path& folder) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) out[fs::relative(e.path(), folder).generic_string()] = read_text(e.path());
  return out;
}

// Zips the files; every entry gets the time `mtime`.
inline void zip_files(const fs::path& zip_path, const std::map<std::string, std::string>& files, time_t mtime) {
  fs::create_directories(zip_path.parent_path());
  int err = 0;
  zip_t* za = zip_open(zip_path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  ASSERT_NE(za, nullptr);
  for (const auto& [name, content] : files) {
    zip_source_t* src = zip_source_buffer(za, content.data(), content.size(), 0);
    const zip_int64_t idx = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    ASSERT_GE(idx, 0) << zip_strerror(za);
    zip_file_set_mtime(za, zip_uint64_t(idx), mtime, 0);
  }
  ASSERT_EQ(zip_close(za), 0);
  // The package file's own time tells the cache index whether it changed.
  fs::last_write_time(zip_path, fs::file_time_type::clock::now() + std::chrono::seconds(mtime % 1000));
}

// An extension of the project's list as the generation reads it.
class FakeExtension : public vb::Dispatch {
 public:
  FakeExtension(std::string n, std::string t, bool e) : name(std::move(n)), package(std::move(t)), enabled(e) {}
  std::string name, package;
  bool enabled;
  std::string type_name() const override { return "FakeExtension"; }
  vb::DispId find_member(std::string_view m) const override {
    if (vb::iequals(m, "Name")) return 1;
    if (vb::iequals(m, "Template")) return 2;
    if (vb::iequals(m, "Enabled")) return 3;
    return vb::kDispUnknown;
  }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override {
    if (id == 3 && kind == vb::InvokeKind::Let) {
      enabled = vb::to_bool(args[args.size() - 1]);
      return {};
    }
    if (id == 1) return vb::Variant(name);
    if (id == 2) return vb::Variant(package);
    if (id == 3) return vb::Variant(enabled);
    vb::raise(vb::err::kNotSupported);
  }
};

class FakeExtensionList : public vb::Dispatch {
 public:
  std::vector<vb::Ref<FakeExtension>> items;
  std::string type_name() const override { return "FakeExtensionList"; }
  vb::DispId find_member(std::string_view m) const override {
    if (vb::iequals(m, "Count")) return 1;
    if (vb::iequals(m, "Seq")) return 2;
    if (vb::iequals(m, "ExtensionExist")) return 3;
    return vb::kDispUnknown;
  }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind, vb::Args args) override {
    if (id == 1) return vb::Variant(int32_t(items.size()));
    if (id == 2) {
      const int32_t i = vb::to_long(args[0]);
      if (i < 1 || i > int32_t(items.size())) return vb::Variant(vb::Ref<vb::Dispatch>());
      return vb::Variant(vb::Ref<vb::Dispatch>(items[size_t(i - 1)]));
    }
    if (id == 3) {
      for (const auto& e : items)
        if (e->name == vb::to_string(args[0])) return vb::Variant(true);
      return vb::Variant(false);
    }
    vb::raise(vb::err::kNotSupported);
  }
};

class DriverFixture : public ProjectFixture {
 protected:
  DriverFixture() {
    const fs::path share = fs::path(TOLVEX_SOURCE_DIR) / "share" / "tolvex";
    const std::string code = (share / "code").string();
    for (const auto& [name, file] : std::vector<std::pair<std::string, std::string>>{
             {"SYSCODE", "syscode.xml"}, {"SYSCODEPREFIX", "sysprefix.txt"}, {"SYSCODESUFFIX", "syssuffix.txt"},
             {"COMMONCODE", "common.vbs"}, {"VALIDATECODE", "validate.xml"}, {"USERCODE", "usercode.vbs"},
             {"CssFile", "project.css"}})
      user_value(general(), name, platform::RegValue::make_text(code + "/" + file));
    user_value(general(), "Language", platform::RegValue::make_text((share / "languages" / "english.xml").string()));
    user_value(general(), "BackupFile", platform::RegValue::make_text("False"));
    ModuleContext& c = ctx();
    c.HostUi = ui_;
    c.progress = platform::ProgressServices{progress_, {}, [] { return int64_t(0); }};
    proj_ = vb::make_ref<AGP>();
    proj_->AddProj("shop");
    proj_->databases().Add("db");
    proj_->set_current_database(proj_->databases().Item(vb::Variant("db")));
    db_ = proj_->DB();
    db_->DBType("MySQL");
    EXPECT_TRUE(db_->Tables()->Add("orders"));
    orders_ = db_->Tables()->Item(vb::Variant("orders"));
    orders_->TblType("TABLE");
    orders_->TblVar("orders");
    EXPECT_TRUE(orders_->Fields()->Add("orders", "id"));
    EXPECT_TRUE(orders_->Fields()->Add("orders", "total"));
    orders_->TblKey("id");
    orders_->TblGen(true);
    orders_->TblView(true);
    field("id").FldVar("x_id");
    field("total").FldVar("x_total");
    field("id").FldGenerate(false);
    field("total").FldGenerate(true);
    dest_ = docs_ / "site";
    proj_->Destination(dest_.string());
    package_ = docs_ / "packages" / "driver.zip";
    proj_->Template(package_.string());
    proj_->OtherGen(true);
  }
  ~DriverFixture() override {
    ctx().GenerationEngine = nullptr;
    ctx().ParseEngine = nullptr;
  }

  // The user's defaults read again (the settings of the run put back).
  void reload_defaults() {
    proj_->LoadDefault();
    proj_->Template(package_.string());
    proj_->Destination(dest_.string());
    proj_->OtherGen(true);
  }

  AGPField& field(const std::string& name) { return *orders_->Fields()->Item(vb::Variant(name)); }

  // The driver package of the test tree, with files replaced ("" leaves a file out).
  void make_package(const std::map<std::string, std::string>& changes = {}, time_t mtime = 1700000000) {
    auto files = folder_files(fs::path(TOLVEX_TEST_DIR) / "fixtures" / "driver" / "package");
    for (const auto& [name, text] : changes) {
      if (text.empty()) files.erase(name);
      else files[name] = text;
    }
    zip_files(package_, files, mtime);
  }

  // The working folder of the package.
  fs::path template_root() const { return docs_ / "Tolvex" / "Templates" / package_.filename(); }

  // Runs the generation; the error number raised, 0 when none.
  int32_t generate() {
    try {
      GenScript(*proj_);
    } catch (const vb::VBError& e) {
      raised_ = e.description();
      return e.number();
    }
    return 0;
  }

  // Files below the destination, relative.
  std::set<std::string> site_files() const {
    std::set<std::string> out;
    if (!fs::exists(dest_)) return out;
    for (const auto& e : fs::recursive_directory_iterator(dest_))
      if (e.is_regular_file()) out.insert(fs::relative(e.path(), dest_).generic_string());
    return out;
  }

  // The titles of the progress windows opened, without their length character.
  std::vector<std::string> phases() const {
    std::vector<std::string> out;
    for (const auto& call : progress_->calls())
      if (call.function.rfind("ShowProgress", 0) == 0) out.push_back(call.text);
    return out;
  }

  std::shared_ptr<platform::ScriptedUI> ui_ = std::make_shared<platform::ScriptedUI>();
  std::shared_ptr<platform::RecordingProgress> progress_ = std::make_shared<platform::RecordingProgress>();
  vb::Ref<AGP> proj_;
  vb::Ref<AGPDatabase> db_;
  vb::Ref<AGPTable> orders_;
  fs::path dest_, package_;
  std::string raised_;
};

}  // namespace tolvex::testing
