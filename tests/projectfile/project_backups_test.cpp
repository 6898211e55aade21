// The numbered backups that Save keeps, and a failed Save that must keep the old file.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>

#include "foundation/context.h"
#include "platform/file_io.h"
#include "project_file_fixture.h"
#include "vb/error.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;
using testing::ProjectFileFixture;

class ProjectBackupsTest : public ProjectFileFixture {
 protected:
  // Number -> content of the backups of `name` in `folder`, numbers 1 to 20.
  std::map<int, std::string> backups(const std::string& folder, const std::string& name) {
    std::map<int, std::string> out;
    for (int n = 1; n <= 20; ++n) {
      const fs::path p = fs::path(folder) / BackupFileName(name, n);
      if (fs::exists(p)) out[n] = read(p.string());
    }
    return out;
  }
  static struct stat stat_of(const std::string& file) {
    struct stat st {};
    ::stat(file.c_str(), &st);
    return st;
  }
  // The folder of the backups that Save keeps of `file`.
  std::string folder_of(const std::string& file) { return ProjectBackupFolder(ctx().BackupFolder, file); }
  std::string backup(const std::string& file, int n) {
    return (fs::path(folder_of(file)) / BackupFileName(file, n)).string();
  }
};

TEST_F(ProjectBackupsTest, BackupNames) {
  const struct {
    const char* file;
    int n;
    const char* expected;
  } cases[] = {{"C:/work/shop.tvp", 1, "shop(1).tvp"}, {"C:\\work\\shop.tvp", 12, "shop(12).tvp"},
               {"shop", 1, "shop(1)"},                {"/home/u/a.b.tvp", 2, "a.b(2).tvp"},
               {"/home/u.v/shop", 3, "shop(3)"}};
  for (const auto& c : cases) EXPECT_EQ(BackupFileName(c.file, c.n), c.expected) << c.file;
}

TEST_F(ProjectBackupsTest, RotationKeepsTheNewestCopies) {
  using Copies = std::map<int, std::string>;
  const struct {
    const char* what;
    Copies before;
    int16_t max;
    Copies after;
  } cases[] = {
      {"first backup", {}, 10, {{1, "current"}}},
      {"full set",
       {{1, "b1"}, {2, "b2"}, {3, "b3"}, {4, "b4"}, {5, "b5"}, {6, "b6"}, {7, "b7"}, {8, "b8"}, {9, "b9"}, {10, "b10"}},
       10,
       {{1, "current"}, {2, "b1"}, {3, "b2"}, {4, "b3"}, {5, "b4"}, {6, "b5"}, {7, "b6"}, {8, "b7"}, {9, "b8"},
        {10, "b9"}}},
      {"gap", {{1, "b1"}, {2, "b2"}, {4, "b4"}}, 10, {{1, "current"}, {2, "b1"}, {3, "b2"}, {4, "b4"}}},
      {"maximum one", {{1, "b1"}}, 1, {{1, "current"}}},
      {"maximum lowered", {{1, "b1"}, {2, "b2"}, {3, "b3"}, {4, "b4"}, {5, "b5"}}, 3,
       {{1, "current"}, {2, "b1"}, {3, "b2"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = path("backups/nested");
    fs::remove_all(path("backups"));
    const std::string file = path("shop.tvp");
    write(file, "current");
    if (!c.before.empty()) fs::create_directories(folder);
    for (const auto& [n, text] : c.before) write((fs::path(folder) / BackupFileName(file, n)).string(), text);
    BackupProjectFile(file, folder, c.max);
    EXPECT_EQ(backups(folder, file), c.after);
    EXPECT_EQ(read(file), "current");
  }
  // Without a file on disk nothing is copied and no folder is made.
  fs::remove_all(path("backups"));
  BackupProjectFile(path("new.tvp"), path("backups/nested"), 10);
  EXPECT_FALSE(fs::exists(path("backups")));
}

// A process killed at any moment of the rotation leaves every backup whole: each is copied
// beside and renamed, never truncated in place. What a kill leaves besides is only temporary
// files that the next write into the folder removes.
TEST_F(ProjectBackupsTest, AKillDuringTheRotationTruncatesNoBackup) {
  const std::string folder = path("backups");
  const std::string file = path("big.tvp");
  const std::string content(4 << 20, 'p');
  write(file, content);
  std::mt19937 random(12345);
  for (int kill_no = 0; kill_no < 12; ++kill_no) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) BackupProjectFile(file, folder, 4);
    }
    ::usleep(useconds_t(2000 + random() % 40000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(".tolvex-")) continue;  // a temporary file: removed below
      EXPECT_EQ(fs::file_size(entry.path()), content.size()) << name << " after kill " << kill_no;
    }
  }
  platform::remove_stale_temp_files(folder);
  for (const auto& entry : fs::directory_iterator(folder))
    EXPECT_TRUE(entry.path().filename().string().starts_with("big(")) << entry.path();
  EXPECT_EQ(read(file), content);
}

// Save keeps the file it replaces as backup number 1 by giving it the backup's name: the
// backup is the old file itself, no bytes copied, and a file of its own once the new file
// stands. Where no link can be made (another file system, none without hard links) or the
// file has a name elsewhere too, it is copied, with the same result on disk.
TEST_F(ProjectBackupsTest, SaveKeepsTheReplacedFileAsBackupOneWithoutCopyingIt) {
  const struct {
    const char* what;
    bool links_refused;
    bool second_name;  // the file also has a name outside the backups
    bool linked;       // backup 1 is the replaced file itself, at each save
  } cases[] = {
      {"linked", false, false, true},
      {"no hard links", true, false, false},
      {"a second name elsewhere", false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = path(std::string("linked-") + std::to_string(&c - cases) + ".tvp");
    const std::string other = path("other-name.tvp");
    fs::remove(other);
    if (c.links_refused) platform::set_write_fault_hook([](std::string_view step) { return step != "link"; });
    auto p = vb::make_ref<AGP>();
    std::vector<std::string> saved;
    for (const char* name : {"one", "two", "three"}) {
      p->set_setting_value(ProjectSetting::ProjName, vb::Variant(name));
      if (c.second_name && fs::exists(file) && !fs::exists(other)) fs::create_hard_link(file, other);
      const struct stat replaced = stat_of(file);
      Save(*p, file);
      ASSERT_EQ(ctx().ProjErr, "");
      saved.push_back(read(file));
      if (saved.size() < 2) continue;
      const struct stat b1 = stat_of(backup(file, 1));
      // The file written by the second save has no other name: the third links it.
      EXPECT_EQ(b1.st_ino == replaced.st_ino, c.linked || (c.second_name && saved.size() == 3));
      EXPECT_EQ(b1.st_nlink, 1u);
      EXPECT_EQ(stat_of(file).st_nlink, 1u);
    }
    platform::set_write_fault_hook({});
    EXPECT_EQ(backups(folder_of(file), file), (std::map<int, std::string>{{1, saved[1]}, {2, saved[0]}}));
    EXPECT_EQ(stat_of(backup(file, 2)).st_nlink, 1u);
    if (c.second_name) {
      EXPECT_EQ(read(other), saved[0]);
    }
    for (const auto& entry : fs::directory_iterator(folder_of(file)))
      EXPECT_FALSE(entry.path().filename().string().starts_with(".tolvex-")) << entry.path();
  }
}

// A save that fails after backup number 1 was made as a second name of the file leaves the
// file as it was, and the backup a file of its own holding the same bytes.
TEST_F(ProjectBackupsTest, AFailedReplaceLeavesBackupOneAFileOfItsOwn) {
  const std::string file = path("failing.tvp");
  auto p = vb::make_ref<AGP>();
  p->set_setting_value(ProjectSetting::ProjName, vb::Variant("old"));
  Save(*p, file);
  const std::string old_text = read(file);
  p->set_setting_value(ProjectSetting::ProjName, vb::Variant("new"));
  int renames = 0;
  platform::set_write_fault_hook([&renames](std::string_view step) { return step != "rename" || ++renames > 1; });
  EXPECT_THROW(Save(*p, file), vb::VBError);
  platform::set_write_fault_hook({});
  EXPECT_EQ(read(file), old_text);
  EXPECT_EQ(read(backup(file, 1)), old_text);
  EXPECT_NE(stat_of(backup(file, 1)).st_ino, stat_of(file).st_ino);
  EXPECT_EQ(stat_of(file).st_nlink, 1u);
}

// Saves killed at random moments: the file is always one whole version, and every backup
// one whole earlier version.
TEST_F(ProjectBackupsTest, AKillDuringSavesLeavesWholeFilesAndBackups) {
  const std::string file = path("killed.tvp");
  user_value(general(), "MaxProjectBackupCount", platform::RegValue::make_text("3"));
  std::vector<vb::Ref<AGP>> projects;
  std::set<std::string> versions;
  for (char c : {'a', 'b'}) {
    auto p = vb::make_ref<AGP>();
    p->set_setting_value(ProjectSetting::ProjName, vb::Variant(std::string(2 << 20, c)));
    Save(*p, file);
    ASSERT_EQ(ctx().ProjErr, "");
    versions.insert(read(file));
    projects.push_back(p);
  }
  std::mt19937 random(4321);
  for (int kill_no = 0; kill_no < 12; ++kill_no) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        for (;;)
          for (auto& p : projects) Save(*p, file);
      } catch (...) {
      }
      ::_exit(1);
    }
    ::usleep(useconds_t(2000 + random() % 40000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(versions.contains(read(file))) << "after kill " << kill_no;
    for (const auto& [n, text] : backups(folder_of(file), file))
      EXPECT_TRUE(versions.contains(text)) << "backup " << n << " after kill " << kill_no;
  }
}

TEST_F(ProjectBackupsTest, SaveBacksUpThePreviousFileUpToTheRegistryMaximum) {
  user_value(general(), "MaxProjectBackupCount", platform::RegValue::make_text("2"));
  auto p = vb::make_ref<AGP>();
  const std::string file = path("shop.tvp");
  std::vector<std::string> saved;
  for (const char* name : {"one", "two", "three", "four"}) {
    p->set_setting_value(ProjectSetting::ProjName, vb::Variant(name));
    Save(*p, file);
    saved.push_back(read(file));
  }
  EXPECT_EQ(backups(folder_of(file), file), (std::map<int, std::string>{{1, saved[2]}, {2, saved[1]}}));
}

// Two projects of one file name in two folders: the saves of one never displace the backups
// of the other, and each set's folder names its project.
TEST_F(ProjectBackupsTest, ProjectsOfOneNameKeepTheirBackupsApart) {
  fs::create_directories(path("a"));
  fs::create_directories(path("b"));
  const std::string a = path("a/shop.tvp"), b = path("b/shop.tvp");
  auto p = vb::make_ref<AGP>();
  std::vector<std::string> saved_a;
  for (const char* name : {"a1", "a2"}) {
    p->set_setting_value(ProjectSetting::ProjName, vb::Variant(name));
    Save(*p, a);
    saved_a.push_back(read(a));
  }
  for (int i = 0; i < 12; ++i) {
    p->set_setting_value(ProjectSetting::ProjName, vb::Variant("b" + std::to_string(i)));
    Save(*p, b);
  }
  EXPECT_NE(folder_of(a), folder_of(b));
  EXPECT_EQ(backups(folder_of(a), a), (std::map<int, std::string>{{1, saved_a[0]}}));
  EXPECT_EQ(backups(folder_of(b), b).size(), 10u);
  for (const std::string& file : {a, b}) {
    EXPECT_TRUE(fs::path(folder_of(file)).filename().string().starts_with("shop.tvp-")) << folder_of(file);
    EXPECT_EQ(fs::path(folder_of(file)).parent_path(), fs::path(ctx().BackupFolder));
    EXPECT_EQ(read((fs::path(folder_of(file)) / "project-path.txt").string()), file + "\n");
  }
  // One project under two names (a symbolic link) has one set.
  fs::create_symlink(a, path("link.tvp"));
  EXPECT_EQ(folder_of(path("link.tvp")), folder_of(a));
}

// A project that holds the database password is written for its owner only, and so are its
// backups, linked or copied; any other save keeps the mode of the file it replaces.
TEST_F(ProjectBackupsTest, AFileThatHoldsThePasswordIsItsOwnersOnly) {
  const struct {
    const char* what;
    const char* password;
    mode_t before;  // of the file on disk, 0: none yet
    bool copied;    // backup number 1 is a copy (no hard links)
    mode_t after;   // of the file and of backup number 1
  } cases[] = {
      {"new file with a password", "secret", 0, false, 0600},
      {"password, file open to all", "secret", 0644, false, 0600},
      {"password, backup copied", "secret", 0664, true, 0600},
      {"no password, private file", "", 0600, false, 0600},
      {"no password, group file", "", 0640, false, 0640},
      {"no password, backup copied", "", 0640, true, 0640},
  };
  const mode_t old_mask = ::umask(022);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = path(std::string("mode-") + std::to_string(&c - cases) + ".tvp");
    auto p = project_with_database();
    p->DB()->DBPwd(c.password);
    if (c.before != 0) {
      write(file, "the old project");
      ::chmod(file.c_str(), c.before);
    }
    if (c.copied) platform::set_write_fault_hook([](std::string_view s) { return s != "link"; });
    Save(*p, file);
    platform::set_write_fault_hook({});
    ASSERT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(stat_of(file).st_mode & 07777, c.after);
    if (c.before != 0) {
      EXPECT_EQ(stat_of(backup(file, 1)).st_mode & 07777, c.after);
      EXPECT_EQ(read(backup(file, 1)), "the old project");
    }
  }
  ::umask(old_mask);
}

TEST_F(ProjectBackupsTest, FailedSaveKeepsTheOldFile) {
  const struct {
    const char* what;
    const char* utf8;
    const char* charset;
    bool read_only;
    const char* failing_step;  // of the atomic write, "" for none
  } cases[] = {
      {"read-only file", "False", "utf-8", true, ""},
      {"write fails", "False", "utf-8", false, "write"},
      {"rename fails", "False", "utf-8", false, "rename"},
      {"UTF-8 file write fails", "True", "utf-8", false, "rename"},
      {"unknown charset", "False", "x-no-such-charset", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    user_value(general(), "UTF8Project", platform::RegValue::make_text(c.utf8));
    user_value(general(), "XMLEncodeCharSet", platform::RegValue::make_text(c.charset));
    const std::string file = path(std::string("keep-") + std::to_string(&c - cases) + ".tvp");
    write(file, "the old project");
    if (c.read_only) make_read_only(file);
    const std::string step = c.failing_step;
    if (!step.empty()) platform::set_write_fault_hook([step](std::string_view s) { return s != step; });
    auto p = vb::make_ref<AGP>();
    p->AddProj("New");
    // Through the object model, as the host calls it: the failure is raised.
    std::vector<vb::Variant> args{vb::Variant(file)};
    EXPECT_THROW(p->call("Save", args), vb::VBError);
    platform::set_write_fault_hook({});
    EXPECT_EQ(read(file), "the old project");
    EXPECT_NE(ctx().ProjErr, "");
    for (const auto& entry : fs::directory_iterator(docs_))
      EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace tolvex
