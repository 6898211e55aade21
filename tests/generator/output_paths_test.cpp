#include "generator/output_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/context.h"
#include "foundation/status.h"
#include "templates/controls.h"
#include "templates/template_compiler.h"
#include "model/project_fixture.h"
#include "vb/convert.h"
#include "vb/error.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;

TEST(ComposeOutputNameTest, PlacesTheExtraTextByNameType) {
  struct Case {
    const char* base;
    const char* part;
    const char* name;
    const char* ext;
    const char* type;
    const char* extra;
    bool lower;
    const char* expected;
  };
  const Case cases[] = {
      {"orders", "", "list", "php", "prefix", "x_", false, "x_orderslist.php"},
      {"orders", "", "list", "php", "infix", "_", false, "orders_list.php"},
      {"orders", "", "list", "php", "suffix", "_page", false, "orderslist_page.php"},
      {"orders", "", "list", "php", "", "_", false, "orderslist.php"},
      {"orders", "", "list", "php", "other", "_", false, "orderslist.php"},
      {"orders", "", "list", "php", "INFIX", "_", false, "orders_list.php"},  // type in any letter case
      {"orders", "id", "name", "php", "infix", "_", false, "orders_id_name.php"},  // a field page
      {"orders", "id", "name", "php", "prefix", "x_", false, "x_orders_idname.php"},
      {"", "", "index", "php", "infix", "_", false, "index.php"},  // infix without a base: the name alone
      {"", "", "index", "php", "suffix", "_s", false, "index_s.php"},
      {"Orders", "", "_List", "PHP", "", "", true, "orders_list.php"},
      {"orders", "", "list", "", "", "", false, "orderslist."},  // an empty extension keeps the dot
  };
  for (const Case& c : cases)
    EXPECT_EQ(ComposeOutputName(c.base, c.part, c.name, c.ext, c.type, c.extra, c.lower), c.expected)
        << c.base << "|" << c.part << "|" << c.name << "|" << c.type;
}

class OutputPathTest : public testing::ProjectFixture {
 protected:
  OutputPathTest() {
    proj_ = vb::make_ref<AGP>();
    dest_ = docs_ / "site";
    app_root_ = docs_ / "approot";
    proj_->Destination(dest_.string());
    proj_->AppRootFolder(app_root_.string());
  }
  void add_folder_control(const std::string& id, const std::string& folder) {
    AGPControl c;
    c.CtrlID = id;
    c.CtrlType = "Folder";
    c.CtrlOFolder = folder;
    ASSERT_TRUE(project_controls(*proj_).AddControl(c));
  }
  vb::Ref<AGP> proj_;
  fs::path dest_, app_root_;
};

TEST_F(OutputPathTest, GetOutputNameReadsTheNamingSettings) {
  proj_->OutputNameType("Infix");
  proj_->OutputNameExt("_");
  proj_->OutputNameLCase(true);
  EXPECT_EQ(GetOutputName(*proj_, vb::Variant("Orders"), vb::Variant(), vb::Variant("List"), vb::Variant("PHP")),
            "orders_list.php");
  proj_->OutputNameLCase(false);
  proj_->OutputNameType("prefix");
  EXPECT_EQ(GetOutputName(*proj_, vb::Variant("Orders"), vb::Variant("ID"), vb::Variant("View"), vb::Variant("php")),
            "_Orders_IDView.php");
}

TEST_F(OutputPathTest, ResolvesFoldersUnderTheDestinationOrTheApplicationRoot) {
  struct Case {
    std::string folder;
    std::string file;
    std::string expected;  // relative to the docs folder
    std::string created;   // folder that must exist afterwards ("" = none below the roots)
  };
  const Case cases[] = {
      {"~\\images\\", "a.png", "approot/images/a.png", "approot/images"},
      {"~/img", "a.png", "approot/img/a.png", "approot/img"},
      {"~\\", "a.png", "approot/a.png", ""},
      {"images", "a.png", "site/images/a.png", "site/images"},
      {"css\\sub\\", "s.css", "site/css/sub/s.css", "site/css/sub"},
      {"", "index.php", "site/index.php", ""},
      {"~", "x.php", "site/~/x.php", "site/~"},  // "~" alone is an ordinary folder name
      // a leading separator is the top of the root; ".." that stays inside is taken back
      {"/abs/dir", "f.php", "site/abs/dir/f.php", "site/abs/dir"},
      {"a/../b", "f.php", "site/b/f.php", "site/b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveOutputPath(*proj_, c.folder, c.file, false), (docs_ / c.expected).string()) << c.folder;
    if (!c.created.empty()) {
      EXPECT_TRUE(fs::is_directory(docs_ / c.created)) << c.folder;
    }
  }
}

// Folders and files that would climb out of their root, and "~/" folders without a usable
// application root, are refused with the last-error text naming them; nothing is created.
TEST_F(OutputPathTest, OutputsThatWouldLeaveTheirRootAreRefused) {
  struct Case {
    const char* app_root;
    const char* folder;
    const char* file;
    const char* named;  // the text the message names
  };
  const Case cases[] = {
      {nullptr, "../../etc", "passwd", "../../etc"},
      {nullptr, "~\\..\\..\\up", "f.php", "..\\..\\up"},
      {nullptr, "ok", "../../evil.php", "../../evil.php"},
      {nullptr, "", "..\\x.php", "..\\x.php"},
      {"", "~/../../x", "f.php", "~/../../x"},
      {"", "~/x", "f.php", "~/x"},
      {"  ", "~/x", "f.php", "~/x"},
      {"/", "~/x", "f.php", "~/x"},
      {"\\", "~/x", "f.php", "~/x"},
  };
  for (const Case& c : cases) {
    if (c.app_root) proj_->AppRootFolder(c.app_root);
    context().ProjErr.clear();
    EXPECT_THROW(ResolveOutputPath(*proj_, c.folder, c.file, false), vb::VBError) << c.folder << c.file;
    EXPECT_NE(context().ProjErr.find(c.named), std::string::npos) << context().ProjErr;
    EXPECT_NE(context().ProjErr.find("Generation aborted"), std::string::npos) << context().ProjErr;
  }
  EXPECT_FALSE(fs::exists(dest_));
  EXPECT_FALSE(fs::exists(app_root_));
  EXPECT_FALSE(fs::exists(docs_.parent_path() / "etc"));
  EXPECT_FALSE(fs::exists(fs::current_path() / "x"));
}

TEST_F(OutputPathTest, CheckModeCreatesNothing) {
  EXPECT_EQ(ResolveOutputPath(*proj_, "~/images", "a.png", true), (app_root_ / "images" / "a.png").string());
  EXPECT_EQ(ResolveOutputPath(*proj_, "images", "", true), (dest_ / "images").string() + "/");
  EXPECT_FALSE(fs::exists(app_root_));
  EXPECT_EQ(ResolveOutputPath(*proj_, "", "index.php", false), (dest_ / "index.php").string());
  EXPECT_FALSE(fs::exists(dest_)) << "an empty folder creates nothing, also when not checking";
}

TEST_F(OutputPathTest, RootsComeFromSettingsWithBackslashesAndAnEmptyOneStaysRelative) {
  proj_->Destination("");
  EXPECT_EQ(ResolveOutputPath(*proj_, "images", "a.png", true), "images/a.png");
  EXPECT_EQ(ResolveOutputPath(*proj_, "", "a.png", true), "a.png");
  proj_->Destination("  C:\\site\\ ");  // settings may carry "\" and blanks
  EXPECT_EQ(ResolveOutputPath(*proj_, "", "a.png", true), "C:/site/a.png");
  proj_->AppRootFolder("C:\\site");
  EXPECT_EQ(ResolveOutputPath(*proj_, "~\\images\\", "a.png", true), "C:/site/images/a.png");
}

TEST_F(OutputPathTest, FolderControlsAreFoundByIdWithoutLetterCase) {
  add_folder_control("_css", "css\\");
  add_folder_control("Images", "~/images");
  AGPControl page;
  page.CtrlID = "list";
  page.CtrlType = "table";
  page.CtrlOFolder = "nope";
  ASSERT_TRUE(project_controls(*proj_).AddControl(page));

  EXPECT_EQ(GetFolderControlPath(*proj_, "_CSS"), "css\\");
  EXPECT_EQ(GetFolderControlPath(*proj_, "images"), "~/images");
  EXPECT_EQ(GetFolderControlPath(*proj_, "list"), "") << "only folder controls name folders";
  EXPECT_EQ(GetFolderControlPath(*proj_, "missing"), "");
  EXPECT_EQ(GetFolderPath(*proj_, "images", "other"), "~/images");
  EXPECT_EQ(GetFolderPath(*proj_, "", "other"), "other");
  EXPECT_EQ(GetFolderPath(*proj_, "missing", "other"), "") << "a named folder control that is missing gives no folder";
}

TEST_F(OutputPathTest, PathExistsFindsFilesAndFoldersAndClosesProgressWhenMissing) {
  const fs::path pkg = docs_ / "pkg";
  fs::create_directories(pkg / "Sub");
  std::ofstream(pkg / "List.htm") << "x";
  const std::string folder = pkg.string();
  EXPECT_EQ(PathExists(folder, "List.htm"), folder + "/List.htm");
  EXPECT_EQ(PathExists(folder, "list.HTM"), folder + "/List.htm") << "found without letter case, named as on disk";
  EXPECT_EQ(PathExists(folder, "Sub"), folder + "/Sub") << "folders count";
  EXPECT_EQ(PathExists("", folder + "/List.htm"), folder + "/List.htm") << "no folder: the file itself";

  status_window().ShowStatus3(0, "\x05Title");
  EXPECT_EQ(PathExists(folder, "missing.htm"), "");
  EXPECT_FALSE(status_window().is_open());
}

}  // namespace
}  // namespace tolvex
