// A second name for a file, put in place of another in one step.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "platform/temp_folder.h"

namespace tolvex::platform {
namespace {

using testing::TempFolder;
namespace fs = std::filesystem;

ino_t inode(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::set<std::string> names_in(const fs::path& folder) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
  return out;
}

void put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

TEST(LinkFileAtomic, GivesTheFileASecondNameOrChangesNothing) {
  const struct {
    const char* what;
    void (*prepare)(const TempFolder&);  // makes "from" and maybe "to"
    bool hook_refuses;
    bool linked;
  } cases[] = {
      {"new name", [](const TempFolder& t) { put(t / "from", "new"); }, false, true},
      {"replaces a file",
       [](const TempFolder& t) {
         put(t / "from", "new");
         put(t / "to", "old");
       },
       false, true},
      {"already one file",
       [](const TempFolder& t) {
         put(t / "from", "new");
         fs::create_hard_link(t / "from", t / "to");
       },
       false, true},
      {"through a symbolic link",
       [](const TempFolder& t) {
         put(t / "target", "new");
         fs::create_symlink("target", t / "from");
         put(t / "to", "old");
       },
       false, true},
      {"missing source", [](const TempFolder& t) { put(t / "to", "old"); }, false, false},
      {"source is a folder",
       [](const TempFolder& t) {
         fs::create_directory(t / "from");
         put(t / "to", "old");
       },
       false, false},
      {"no hard links here",
       [](const TempFolder& t) {
         put(t / "from", "new");
         put(t / "to", "old");
       },
       true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder tmp;
    c.prepare(tmp);
    const std::set<std::string> before = names_in(tmp.path());
    const bool had_target = fs::exists(tmp / "to");
    const std::string old_text = had_target ? read_file(tmp / "to") : "";
    if (c.hook_refuses) set_write_fault_hook([](std::string_view step) { return step != "link"; });
    const bool linked = link_file_atomic(tmp / "from", tmp / "to");
    set_write_fault_hook({});
    EXPECT_EQ(linked, c.linked);
    if (c.linked) {
      EXPECT_EQ(read_file(tmp / "to"), "new");
      EXPECT_EQ(inode(tmp / "to"), inode(tmp / "from"));
      EXPECT_FALSE(fs::is_symlink(tmp / "to"));
      std::set<std::string> expected = before;
      expected.insert("to");
      EXPECT_EQ(names_in(tmp.path()), expected);  // no temporary name left
    } else {
      EXPECT_EQ(names_in(tmp.path()), before);
      EXPECT_EQ(read_file(tmp / "to"), old_text);
    }
  }
}

// A kill between the link and the rename leaves a temporary name; the next link into the
// folder removes it, and the folder flush answers.
TEST(LinkFileAtomic, ALeftTemporaryNameIsSwept) {
  TempFolder tmp;
  fs::create_directory(tmp / "backups");
  put(tmp / "from", "data");
  fs::create_hard_link(tmp / "from", tmp / "backups" / ".tolvex-0123456789.tmp");
  ASSERT_TRUE(link_file_atomic(tmp / "from", tmp / "backups" / "copy"));
  EXPECT_EQ(names_in(tmp / "backups"), std::set<std::string>{"copy"});
  EXPECT_TRUE(sync_folder(tmp / "backups"));
  EXPECT_FALSE(sync_folder(tmp / "missing"));
}

}  // namespace
}  // namespace tolvex::platform
