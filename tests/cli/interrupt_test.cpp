// Ctrl-C stops a generation whatever script it is stuck in: the package's module-level code,
// a validation function, a condition function and a compiled template each loop for ever
// (the time-out is ten minutes), the command gets SIGINT and ends as a cancel.
#include <fcntl.h>
#include <signal.h>
#include <zip.h>

#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include "cli_runner.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

void zip_package(const fs::path& zip_path, const std::map<std::string, std::string>& files) {
  int err = 0;
  zip_t* za = zip_open(zip_path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  ASSERT_NE(za, nullptr);
  for (const auto& [name, content] : files) {
    zip_source_t* src = zip_source_buffer(za, content.data(), content.size(), 0);
    ASSERT_GE(zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8), 0) << zip_strerror(za);
  }
  ASSERT_EQ(zip_close(za), 0);
}

class InterruptTest : public tolvex::testing::CliFixture {
 protected:
  // The user's settings: the installed defaults with a time-out of ten minutes, and the
  // validation code file `validate` when given.
  void write_settings(const std::string& validate) {
    std::string hive = slurp(fs::path(TOLVEX_BUILD_DATA_DIR) / "machine.reg");
    auto replace_line = [&hive](const std::string& name, const std::string& line) {
      const size_t at = hive.find("\"" + name + "\"=");
      ASSERT_NE(at, std::string::npos) << name;
      hive.replace(at, hive.find('\n', at) - at, line);
    };
    replace_line("ScriptEngineTimeout", "\"ScriptEngineTimeout\"=dword:000927c0");
    if (!validate.empty()) replace_line("VALIDATECODE", "\"VALIDATECODE\"=\"" + validate + "\"");
    fs::create_directories(dir_ / "config");
    std::ofstream(dir_ / "config" / "user.reg", std::ios::binary) << hive;
  }

  // Starts `tolvex generate` on the sample project (or `project`) with the package; its output
  // goes to a file. `tunables`: the allocator settings of the environment it starts with
  // (nullptr: none).
  pid_t start_generation(const char* tunables = nullptr, std::string project = std::string()) {
    log_ = dir_ / "output.txt";
    // The output of an earlier run must not be taken for this one's.
    fs::remove(log_);
    const std::string sample =
        project.empty() ? std::string(TOLVEX_BUILD_DATA_DIR) + "/samples/sample.tvp" : project;
    const pid_t pid = fork();
    if (pid == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(127);
      setenv("TOLVEX_CONFIG_DIR", (dir_ / "config").c_str(), 1);
      setenv("XDG_DOCUMENTS_DIR", (dir_ / "documents").c_str(), 1);
      if (tunables) setenv("GLIBC_TUNABLES", tunables, 1);
      else unsetenv("GLIBC_TUNABLES");
      const int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int in = open("/dev/null", O_RDONLY);
      if (out < 0 || in < 0) _exit(127);
      dup2(in, 0);
      dup2(out, 1);
      dup2(out, 2);
      execl(TOLVEX_CLI, TOLVEX_CLI, "generate", sample.c_str(), "--template", "stuck.zip", "--destination", "site",
            "--overwrite=all", "--yes", static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }

  // Waits (a minute at most) until the output shows `text`.
  bool wait_for_output(const std::string& text) {
    const auto end = Clock::now() + std::chrono::minutes(1);
    while (Clock::now() < end) {
      if (slurp(log_).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // The exit status of the child; -1 when it does not end within a minute (it is killed then)
  // or ends by a signal.
  static int wait_for_exit(pid_t pid) {
    const auto end = Clock::now() + std::chrono::minutes(1);
    int status = 0;
    while (Clock::now() < end) {
      if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }

  // A package whose only page loops for ever.
  void write_stuck_package() {
    write_settings(std::string());
    zip_package(dir_ / "stuck.zip",
                {{"control.xml", "<tolvex.control version=\"3.0\">\n<control id=\"home\" type=\"simple\" ifiles=\"home.php\" "
                                 "ofile=\"home\" oext=\"php\" />\n</tolvex.control>\n"},
                 {"home.php", "<!--## Do ##-->x<!--## Loop ##-->"}});
  }

  fs::path log_;
};

TEST_F(InterruptTest, CtrlCStopsEveryKindOfScriptAndTheRunEndsAsACancel) {
  const std::string control_head = "<tolvex.control version=\"3.0\">\n<control id=\"funcs\" type=\"function\" ifiles=\"funcs.vbs\" />\n";
  const std::string spin = "Function Spin()\r\nDo\r\nLoop\r\nEnd Function\r\n";
  struct Case {
    std::string label;
    std::string funcs;      // the package's function script
    std::string home;       // the page template
    std::string condition;  // of the page's control
    bool stuck_validation;
    std::string phase;      // the progress window open while the script loops
  };
  const Case cases[] = {
      {"module-level package code", "Dim n\r\nDo\r\nn = n + 1\r\nLoop\r\n", "home", "", false, "Initializing VBScript Engine"},
      {"validation function", spin, "home", "", true, "Validating project settings"},
      {"condition function", spin, "home", "function/Spin/Boolean/eq/True", false, "Generating"},
      {"compiled template", spin, "<!--## Do ##-->x<!--## Loop ##-->", "", false, "Generating"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(dir_ / "documents");
    fs::remove_all(dir_ / "site");
    std::ofstream(dir_ / "validate.vbs", std::ios::binary) << "Function ValidateForEver()\r\nDo\r\nLoop\r\nEnd Function\r\n";
    std::ofstream(dir_ / "validate.xml", std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<validate><file value=\"validate.vbs\" id=\"spin\" /></validate>\n";
    write_settings(c.stuck_validation ? (dir_ / "validate.xml").string() : std::string());
    const std::string cond = c.condition.empty() ? std::string() : " cond=\"" + c.condition + "\"";
    zip_package(dir_ / "stuck.zip",
                {{"control.xml", control_head + "<control id=\"home\" type=\"simple\" ifiles=\"home.php\" ofile=\"home\" oext=\"php\"" +
                                     cond + " />\n</tolvex.control>\n"},
                 {"funcs.vbs", c.funcs},
                 {"home.php", c.home}});

    const pid_t pid = start_generation();
    ASSERT_GT(pid, 0);
    const bool reached = wait_for_output(c.phase);
    // Give the script time to be inside its loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(pid, SIGINT);
    const int status = wait_for_exit(pid);
    const std::string output = slurp(log_);
    EXPECT_TRUE(reached) << output;
    EXPECT_EQ(status, 130) << output;
    EXPECT_NE(output.find("Generation cancelled by user!"), std::string::npos) << output;
  }
}

}  // namespace

namespace {

// On a large project the command restarts itself with the allocator's huge-page setting where
// the kernel offers huge pages on request; a setting of the user's own stays, a small project
// runs as started, and the restarted command is the process that was started (its signals
// reach it).
TEST_F(InterruptTest, ALargeProjectRunsWithItsHeapInHugePagesUnlessTheUserSaysOtherwise) {
  std::string modes;
  std::getline(std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"), modes);
  const bool offered = modes.find("[always]") != std::string::npos || modes.find("[madvise]") != std::string::npos;
  // The sample project made large by white space after its document element.
  const fs::path large = dir_ / "large.tvp";
  {
    std::ofstream out(large, std::ios::binary);
    out << slurp(fs::path(TOLVEX_BUILD_DATA_DIR) / "samples" / "sample.tvp") << std::string(5 << 20, ' ');
  }
  struct Case {
    const char* start;    // GLIBC_TUNABLES the command starts with (nullptr: none)
    bool large;           // the large project, or the sample itself
    std::string running;  // what it runs with ("" when none)
  } cases[] = {
      {nullptr, true, offered ? "glibc.malloc.hugetlb=1" : ""},
      {"glibc.malloc.hugetlb=0", true, "glibc.malloc.hugetlb=0"},
      {nullptr, false, ""},
  };
  write_stuck_package();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.start ? c.start : "(none)") + (c.large ? ", large" : ", small"));
    fs::remove_all(dir_ / "site");
    const pid_t pid = start_generation(c.start, c.large ? large.string() : std::string());
    ASSERT_GT(pid, 0);
    const bool reached = wait_for_output("Generating");
    std::string running;
    std::istringstream environ(slurp("/proc/" + std::to_string(pid) + "/environ"));
    for (std::string entry; std::getline(environ, entry, '\0');)
      if (entry.starts_with("GLIBC_TUNABLES=")) running = entry.substr(15);
    kill(pid, SIGINT);
    const int status = wait_for_exit(pid);
    EXPECT_TRUE(reached) << slurp(log_);
    EXPECT_EQ(running, c.running);
    EXPECT_EQ(status, 130) << slurp(log_);
  }
}

}  // namespace
