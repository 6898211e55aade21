// Runs every tests/vbscript/scripts/*.vbs file as one test case.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "vbscript/script_host.h"

namespace {

std::vector<std::string> script_files() {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(std::string(TOLVEX_TEST_DIR) + "/scripts"))
    if (e.path().extension() == ".vbs") out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

class ScriptFile : public ::testing::TestWithParam<std::string> {};

TEST_P(ScriptFile, Passes) {
  auto r = tolvex::vbscript::testing::run_script_file(GetParam());
  for (const auto& f : r.failures) ADD_FAILURE() << f;
  EXPECT_GT(r.passed, 0) << "no ok() ran in " << GetParam();
}

std::string case_name(const ::testing::TestParamInfo<std::string>& info) {
  std::string n = std::filesystem::path(info.param).stem().string();
  for (char& c : n)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptFile, ::testing::ValuesIn(script_files()), case_name);

}  // namespace
