// A fresh module context over an in-memory registry, with the registry paths that
// the project object's start-up would set, and a recorder of extension notices.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fields/extension_sync.h"
#include "foundation/context.h"
#include "platform/registry.h"

namespace tolvex::testing {

inline const std::string kRegRoot = "Software\\Tolvex\\3.0";

class RecordingExtensions : public ExtensionSync {
 public:
  void rename_table(const std::string& o, const std::string& n) override { log.push_back("rename table " + o + " " + n); }
  void delete_table(const std::string& n) override { log.push_back("delete table " + n); }
  void rename_field(const std::string& t, const std::string& o, const std::string& n) override {
    log.push_back("rename field " + t + "." + o + " " + n);
  }
  void delete_field(const std::string& t, const std::string& f) override { log.push_back("delete field " + t + "." + f); }
  void rename_chart(const std::string& t, const std::string& o, const std::string& n) override {
    log.push_back("rename chart " + t + "." + o + " " + n);
  }
  void delete_chart(const std::string& t, const std::string& c) override { log.push_back("delete chart " + t + "." + c); }
  std::vector<std::string> log;
};

class ModelFixture : public ::testing::Test {
 protected:
  ModelFixture()
      : registry_(std::make_shared<platform::MemoryRegistry>()),
        scoped_registry_(registry_),
        extensions_(std::make_shared<RecordingExtensions>()) {
    ModuleContext& c = ctx_.get();
    c.ProductTitle = "Tolvex";
    c.RegKeyGeneral = kRegRoot + "\\Settings\\General";
    c.RegKeyProject = kRegRoot + "\\Settings\\Project";
    c.RegKeyDatabase = kRegRoot + "\\Settings\\Database";
    c.RegKeyTable = kRegRoot + "\\Settings\\Table";
    c.RegKeyChart = kRegRoot + "\\Settings\\Chart";
    c.RegKeyTrendline = kRegRoot + "\\Settings\\Trendline";
    c.RegKeyField = kRegRoot + "\\Settings\\Field";
    register_extension_sync(extensions_);
  }
  ~ModelFixture() override { register_extension_sync(nullptr); }

  void user_value(const std::string& key, const std::string& name, platform::RegValue v) {
    registry_->set_value(platform::RegRoot::CurrentUser, key, name, v);
  }
  void machine_value(const std::string& key, const std::string& name, platform::RegValue v) {
    registry_->set_value(platform::RegRoot::LocalMachine, key, name, v);
  }
  ModuleContext& ctx() { return ctx_.get(); }
  std::vector<std::string>& notices() { return extensions_->log; }

  std::shared_ptr<platform::MemoryRegistry> registry_;
  platform::ScopedRegistry scoped_registry_;
  ContextScope ctx_;
  std::shared_ptr<RecordingExtensions> extensions_;
};

}  // namespace tolvex::testing
