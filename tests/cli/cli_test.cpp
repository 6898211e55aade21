// The tolvex command run as a user runs it, without a server: the main job (the bundled
// sample project generated with the bundled template package), the answers to the engine's
// questions, Ctrl-C, reading and changing settings, and the command's errors.
#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>

#include <chrono>
#include <future>
#include <thread>

#include "cli_runner.h"
#include "platform/file_lock.h"

namespace fs = std::filesystem;
using tolvex::testing::CmdResult;
using tolvex::testing::summary_of;

namespace {

const std::string kSample = std::string(TOLVEX_BUILD_DATA_DIR) + "/samples/sample.tvp";

class CliTest : public tolvex::testing::CliFixture {
 protected:
  // A copy of the sample project in the test's folder, as sample.tvp.
  void copy_sample() { fs::copy_file(kSample, dir_ / "sample.tvp"); }
  void write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
};

TEST_F(CliTest, GeneratesTheSampleProjectAndSaysWhatItWrote) {
  CmdResult r = tolvex("generate '" + kSample + "' --destination site --overwrite=all --yes");
  ASSERT_EQ(r.status, 0) << r.output;
  for (const char* f : {"index.php", "common.php", "menu.php", "css/site.css", "images/logo.svg", "customerslist.php",
                        "customersview.php", "ordersedit.php", "order_itemsadd.php", "order_totalslist.php"})
    EXPECT_TRUE(fs::is_regular_file(dir_ / "site" / f)) << f << "\n" << r.output;
  EXPECT_NE(slurp(dir_ / "site" / "customerslist.php").find("customers"), std::string::npos);
  const auto first = summary_of(r.output);
  // Every file of the site is an output, besides the debug copies of the system and validation code.
  EXPECT_EQ(first.written, int(files_below(dir_ / "site").size()) - 2) << r.output;
  EXPECT_EQ(first.skipped, 0) << r.output;
  // The sample's database is not there: nothing tries to reach it, and no message repeats the product name.
  EXPECT_EQ(r.output.find("database information"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("Tolvex: Tolvex:"), std::string::npos) << r.output;
  // Without a terminal, one line per phase.
  EXPECT_EQ(r.output.find("%"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Tolvex - Initializing VBScript Engine...\n"), std::string::npos) << r.output;

  // check-template counts the outputs that exist already.
  r = tolvex("check-template '" + kSample + "' --destination site");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_GT(std::stoi(r.output.substr(r.output.find_last_not_of("\n\r0123456789") + 1)), 0) << r.output;
}

TEST_F(CliTest, TheOverwriteFlagDecidesWhateverPromptOnOverwriteSays) {
  copy_sample();
  ASSERT_EQ(tolvex("generate sample.tvp --destination site").status, 0);
  const int outputs = int(files_below(dir_ / "site").size()) - 2;  // less the two debug copies
  struct Case {
    const char* prompt;  // the project's PromptOnOverwrite
    const char* flag;
    bool replaced;
  };
  // Without a terminal the question is answered "skip all"; without the question the
  // outputs' own overwrite switches (on in the sample) decide.
  const Case cases[] = {
      {"True", "", false},  {"True", "--overwrite=all", true},   {"True", "--overwrite=skip", false},
      {"False", "", true},  {"False", "--overwrite=skip", false}, {"False", "--overwrite=all", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.prompt) + " " + c.flag);
    ASSERT_EQ(tolvex(std::string("set sample.tvp PromptOnOverwrite=") + c.prompt).status, 0);
    for (const char* f : {"index.php", "customerslist.php"}) write(dir_ / "site" / f, "mine");
    CmdResult r = tolvex(std::string("generate sample.tvp --destination site ") + c.flag);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* f : {"index.php", "customerslist.php"})
      EXPECT_EQ(slurp(dir_ / "site" / f) != "mine", c.replaced) << f;
    const auto s = summary_of(r.output);
    EXPECT_EQ(s.written, c.replaced ? outputs : 0) << r.output;
    EXPECT_EQ(s.skipped, c.replaced ? 0 : outputs) << r.output;
  }
}

TEST_F(CliTest, OutputsNeverReplaceTheRunsInputsNorWriteThroughLinks) {
  copy_sample();
  fs::copy_file(std::string(TOLVEX_BUILD_DATA_DIR) + "/templates/sample.zip", dir_ / "sample.zip");
  const std::string project = slurp(dir_ / "sample.tvp");
  // A default page named like the project or the package, generated into their own folder.
  for (const char* page : {"sample.tvp", "sample.zip"}) {
    SCOPED_TRACE(page);
    ASSERT_EQ(tolvex(std::string("set sample.tvp DefaultPage=") + page).status, 0);
    const std::string saved = slurp(dir_ / "sample.tvp"), package = slurp(dir_ / "sample.zip");
    CmdResult r = tolvex("generate sample.tvp --template sample.zip --destination . --overwrite=all --yes");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("would replace the " + std::string(page[7] == 't' ? "project file" : "template package")),
              std::string::npos)
        << r.output;
    EXPECT_EQ(slurp(dir_ / "sample.tvp"), saved);
    EXPECT_EQ(slurp(dir_ / "sample.zip"), package);
  }
  // The unpacked package as the destination: its files are the run's inputs too.
  write(dir_ / "sample.tvp", project);
  const fs::path unpacked = dir_ / "documents" / "Tolvex" / "Templates" / "sample.zip" / "Script";
  CmdResult r = tolvex("generate sample.tvp --template sample.zip --destination '" + unpacked.string() + "' --overwrite=all --yes");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("of the unpacked packages in"), std::string::npos) << r.output;

  // Links planted in the destination: a file link is replaced (its backup is the link), a folder
  // link leading out of the destination is refused, one that stays inside is used.
  fs::create_directories(dir_ / "site" / "styles");
  fs::create_directories(dir_ / "elsewhere" / "css");
  write(dir_ / "elsewhere" / "page", "keep me");
  fs::create_symlink("../elsewhere/page", dir_ / "site" / "index.php");
  fs::create_symlink("../elsewhere/css", dir_ / "site" / "css");
  r = tolvex("generate sample.tvp --destination site --overwrite=all --yes");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("The output folder \"css\" is a link to"), std::string::npos) << r.output;
  EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere" / "css"));
  fs::remove(dir_ / "site" / "css");
  fs::create_symlink("styles", dir_ / "site" / "css");
  r = tolvex("generate sample.tvp --destination site --overwrite=all --yes");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(slurp(dir_ / "elsewhere" / "page"), "keep me");
  EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere" / "css"));
  EXPECT_FALSE(fs::is_symlink(dir_ / "site" / "index.php"));
  EXPECT_NE(slurp(dir_ / "site" / "index.php").find("<?php"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "site" / "styles" / "site.css"));
  ASSERT_TRUE(fs::is_symlink(dir_ / "site" / "index.php.bak")) << r.output;
  EXPECT_EQ(fs::read_symlink(dir_ / "site" / "index.php.bak"), "../elsewhere/page");
}

TEST_F(CliTest, AChangedTemplatePackageIsUnpackedAgainWithoutATerminal) {
  fs::create_directories(dir_ / "pkg");
  const fs::path package = dir_ / "pkg" / "sample.zip";
  fs::copy_file(std::string(TOLVEX_BUILD_DATA_DIR) + "/templates/sample.zip", package);
  const std::string args = "generate '" + kSample + "' --template pkg/sample.zip --destination site --overwrite=all";
  ASSERT_EQ(tolvex(args).status, 0);
  const fs::path unpacked = dir_ / "documents" / "Tolvex" / "Templates" / "sample.zip" / "Script" / "control.xml";
  ASSERT_TRUE(fs::is_regular_file(unpacked));
  for (const char* yes : {"", " --yes"}) {
    SCOPED_TRACE(yes);
    // The package is newer than the files unpacked from it, and one of them is gone.
    fs::last_write_time(package, fs::last_write_time(package) + std::chrono::hours(1));
    fs::remove(unpacked);
    CmdResult r = tolvex(args + yes);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::is_regular_file(unpacked));
  }
}

TEST_F(CliTest, CtrlCDuringEngineStartCancelsWithNoOutput) {
  // The command in a child whose stderr we read, to send SIGINT as the engine starts.
  int err[2];
  ASSERT_EQ(pipe(err), 0);
  // The command runs at the lowest priority so that the signal, sent as soon as the phase
  // line is read, lands while the engine starts even on a busy machine.
  const std::string cmd =
      "renice -n 19 -p $$ >/dev/null && " + command_line("generate '" + kSample + "' --destination site --overwrite=all");
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(err[1], STDERR_FILENO);
    dup2(err[1], STDOUT_FILENO);
    close(err[0]);
    close(err[1]);
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(err[1]);
  std::string output;
  bool sent = false;
  char buf[256];
  ssize_t n;
  while ((n = read(err[0], buf, sizeof buf)) > 0) {
    output.append(buf, size_t(n));
    if (!sent && output.find("Initializing VBScript Engine") != std::string::npos) {
      kill(pid, SIGINT);
      sent = true;
    }
  }
  close(err[0]);
  int st = 0;
  ASSERT_EQ(waitpid(pid, &st, 0), pid);
  ASSERT_TRUE(sent) << output;
  ASSERT_TRUE(WIFEXITED(st)) << output;
  EXPECT_EQ(WEXITSTATUS(st), 130) << output;
  EXPECT_NE(output.find("Generation cancelled by user!"), std::string::npos) << output;
  // No page was written; the engine's own debugging copies of the code it ran may be there.
  for (const std::string& f : files_below(dir_ / "site"))
    EXPECT_TRUE(f == "syscode.txt" || f == "validatecode.txt") << f << "\n" << output;
}

TEST_F(CliTest, GetAndSetReadAndChangeSettingsByTheirTypes) {
  copy_sample();
  CmdResult r = tolvex("set sample.tvp --table 'order*' TblGen=False TblCaption=Sales");
  ASSERT_EQ(r.status, 0) << r.output;
  r = tolvex("get sample.tvp --table 'ORDER*' TblGen TblCaption", "", true);
  ASSERT_EQ(r.status, 0) << r.errors;
  // In the project's order of tables.
  EXPECT_EQ(r.output,
            "order_items.TblGen=False\norder_items.TblCaption=Sales\n"
            "order_totals.TblGen=False\norder_totals.TblCaption=Sales\n"
            "orders.TblGen=False\norders.TblCaption=Sales\n"
            "orders_by_status.TblGen=False\norders_by_status.TblCaption=Sales\n");
  r = tolvex("get sample.tvp --field customers.name FldCaption", "", true);
  EXPECT_EQ(r.output.rfind("FldCaption=", 0), 0u) << r.output << r.errors;
  ASSERT_EQ(tolvex("set sample.tvp --database DBHost=db.example.org").status, 0);
  EXPECT_EQ(tolvex("get sample.tvp --database DBHost", "", true).output, "DBHost=db.example.org\n");
  // All settings when no key is given.
  r = tolvex("get sample.tvp", "", true);
  EXPECT_NE(r.output.find("\nPromptOnOverwrite="), std::string::npos) << r.output;
  // Each change saved the project and kept the copy before it, in the folder of this project's
  // backups, which names the project.
  std::vector<fs::path> sets;
  for (const auto& entry : fs::directory_iterator(dir_ / "documents" / "Tolvex" / "Backup")) sets.push_back(entry.path());
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].filename().string().rfind("sample.tvp-", 0), 0u) << sets[0];
  EXPECT_TRUE(fs::is_regular_file(sets[0] / "sample(1).tvp"));
  EXPECT_EQ(slurp(sets[0] / "project-path.txt"), (dir_ / "sample.tvp").string() + "\n");

  // Errors change nothing.
  const std::string before = slurp(dir_ / "sample.tvp");
  struct Case {
    std::string args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"--table '*' TblCaption=X TblGen=maybe", 1, "\"maybe\" is not a Boolean value for TblGen"},
      {"--table customers NoSuchSetting=1", 1, "customers has no setting \"NoSuchSetting\""},
      {"--table 'nothing*' TblGen=True", 1, "No table matches \"nothing*\""},
      {"--field customers.nothing FldCaption=X", 1, "No field matches \"customers.nothing\""},
      {"--field customers FldCaption=X", 2, "TABLE.FIELD"},
      {"--table customers TblGen", 2, "KEY=VALUE"},
      {"--extension nothing Foo=1", 1, "no extension \"nothing\""},
      {"'CharSet=utf-8\"><script>alert(5)</script>'", 1, "is not the name of a charset"},
      {"\"$(printf 'AppHeader=a\\001b')\"", 1, "holds the control character 0x01"},
      {"\"$(printf 'AppHeader=a\\177b')\"", 1, "holds the control character 0x7F"},
      {"\"$(printf 'AppHeader=caf\\351')\"", 1, "The value of AppHeader is not UTF-8 text."},
  };
  for (const Case& c : cases) {
    r = tolvex("set sample.tvp " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
  }
  EXPECT_EQ(slurp(dir_ / "sample.tvp"), before);

  // Values are taken as typed; get escapes backslash, CR and LF, so that a literal "\n" and a
  // line break print apart. Tab is kept as it is.
  ASSERT_EQ(tolvex("set sample.tvp \"$(printf 'AppHeader=a\\\\nb\\nc\\td\\r')\"").status, 0);
  EXPECT_EQ(tolvex("get sample.tvp AppHeader").output, "AppHeader=a\\\\nb\\nc\td\\r\n");
}

// While another process has the project open for a change, every command that saves it waits a
// few seconds and then fails, saying so and changing nothing; readers go on. One that the
// holder lets go of in time goes on and saves.
TEST_F(CliTest, ACommandThatSavesWaitsForAnotherThatHasTheProjectOpen) {
  copy_sample();
  const std::string before = slurp(dir_ / "sample.tvp");
  {
    const tolvex::platform::FileLock other(dir_ / "sample.tvp");
    const char* writers[] = {
        "set sample.tvp AppHeader=x",
        "new sample.tvp --force",
        "extension enable sample.tvp SampleNotes",
        "sync sample.tvp --keep",
        "import sample.tvp --database shop --user report",
    };
    std::vector<std::future<CmdResult>> runs;
    for (const char* args : writers) runs.push_back(std::async(std::launch::async, [this, args] { return tolvex(args); }));
    const CmdResult get = tolvex("get sample.tvp ProjName");
    EXPECT_EQ(get.status, 0) << get.output;
    EXPECT_EQ(get.output, "ProjName=Sample Shop\n");
    for (size_t i = 0; i < runs.size(); ++i) {
      const CmdResult r = runs[i].get();
      EXPECT_EQ(r.status, 1) << writers[i] << "\n" << r.output;
      EXPECT_NE(r.output.find("Another process has '" + (dir_ / "sample.tvp").string() + "' open"), std::string::npos)
          << writers[i] << "\n" << r.output;
    }
  }
  EXPECT_EQ(slurp(dir_ / "sample.tvp"), before);

  std::promise<void> taken;
  std::thread holder([&] {
    const tolvex::platform::FileLock other(dir_ / "sample.tvp");
    taken.set_value();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
  });
  taken.get_future().wait();
  const CmdResult r = tolvex("set sample.tvp AppHeader=later");
  holder.join();
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(tolvex("get sample.tvp AppHeader").output, "AppHeader=later\n");
  EXPECT_FALSE(fs::exists(dir_ / ".sample.tvp.lock"));
}

TEST_F(CliTest, ACharSetThatIsNoCharsetNameReachesNoPage) {
  // A project file edited by hand past the command's refusal.
  std::string project = slurp(kSample);
  const std::string hostile = "CharSet=\"utf-8&quot;&gt;&lt;script&gt;alert(5)&lt;/script&gt;\"";
  project.replace(project.find("CharSet=\"utf-8\""), std::string("CharSet=\"utf-8\"").size(), hostile);
  write(dir_ / "sample.tvp", project);
  // Generation refuses it before anything is written.
  CmdResult r = tolvex("generate sample.tvp --destination site --overwrite=all --yes");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("is not the name of a charset. Generation aborted!"), std::string::npos) << r.output;
  EXPECT_TRUE(files_below(dir_ / "site").empty()) << r.output;
  // The command refuses it to begin with; a charset name is taken.
  fs::copy_file(kSample, dir_ / "sample.tvp", fs::copy_options::overwrite_existing);
  r = tolvex("set sample.tvp 'CharSet=utf-8\"><script>alert(5)</script>'");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_EQ(tolvex("set sample.tvp CharSet=windows-1252").status, 0);
  EXPECT_EQ(tolvex("get sample.tvp CharSet", "", true).output, "CharSet=windows-1252\n");
}

TEST_F(CliTest, GenerateNamesThePagesOfTablesTheProjectNoLongerHas) {
  copy_sample();
  ASSERT_EQ(tolvex("generate sample.tvp --destination site --overwrite=all").status, 0);
  // Pages left from a table "suppliers" that a sync removed, beside files of the user's.
  for (const char* f : {"supplierslist.php", "SuppliersView.php", "suppliers.csv", "notes.txt", "list.php"})
    write(dir_ / "site" / f, "<?php // old");
  CmdResult r = tolvex("generate sample.tvp --destination site --overwrite=all", "", true);
  ASSERT_EQ(r.status, 0) << r.errors;
  std::string listed;
  for (size_t at = r.errors.find("\n  "); at != std::string::npos; at = r.errors.find("\n  ", at + 1))
    listed += fs::path(r.errors.substr(at + 3, r.errors.find('\n', at + 1) - at - 3)).filename().string() + " ";
  EXPECT_EQ(listed, "SuppliersView.php supplierslist.php ") << r.errors;
  EXPECT_NE(r.errors.find("nothing was deleted"), std::string::npos) << r.errors;
  EXPECT_TRUE(fs::is_regular_file(dir_ / "site" / "supplierslist.php"));
  // Without them: nothing to say.
  fs::remove(dir_ / "site" / "supplierslist.php");
  fs::remove(dir_ / "site" / "SuppliersView.php");
  r = tolvex("generate sample.tvp --destination site --overwrite=all", "", true);
  EXPECT_EQ(r.errors.find("Not written by this generation"), std::string::npos) << r.errors;
}

TEST_F(CliTest, ExitStatusesHelpAndUsageErrors) {
  struct Case {
    std::string args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"generate missing.tvp", 1, "Project file not found: missing.tvp"},
      {"generate", 2, "file is required"},
      {"frobnicate", 2, "frobnicate"},
      {"generate x.tvp --overwrite=maybe", 2, "maybe"},
      {"databases --type Access --user u", 2, "Access"},
      {"import p.tvp --database d --type SQLite --user u", 2, "SQLite"},
      {"sync x.tvp --map-field nodot=b", 2, "TABLE.OLD=NEW"},
      {"extension add missing.tvp Charts", 1, "Project file not found"},
      // Without a terminal to ask on.
      {"databases --user u --password", 2, "environment variable TOLVEX_DB_PASSWORD"},
      {"get . ProjName", 1, "The project . is not a regular file."},
      {"get /dev/zero ProjName", 1, "The project /dev/zero is not a regular file."},
      {"get fifo.tvp ProjName", 1, "The project fifo.tvp is not a regular file."},
      {"get " + std::string(300, 'n') + ".tvp ProjName", 1,
       "Cannot read the project file " + std::string(300, 'n') + ".tvp: File name too long"},
      {"--version", 0, "tolvex 3.0"},
  };
  ASSERT_EQ(mkfifo((dir_ / "fifo.tvp").c_str(), 0644), 0);
  for (const auto& c : cases) {
    CmdResult r = tolvex(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
  }
  // Bare tolvex: the help, on stderr.
  CmdResult r = tolvex("", "", true);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output, "");
  EXPECT_NE(r.errors.find("generate"), std::string::npos) << r.errors;

  // Each command's help lists its own options and an example.
  struct Help {
    std::string command;
    std::vector<std::string> has, lacks;
  };
  const Help helps[] = {
      {"generate", {"--overwrite", "--destination", "Example:\n  tolvex generate"}, {"--map-field", "--keep"}},
      {"sync", {"--map-table", "--map-field", "--update", "Example:\n  tolvex sync"}, {"--overwrite", "--yes"}},
      {"new", {"--name", "Example:\n  tolvex new"}, {"--overwrite", "--yes", "--quiet"}},
      {"set", {"--table", "--field", "--extension", "Example:\n  tolvex set"}, {"--overwrite"}},
  };
  for (const Help& h : helps) {
    r = tolvex(h.command + " --help");
    EXPECT_EQ(r.status, 0) << h.command;
    for (const auto& s : h.has) EXPECT_NE(r.output.find(s), std::string::npos) << h.command << ": " << s << "\n" << r.output;
    for (const auto& s : h.lacks) EXPECT_EQ(r.output.find(s), std::string::npos) << h.command << ": " << s << "\n" << r.output;
  }
}

// A document type declaring nested entities, put after the XML declaration of the file.
void plant_entity_bomb(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string dtd = "\n<!DOCTYPE x [<!ENTITY l0 \"haha\">";
  for (int i = 1; i <= 9; ++i) {
    dtd += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) dtd += "&l" + std::to_string(i - 1) + ";";
    dtd += "\">";
  }
  const size_t end = text.find("?>") + 2;
  std::ofstream(file, std::ios::binary) << text.substr(0, end) << dtd << "]>" << text.substr(end);
}

TEST_F(CliTest, AnEntityBombIsRefusedAtOnceNamingItsFile) {
  copy_sample();
  const fs::path project = dir_ / "sample.tvp";
  const fs::path package = dir_ / "sample.zip";
  fs::copy_file(std::string(TOLVEX_BUILD_DATA_DIR) + "/templates/sample.zip", package);
  const std::string generate = "generate sample.tvp --template sample.zip --destination site --overwrite=all";
  ASSERT_EQ(tolvex(generate).status, 0);
  const fs::path script = dir_ / "documents" / "Tolvex" / "Templates" / "sample.zip" / "Script";
  // The system and validation code: copies that the settings name instead of the installed files.
  const fs::path settings = dir_ / "config" / "user.reg";
  const std::string installed_settings = slurp(settings);
  for (const char* code : {"syscode.xml", "validate.xml"})
    fs::copy_file(std::string(TOLVEX_BUILD_DATA_DIR) + "/code/" + code, dir_ / code);
  struct Case {
    fs::path file;
    std::string args;
    std::string setting;  // the setting that names the file, if any
  };
  const Case cases[] = {
      {project, "get sample.tvp ProjName", ""},
      {script / "control.xml", generate, ""},
      {script / "lang.xml", generate, ""},
      {dir_ / "syscode.xml", generate, "SYSCODE"},
      {dir_ / "validate.xml", generate, "VALIDATECODE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string());
    const std::string kept = slurp(c.file);
    plant_entity_bomb(c.file);
    std::string with_file = installed_settings;
    if (!c.setting.empty()) {
      const size_t at = with_file.find("\n\"" + c.setting + "\"=");
      ASSERT_NE(at, std::string::npos) << c.setting;
      const size_t end = with_file.find('\n', at + 1);
      with_file.replace(at + 1, end - at - 1, "\"" + c.setting + "\"=\"" + c.file.string() + "\"");
    }
    std::ofstream(settings, std::ios::binary) << with_file;
    CmdResult r = tolvex(c.args);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(c.file.string() + ": line 2: the document type declares the entity 'l0'"),
              std::string::npos)
        << r.output;
    std::ofstream(c.file, std::ios::binary) << kept;
  }
}

TEST_F(CliTest, ExtensionsOfAProjectAndTheirAttributes) {
  copy_sample();
  CmdResult r = tolvex("extension list sample.tvp", "", true);
  EXPECT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.output, "SampleNotes\tdisabled\tsamplenotes.zip\n");
  ASSERT_EQ(tolvex("extension remove sample.tvp samplenotes").status, 0);
  EXPECT_EQ(tolvex("extension list sample.tvp", "", true).output, "");
  r = tolvex("extension add sample.tvp Reports");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("No extension \"Reports\" is registered"), std::string::npos) << r.output;

  // An extension registered for a new user, with attributes at the project and table levels.
  fs::remove_all(dir_ / "config");
  fs::create_directories(dir_ / "config");
  fs::create_directories(dir_ / "exts");
  write(dir_ / "exts" / "reports.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Project>\n"
        "  <attribute name=\"ProjTheme\" type=\"String\" default=\"blue\"/>\n"
        "  <Database><Table><attribute name=\"TblLimit\" type=\"Long\" default=\"25\"/></Table></Database>\n"
        "</Project>\n");
  write(dir_ / "config" / "user.reg",
        "; Tolvex registry hive (UTF-8)\n[Software\\Tolvex\\3.0\\Extensions]\n\"SourceFolder\"=\"" +
            (dir_ / "exts").string() +
            "\"\n[Software\\Tolvex\\3.0\\Extensions\\Reports]\n\"Name\"=\"Reports\"\n"
            "\"Template\"=\"reports.zip\"\n\"XmlFile\"=\"reports.xml\"\n");
  // A project without extensions takes the registered ones when it is opened.
  EXPECT_EQ(tolvex("extension list sample.tvp", "", true).output, "Reports\tenabled\treports.zip\n");
  ASSERT_EQ(tolvex("extension disable sample.tvp reports").status, 0);
  EXPECT_EQ(tolvex("extension list sample.tvp", "", true).output, "Reports\tdisabled\treports.zip\n");
  ASSERT_EQ(tolvex("extension enable sample.tvp Reports").status, 0);
  EXPECT_EQ(tolvex("extension list sample.tvp", "", true).output, "Reports\tenabled\treports.zip\n");

  ASSERT_EQ(tolvex("set sample.tvp --extension Reports ProjTheme=green").status, 0);
  ASSERT_EQ(tolvex("set sample.tvp --extension Reports --table orders TblLimit=40").status, 0);
  EXPECT_EQ(tolvex("get sample.tvp --extension Reports ProjTheme", "", true).output, "ProjTheme=green\n");
  EXPECT_EQ(tolvex("get sample.tvp --extension Reports --table 'order*' TblLimit", "", true).output,
            "order_items.TblLimit=25\norder_totals.TblLimit=25\norders.TblLimit=40\norders_by_status.TblLimit=25\n");
  r = tolvex("set sample.tvp --extension Reports --table orders TblLimit=many");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("\"many\" is not a Long value for TblLimit"), std::string::npos) << r.output;
  r = tolvex("extension disable sample.tvp Charts");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("The project has no extension \"Charts\""), std::string::npos) << r.output;

  // Adding takes the registered extension whatever the letter case given; an unknown one is
  // refused with the registered names (a subkey without a name is none).
  std::ofstream(dir_ / "config" / "user.reg", std::ios::app)
      << "[Software\\Tolvex\\3.0\\Extensions\\Nameless]\n\"Template\"=\"nameless.zip\"\n";
  ASSERT_EQ(tolvex("extension remove sample.tvp Reports").status, 0);
  ASSERT_EQ(tolvex("extension add sample.tvp reports").status, 0);
  EXPECT_EQ(tolvex("extension list sample.tvp", "", true).output, "Reports\tenabled\treports.zip\n");
  r = tolvex("extension add sample.tvp Charts");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("No extension \"Charts\" is registered (registered: Reports)."), std::string::npos)
      << r.output;
}

}  // namespace
