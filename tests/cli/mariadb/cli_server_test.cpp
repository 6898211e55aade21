// The command against a real server, the whole road a user walks: a new project, a database
// imported into it, tables selected and a caption set, a site generated, the database changed
// under the project, checked, synchronised with a field mapping, and the site generated again.
#include "cli_runner.h"
#include "platform/mariadb_server_env.h"

namespace fs = std::filesystem;
using tolvex::testing::CmdResult;
using tolvex::testing::summary_of;

namespace {

constexpr const char* kDatabase = "tolvex_cli";

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
    return "--type MariaDB --host " + server_["TOLVEX_TEST_DB_HOST"] + " --port " + server_["TOLVEX_TEST_DB_PORT"] +
           " --user " + server_["TOLVEX_TEST_DB_USER"];
  }
  // The password travels in the environment, not on the command line.
  std::string password_env() const { return "TOLVEX_DB_PASSWORD='" + server_["TOLVEX_TEST_DB_PASSWORD"] + "'"; }
  CmdResult run(const std::string& args) { return tolvex(args, password_env()); }

  void sql(const std::vector<std::string>& statements) {
    for (const std::string& s : statements) {
      std::string error;
      ASSERT_GE(server_.query(s, "", error), 0) << s << ": " << error;
    }
  }
  // The first line of the command's output that starts with `start`.
  static std::string line_with(const std::string& output, const std::string& start) {
    const size_t at = output.find(start);
    return at == std::string::npos ? std::string() : output.substr(at, output.find('\n', at) - at);
  }

  tolvex::testing::MariaDbServerEnv server_;
};

bool have_php() { return std::system("php --version >/dev/null 2>&1") == 0; }

// php -l on every page below `site`: the pages that fail, with php's words.
std::string php_lint(const fs::path& site) {
  std::string failures;
  for (fs::recursive_directory_iterator it(site), end; it != end; ++it) {
    if (it->path().extension() != ".php") continue;
    const std::string cmd = "php -l '" + it->path().string() + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[512];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (!p || pclose(p) != 0) failures += out;
  }
  return failures;
}

}  // namespace

TEST_F(CliServerTest, TheWholeRoadFromANewProjectToARegeneratedSite) {
  sql({std::string("DROP DATABASE IF EXISTS ") + kDatabase, std::string("CREATE DATABASE ") + kDatabase});
  const std::string db = std::string(kDatabase) + ".";
  sql({"CREATE TABLE " + db + "customers (id INT PRIMARY KEY, name VARCHAR(50) NOT NULL, city VARCHAR(40))",
       "CREATE TABLE " + db + "products (id INT PRIMARY KEY, title VARCHAR(60), price DECIMAL(10,2))",
       "CREATE TABLE " + db + "orders (id INT PRIMARY KEY, customer_id INT NOT NULL, placed DATE, total DECIMAL(10,2), "
           "FOREIGN KEY (customer_id) REFERENCES " + db + "customers(id))",
       "CREATE VIEW " + db + "order_totals AS SELECT c.name, SUM(o.total) AS total FROM " + db + "orders o JOIN " + db +
           "customers c ON c.id = o.customer_id GROUP BY c.name"});

  CmdResult r = run("databases " + server_args());
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find(std::string("\n") + kDatabase + "\n"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find_first_not_of("abcdefghijklmnopqrstuvwxyz_0123456789\n"), std::string::npos) << r.output;

  ASSERT_EQ(run("new shop.tvp").status, 0);
  r = run("import shop.tvp --database " + std::string(kDatabase) + " " + server_args());
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Read 4 tables"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("tolvex set shop.tvp --table '*' TblGen=True"), std::string::npos) << r.output;
  // A project that holds a database already is synchronised, not imported into.
  r = run("import shop.tvp --database " + std::string(kDatabase) + " " + server_args());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("tolvex sync shop.tvp"), std::string::npos) << r.output;

  ASSERT_EQ(run("set shop.tvp --table '*' TblGen=True").status, 0);
  ASSERT_EQ(run("set shop.tvp --field orders.customer_id FldCaption=Buyer").status, 0);

  const std::string package = std::string(TOLVEX_BUILD_DATA_DIR) + "/templates/sample.zip";
  const std::string generate = "generate shop.tvp --template '" + package + "' --destination site --overwrite=all";
  r = run(generate);
  ASSERT_EQ(r.status, 0) << r.output;
  const size_t pages = files_below(dir_ / "site").size() - 2;  // less the debug copies of the code
  EXPECT_EQ(summary_of(r.output).written, int(pages)) << r.output;
  for (const char* page : {"customerslist.php", "orderslist.php", "productslist.php", "order_totalslist.php"})
    EXPECT_TRUE(fs::is_regular_file(dir_ / "site" / page)) << page;
  EXPECT_NE(slurp(dir_ / "site" / "ordersinfo.php").find("'caption' => 'Buyer'"), std::string::npos);
  if (have_php()) {
    EXPECT_EQ(php_lint(dir_ / "site"), "");
  }

  r = run("check shop.tvp");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("in step"), std::string::npos) << r.output;

  sql({"ALTER TABLE " + db + "orders RENAME COLUMN customer_id TO buyer_id",
       "CREATE OR REPLACE VIEW " + db + "order_totals AS SELECT c.name, SUM(o.total) AS total FROM " + db +
           "orders o JOIN " + db + "customers c ON c.id = o.buyer_id GROUP BY c.name",
       "CREATE TABLE " + db + "suppliers (id INT PRIMARY KEY, name VARCHAR(50))", "DROP TABLE " + db + "products"});
  r = run("check shop.tvp");
  EXPECT_EQ(r.status, 3) << r.output;
  // What it counted, a line each, adding up to the count; each phase of the check once,
  // though opening the project (AutoSync) would check too.
  for (const char* line : {"Table orders: changed; gone from the database: customer_id (counts 1)\n",
                           "Field orders.buyer_id: new (counts 2)\n", "Table suppliers: new, with 2 fields (counts 3)\n",
                           "Table products: removed, with its 3 fields (counts 4)\n",
                           "The project differs from its database in 10 places"})
    EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << r.output;
  EXPECT_EQ(r.output.find("Checking Database..."), r.output.rfind("Checking Database...")) << r.output;

  r = run("sync shop.tvp --update --map-field orders.customer_id=buyer_id");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Table suppliers: new"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Table products: removed"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Field orders.customer_id: renamed to buyer_id, its settings kept"), std::string::npos)
      << r.output;
  // Nothing else was rebuilt with its defaults.
  EXPECT_EQ(r.output.find("Field orders.buyer_id: new"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("removed with its settings"), r.output.rfind("removed with its settings")) << r.output;
  // The rename was mapped and the removed table is no other table renamed: no advice on mappings.
  EXPECT_EQ(r.output.find("--map-"), std::string::npos) << r.output;
  r = tolvex("get shop.tvp --field orders.buyer_id FldCaption", password_env(), true);
  EXPECT_EQ(r.output, "FldCaption=Buyer\n") << r.errors;
  r = run("check shop.tvp");
  EXPECT_EQ(r.status, 0) << r.output;

  // Regenerated over the site: every page of a selected table is written again.
  r = run(generate);
  ASSERT_EQ(r.status, 0) << r.output;
  const auto s = summary_of(r.output);
  EXPECT_GT(s.written, 0) << r.output;
  EXPECT_EQ(s.skipped, 0) << r.output;
  const std::string info = slurp(dir_ / "site" / "ordersinfo.php");
  EXPECT_NE(info.find("'name' => 'buyer_id'"), std::string::npos);
  EXPECT_NE(info.find("'caption' => 'Buyer'"), std::string::npos);
  if (have_php()) {
    EXPECT_EQ(php_lint(dir_ / "site"), "");
  }

  // A rename that no mapping named: the sync says which mapping would have kept the settings.
  sql({"ALTER TABLE " + db + "orders RENAME COLUMN buyer_id TO client_id",
       "CREATE OR REPLACE VIEW " + db + "order_totals AS SELECT c.name, SUM(o.total) AS total FROM " + db +
           "orders o JOIN " + db + "customers c ON c.id = o.client_id GROUP BY c.name"});
  r = run("sync shop.tvp --update");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("restore the project from its backup, then tolvex sync shop.tvp --update --map-field "
                          "orders.buyer_id=client_id\n"),
            std::string::npos)
      << r.output;
  sql({std::string("DROP DATABASE ") + kDatabase});
}

TEST_F(CliServerTest, AFailedImportWritesNoProject) {
  CmdResult r = run("import other.tvp --database no_such_database " + server_args());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_FALSE(fs::exists(dir_ / "other.tvp"));
}
