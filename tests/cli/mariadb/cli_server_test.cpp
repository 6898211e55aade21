// The command against a real server: list the databases, import one into a new project
// file, check it against the unchanged database, and generate a site from it.
#include "cli_runner.h"
#include "platform/mariadb_server_env.h"

namespace fs = std::filesystem;
using tolvex::testing::CmdResult;

namespace {

class CliServerTest : public tolvex::testing::CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    const char* path = std::getenv("TOLVEX_TEST_DB_ENV");
    if (!path || !server_.read(path)) {
      if (tolvex::testing::server_required()) FAIL() << "the test server is not running";
      GTEST_SKIP() << "no test server";
    }
  }
  std::string server_args() const {
    return "--host " + server_["TOLVEX_TEST_DB_HOST"] + " --port " + server_["TOLVEX_TEST_DB_PORT"] + " --user " +
           server_["TOLVEX_TEST_DB_USER"];
  }
  // The password travels in the environment, not on the command line.
  std::string password_env() const { return "TOLVEX_DB_PASSWORD='" + server_["TOLVEX_TEST_DB_PASSWORD"] + "'"; }

  tolvex::testing::MariaDbServerEnv server_;
};

}  // namespace

TEST_F(CliServerTest, ImportCheckAndGenerate) {
  CmdResult r = tolvex("databases " + server_args(), password_env());
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("tolvex_test"), std::string::npos) << r.output;

  r = tolvex("import shop.tvp --database tolvex_test " + server_args(), password_env());
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string project = slurp(dir_ / "shop.tvp");
  EXPECT_NE(project.find("<Project "), std::string::npos);
  EXPECT_NE(project.find("DBName=\"tolvex_test\""), std::string::npos);
  EXPECT_NE(project.find("<Table "), std::string::npos);
  // The server holds two tables whose names differ only in letter case; the import says so.
  EXPECT_NE(r.output.find("differ only in letter case"), std::string::npos) << r.output;

  // The check reads the project's stored connection (the password from the environment)
  // and prints how many differences it found; the twin left out is one of them.
  r = tolvex("check shop.tvp --keep", password_env());
  ASSERT_EQ(r.status, 0) << r.output;
  const size_t last = r.output.find_last_not_of("\r\n");
  const size_t start = r.output.find_last_of('\n', last) + 1;
  const std::string count = r.output.substr(start, last + 1 - start);
  EXPECT_EQ(count.find_first_not_of("0123456789"), std::string::npos) << r.output;

  // A freshly imported project selects no table for generation; the sample package's
  // validation refuses it with its message and the command fails.
  const std::string package = std::string(TOLVEX_BUILD_DATA_DIR) + "/templates/sample.zip";
  r = tolvex("generate shop.tvp --template '" + package + "' --destination site --overwrite=all --yes --keep",
             password_env());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("No table is selected for generation"), std::string::npos) << r.output;

  r = tolvex("import other.tvp --database no_such_database " + server_args(), password_env());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_FALSE(fs::exists(dir_ / "other.tvp"));
}
