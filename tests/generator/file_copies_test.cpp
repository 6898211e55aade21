// Folder copies made beside their target: hidden and private while they are made, and what a
// killed run left of them removed by the next copy.
#include "generator/file_copies.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/file_io.h"
#include "platform/temp_folder.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;

void put(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

std::set<std::string> names_in(const fs::path& folder) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
  return out;
}

TEST(FolderCopy, IsMadeHiddenAndPrivateAndRemovesWhatKilledCopiesLeft) {
  platform::testing::TempFolder tmp;
  const fs::path site = tmp / "site";
  put(site / "images" / "logo.php", "new");
  put(site / "images.bak" / "logo.php", "old");
  // Left by killed runs: removed.
  put(site / "images.bak.tmp-1a2b3c4d" / "logo.php", "half");
  put(site / "images.bak.old-DEADBEEF" / "logo.php", "older");
  put(site / ".images.bak.tolvex.new-00ff00ff" / "logo.php", "half");
  // Not copies of this folder: kept.
  put(site / "images.bak.tmp-xyz" / "a", "");
  put(site / "other.tmp-12345678" / "a", "");
  fs::permissions(site / "images", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);

  int checked = 0;
  platform::set_write_fault_hook([&](std::string_view step) {
    if (step != "sync") return true;
    for (const auto& e : fs::directory_iterator(site)) {
      const std::string name = e.path().filename().string();
      if (name.find(".tolvex.new-") == std::string::npos) continue;
      ++checked;
      EXPECT_EQ(name[0], '.') << name;
      EXPECT_EQ(fs::status(e.path()).permissions() & fs::perms::all, fs::perms::owner_all) << name;
    }
    return true;
  });
  const std::string failure = replace_folder_with_copy((site / "images").string(), (site / "images.bak").string());
  platform::set_write_fault_hook({});
  EXPECT_EQ(failure, "");
  EXPECT_EQ(checked, 1);
  EXPECT_EQ(names_in(site), (std::set<std::string>{"images", "images.bak", "images.bak.tmp-xyz", "other.tmp-12345678"}));
  EXPECT_EQ(platform::read_file(site / "images.bak" / "logo.php"), "new");
  EXPECT_EQ(fs::status(site / "images.bak").permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

}  // namespace
}  // namespace tolvex
