// Folders that the user may not write: every write into one fails naming the folder and the
// permission, nothing is left behind, and the registry keeps what it must keep in memory.
#include <sys/stat.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "platform/registry.h"
#include "platform/temp_folder.h"
#include "platform/unprivileged.h"

namespace tolvex::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// A temporary folder that the unprivileged user may write, holding "ro", a folder nobody but
// root may write, with "ro/old.txt" in it (which the user may write, but not replace there).
class ReadOnlyFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!tolvex::testing::run_unprivileged([] { return std::string(); }))
      GTEST_SKIP() << "running as root, and root cannot run the write as user 65534 here: a read-only folder "
                      "would not stop it";
    fs::create_directory(ro_);
    write_file_atomic(ro_ / "old.txt", "old");
    tolvex::testing::give_to_unprivileged(tmp_.path());
    ::chown(ro_.c_str(), 0, 0);
    ::chmod(ro_.c_str(), 0555);
  }
  void TearDown() override { tolvex::testing::make_removable(tmp_.path()); }

  // What `body` returns as the unprivileged user.
  std::string as_user(const std::function<std::string()>& body) {
    std::optional<std::string> result = tolvex::testing::run_unprivileged(body);
    if (!result) ADD_FAILURE() << "cannot run as an unprivileged user";
    return result.value_or("");
  }

  static std::string message_of(const std::function<void()>& step) {
    try {
      step();
    } catch (const PlatformError& e) {
      return e.what();
    }
    return "no error";
  }

  TempFolder tmp_;
  fs::path ro_ = tmp_ / "ro";
};

TEST_F(ReadOnlyFolderTest, WritesNameTheFolderThatRefusesThem) {
  const std::string denied = "Permission denied in folder '" + ro_.string() + "'";
  struct Case {
    const char* what;
    fs::path path;
    bool nameless;  // the temporary file has no name (O_TMPFILE) or a name
    std::string message;
  };
  const Case cases[] = {
      {"a new file", ro_ / "new.txt", true, "Cannot write '" + (ro_ / "new.txt").string() + "': " + denied},
      {"a new file, named temporary", ro_ / "new.txt", false,
       "Cannot write '" + (ro_ / "new.txt").string() + "': " + denied},
      {"an existing file", ro_ / "old.txt", true, "Cannot write '" + (ro_ / "old.txt").string() + "': " + denied},
      {"an existing file, named temporary", ro_ / "old.txt", false,
       "Cannot write '" + (ro_ / "old.txt").string() + "': " + denied},
      {"a file in a folder that cannot be made", ro_ / "css" / "site.css", true,
       "Cannot write '" + (ro_ / "css" / "site.css").string() + "': the folder '" + (ro_ / "css").string() +
           "' cannot be made: " + denied},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string message = as_user([&] {
      set_write_fault_hook([&](std::string_view step) { return step != "tmpfile" || c.nameless; });
      return message_of([&] { write_file_atomic(c.path, "new"); });
    });
    EXPECT_EQ(message, c.message);
  }
  EXPECT_EQ(as_user([&] { return message_of([&] { create_folders(ro_ / "css" / "images"); }); }),
            "Cannot create the folder '" + (ro_ / "css" / "images").string() + "': " + denied);
  EXPECT_EQ(read_file(ro_ / "old.txt"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(ro_), {}), 1) << "nothing left behind";
}

// The first run's copy of the defaults kept in memory where the user's settings folder takes no
// file, whether the folder is read-only or missing below a read-only one.
TEST_F(ReadOnlyFolderTest, AUserHiveThatCannotBeStoredIsKeptInMemoryAndLaterChangesFail) {
  const std::string denied = "Permission denied in folder '" + ro_.string() + "'";
  struct Case {
    fs::path hive;
    std::string cause;
  };
  const Case cases[] = {
      {ro_ / "user.reg", denied},
      {ro_ / "tolvex" / "user.reg", "Cannot create the folder '" + (ro_ / "tolvex").string() + "': " + denied},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hive);
    const std::string report = as_user([&] {
      FileRegistry reg(c.hive, tmp_ / "machine.reg");
      const RegRoot cu = RegRoot::CurrentUser;
      std::string out;
      reg.keep_values(cu, {{"K", "Language", RegValue::make_text("english.xml")}, {"K", "n", RegValue::make_dword(3)}});
      const auto unsaved = reg.unsaved(cu);
      out += unsaved ? unsaved->file.string() + ": " + unsaved->cause + "\n" : "stored\n";
      const auto kept = reg.query_value(cu, "K", "Language");
      out += kept ? kept->text + "\n" : "lost\n";
      // Writing what is kept already needs no file; anything else must reach it.
      out += message_of([&] { reg.set_value(cu, "K", "n", RegValue::make_dword(3)); }) + "\n";
      out += message_of([&] { reg.set_value(cu, "K", "Language", RegValue::make_text("other.xml")); }) + "\n";
      out += message_of([&] { reg.set_values(cu, {{"New", "v", RegValue::make_text("x")}}); }) + "\n";
      out += reg.query_value(cu, "K", "Language")->text + (reg.key_exists(cu, "New") ? " New" : "") + "\n";
      return out;
    });
    const std::string refused = "Cannot keep the user settings in '" + c.hive.string() + "': " + c.cause;
    EXPECT_EQ(report, c.hive.string() + ": " + c.cause + "\nenglish.xml\nno error\n" + refused + "\n" + refused +
                          "\nenglish.xml\n");
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(ro_), {}), 1) << "nothing written";
}

}  // namespace
}  // namespace tolvex::platform
