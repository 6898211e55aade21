// A fresh model context (fields/model_fixture.h) in which project objects can be
// made: the documents folder is a temporary one, and the current user has run the
// product before (a "Language" value, so no first-run copy) unless a test removes it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fields/model_fixture.h"

namespace tolvex::testing {

class ProjectFixture : public ModelFixture {
 protected:
  ProjectFixture() {
    const auto* info = ::testing::UnitTest::GetInstance();
    docs_ = std::filesystem::temp_directory_path() /
            ("tolvex-project-" + std::to_string(info->random_seed()) + "-" + std::to_string(getpid()) + "-" +
             info->current_test_info()->name());
    std::filesystem::create_directories(docs_);
    const char* old = std::getenv("XDG_DOCUMENTS_DIR");
    had_docs_ = old != nullptr;
    if (old) old_docs_ = old;
    setenv("XDG_DOCUMENTS_DIR", docs_.c_str(), 1);
    user_value(general(), "Language", platform::RegValue::make_text("english.xml"));
  }
  ~ProjectFixture() override {
    if (had_docs_) setenv("XDG_DOCUMENTS_DIR", old_docs_.c_str(), 1);
    else unsetenv("XDG_DOCUMENTS_DIR");
    std::error_code ec;
    std::filesystem::remove_all(docs_, ec);
  }
  static std::string general() { return kRegRoot + "\\Settings\\General"; }
  static std::string project_key() { return kRegRoot + "\\Settings\\Project"; }
  static std::string database_key() { return kRegRoot + "\\Settings\\Database"; }

  std::filesystem::path docs_;
  std::string old_docs_;
  bool had_docs_ = false;
};

}  // namespace tolvex::testing
