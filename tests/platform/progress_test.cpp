#include "platform/progress.h"

#include <signal.h>

#include <sstream>

#include <gtest/gtest.h>

namespace tolvex::platform {
namespace {

TEST(ConsoleProgressPlain, WritesOneLinePerWindow) {
  std::ostringstream out;
  ConsoleProgress p(out, false, false);
  EXPECT_EQ(p.ShowProgress(0, "Tolvex - Loading\r\nDatabase..."), 1);
  p.SetInfo(1, "Table Orders");
  p.SetProgress(1, 10);
  p.CloseProgress(1);
  EXPECT_EQ(p.ShowProgress3(0, "Generate"), 2);
  p.SetProgress(2, 50);
  p.CloseProgress(2);
  EXPECT_EQ(out.str(), "Tolvex - Loading  Database...\nGenerate\n");
}

TEST(ConsoleProgressTerminal, RedrawsOneLineAndClearsItWhenTheWindowCloses) {
  std::ostringstream out;
  ConsoleProgress p(out, true, false);
  int32_t h = p.ShowProgress2(0, "Sync");
  p.SetProgress(h, 50);
  p.SetInfo(h, "Fields");
  p.SetInfo(h + 1, "another window");
  p.SetProgress(h, 250);
  p.CloseProgress(h);
  const std::string s = out.str();
  EXPECT_NE(s.find("\rSync [##########..........]  50%\x1b[K"), std::string::npos) << s;
  EXPECT_NE(s.find("\rSync [##########..........]  50% Fields\x1b[K"), std::string::npos) << s;
  EXPECT_NE(s.find("\rSync [####################] 100% Fields\x1b[K"), std::string::npos) << s;
  EXPECT_EQ(s.find("another window"), std::string::npos) << s;
  // Nothing of the finished phase stays on screen.
  EXPECT_TRUE(s.ends_with("\r\x1b[K")) << s;
}

TEST(ConsoleProgressCancel, CtrlCAsksToCancelInEveryPhaseWhileTheDisplayLives) {
  struct sigaction before {};
  sigaction(SIGINT, nullptr, &before);
  {
    std::ostringstream out;
    ConsoleProgress p(out, false, true);
    int32_t h = p.ShowProgress2(0, "Initializing");
    EXPECT_FALSE(p.IsCancelled(h));
    p.CloseProgress(h);
    ::raise(SIGINT);  // between two windows; would end the test program without the handler
    EXPECT_TRUE(interrupt_requested());
    // The next window does not forget it, and the question is answered whatever the handle.
    h = p.ShowProgress3(0, "Generate");
    EXPECT_TRUE(p.IsCancelled(h));
    EXPECT_TRUE(p.IsCancelled(0));
    p.CloseProgress(h);
  }
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);

  // request_cancel does what Ctrl-C does; a display without Ctrl-C handling starts uncancelled.
  std::ostringstream out;
  ConsoleProgress p(out, false, false);
  EXPECT_FALSE(p.IsCancelled(0));
  p.request_cancel();
  EXPECT_TRUE(p.IsCancelled(p.ShowProgress(0, "Again")));
}

TEST(RecordingProgressFake, RecordsCallsAndPressesCancel) {
  RecordingProgress p;
  EXPECT_EQ(p.ShowProgress(42, "Title"), 1);
  p.SetInfo(1, "status");
  p.SetProgress(1, 38);
  p.press_cancel(1);
  EXPECT_FALSE(p.IsCancelled(1));
  EXPECT_TRUE(p.IsCancelled(1));
  EXPECT_TRUE(p.IsCancelled(1));
  p.CloseProgress(1);
  const std::vector<RecordingProgress::Call> expected = {
      {"ShowProgress", 42, "Title", 0}, {"SetInfo", 1, "status", 0}, {"SetProgress", 1, "", 38},
      {"IsCancelled", 1, "", 0},        {"IsCancelled", 1, "", 0},   {"IsCancelled", 1, "", 0},
      {"CloseProgress", 1, "", 0},
  };
  EXPECT_EQ(p.calls(), expected);

  p.clear();
  p.set_next_handle(0);
  EXPECT_EQ(p.ShowProgress2(0, "fails"), 0);
  EXPECT_EQ(p.ShowProgress3(0, "fails again"), 0);
  p.set_next_handle(9);
  EXPECT_EQ(p.ShowProgress3(0, "ok"), 9);
  EXPECT_EQ(p.ShowProgress3(0, "ok"), 10);
  EXPECT_EQ(p.call_names(), (std::vector<std::string>{"ShowProgress2", "ShowProgress3", "ShowProgress3", "ShowProgress3"}));
}

}  // namespace
}  // namespace tolvex::platform
