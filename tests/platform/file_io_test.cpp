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

TEST(AtomicWrite, PiecesLandAtTheCommitOnly) {
  TempFolder tmp;
  const auto file = tmp / "project.tvp";
  write_file_atomic(file, "old content");
  {
    AtomicFileWriter out(file);
    out.write("new ");
    out.write("");
    out.write("content");
    EXPECT_EQ(read_file(file), "old content");
    EXPECT_EQ(entries(tmp.path()), 2u);
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
  set_write_fault_hook([](std::string_view step) { return step != "sync"; });
  {
    AtomicFileWriter out(file);
    out.write("never lands");
    EXPECT_THROW(out.commit(), PlatformError);
  }
  set_write_fault_hook({});
  EXPECT_EQ(read_file(file), "new content");
  EXPECT_EQ(entries(tmp.path()), 1u) << "temporary file left behind";
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
