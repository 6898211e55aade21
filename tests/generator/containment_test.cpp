// Hostile packages and settings: every kind of control naming files outside its package or
// outputs outside the destination is refused, and a whole run writes nothing outside the
// destination and the working folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "generator/check_run.h"
#include "generator/driver_fixture.h"
#include "generator/generation_driver.h"

namespace tolvex::testing {
namespace {

constexpr const char* kSecret = "TOP SECRET";

// The control file of the driver package with more controls before its end.
std::string control_file_with(const std::string& more) {
  std::string xml = read_text(fs::path(TOLVEX_TEST_DIR) / "fixtures" / "driver" / "package" / "control.xml");
  const size_t end = xml.find("</tolvex.control>");
  return xml.substr(0, end) + more + "\n" + xml.substr(end);
}

class ContainmentTest : public DriverFixture {
 protected:
  ContainmentTest() {
    // A file beside the working folder that no package may reach, and a current folder of
    // the run inside the scratch root so that writes relative to it are seen too.
    write_text(docs_ / "secret.txt", kSecret);
    write_text(docs_ / "secret.vbs", "Function Leak()\r\nLeak = \"" + std::string(kSecret) + "\"\r\nEnd Function\r\n");
    fs::create_directories(docs_ / "cwd");
    old_cwd_ = fs::current_path();
    fs::current_path(docs_ / "cwd");
    proj_->AppRootFolder((docs_ / "site" / "app").string());
  }
  ~ContainmentTest() override { fs::current_path(old_cwd_); }

  // Every file below the scratch root with its content.
  std::map<std::string, std::string> snapshot() const { return folder_files(docs_); }

  // The files added or changed since `before` outside the destination and the working folder,
  // and every output that holds the secret.
  std::vector<std::string> escaped(const std::map<std::string, std::string>& before) const {
    std::vector<std::string> out;
    for (const auto& [path, text] : snapshot()) {
      const bool owned = path.rfind("site/", 0) == 0 || path.rfind("Tolvex/", 0) == 0;
      const auto was = before.find(path);
      if (!owned && (was == before.end() || was->second != text)) out.push_back(path);
      if (path.rfind("site/", 0) == 0 && text.find(kSecret) != std::string::npos) out.push_back(path + " (secret)");
    }
    return out;
  }

  fs::path old_cwd_;
};

TEST_F(ContainmentTest, EveryKindOfControlNamingAPathOutsideItsFolderIsRefused) {
  // From the unpacked package (<docs>/Tolvex/Templates/driver.zip/Script), four levels up is
  // the scratch root.
  const std::string up = "../../../../";
  const std::string abs_secret = (docs_ / "secret.txt").string();
  struct Case {
    std::string label;
    std::map<std::string, std::string> files;  // package files replaced
    std::string app_root;                      // "-" keeps the fixture's
    std::string message;                       // a text the last error holds
  };
  const std::vector<Case> cases = {
      {"table ifiles", {{"control.xml", control_file_with(R"(<control id="t1" type="table" ifiles=")" + up + R"(secret.txt" ofile="t1" oext="php" />)")}}, "-", "\"t1\" names \"" + up + "secret.txt\""},
      {"field ifiles absolute", {{"control.xml", control_file_with(R"(<control id="f1" type="field" ifiles=")" + abs_secret + R"(" ofile="f1" oext="txt" />)")}}, "-", "\"f1\" names"},
      {"simple ifiles", {{"control.xml", control_file_with(R"(<control id="s1" type="simple" ifiles="..\..\..\..\secret.txt" ofile="s1" oext="txt" />)")}}, "-", "\"s1\" names"},
      {"other ifiles list", {{"control.xml", control_file_with(R"(<control id="o1" type="other" ifiles="home.php, )" + up + R"(secret.txt" ofile="o1" oext="txt" />)")}}, "-", "\"o1\" names"},
      {"function script", {{"control.xml", control_file_with(R"(<control id="fn1" type="function" ifiles=")" + up + R"(secret.vbs" />)")}}, "-", "\"fn1\" names"},
      {"copy file", {{"control.xml", control_file_with(R"(<control id="c1" type="copy" ifiles=")" + up + R"(secret.txt" />)")}}, "-", "\"c1\" names"},
      {"copy from folder", {{"control.xml", control_file_with(R"(<control id="c2" type="copy" ifolder="../../../.." ifiles="secret.txt" />)")}}, "-", "\"c2\" names"},
      {"copy whole folder", {{"control.xml", control_file_with(R"(<control id="c3" type="copy" ifolder=")" + up + R"(" />)")}}, "-", "\"c3\" names"},
      {"input folder", {{"control.xml", control_file_with(R"(<control id="t2" type="table" ifolder=")" + up + R"(" ifiles="list.php" ofile="t2" oext="php" />)")}}, "-", "\"t2\" names"},
      {"session file", {{"control.xml", control_file_with(R"(<control id="t3" type="table" ifiles="list.php" ofile="t3" oext="php"><session type="key" value="s" ifile=")" + up + R"(secret.txt" /></control>)")}}, "-", "\"t3\" names"},
      {"include", {{"list.php", "<!--##include " + up + "secret.txt/body##-->"}}, "-", "\"list\" names"},
      {"output folder", {{"control.xml", control_file_with(R"(<control id="t4" type="table" ifiles="list.php" ofile="t4" oext="php" ofolder="../../evil" />)")}}, "-", "\"../../evil\""},
      {"folder control", {{"control.xml", control_file_with(R"(<control id="_up" type="folder" ofolder="..\..\evil" /><control id="t5" type="table" ifiles="list.php" ofile="t5" oext="php" ofolderid="_up" />)")}}, "-", "evil"},
      {"application root climbed", {{"control.xml", control_file_with(R"(<control id="s2" type="simple" ifiles="home.php" ofile="s2" oext="php" ofolder="~/../../x" />)")}}, "-", "~/../../x"},
      {"no application root", {{"control.xml", control_file_with(R"(<control id="s3" type="simple" ifiles="home.php" ofile="s3" oext="php" ofolder="~/../../x" />)")}}, "", "needs an application root folder"},
      {"application root at the top", {{"control.xml", control_file_with(R"(<control id="s4" type="simple" ifiles="home.php" ofile="s4" oext="php" ofolder="~/x" />)")}}, "/", "needs an application root folder"},
      {"output file", {{"control.xml", control_file_with(R"(<control id="s5" type="simple" ifiles="home.php" ofile="../../../evil" oext="php" />)")}}, "-", "evil.php"},
      {"output extension", {{"control.xml", control_file_with(R"(<control id="s6" type="simple" ifiles="home.php" ofile="s6" oext="/../../../evil" />)")}}, "-", "evil"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(dest_);
    proj_->AppRootFolder(c.app_root == "-" ? (dest_ / "app").string() : c.app_root);
    make_package(c.files, 1700000000 + int(&c - cases.data()));
    const auto before = snapshot();
    generate();
    EXPECT_NE(ctx().ProjErr.find(c.message), std::string::npos) << ctx().ProjErr;
    EXPECT_EQ(escaped(before), std::vector<std::string>{});
  }
}

// A hostile control id and extension name: the compiled template stays in the cache folder,
// the extension never gets a folder, and nothing is written elsewhere.
TEST_F(ContainmentTest, HostileIdsAndExtensionNamesStayInTheirFolders) {
  auto list = vb::make_ref<FakeExtensionList>();
  list->items.push_back(vb::make_ref<FakeExtension>("../../../../escape", "esc.zip", true));
  list->items.push_back(vb::make_ref<FakeExtension>("ext", "ext.zip", true));
  ctx().ExtensionList = list;
  ctx().ExtensionsFolder = (docs_ / "exts").string();
  zip_files(docs_ / "exts" / "esc.zip", {{"control.xml", "<tolvex.control version=\"3.0\"/>"}}, 1700000000);
  zip_files(docs_ / "exts" / "ext.zip",
            {{"control.xml", R"(<tolvex.control version="3.0"><control id="e1" type="simple" ifiles="../../Script/home.php" ofile="e1" oext="php" action="add" /></tolvex.control>)"}},
            1700000000);
  make_package({{"control.xml", control_file_with(R"(<control id="../../../../../evil" type="simple" ifiles="home.php" ofile="idx" oext="php" />)")}});
  const auto before = snapshot();
  generate();
  // The extension's control names a file of the package beside it, outside its own folder.
  EXPECT_NE(ctx().ProjErr.find("\"e1\" names \"../../Script/home.php\""), std::string::npos) << ctx().ProjErr;
  EXPECT_EQ(escaped(before), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(docs_ / "escape"));
  EXPECT_FALSE(fs::exists(template_root().parent_path().parent_path().parent_path() / "escape"));

  // Without the hostile extension control, the control with the hostile id is compiled into
  // the cache folder.
  zip_files(docs_ / "exts" / "ext.zip", {{"control.xml", "<tolvex.control version=\"3.0\"/>"}}, 1700000100);
  const auto again = snapshot();
  generate();
  EXPECT_TRUE(fs::exists(template_root() / "cache" / ".._.._.._.._.._evil.tpl"));
  EXPECT_EQ(escaped(again), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(docs_ / "evil.tpl"));
}

// A damaged, refused or empty package ends the run with the extractor's reason after the
// usual text, and a package over the size limit of the registry writes nothing.
TEST_F(ContainmentTest, APackageThatDoesNotUnpackEndsTheRunWithItsReason) {
  write_text(package_, "this is not an archive");
  fs::last_write_time(package_, fs::file_time_type::clock::now());
  generate();
  EXPECT_EQ(ctx().ProjErr.rfind("Tolvex: control file not found! Generation aborted! Reason: Cannot open package '", 0), 0u)
      << ctx().ProjErr;

  make_package({{"big.bin", std::string(size_t(3) << 20, 'x')}}, 1700000200);
  user_value(general(), "MaxPackageSize", platform::RegValue::make_dword(2));
  fs::remove_all(template_root() / "Script");
  generate();
  EXPECT_NE(ctx().ProjErr.find("Reason: Package '" + package_.string() + "' unpacks to more than the limit of 2097152 bytes"),
            std::string::npos)
      << ctx().ProjErr;
  EXPECT_FALSE(fs::exists(template_root() / "Script" / "control.xml"));
  EXPECT_TRUE(site_files().empty());

  // Raised, the same package generates.
  user_value(general(), "MaxPackageSize", platform::RegValue::make_dword(4));
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_TRUE(site_files().count("home.php"));

  // The check run says why too.
  write_text(package_, "");
  EXPECT_EQ(GenCheck(*proj_), 0);
  EXPECT_NE(ctx().ProjErr.find("Load control file failed! Please check if the correct template file is in use! Reason: "),
            std::string::npos)
      << ctx().ProjErr;
}

}  // namespace
}  // namespace tolvex::testing
