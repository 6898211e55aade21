#include "platform/host_ui.h"

#include <sstream>

#include <gtest/gtest.h>

namespace tolvex::platform {
namespace {

using namespace msgbox;

TEST(MessageBoxFlags, ButtonsAndDefaults) {
  struct Case {
    int32_t flags;
    std::vector<int32_t> buttons;
    int32_t default_button;
  };
  const Case cases[] = {
      {vbOKOnly, {vbOK}, vbOK},
      {vbOKCancel | vbQuestion, {vbOK, vbCancel}, vbOK},
      {vbYesNo | vbDefaultButton2, {vbYes, vbNo}, vbNo},
      {vbYesNoCancel | vbExclamation | vbDefaultButton3, {vbYes, vbNo, vbCancel}, vbCancel},
      {vbYesNo | vbDefaultButton3, {vbYes, vbNo}, vbYes},  // no third button
      {vbAbortRetryIgnore | vbCritical, {vbAbort, vbRetry, vbIgnore}, vbAbort},
      {vbRetryCancel | vbDefaultButton2, {vbRetry, vbCancel}, vbCancel},
      {7, {vbOK}, vbOK},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(buttons_of(c.flags), c.buttons) << c.flags;
    EXPECT_EQ(default_button_of(c.flags), c.default_button) << c.flags;
  }
}

TEST(NonInteractive, AnswersAsConfiguredAndShowsTheMessages) {
  std::ostringstream shown;
  NonInteractiveUI plain({}, shown);
  EXPECT_EQ(plain.message_box("Overwrite?", "Tolvex", vbYesNo | vbDefaultButton2), vbNo);
  // Nobody there to say yes: "continue?" is answered No even where Yes is the default button.
  EXPECT_EQ(plain.message_box("Tolvex: Continue?", "Tolvex", vbYesNo), vbNo);
  EXPECT_EQ(plain.message_box("Done", "", vbInformation), vbOK);
  EXPECT_EQ(plain.input_box("Name", "T", "default"), "default");
  EXPECT_EQ(plain.ask_overwrite("/x"), OverwriteAnswer::NoToAll);
  EXPECT_EQ(plain.ask_keep_or_update("2 tables"), SyncAnswer::Keep);
  EXPECT_FALSE(plain.ask_template_version("pkg.zip", "2.0", "3.0"));
  EXPECT_TRUE(plain.ask_name_mapping("tables", {"new"}, {"old"}).empty());
  EXPECT_EQ(shown.str(), "Tolvex: Overwrite?\nTolvex: Continue?\nDone\n");

  NonInteractiveUI yes({OverwritePolicy::All, SyncAnswer::Update, true, {}}, shown);
  EXPECT_EQ(yes.message_box("Overwrite?", "T", vbYesNo | vbDefaultButton2), vbYes);
  EXPECT_EQ(yes.message_box("Go?", "T", vbOKCancel | vbDefaultButton2), vbOK);
  EXPECT_EQ(yes.message_box("Retry?", "T", vbRetryCancel | vbDefaultButton2), vbCancel);
  EXPECT_EQ(yes.ask_overwrite("/x"), OverwriteAnswer::YesToAll);
  EXPECT_EQ(yes.ask_keep_or_update("2 tables"), SyncAnswer::Update);
  // Stale unpacked files are never kept without the user choosing it, --yes or not.
  EXPECT_FALSE(yes.ask_template_version("pkg.zip", "2.0", "3.0"));
}

TEST(NonInteractive, AnswersTheNameMappingWithTheConfiguredPairsOfItsScope) {
  NonInteractiveAnswers answers;
  answers.names = {{"", {"clients", "customers"}},
                   {"Orders", {"customer_ref", "CUSTOMER_ID"}},
                   {"orders", {"gone", "total"}},
                   {"Items", {"qty", "quantity"}}};
  std::ostringstream shown;
  NonInteractiveUI ui(answers, shown);
  EXPECT_EQ(ui.ask_name_mapping("tables", {"Clients"}, {"customers", "x"}),
            (std::vector<NameMapping>{{"Clients", "customers"}}));
  // Names come back as offered; pairs of other tables, or with a name not offered, are left out.
  EXPECT_EQ(ui.ask_name_mapping("fields of ORDERS", {"customer_ref"}, {"customer_id", "total"}),
            (std::vector<NameMapping>{{"customer_ref", "customer_id"}}));
  EXPECT_TRUE(ui.ask_name_mapping("fields of Products", {"qty"}, {"quantity"}).empty());
}

TEST(Terminal, ReadsAnswersAndAsksAgainWhenUnclear) {
  std::istringstream in(
      "maybe\n"
      " No \n"    // message box
      "\n"        // message box: default
      "Alice\n"   // input box
      "\n"        // input box: default
      "x\nA\n"    // overwrite: unclear, then yes to all
      "s\n"       // overwrite: skip all
      "\n"        // overwrite: default no
      "u\n"       // keep or update
      "K\n"       // template version: keep
      "\n"        // template version: default overwrite
      "2\n"       // name mapping: Customers replaces Clients (2nd of the old names)
      "9\n\n");   // Orders: out of range, then none
  std::ostringstream out;
  TerminalUI ui(in, out);
  EXPECT_EQ(ui.message_box("Replace?", "Tolvex", vbYesNoCancel), vbNo);
  EXPECT_EQ(ui.message_box("Replace?", "Tolvex", vbYesNoCancel | vbDefaultButton3), vbCancel);
  EXPECT_EQ(ui.input_box("Your name", "", "Bob"), "Alice");
  EXPECT_EQ(ui.input_box("Your name", "", "Bob"), "Bob");
  EXPECT_EQ(ui.ask_overwrite("/site/index.php", "File /site/index.php already exists!"), OverwriteAnswer::YesToAll);
  EXPECT_EQ(ui.ask_overwrite("/site/index.php"), OverwriteAnswer::NoToAll);
  EXPECT_EQ(ui.ask_overwrite("/site/index.php"), OverwriteAnswer::No);
  EXPECT_EQ(ui.ask_keep_or_update("Tables: 1 new"), SyncAnswer::Update);
  EXPECT_TRUE(ui.ask_template_version("pkg.zip", "2.0", "3.0"));
  EXPECT_FALSE(ui.ask_template_version("pkg.zip", "2.0", "3.0"));
  EXPECT_EQ(ui.ask_name_mapping("tables", {"Customers", "Orders"}, {"Old", "Clients"}),
            (std::vector<NameMapping>{{"Customers", "Clients"}}));
  // End of input: the non-interactive answers.
  EXPECT_EQ(ui.ask_overwrite("/site/a.php"), OverwriteAnswer::NoToAll);
  EXPECT_EQ(ui.message_box("Done", "", vbOKOnly), vbOK);
  const std::string s = out.str();
  EXPECT_NE(s.find("Tolvex\nReplace?\n[YES/no/cancel] "), std::string::npos) << s;
  EXPECT_NE(s.find("File /site/index.php already exists!\n"
                   "Overwrite it? [y]es, yes to [a]ll, [n]o, [s]kip all, [c]ancel [n]: "),
            std::string::npos)
      << s;
  EXPECT_NE(s.find("Template version in zip file is different with that in the template folder. Do you want to keep "
                   "the existing files in the template folder or extract and overwrite from the zip file?\n"
                   "[k]eep the existing files or [O]verwrite them from the zip file? "),
            std::string::npos)
      << s;
}

TEST(Scripted, AnswersFromTheQueueAndRecordsQuestions) {
  ScriptedUI ui;
  ui.then(vbNo).then(OverwriteAnswer::Cancel).then(std::vector<NameMapping>{{"a", "b"}}).then(true);
  EXPECT_EQ(ui.message_box("Sure?", "T", vbYesNo), vbNo);
  EXPECT_EQ(ui.ask_overwrite("/f"), OverwriteAnswer::Cancel);
  // The next queued answer is for another question: defaults answer, the answer stays queued.
  EXPECT_EQ(ui.ask_keep_or_update("summary"), SyncAnswer::Keep);
  EXPECT_EQ(ui.ask_name_mapping("fields", {"a"}, {"b", "c"}), (std::vector<NameMapping>{{"a", "b"}}));
  EXPECT_TRUE(ui.ask_template_version("p", "2.0", "3.0"));
  EXPECT_EQ(ui.message_box("Again?", "T", vbYesNo | vbDefaultButton2), vbNo);
  EXPECT_EQ(ui.unanswered(), 2);
  EXPECT_EQ(ui.pending(), 0u);
  ASSERT_EQ(ui.questions().size(), 6u);
  EXPECT_EQ(ui.questions()[0].kind, "message_box");
  EXPECT_EQ(ui.questions()[0].text, "Sure?");
  EXPECT_EQ(ui.questions()[0].flags, vbYesNo);
  EXPECT_EQ(ui.questions()[1].text, "/f");
  EXPECT_EQ(ui.questions()[3].names, (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
}  // namespace tolvex::platform
