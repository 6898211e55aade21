// The progress display against the recording progress library.
#include "foundation/status.h"

#include <gtest/gtest.h>

#include <memory>

#include "foundation/context.h"
#include "platform/version.h"

namespace tolvex {
namespace {

using Call = platform::RecordingProgress::Call;
using vb::Variant;

class StatusTest : public ::testing::Test {
 protected:
  std::shared_ptr<platform::RecordingProgress> library = std::make_shared<platform::RecordingProgress>();
  int64_t clock = 1000;
  int yields = 0;
  vb::Ref<AGPStatus> status = vb::make_ref<AGPStatus>(
      platform::ProgressServices{library, [this] { ++yields; }, [this] { return clock; }});

  std::vector<std::string> names() const { return library->call_names(); }
};

TEST_F(StatusTest, ClosedWindowMakesNoDisplayCallsButYields) {
  status->DispStatus("x");
  status->SetStatus(Variant(int32_t(50)));
  status->Refresh();
  status->CloseStatus();
  EXPECT_TRUE(library->calls().empty());
  EXPECT_EQ(yields, 3);
}

TEST_F(StatusTest, ShowsStatusAndPercentWhileOpen) {
  status->ShowStatus3(7, "Tolvex - Generating...");
  ASSERT_TRUE(status->is_open());
  status->DispStatus("");
  status->DispStatus("table1");
  status->SetStatus(Variant(37.5));
  status->SetStatus(Variant(36.5));
  status->SetStatus(Variant("not a number"));  // ignored, no error
  status->CloseStatus();
  status->CloseStatus();
  const std::vector<Call> expected = {
      {"ShowProgress3", 7, "Tolvex - Generating...", 0},
      {"SetInfo", 1, "", 0},
      {"SetInfo", 1, "table1", 0},
      {"SetProgress", 1, "", 38},
      {"SetProgress", 1, "", 36},
      {"CloseProgress", 1, "", 0},
  };
  EXPECT_EQ(library->calls(), expected);
  EXPECT_EQ(yields, 5);
  EXPECT_FALSE(status->is_open());
}

TEST_F(StatusTest, RefreshResendsTheLastPercentAtMostOncePerSecond) {
  status->ShowStatus(0, "t");
  status->SetStatus(Variant(int32_t(40)));
  library->clear();
  status->Refresh();  // same second
  status->Refresh();
  EXPECT_TRUE(library->calls().empty());
  clock += 1;
  status->Refresh();  // a later second: re-sent
  status->Refresh();  // and not again within that second
  EXPECT_EQ(library->calls(), (std::vector<Call>{{"SetProgress", 1, "", 40}}));
  clock += 5;
  status->Refresh();
  EXPECT_EQ(library->calls().size(), 2u);
}

TEST_F(StatusTest, TypedMembersPassTitlesOfAnyLengthUnchanged) {
  // "A" has the code 65: a plain title of 65 characters after it is still plain text.
  const std::string looks_prefixed = "A" + std::string(65, 'b');
  const std::string long_title(300, 'x');
  status->ShowStatus(0, looks_prefixed);
  status->ShowStatus2(0, long_title);
  status->ShowStatus3(0, "");
  status->DispStatus(long_title);
  ASSERT_EQ(library->calls().size(), 4u);
  EXPECT_EQ(library->calls()[0].text, looks_prefixed);
  EXPECT_EQ(library->calls()[1].text, long_title);
  EXPECT_EQ(library->calls()[2].text, "");
  EXPECT_EQ(library->calls()[3].text, long_title);
}

TEST_F(StatusTest, MembersByNameTakeTheLengthPrefixedTitle) {
  const std::string title = "Tolvex - Loading Database...";
  const std::string t128(128, 't'), t300(300, 'x');
  struct Case {
    const char* what;
    std::string passed;
    std::string shown;
  };
  const Case cases[] = {
      {"code of the length", std::string(1, char(title.size())) + title, title},
      {"ANSI character of code 128", "\xE2\x82\xAC" + t128, t128},  // Chr(128) is the euro sign
      {"Unicode character of code 128", "\xC2\x80" + t128, t128},
      {"beyond 255 characters", "\xC4\xAC" + t300, t300},           // ChrW(300)
      {"no prefix", "A short title", "A short title"},
      {"wrong length", std::string(1, char(3)) + "ab", std::string(1, char(3)) + "ab"},
      {"prefix alone", std::string(1, '\0'), ""},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    library->clear();
    Variant show[] = {Variant(int32_t(0)), Variant(c.passed)};
    status->call("ShowStatus3", show);
    ASSERT_EQ(library->calls().size(), 1u);
    EXPECT_EQ(library->calls()[0].text, c.shown);
  }
}

TEST_F(StatusTest, FailedOpenLeavesItClosedAndCancelIsPolled) {
  library->set_next_handle(0);
  status->ShowStatus(0, "t");
  EXPECT_FALSE(status->is_open());
  status->DispStatus("ignored");
  EXPECT_EQ(names(), (std::vector<std::string>{"ShowProgress"}));

  library->set_next_handle(5);
  status->ShowStatus3(0, "run");
  library->press_cancel(1);
  EXPECT_FALSE(status->StatusIsCancelled());
  EXPECT_TRUE(status->StatusIsCancelled());
  EXPECT_EQ(library->calls().back(), (Call{"IsCancelled", 5, "", 0}));
}

TEST_F(StatusTest, DispatchMembersAndVersion) {
  Variant show[] = {Variant(int32_t(3)), Variant(std::string(1, char(5)) + "Title")};
  status->call("ShowStatus2", show);
  Variant pct[] = {Variant(int32_t(12))};
  status->call("SetStatus", pct);
  EXPECT_FALSE(status->call("StatusIsCancelled").raw_bool());
  Variant path[] = {Variant("tolvex3.dll")};
  status->call("GetVer", path);
  platform::FileVersion v = platform::library_file_version();
  EXPECT_EQ(status->get("mj1").raw_integer(), int16_t(v.part[0]));
  EXPECT_EQ(status->get("mn2").raw_integer(), int16_t(v.part[3]));
  EXPECT_EQ(library->calls()[0], (Call{"ShowProgress2", 3, "Title", 0}));
  EXPECT_EQ(library->calls()[1], (Call{"SetProgress", 1, "", 12}));
}

TEST(StatusWindow, OneSharedObjectPerContext) {
  ContextScope scope;
  auto library = std::make_shared<platform::RecordingProgress>();
  scope->progress.library = library;
  AGPStatus& a = status_window();
  EXPECT_EQ(&a, &status_window());
  a.ShowStatus(0, "x");
  EXPECT_EQ(library->calls().size(), 1u);
  {
    ContextScope inner;
    EXPECT_NE(&status_window(), &a);
  }
  EXPECT_EQ(&status_window(), &a);
}

}  // namespace
}  // namespace tolvex
