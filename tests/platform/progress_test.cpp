#include "platform/progress.h"

#include <signal.h>

#include <sstream>

#include <gtest/gtest.h>

namespace tolvex::platform {
namespace {

TEST(ConsoleProgressPlain, WritesEachChangeOnceAsAPlainLine) {
  std::ostringstream out;
  ConsoleProgress p(out, false, false);
  EXPECT_EQ(p.ShowProgress(0, "Tolvex - Loading Database..."), 1);
  p.SetInfo(1, "Table Orders");
  p.SetInfo(1, "Table Orders");  // a repaint, not news
  p.SetProgress(1, 10);
  p.SetProgress(1, 10);
  p.SetProgress(1, 250);
  p.SetInfo(1, "two\r\nlines");
  p.SetInfo(7, "another window");  // not the open one
  p.CloseProgress(1);
  p.SetInfo(1, "after closing");
  EXPECT_EQ(p.ShowProgress3(0, "Generate"), 2);
  p.SetProgress(2, -5);
  p.CloseProgress(2);
  EXPECT_EQ(out.str(),
            "Tolvex - Loading Database...\n"
            "Table Orders\n"
            "10%\n"
            "100%\n"
            "two  lines\n"
            "Generate\n"
            "0%\n");
}

TEST(ConsoleProgressTerminal, RedrawsOneLine) {
  std::ostringstream out;
  ConsoleProgress p(out, true, false);
  int32_t h = p.ShowProgress2(0, "Sync");
  p.SetProgress(h, 50);
  p.SetInfo(h, "Fields");
  p.CloseProgress(h);
  const std::string s = out.str();
  EXPECT_NE(s.find("\rSync [##########..........]  50%\x1b[K"), std::string::npos) << s;
  EXPECT_NE(s.find("\rSync [##########..........]  50% Fields\x1b[K"), std::string::npos) << s;
  EXPECT_EQ(s.back(), '\n');
}

TEST(ConsoleProgressCancel, CtrlCCancelsTheOpenWindowInsteadOfEndingTheProcess) {
  struct sigaction before {};
  sigaction(SIGINT, nullptr, &before);
  std::ostringstream out;
  ConsoleProgress p(out, false, true);
  int32_t h = p.ShowProgress3(0, "Generate");
  EXPECT_FALSE(p.IsCancelled(h));
  ::raise(SIGINT);  // would end the test program without the handler
  EXPECT_TRUE(p.IsCancelled(h));
  EXPECT_FALSE(p.IsCancelled(h + 1));
  p.CloseProgress(h);
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);

  // A new window starts uncancelled; request_cancel does what Ctrl-C does.
  h = p.ShowProgress3(0, "Again");
  EXPECT_FALSE(p.IsCancelled(h));
  p.request_cancel();
  EXPECT_TRUE(p.IsCancelled(h));
  p.CloseProgress(h);
  EXPECT_FALSE(p.IsCancelled(h));
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
