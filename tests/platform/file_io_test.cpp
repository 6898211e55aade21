#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/temp_folder.h"

namespace tolvex::platform {
namespace {

using testing::TempFolder;

size_t entries(const std::filesystem::path& folder) {
  return size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
}

std::set<std::string> names_in(const std::filesystem::path& folder) {
  std::set<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder)) out.insert(e.path().filename().string());
  return out;
}

TEST(AtomicWrite, ReplacesTheWholeFileAndKeepsItsMode) {
  TempFolder tmp;
  const auto file = tmp / "out.txt";
  write_file_atomic(file, std::string("first version, longer than the second\0end", 42));
  EXPECT_EQ(read_file(file), std::string("first version, longer than the second\0end", 42));
  ::chmod(file.c_str(), 0640);
  write_file_atomic(file, "second");
  EXPECT_EQ(read_file(file), "second");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(entries(tmp.path()), 1u);

  // Through a link the target is replaced and the link stays a link.
  std::filesystem::create_symlink(file, tmp / "link.txt");
  write_file_atomic(tmp / "link.txt", "third");
  EXPECT_TRUE(std::filesystem::is_symlink(tmp / "link.txt"));
  EXPECT_EQ(read_file(file), "third");
}

TEST(AtomicWrite, WhereLinksAreReplacedTheLinkGoesAndItsFileStays) {
  for (const bool nameless : {true, false}) {
    SCOPED_TRACE(nameless ? "nameless temporary file" : "named temporary file");
    TempFolder tmp;
    write_file_atomic(tmp / "elsewhere.txt", "keep");
    std::filesystem::create_symlink("elsewhere.txt", tmp / "out.php");
    std::filesystem::create_symlink("elsewhere.txt", tmp / "out.php.bak");  // an old backup that is a link
    set_write_fault_hook([&](std::string_view step) { return nameless || step != "tmpfile"; });
    {
      ReplaceLinks links;
      DeferredSync flush;
      BackupOnReplace keep(tmp / "out.php", tmp / "out.php.bak");
      write_file_atomic(tmp / "out.php", "new");
      EXPECT_TRUE(keep.made());
      std::filesystem::create_symlink("elsewhere.txt", tmp / "copy.php");
      write_file_atomic(tmp / "copy.php", "copied");
    }
    set_write_fault_hook({});
    EXPECT_EQ(read_file(tmp / "elsewhere.txt"), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(tmp / "out.php"));
    EXPECT_EQ(read_file(tmp / "out.php"), "new");
    EXPECT_EQ(read_file(tmp / "copy.php"), "copied");
    // The backup of the link is the link.
    ASSERT_TRUE(std::filesystem::is_symlink(tmp / "out.php.bak"));
    EXPECT_EQ(std::filesystem::read_symlink(tmp / "out.php.bak"), "elsewhere.txt");
    EXPECT_EQ(names_in(tmp.path()), (std::set<std::string>{"copy.php", "elsewhere.txt", "out.php", "out.php.bak"}));
  }
}

TEST(AtomicWrite, AFailureAtAnyStepKeepsTheOldFile) {
  for (const char* failing : {"create", "write", "sync", "rename"}) {
    SCOPED_TRACE(failing);
    TempFolder tmp;
    const auto file = tmp / "project.tvp";
    write_file_atomic(file, "old content");
    set_write_fault_hook([&](std::string_view step) { return step != failing; });
    try {
      write_file_atomic(file, "new content that never lands");
      ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
      EXPECT_NE(std::string(e.what()).find("Cannot write '" + file.string() + "': Input/output error"),
                std::string::npos)
          << e.what();
    }
    set_write_fault_hook({});
    EXPECT_EQ(read_file(file), "old content");
    EXPECT_EQ(entries(tmp.path()), 1u) << "temporary file left behind";
  }
}

TEST(AtomicWrite, PiecesLandAtTheCommitOnly) {
  for (bool nameless : {true, false}) {
    SCOPED_TRACE(nameless ? "nameless temporary file" : "named temporary file");
    set_write_fault_hook([&](std::string_view step) { return step != "tmpfile" || nameless; });
    TempFolder tmp;
    const auto file = tmp / "project.tvp";
    write_file_atomic(file, "old content");
    {
      AtomicFileWriter out(file);
      out.write("new ");
      out.write("");
      out.write("content");
      EXPECT_EQ(read_file(file), "old content");
      EXPECT_EQ(entries(tmp.path()), nameless ? 1u : 2u);
      out.commit();
    }
    EXPECT_EQ(read_file(file), "new content");
    // Given up before the commit (as when the writer of the pieces fails): nothing changes.
    {
      AtomicFileWriter out(file);
      out.write("half of a");
    }
    EXPECT_EQ(read_file(file), "new content");
    EXPECT_EQ(entries(tmp.path()), 1u) << "temporary file left behind";
    // A failed step discards the pieces written.
    set_write_fault_hook([&](std::string_view step) { return step != "sync" && (step != "tmpfile" || nameless); });
    {
      AtomicFileWriter out(file);
      out.write("never lands");
      EXPECT_THROW(out.commit(), PlatformError);
    }
    set_write_fault_hook({});
    EXPECT_EQ(read_file(file), "new content");
    EXPECT_EQ(entries(tmp.path()), 1u) << "temporary file left behind";
  }
}

// With the flush left to a scope, each write still lands whole and at once (the old file or
// the new one, nothing beside it), and a failing step still keeps the old file.
TEST(AtomicWrite, AFlushLeftToTheScopeStillReplacesEachFileWholeAtOnce) {
  TempFolder tmp;
  std::filesystem::create_directory(tmp / "sub");
  const auto a = tmp / "a.php", b = tmp / "sub" / "b.php";
  write_file_atomic(a, "old a");
  {
    DeferredSync flush;
    DeferredSync inner;  // does nothing of its own
    write_file_atomic(a, "new a");
    write_file_atomic(b, "new b");
    EXPECT_EQ(read_file(a), "new a");
    EXPECT_EQ(read_file(b), "new b");
    for (const char* failing : {"create", "write", "sync", "rename"}) {
      set_write_fault_hook([&](std::string_view step) { return step != failing; });
      EXPECT_THROW(write_file_atomic(a, "never lands"), PlatformError) << failing;
      set_write_fault_hook({});
      EXPECT_EQ(read_file(a), "new a") << failing;
    }
    inner.finish();
    flush.finish();
    write_file_atomic(b, "after the flush");
  }
  EXPECT_EQ(read_file(b), "after the flush");
  write_file_atomic(a, "outside any scope");
  EXPECT_EQ(read_file(a), "outside any scope");
  EXPECT_EQ(entries(tmp.path()), 2u);
  EXPECT_EQ(entries(tmp / "sub"), 1u);
}

// A folder that takes the file's place while it is being written is refused, in a flush scope
// (where the new file and the old one swap names) as outside one; the folder stays as it is.
TEST(AtomicWrite, AFolderInTheFilesPlaceAtTheCommitIsRefused) {
  for (bool deferred : {false, true}) {
    SCOPED_TRACE(deferred ? "flush left to a scope" : "flushed at once");
    TempFolder tmp;
    const auto file = tmp / "page.php";
    write_file_atomic(file, "old");
    std::optional<DeferredSync> flush;
    if (deferred) flush.emplace();
    {
      AtomicFileWriter out(file);
      out.write("new");
      std::filesystem::remove(file);
      std::filesystem::create_directory(file);
      std::ofstream(file / "inside.txt") << "kept";
      try {
        out.commit();
        ADD_FAILURE() << "no error";
      } catch (const PlatformError& e) {
        EXPECT_NE(std::string(e.what()).find("Is a directory"), std::string::npos) << e.what();
      }
    }
    if (flush) flush->finish();
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_EQ(read_file(file / "inside.txt"), "kept");
    EXPECT_EQ(names_in(tmp.path()), std::set<std::string>{"page.php"}) << "temporary file left behind";
  }
}

// While a write is under way, the folder of a web site must hold nothing that a web server
// would run or show: no name with the extension of the file being written, and no data that
// anyone but the owner may read. Checked at every step, with and without nameless files.
TEST(AtomicWrite, TemporaryFilesAreNeitherServedNamesNorReadableByOthers) {
  for (bool nameless : {true, false}) {
    SCOPED_TRACE(nameless ? "nameless temporary file" : "named temporary file");
    TempFolder tmp;
    const auto page = tmp / "common.php";
    write_file_atomic(page, "<?php $password = 'old'; ?>");
    ::chmod(page.c_str(), 0644);
    int steps_seen = 0;
    set_write_fault_hook([&](std::string_view step) {
      if (step == "tmpfile") return nameless;
      if (step == "sync" || step == "rename") {
        ++steps_seen;
        for (const auto& e : std::filesystem::directory_iterator(tmp.path())) {
          const std::string name = e.path().filename().string();
          if (name == "common.php") continue;
          EXPECT_EQ(name.find(".php"), std::string::npos) << name;
          struct stat st {};
          EXPECT_EQ(::stat(e.path().c_str(), &st), 0);
          EXPECT_EQ(st.st_mode & 077, 0u) << name << " is readable by others while written";
        }
      }
      return true;
    });
    write_file_atomic(page, "<?php $password = 'new'; ?>");
    set_write_fault_hook({});
    EXPECT_EQ(steps_seen, 2);
    EXPECT_EQ(read_file(page), "<?php $password = 'new'; ?>");
    struct stat st {};
    ASSERT_EQ(::stat(page.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(names_in(tmp.path()), std::set<std::string>{"common.php"});
  }
}

// What a killed write leaves is removed by the next write into the same folder; a temporary
// file that a live write holds, and files that only look similar, stay.
TEST(AtomicWrite, TheNextWriteRemovesTemporaryFilesOfKilledWrites) {
  TempFolder tmp;
  const auto put = [&](const std::string& name) {
    std::ofstream(tmp / name) << "left by a killed run";
  };
  const std::set<std::string> stale = {
      ".tolvex-0123456789.tmp",          // ours
      "project.tvp.tmp-abcdefghij",      // as earlier versions named them, beside their file
      "index.php.tmp-0a1b2c3d4e",        // beside a file other than the one now written
  };
  const std::set<std::string> kept = {
      "project.tvp", "index.php",
      "gone.tvp.tmp-abcdefghij",         // nothing of that name beside it: not known to be ours
      ".tolvex-short.tmp", ".tolvex-0123456789.tmp.txt", "notes.tmp", "held.tmp-0123456789X",
      ".tolvex-heldbylive.tmp",          // a running write holds it
  };
  for (const auto& n : stale) put(n);
  for (const auto& n : kept) put(n);
  const int held = ::open((tmp / ".tolvex-heldbylive.tmp").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  write_file_atomic(tmp / "project.tvp", "new project");
  ::close(held);
  EXPECT_EQ(names_in(tmp.path()), kept);
  EXPECT_EQ(read_file(tmp / "project.tvp"), "new project");
}

TEST(AtomicWrite, CopyReplacesTheTargetWholeOrNotAtAll) {
  TempFolder tmp;
  const std::string big(3 << 20, 'x');
  write_file_atomic(tmp / "from", big);
  write_file_atomic(tmp / "to", "old");
  set_write_fault_hook([](std::string_view step) { return step != "rename"; });
  EXPECT_THROW(copy_file_atomic(tmp / "from", tmp / "to"), PlatformError);
  set_write_fault_hook({});
  EXPECT_EQ(read_file(tmp / "to"), "old");
  copy_file_atomic(tmp / "from", tmp / "to");
  EXPECT_EQ(read_file(tmp / "to"), big);
  EXPECT_EQ(names_in(tmp.path()), (std::set<std::string>{"from", "to"}));
  try {
    copy_file_atomic(tmp / "missing", tmp / "to");
    ADD_FAILURE();
  } catch (const PlatformError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open '" + (tmp / "missing").string() + "': No such file or directory");
  }
}

ino_t inode_of(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(BackupOnReplace, TheReplacedFileTakesTheBackupNameAsTheNewOneTakesItsPlace) {
  for (const bool nameless : {true, false}) {
    SCOPED_TRACE(nameless ? "nameless temporary file" : "named temporary file");
    TempFolder tmp;
    const auto file = tmp / "a.php", backup = tmp / "a.php.bak";
    write_file_atomic(file, "v1");
    write_file_atomic(backup, "v0");
    const ino_t old = inode_of(file);
    set_write_fault_hook([&](std::string_view step) { return nameless || step != "tmpfile"; });
    {
      BackupOnReplace keep(file, backup);
      write_file_atomic(file, "v2");
      EXPECT_TRUE(keep.made());
      EXPECT_EQ(keep.failure(), "");
    }
    set_write_fault_hook({});
    EXPECT_EQ(read_file(file), "v2");
    EXPECT_EQ(read_file(backup), "v1");
    EXPECT_EQ(inode_of(backup), old) << "the old file itself, not a copy";
    EXPECT_NE(inode_of(file), old);
    EXPECT_EQ(names_in(tmp.path()), (std::set<std::string>{"a.php", "a.php.bak"}));

    // Without the scope, or for another file, the backup stays as it is.
    write_file_atomic(file, "v3");
    {
      BackupOnReplace keep(tmp / "other.php", backup);
      write_file_atomic(file, "v4");
      EXPECT_FALSE(keep.made());
    }
    EXPECT_EQ(read_file(backup), "v1");

    // A run stopped after keeping the file but before replacing it: the backup is the file.
    std::filesystem::remove(backup);
    std::filesystem::create_hard_link(file, backup);
    {
      BackupOnReplace keep(file, backup);
      write_file_atomic(file, "v5");
      EXPECT_TRUE(keep.made());
    }
    EXPECT_EQ(read_file(backup), "v4");
    EXPECT_EQ(read_file(file), "v5");
    EXPECT_EQ(names_in(tmp.path()), (std::set<std::string>{"a.php", "a.php.bak"})) << "no name left behind";
  }
}

TEST(BackupOnReplace, WithoutALinkTheBackupIsAWholeCopy) {
  TempFolder tmp;
  const auto file = tmp / "a.php";
  std::filesystem::create_directory(tmp / "real");
  write_file_atomic(file, "v1");
  write_file_atomic(tmp / "real" / "a.bak", "v0");
  std::filesystem::create_symlink(tmp / "real" / "a.bak", tmp / "linked.bak");
  struct Case {
    const char* name;
    std::filesystem::path backup;  // the name the backup is kept as
    std::filesystem::path holder;  // the file that gets the old content
    bool refuse_link;
  };
  const Case cases[] = {
      {"the file system refuses the link", tmp / "a.php.bak", tmp / "a.php.bak", true},
      {"the backup name is a symbolic link: it stays one", tmp / "linked.bak", tmp / "real" / "a.bak", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_file_atomic(file, "old");
    set_write_fault_hook([&](std::string_view step) { return !c.refuse_link || step != "link"; });
    {
      BackupOnReplace keep(file, c.backup);
      write_file_atomic(file, "new");
      EXPECT_TRUE(keep.made());
    }
    set_write_fault_hook({});
    EXPECT_EQ(read_file(c.holder), "old");
    EXPECT_NE(inode_of(c.holder), inode_of(file));
    EXPECT_EQ(read_file(file), "new");
  }
  EXPECT_TRUE(std::filesystem::is_symlink(tmp / "linked.bak"));
  EXPECT_EQ(names_in(tmp.path()), (std::set<std::string>{"a.php", "a.php.bak", "linked.bak", "real"}));
}

TEST(BackupOnReplace, ABackupThatCannotBeMadeKeepsTheOldFileAndTheOldBackup) {
  TempFolder tmp;
  const auto file = tmp / "a.php";
  write_file_atomic(file, "old");
  std::filesystem::create_directories(tmp / "a.php.bak" / "inside");
  struct Case {
    std::filesystem::path backup;
    const char* reason;
  };
  const Case cases[] = {
      {tmp / "a.php.bak", "Is a directory"},
      {tmp / "missing" / "a.php.bak", "No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.backup);
    BackupOnReplace keep(file, c.backup);
    try {
      write_file_atomic(file, "new");
      ADD_FAILURE() << "written";
    } catch (const PlatformError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot write '" + c.backup.string() + "': " + c.reason);
    }
    EXPECT_FALSE(keep.made());
    EXPECT_EQ(keep.failure(), "Cannot write '" + c.backup.string() + "': " + c.reason);
    EXPECT_EQ(read_file(file), "old");
    EXPECT_EQ(names_in(tmp.path()), (std::set<std::string>{"a.php", "a.php.bak"})) << "nothing left behind";
    EXPECT_EQ(names_in(tmp / "a.php.bak"), (std::set<std::string>{"inside"}));
  }
}

TEST(BackupOnReplace, OldBackupsDisplacedWithinAFlushScopeAreGoneWhenItFinishes) {
  TempFolder tmp;
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    const std::string name = "p" + std::to_string(i) + ".php";
    write_file_atomic(tmp / name, "v1");
    write_file_atomic(tmp / (name + ".bak"), "v0");
    names.insert({name, name + ".bak"});
  }
  DeferredSync flush;
  for (int i = 0; i < 20; ++i) {
    const auto file = tmp / ("p" + std::to_string(i) + ".php");
    BackupOnReplace keep(file, file.string() + ".bak");
    write_file_atomic(file, "v2");
    EXPECT_TRUE(keep.made());
  }
  flush.finish();
  EXPECT_EQ(names_in(tmp.path()), names) << "no name of an old backup is left";
  for (int i = 0; i < 20; ++i) {
    const auto file = tmp / ("p" + std::to_string(i) + ".php");
    EXPECT_EQ(read_file(file), "v2");
    EXPECT_EQ(read_file(file.string() + ".bak"), "v1");
  }
}

TEST(AtomicWrite, ReportsSystemErrorsWithThePath) {
  TempFolder tmp;
  struct Case {
    std::filesystem::path path;
    const char* reason;
  };
  std::filesystem::create_directory(tmp / "folder");
  const Case cases[] = {
      {tmp / "missing/folder/file.txt", "No such file or directory"},
      {tmp / "folder", "Is a directory"},
  };
  for (const auto& c : cases) {
    try {
      write_file_atomic(c.path, "x");
      ADD_FAILURE() << c.path;
    } catch (const PlatformError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot write '" + c.path.string() + "': " + c.reason);
    }
  }
  try {
    read_file(tmp / "nothing.txt");
    ADD_FAILURE();
  } catch (const PlatformError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open '" + (tmp / "nothing.txt").string() + "': No such file or directory");
  }
  EXPECT_THROW(read_file(tmp / "folder"), PlatformError);
}

}  // namespace
}  // namespace tolvex::platform
