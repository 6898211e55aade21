// The tolvex command run as a user runs it: the main job (the bundled sample project
// generated with the bundled template package) and the command's errors.
#include "cli_runner.h"

namespace fs = std::filesystem;
using tolvex::testing::CmdResult;

namespace {
class CliTest : public tolvex::testing::CliFixture {};
}  // namespace

TEST_F(CliTest, GeneratesTheSampleProject) {
  const std::string sample = std::string(TOLVEX_BUILD_DATA_DIR) + "/samples/sample.tvp";
  CmdResult r = tolvex("generate '" + sample + "' --destination site --overwrite=all --yes");
  ASSERT_EQ(r.status, 0) << r.output;
  for (const char* f : {"index.php", "common.php", "menu.php", "css/site.css", "images/logo.svg", "customerslist.php",
                        "customersview.php", "ordersedit.php", "order_itemsadd.php", "order_totalslist.php"})
    EXPECT_TRUE(fs::is_regular_file(dir_ / "site" / f)) << f << "\n" << r.output;
  EXPECT_NE(slurp(dir_ / "site" / "customerslist.php").find("customers"), std::string::npos);

  // A second run with --overwrite=skip keeps what is there.
  std::ofstream(dir_ / "site" / "index.php", std::ios::binary) << "kept";
  r = tolvex("generate '" + sample + "' --destination site --overwrite=skip");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(slurp(dir_ / "site" / "index.php"), "kept");
  // check-template counts the outputs that exist already.
  r = tolvex("check-template '" + sample + "' --destination site");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_GT(std::stoi(r.output.substr(r.output.find_last_not_of("\n\r0123456789") + 1)), 0) << r.output;
}

TEST_F(CliTest, ErrorsEndWithAStatusAndTheMessage) {
  struct Case {
    std::string args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"generate missing.tvp", 1, "Project file not found: missing.tvp"},
      {"generate", 106, "file is required"},
      {"frobnicate", 109, "frobnicate"},
  };
  for (const auto& c : cases) {
    CmdResult r = tolvex(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
  }
  CmdResult r = tolvex("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("tolvex 3.0"), std::string::npos) << r.output;
}
