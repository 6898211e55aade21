#include "platform/folders.h"

#include <fstream>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/temp_folder.h"
#include "platform/version.h"

namespace tolvex::platform {
namespace {

using testing::ScopedEnv;
using testing::TempFolder;

TEST(ExpandEnvironment, ReplacesSetVariablesAndLeavesTheRest) {
  ScopedEnv a("TVX_A", "alpha");
  ScopedEnv b("TVX_B", "");
  ScopedEnv gone("TVX_UNSET", std::nullopt);
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"", ""},
      {"no references", "no references"},
      {"%TVX_A%", "alpha"},
      {"x%TVX_A%y%TVX_A%z", "xalphayalphaz"},
      {"%TVX_B%|", "|"},
      {"%TVX_UNSET%\\x", "%TVX_UNSET%\\x"},
      {"100% of %TVX_A%", "100% of alpha"},
      {"%%", "%%"},
      {"%TVX_A", "%TVX_A"},
      {"50%", "50%"},
      {"%tvx_a%", "%tvx_a%"},  // names are case-sensitive here
      {"%%TVX_A%%", "%alpha%"},
  };
  for (const auto& c : cases) EXPECT_EQ(expand_environment(c.in), c.out) << c.in;
}

TEST(Paths, BackslashesBecomeSlashes) {
  EXPECT_EQ(normalize_separators("C:\\a\\b/c"), "C:/a/b/c");
  EXPECT_EQ(normalize_separators("plain"), "plain");
}

TEST(Paths, FindsFilesWithoutRegardToLetterCase) {
  TempFolder tmp;
  std::filesystem::create_directories(tmp / "Templates/Sub Dir");
  std::ofstream(tmp / "Templates/Sub Dir/Control.XML") << "x";
  std::ofstream(tmp / "Templates/exact.txt") << "x";
  std::ofstream(tmp / "Templates/EXACT.txt") << "y";
  std::ofstream(tmp / "Templates/Grüße.txt") << "z";
  const auto base = tmp.path().string();
  struct Case {
    std::string ask;
    std::optional<std::string> found;
  };
  const Case cases[] = {
      {base + "/templates/sub dir/control.xml", base + "/Templates/Sub Dir/Control.XML"},
      {base + "\\TEMPLATES\\SUB DIR\\CONTROL.xml", base + "/Templates/Sub Dir/Control.XML"},
      {base + "/Templates/exact.txt", base + "/Templates/exact.txt"},
      {base + "/Templates/EXACT.txt", base + "/Templates/EXACT.txt"},
      {base + "/templates/Exact.TXT", base + "/Templates/EXACT.txt"},  // first in sorted order
      {base + "/templates/GRÜSSE.txt", std::nullopt},
      {base + "/templates/GRÜßE.TXT", base + "/Templates/Grüße.txt"},
      {base + "/templates/missing/control.xml", std::nullopt},
      {base + "/templates/sub dir/../exact.txt", base + "/Templates/Sub Dir/../exact.txt"},
  };
  for (const auto& c : cases) {
    auto got = find_path_nocase(c.ask);
    if (c.found) {
      ASSERT_TRUE(got) << c.ask;
      EXPECT_EQ(got->string(), *c.found) << c.ask;
      EXPECT_TRUE(std::filesystem::exists(*got));
    } else {
      EXPECT_FALSE(got) << c.ask;
    }
  }
}

TEST(Paths, CreateFoldersMakesTheTreeOrSaysWhyNot) {
  TempFolder tmp;
  create_folders(tmp / "a/b/c");
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "a/b/c"));
  create_folders(tmp / "a/b/c");  // already there
  std::ofstream(tmp / "file") << "x";
  try {
    create_folders(tmp / "file/sub");
    ADD_FAILURE();
  } catch (const PlatformError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot create the folder '" + (tmp / "file/sub").string() + "'"),
              std::string::npos)
        << e.what();
  }
}

TEST(Folders, DocumentsConfigAndApplicationFolders) {
  {
    ScopedEnv docs("XDG_DOCUMENTS_DIR", "/somewhere/Docs");
    EXPECT_EQ(documents_folder(), std::filesystem::path("/somewhere/Docs"));
  }
  {
    ScopedEnv docs("XDG_DOCUMENTS_DIR", std::nullopt);
    ScopedEnv home("HOME", "/home/tester");
    EXPECT_EQ(documents_folder(), std::filesystem::path("/home/tester/Documents"));
    ScopedEnv cfg("TOLVEX_CONFIG_DIR", std::nullopt);
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(config_folder(), std::filesystem::path("/home/tester/.config/tolvex"));
  }
  {
    ScopedEnv data("TOLVEX_DATA_DIR", "/opt/data");
    EXPECT_EQ(application_folder(), std::filesystem::path("/opt/data"));
  }
  ScopedEnv data("TOLVEX_DATA_DIR", std::nullopt);
  // A build tree finds the nearest share/tolvex above the executable: the copy the build
  // lays out beside its bin folder, else the source tree's.
  const auto exe = std::filesystem::read_symlink("/proc/self/exe");
  const auto source = std::filesystem::weakly_canonical(TOLVEX_SOURCE_DIR).string() + "/";
  if (exe.string().rfind(source, 0) != 0) return;
  const auto found = std::filesystem::weakly_canonical(application_folder());
  EXPECT_EQ(found.filename(), "tolvex");
  EXPECT_EQ(found.parent_path().filename(), "share");
  EXPECT_TRUE(std::filesystem::exists(found / "machine.reg")) << found;
  const auto top = found.parent_path().parent_path().string() + "/";
  EXPECT_EQ(exe.string().rfind(top, 0), 0u) << found << " is not above " << exe;
}

TEST(Version, TheBuildStampsTheLibraryVersion) {
  EXPECT_EQ(library_file_version().to_string(), "3.0.0.1");
  EXPECT_EQ(library_file_version(), (FileVersion{{3, 0, 0, 1}}));
}

}  // namespace
}  // namespace tolvex::platform
