#include "generator/overwrite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "generation_fixture.h"
#include "generator/generation_state.h"
#include "platform/file_io.h"
#include "platform/host_ui.h"
#include "platform/progress.h"
#include "platform/registry.h"
#include "vb/error.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;
using platform::OverwriteAnswer;
using vb::Variant;

class OverwriteTest : public testing::GenerationFixture {
 protected:
  OverwriteTest() {
    ctx().progress = platform::ProgressServices{progress_, {}, [] { return int64_t(0); }};
    ctx().StatusWindow = nullptr;
  }
  void backups_on() {
    user_value(general(), "BackupFile", platform::RegValue::make_text("True"));
    proj_->LoadDefault();
    ASSERT_TRUE(proj_->backup_file());
  }
  static void write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string read(const fs::path& p) { return platform::read_file(p); }

  std::shared_ptr<platform::RecordingProgress> progress_ = std::make_shared<platform::RecordingProgress>();
};

// A scripted host whose first overwrite question gets `answer`.
std::shared_ptr<platform::ScriptedUI> answering(OverwriteAnswer answer) {
  auto ui = std::make_shared<platform::ScriptedUI>();
  // Each answer queued as a constant (a queued variable trips a false uninitialised-use warning).
  switch (answer) {
    case OverwriteAnswer::Yes: ui->then(OverwriteAnswer::Yes); break;
    case OverwriteAnswer::YesToAll: ui->then(OverwriteAnswer::YesToAll); break;
    case OverwriteAnswer::No: ui->then(OverwriteAnswer::No); break;
    case OverwriteAnswer::NoToAll: ui->then(OverwriteAnswer::NoToAll); break;
    case OverwriteAnswer::Cancel: ui->then(OverwriteAnswer::Cancel); break;
  }
  return ui;
}

TEST_F(OverwriteTest, ExistingFileDecisionsFollowModePromptAndSwitch) {
  struct Case {
    const char* mode;
    bool prompt;
    bool overwrite;
    bool asks;               // a question is expected
    OverwriteAnswer answer;  // the user's answer to it
    bool expected;
    const char* mode_after;
  };
  const Case cases[] = {
      {"", false, true, false, OverwriteAnswer::Yes, true, ""},
      {"", false, false, false, OverwriteAnswer::Yes, false, ""},
      {"", true, false, false, OverwriteAnswer::Yes, false, ""},  // a forbidding switch: no question
      {"", true, true, true, OverwriteAnswer::Yes, true, ""},
      {"", true, true, true, OverwriteAnswer::No, false, ""},
      {"", true, true, true, OverwriteAnswer::YesToAll, true, "O"},
      {"", true, true, true, OverwriteAnswer::NoToAll, false, "S"},
      {"S", false, true, false, OverwriteAnswer::Yes, false, "S"},  // skip all: even what may be overwritten
      {"O", true, true, false, OverwriteAnswer::Yes, true, "O"},    // overwrite all: no more questions
      {"O", true, false, false, OverwriteAnswer::Yes, false, "O"},  // ... but only where the switch allows it
  };
  const fs::path file = docs_ / "a.php";
  std::ofstream(file) << "x";
  for (const Case& c : cases) {
    auto ui = answering(c.answer);
    ctx().HostUi = ui;
    ctx().OverwriteMode = c.mode;
    EXPECT_EQ(ConfirmOverwriteFile(*proj_, file.string(), c.overwrite, Variant(c.prompt), false), c.expected)
        << c.mode << c.prompt << c.overwrite;
    EXPECT_EQ(ctx().OverwriteMode, c.mode_after) << c.mode << c.prompt << c.overwrite;
    EXPECT_EQ(ui->questions().size(), c.asks ? 1u : 0u) << c.mode << c.prompt << c.overwrite;
  }
}

TEST_F(OverwriteTest, CheckModeOnlyAnswersWhetherTheFileExists) {
  const fs::path file = docs_ / "a.php";
  auto ui = std::make_shared<platform::ScriptedUI>();
  ctx().HostUi = ui;
  EXPECT_FALSE(ConfirmOverwriteFile(*proj_, file.string(), true, Variant(true), true));
  std::ofstream(file) << "x";
  EXPECT_TRUE(ConfirmOverwriteFile(*proj_, file.string(), false, Variant(true), true));
  EXPECT_TRUE(ui->questions().empty());
  EXPECT_FALSE(fs::exists(file.string() + ".bak"));
}

TEST_F(OverwriteTest, NewFilesAreWrittenWhateverTheSwitches) {
  ctx().OverwriteMode = "S";
  EXPECT_TRUE(ConfirmOverwriteFile(*proj_, (docs_ / "new.php").string(), false, Variant(true), false));
  EXPECT_TRUE(ConfirmOverwriteFile(*proj_, (docs_ / "new.php").string(), false, Variant(), false))
      << "a prompt setting without a value";
}

TEST_F(OverwriteTest, FolderDecisionsAskAboutTheFolder) {
  struct Case {
    const char* mode;
    bool prompt;
    bool overwrite;
    bool asks;
    OverwriteAnswer answer;
    bool expected;
    const char* mode_after;
  };
  const Case cases[] = {
      {"", false, true, false, OverwriteAnswer::Yes, true, ""},
      {"", true, false, false, OverwriteAnswer::Yes, false, ""},
      {"", true, true, true, OverwriteAnswer::No, false, ""},
      {"", true, true, true, OverwriteAnswer::YesToAll, true, "O"},
      {"S", true, true, false, OverwriteAnswer::Yes, false, "S"},
  };
  const fs::path folder = docs_ / "site" / "images";
  fs::create_directories(folder);
  for (const Case& c : cases) {
    auto ui = answering(c.answer);
    ctx().HostUi = ui;
    ctx().OverwriteMode = c.mode;
    ctx().PromptFilePath = "left over";
    EXPECT_EQ(ConfirmOverwriteFolder(*proj_, folder.string(), c.overwrite, Variant(c.prompt), false), c.expected)
        << c.mode << c.prompt << c.overwrite;
    EXPECT_EQ(ctx().OverwriteMode, c.mode_after) << c.mode << c.prompt << c.overwrite;
    ASSERT_EQ(ui->questions().size(), c.asks ? 1u : 0u) << c.mode << c.prompt << c.overwrite;
    if (c.asks) {
      EXPECT_EQ(ui->questions()[0].text, folder.string());
      EXPECT_EQ(ctx().PromptFolderPath, folder.string());
      EXPECT_EQ(ctx().PromptFilePath, "");
      EXPECT_EQ(OverwritePromptText(), "Folder " + ShortenPath(folder.string()) + " already exists!");
    }
  }
  // A file is no folder, and a folder no file.
  write(docs_ / "f.txt", "x");
  EXPECT_FALSE(ConfirmOverwriteFolder(*proj_, (docs_ / "f.txt").string(), true, Variant(true), true));
  EXPECT_FALSE(ConfirmOverwriteFile(*proj_, folder.string(), true, Variant(true), true));
  EXPECT_TRUE(ConfirmOverwriteFolder(*proj_, folder.string(), false, Variant(true), true)) << "check mode";
  EXPECT_TRUE(ConfirmOverwriteFolder(*proj_, (docs_ / "new").string(), false, Variant(true), false));
}

TEST_F(OverwriteTest, CancelInTheQuestionEndsTheRun) {
  const fs::path file = docs_ / "a.php";
  const fs::path folder = docs_ / "images";
  write(file, "x");
  fs::create_directories(folder);
  for (bool is_folder : {false, true}) {
    ctx().HostUi = answering(OverwriteAnswer::Cancel);
    ctx().OverwriteMode = "";
    ctx().ProjErr = "";
    status_window().ShowStatus3(0, "generating");
    progress_->clear();
    try {
      if (is_folder) ConfirmOverwriteFolder(*proj_, folder.string(), true, Variant(true), false);
      else ConfirmOverwriteFile(*proj_, file.string(), true, Variant(true), false);
      ADD_FAILURE() << "no cancel raised";
    } catch (const vb::VBError& e) {
      EXPECT_EQ(e.number(), -1);
      EXPECT_EQ(e.description(), "Generation cancelled by user!");
    }
    EXPECT_EQ(ctx().ProjErr, "Generation cancelled by user!");
    EXPECT_EQ(progress_->call_names(), std::vector<std::string>{"CloseProgress"}) << "the window closes first";
    EXPECT_EQ(read(file), "x");
  }
}

TEST_F(OverwriteTest, PollingTheProgressWindowRaisesTheCancel) {
  status_window().ShowStatus3(0, "generating");
  progress_->press_cancel(1);
  EXPECT_NO_THROW(RaiseIfCancelled());
  EXPECT_THROW(RaiseIfCancelled(), vb::VBError);
  EXPECT_EQ(ctx().ProjErr, "Generation cancelled by user!");
  EXPECT_FALSE(status_window().is_open());
}

TEST_F(OverwriteTest, BackupsKeepTheVersionBeforeTheLastOverwrite) {
  backups_on();
  const fs::path file = docs_ / "site" / "a.php";
  write(file, "v1");
  EXPECT_TRUE(ConfirmOverwriteFile(*proj_, file.string(), true, Variant(false), false));
  write(file, "v2");
  EXPECT_TRUE(ConfirmOverwriteFile(*proj_, file.string(), true, Variant(false), false));
  write(file, "v3");
  EXPECT_EQ(read(file.string() + ".bak"), "v2");
  EXPECT_FALSE(fs::exists(docs_ / "site" / "a.php.bak.bak"));

  // No backup of what is not overwritten, nor of a new file.
  EXPECT_FALSE(ConfirmOverwriteFile(*proj_, file.string(), false, Variant(false), false));
  EXPECT_EQ(read(file.string() + ".bak"), "v2");
  EXPECT_TRUE(ConfirmOverwriteFile(*proj_, (docs_ / "site" / "b.php").string(), true, Variant(false), false));
  EXPECT_FALSE(fs::exists(docs_ / "site" / "b.php.bak"));

  // A folder's backup replaces the older one as a whole.
  const fs::path images = docs_ / "site" / "images";
  write(images / "logo.png", "new logo");
  write(images / "sub" / "x.gif", "x");
  write(docs_ / "site" / "images.bak" / "stale.png", "stale");
  EXPECT_TRUE(ConfirmOverwriteFolder(*proj_, images.string(), true, Variant(false), false));
  EXPECT_EQ(read(docs_ / "site" / "images.bak" / "logo.png"), "new logo");
  EXPECT_EQ(read(docs_ / "site" / "images.bak" / "sub" / "x.gif"), "x");
  EXPECT_FALSE(fs::exists(docs_ / "site" / "images.bak" / "stale.png"));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(docs_ / "site")) ++entries;
  EXPECT_EQ(entries, 4u) << "a.php, a.php.bak, images and images.bak only";
}

TEST_F(OverwriteTest, AFailingBackupKeepsTheOutputAndTheOldBackup) {
  backups_on();
  auto ui = std::make_shared<platform::ScriptedUI>();
  ctx().HostUi = ui;
  const fs::path site = docs_ / "site";
  const fs::path file = site / "a.php";
  const fs::path images = site / "images";
  write(file, "v1");
  write(file.string() + ".bak", "v0");
  write(images / "logo.png", "new");
  write(site / "images.bak" / "logo.png", "old");
  platform::set_write_fault_hook([](std::string_view step) { return step != "rename"; });
  const bool file_written = ConfirmOverwriteFile(*proj_, file.string(), true, Variant(false), false);
  const bool folder_written = ConfirmOverwriteFolder(*proj_, images.string(), true, Variant(false), false);
  platform::set_write_fault_hook({});
  EXPECT_FALSE(file_written);
  EXPECT_FALSE(folder_written);
  EXPECT_EQ(read(file.string() + ".bak"), "v0");
  EXPECT_EQ(read(site / "images.bak" / "logo.png"), "old");
  ASSERT_EQ(ui->questions().size(), 2u);
  for (const auto& q : ui->questions()) {
    EXPECT_EQ(q.kind, "message_box");
    EXPECT_EQ(q.title, "Tolvex");
    EXPECT_EQ(q.flags, platform::msgbox::vbExclamation);
  }
  EXPECT_EQ(ui->questions()[0].text.rfind("Error in open \"" + file.string() + "\", description:", 0), 0u)
      << ui->questions()[0].text;
  EXPECT_EQ(ui->questions()[1].text.rfind("Error in open \"" + images.string() + "\", description:", 0), 0u)
      << ui->questions()[1].text;
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(site)) ++entries;
  EXPECT_EQ(entries, 4u) << "no scratch copies are left behind";
}

TEST(ShortenPathTest, KeepsTheFirstPartAndTheLastPartsThatFit) {
  struct Case {
    std::string in, out;
  };
  const std::string p55 = "/" + std::string(54, 'a');
  std::string accented;
  for (int i = 0; i < 45; ++i) accented += "\xc3\xa9";
  const Case cases[] = {
      {p55, p55},
      {"C:\\Documents and Settings\\someone\\My Documents\\Sites\\shop\\admin\\orderslist.php",
       "C:\\...\\My Documents\\Sites\\shop\\admin\\orderslist.php"},
      {"/home/someone/Documents/Sites/the-shop-of-somebody/admin/orderslist.php",
       "/.../Sites/the-shop-of-somebody/admin/orderslist.php"},
      {"/srv/" + std::string(60, 'x'), "/..."},
      {std::string(56, 'y'), std::string(56, 'y') + "/..."},
      // Characters, not bytes: 52 characters in 97 bytes are shown whole.
      {"/" + accented + "/a.php", "/" + accented + "/a.php"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortenPath(c.in), c.out) << c.in;
}

TEST_F(OverwriteTest, TheDecisionsAreMembersOfTheProject) {
  const fs::path file = docs_ / "a.php";
  write(file, "x");
  Variant args[] = {Variant(file.string()), Variant(true), Variant(false), Variant(true)};
  EXPECT_TRUE(vb::to_bool(proj_->call("ConfirmOverwriteFile", {args, 4})));
  args[0] = Variant(docs_.string());
  EXPECT_TRUE(vb::to_bool(proj_->call("ConfirmOverwriteFolder", {args, 4})));
  ctx().ProjErr = "broken";
  try {
    proj_->call("RaiseGenError");
    ADD_FAILURE() << "nothing raised";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), -1);
    EXPECT_EQ(e.description(), "broken");
  }
}

}  // namespace
}  // namespace tolvex
