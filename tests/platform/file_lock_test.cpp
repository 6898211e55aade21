#include "platform/file_lock.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "platform/temp_folder.h"

namespace tolvex::platform {
namespace {

using namespace std::chrono_literals;
using testing::TempFolder;

// Whether another writer of `file` (this process, on another thread) gets the lock within `wait`.
bool another_writer_gets_it(const std::filesystem::path& file, std::chrono::milliseconds wait) {
  bool got = false;
  std::thread([&] {
    try {
      const FileLock lock(file, wait);
      got = true;
    } catch (const FileLockBusy& e) {
      EXPECT_NE(std::string(e.what()).find("Another process has '" + file.string() + "' open"), std::string::npos)
          << e.what();
    }
  }).join();
  return got;
}

// A writer in another process holds the lock while it replaces the file (which gives the file a
// new inode); the lock holds across the replacement and goes with the process, whether it ends
// or is killed, and no lock file stays once the last holder lets go.
TEST(FileLock, AnotherProcessWaitsUntilTheHolderEndsOrIsKilled) {
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "holder killed" : "holder ends");
    TempFolder tmp;
    const auto file = tmp / "shop.tvp";
    write_file_atomic(file, "old");
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const FileLock lock(file);
      write_file_atomic(file, "new");
      char c = 1;
      (void)!::write(ready[1], &c, 1);
      (void)!::read(done[0], &c, 1);  // until the parent says so, or is gone
      ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_FALSE(another_writer_gets_it(file, 100ms));
    if (killed) {
      ::kill(child, SIGKILL);
    } else {
      (void)!::write(done[1], &c, 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(another_writer_gets_it(file, 100ms));
    EXPECT_EQ(read_file(file), "new");
    EXPECT_FALSE(std::filesystem::exists(FileLock::lock_file_of(file)));
    for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
  }
}

// The thread that holds the lock may take it again, under any name of the file; others wait
// until the outermost hold ends.
TEST(FileLock, NestedOnOneThreadAndExclusiveAcrossThreads) {
  TempFolder tmp;
  const auto file = tmp / "shop.tvp";
  write_file_atomic(file, "x");
  std::filesystem::create_symlink(file, tmp / "link.tvp");
  EXPECT_EQ(FileLock::lock_file_of(tmp / "link.tvp"), FileLock::lock_file_of(file));
  EXPECT_EQ(FileLock::lock_file_of(file), tmp / ".shop.tvp.lock");
  {
    const FileLock outer(file);
    EXPECT_TRUE(outer.held());
    {
      const FileLock inner(tmp / "link.tvp", 0ms);
      EXPECT_FALSE(inner.held());
    }
    EXPECT_FALSE(another_writer_gets_it(file, 50ms));
  }
  EXPECT_TRUE(another_writer_gets_it(file, 50ms));
  // A file not yet made is locked as well; a folder that does not exist gives nothing to hold.
  EXPECT_TRUE(FileLock(tmp / "new.tvp").held());
  EXPECT_FALSE(FileLock(tmp / "missing" / "new.tvp").held());
}

}  // namespace
}  // namespace tolvex::platform
