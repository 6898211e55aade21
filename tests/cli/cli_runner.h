// Runs the tolvex command as a user runs it: in a fresh folder with its own settings and
// working folder, without a terminal, stdout and stderr together.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tolvex::testing {

struct CmdResult {
  int status;
  std::string output;
};

class CliFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvex-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // `env` is put before the command ("NAME='value' ...").
  CmdResult tolvex(const std::string& args, const std::string& env = "") {
    const std::string cmd = "cd '" + dir_.string() + "' && TOLVEX_CONFIG_DIR='" + (dir_ / "config").string() +
                            "' XDG_DOCUMENTS_DIR='" + (dir_ / "documents").string() + "' " + env + " '" +
                            TOLVEX_CLI + "' " + args + " </dev/null 2>&1";
    CmdResult r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
  }
  static std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::filesystem::path dir_;
};

}  // namespace tolvex::testing
