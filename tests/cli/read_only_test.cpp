// The tolvex command with folders that the user may not write: the destination of a site, the
// folder of a project, the folder of the user's settings. The command runs as an unprivileged
// user (root, which the tests may run as, writes into any folder).
#include <sys/stat.h>

#include "cli_runner.h"
#include "platform/unprivileged.h"

namespace fs = std::filesystem;
using tolvex::testing::CmdResult;

namespace {

const std::string kSample = std::string(TOLVEX_BUILD_DATA_DIR) + "/samples/sample.tvp";

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

class ReadOnlyCliTest : public tolvex::testing::CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    const std::optional<std::string> prefix = tolvex::testing::unprivileged_command_prefix();
    if (!prefix)
      GTEST_SKIP() << "running as root without setpriv: the command would run as root, which writes into "
                      "read-only folders";
    runner_ = *prefix;
    fs::copy_file(kSample, dir_ / "sample.tvp");
    ::chmod(dir_.c_str(), 0755);
    tolvex::testing::give_to_unprivileged(dir_);
  }
  void TearDown() override {
    tolvex::testing::make_removable(dir_);
    CliFixture::TearDown();
  }
  // A folder that the command's user may read but not write.
  fs::path read_only_folder(const std::string& name) {
    const fs::path folder = dir_ / name;
    fs::create_directories(folder);
    ::chown(folder.c_str(), 0, 0);
    ::chmod(folder.c_str(), 0555);
    return folder;
  }
  // The temporary files of writes left anywhere below the test's folder.
  std::vector<std::string> temporary_files() const {
    std::vector<std::string> out;
    for (const std::string& f : files_below(dir_))
      if (f.find(".tolvex-") != std::string::npos || f.find(".tmp") != std::string::npos) out.push_back(f);
    return out;
  }
};

TEST_F(ReadOnlyCliTest, GenerateStopsNamingTheFolderItMayNotWrite) {
  const fs::path site = read_only_folder("site");
  const fs::path ro = read_only_folder("ro");
  fs::create_directories(dir_ / "open" / "images");
  tolvex::testing::give_to_unprivileged(dir_ / "open");
  ::chown((dir_ / "open" / "images").c_str(), 0, 0);
  ::chmod((dir_ / "open" / "images").c_str(), 0555);
  // A site that another user generated, in a folder of theirs.
  ASSERT_EQ(tolvex("generate sample.tvp --destination theirs --overwrite=all --yes").status, 0);
  const fs::path theirs = dir_ / "theirs";
  for (const std::string& f : files_below(theirs)) ::chown((theirs / f).c_str(), 0, 0);
  ::chown(theirs.c_str(), 0, 0);
  ::chmod(theirs.c_str(), 0555);
  const std::string generated = slurp(theirs / "index.php");
  struct Case {
    const char* destination;
    std::string message;
  };
  const Case cases[] = {
      {"site", "': Permission denied in folder '" + site.string() + "'"},
      {"theirs", "': Permission denied in folder '" + theirs.string() + "'"},
      {"ro/new/site", "Tolvex: Cannot create the folder '" + (ro / "new" / "site").string() +
                          "': Permission denied in folder '" + ro.string() + "'. Generation aborted!"},
      // A folder of the site that the user may not write, where a copy goes.
      {"open", "Copying to file \"" + (dir_ / "open" / "images" / "logo.svg").string() + "\" failed! Cannot write '" +
                   (dir_ / "open" / "images" / "logo.svg").string() + "': Permission denied in folder '" +
                   (dir_ / "open" / "images").string() + "'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.destination);
    CmdResult r = tolvex(std::string("generate sample.tvp --destination ") + c.destination + " --overwrite=all --yes");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("No such file or directory"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find(" files written, "), std::string::npos) << r.output;
    EXPECT_EQ(temporary_files(), std::vector<std::string>{});
  }
  EXPECT_EQ(slurp(theirs / "index.php"), generated);
  EXPECT_TRUE(fs::is_empty(site));
  EXPECT_TRUE(fs::is_empty(ro));
}

TEST_F(ReadOnlyCliTest, SetInAReadOnlyProjectFolderFailsNamingItAndChangesNothing) {
  const fs::path folder = dir_ / "project";
  fs::create_directories(folder);
  fs::copy_file(kSample, folder / "sample.tvp");
  tolvex::testing::give_to_unprivileged(folder);
  ::chown(folder.c_str(), 0, 0);
  ::chmod(folder.c_str(), 0555);
  const std::string before = slurp(folder / "sample.tvp");
  CmdResult r = tolvex("set project/sample.tvp AppHeader=changed");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("Tolvex: Save Project File failed! Cannot write '" + (folder / "sample.tvp").string() +
                          "': Permission denied in folder '" + folder.string() + "'"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(slurp(folder / "sample.tvp"), before);
  EXPECT_EQ(files_below(folder), std::vector<std::string>{"sample.tvp"});
}

// With a settings folder that takes no file the commands that only read work, each saying once
// that the settings are not kept; a save that needs nothing new in the settings works too.
TEST_F(ReadOnlyCliTest, CommandsThatOnlyReadWorkWithoutWritableSettings) {
  const fs::path empty = read_only_folder("config-ro");
  const fs::path parent = read_only_folder("config-parent");
  struct Case {
    fs::path config;
    std::string cause;
  };
  const Case cases[] = {
      {empty, "permission denied in folder '" + empty.string() + "'"},
      {parent / "tolvex", "cannot create the folder '" + (parent / "tolvex").string() +
                              "': Permission denied in folder '" + parent.string() + "'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config);
    const std::string env = "TOLVEX_CONFIG_DIR='" + c.config.string() + "'";
    const std::string warning = "warning: cannot keep the user settings in '" + (c.config / "user.reg").string() +
                                "': " + c.cause + "; using the defaults for this run\n";
    CmdResult r = tolvex("get sample.tvp ProjName", env, true);
    EXPECT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(r.output, "ProjName=Sample Shop\n");
    EXPECT_EQ(r.errors, warning);

    r = tolvex("generate sample.tvp --destination site --overwrite=all --yes", env, true);
    EXPECT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(count_of(r.errors, warning), 1u) << r.errors;
    EXPECT_NE((r.output + r.errors).find(" files written, "), std::string::npos) << r.output << r.errors;

    r = tolvex("set sample.tvp AppHeader=Shop", env, true);
    EXPECT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(tolvex("get sample.tvp AppHeader", env, true).output, "AppHeader=Shop\n");

    r = tolvex("--version", env, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.errors, "");
    EXPECT_FALSE(fs::exists(c.config / "user.reg"));
  }
  EXPECT_TRUE(fs::is_empty(empty));
  EXPECT_TRUE(fs::is_empty(parent));
}

// Settings kept in a folder the user may not write: a save that must store a setting there fails
// naming the file and the cause, and neither the project nor the settings change.
TEST_F(ReadOnlyCliTest, ASaveThatMustStoreASettingFailsNamingTheSettingsFile) {
  const fs::path config = dir_ / "config";
  fs::create_directories(config);
  // A user who ran the program before, from a time when the project file's charset was not kept.
  const std::string settings = "[Software\\Tolvex\\3.0\\Settings\\General]\n\"Language\"=\"languages\\\\english.xml\"\n";
  std::ofstream(config / "user.reg", std::ios::binary) << settings;
  ::chmod(config.c_str(), 0555);
  const std::string before = slurp(dir_ / "sample.tvp");

  CmdResult r = tolvex("get sample.tvp AppHeader", "", true);
  EXPECT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.errors, "") << "nothing to keep";
  r = tolvex("set sample.tvp AppHeader=changed", "", true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.errors, "Tolvex: Save Project File failed! Cannot keep the user settings in '" +
                          (config / "user.reg").string() + "': Permission denied in folder '" + config.string() +
                          "'\n");
  EXPECT_EQ(slurp(dir_ / "sample.tvp"), before);
  EXPECT_EQ(slurp(config / "user.reg"), settings);
  EXPECT_EQ(temporary_files(), std::vector<std::string>{});
}

}  // namespace
