// Runs the tolvex command as a user runs it: in a fresh folder with its own settings and
// working folder, without a terminal.
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
  int status;          // the exit status; -1 when the command did not exit normally
  std::string output;  // stdout, with stderr unless it was asked for apart
  std::string errors;  // stderr, when asked for apart
};

// The counts of the summary line that generate ends with; -1 each when there is none.
struct Summary {
  int written = -1, skipped = -1, backed_up = -1;
};
inline Summary summary_of(const std::string& output) {
  const size_t at = output.find(" files written, ");
  if (at == std::string::npos) return {};
  const size_t start = output.find_last_not_of("0123456789", at - 1) + 1;
  Summary s;
  if (std::sscanf(output.c_str() + start, "%d files written, %d skipped, %d backed up.", &s.written, &s.skipped,
                  &s.backed_up) != 3)
    return {};
  return s;
}

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

  // The shell command line; `env` is put before the command ("NAME='value' ...").
  std::string command_line(const std::string& args, const std::string& env = "") const {
    // exec: the command's process is the shell's, so that a signal reaches it.
    return "cd '" + dir_.string() + "' && exec " + runner_ + "env TOLVEX_CONFIG_DIR='" + (dir_ / "config").string() +
           "' XDG_DOCUMENTS_DIR='" + (dir_ / "documents").string() + "' " + env + " '" + TOLVEX_CLI + "' " + args +
           " </dev/null";
  }

  // Runs the command; stderr goes with stdout into `output` unless `apart`.
  CmdResult tolvex(const std::string& args, const std::string& env = "", bool apart = false) {
    const std::filesystem::path err = dir_ / ".stderr";
    const std::string cmd = command_line(args, env) + (apart ? " 2>'" + err.string() + "'" : " 2>&1");
    CmdResult r{-1, {}, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    if (apart) {
      r.errors = slurp(err);
      std::filesystem::remove(err);
    }
    return r;
  }
  static std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The regular files below `folder`, relative to it.
  static std::vector<std::string> files_below(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file()) out.push_back(std::filesystem::relative(it->path(), folder).string());
    return out;
  }

  std::filesystem::path dir_;
  std::string runner_;  // put before the command, e.g. to run it as another user
};

}  // namespace tolvex::testing
