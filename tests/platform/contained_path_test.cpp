#include "platform/contained_path.h"

#include <gtest/gtest.h>

namespace tolvex::platform {
namespace {

TEST(ContainedPath, NamesStayBelowTheirFolderOrAreRefused) {
  struct Case {
    const char* name;
    std::optional<std::string> relative;       // as a package name
    std::optional<std::string> rooted_relative;  // where a leading "/" means the top of the folder
  };
  const Case cases[] = {
      {"page.htm", "page.htm", "page.htm"},
      {"sub\\page.htm", "sub/page.htm", "sub/page.htm"},
      {"./a//b/", "a/b", "a/b"},
      {"a/../b", "b", "b"},
      {"", "", ""},
      {".", "", ""},
      {"..", std::nullopt, std::nullopt},
      {"../../../../etc/passwd", std::nullopt, std::nullopt},
      {"a/../../x", std::nullopt, std::nullopt},
      {"a\\..\\..\\x", std::nullopt, std::nullopt},
      {"/etc/passwd", std::nullopt, "etc/passwd"},
      {"\\abs", std::nullopt, "abs"},
      {"/../x", std::nullopt, std::nullopt},
      {"C:\\Windows", std::nullopt, std::nullopt},
      {"...", "...", "..."},
      {"..name", "..name", "..name"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(relative_inside(c.name), c.relative) << c.name;
    EXPECT_EQ(relative_inside(c.name, /*rooted_is_relative=*/true), c.rooted_relative) << c.name;
  }
}

TEST(ContainedPath, PathInsideJoinsOnlyContainedNamesToANamedFolder) {
  EXPECT_EQ(path_inside("/pkg", "sub\\a.htm"), "/pkg/sub/a.htm");
  EXPECT_EQ(path_inside("/pkg/", "a.htm"), "/pkg/a.htm");
  EXPECT_EQ(path_inside("/pkg", "."), "/pkg");
  EXPECT_EQ(path_inside("/pkg", "../pkg2/a.htm"), std::nullopt);
  EXPECT_EQ(path_inside("/pkg", "/etc/passwd"), std::nullopt);
  EXPECT_EQ(path_inside("", "a.htm"), std::nullopt) << "no folder: never a name at the root or the current folder";
}

TEST(ContainedPath, PlainFolderNames) {
  for (const char* good : {"Ext1", "my extension", "ext.v2", "..ext", "Ünïcode"}) EXPECT_TRUE(is_plain_folder_name(good)) << good;
  for (const char* bad : {"", ".", "..", "../../../../escape", "a/b", "a\\b", "C:", "tab\there", "/abs"})
    EXPECT_FALSE(is_plain_folder_name(bad)) << bad;
}

}  // namespace
}  // namespace tolvex::platform
