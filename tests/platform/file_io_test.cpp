#include "platform/file_io.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/temp_folder.h"

namespace tolvex::platform {
namespace {

using testing::TempFolder;

size_t entries(const std::filesystem::path& folder) {
  return size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
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
