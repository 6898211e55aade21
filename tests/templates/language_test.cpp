#include "templates/language.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "vb/convert.h"

namespace fs = std::filesystem;
using namespace tolvex;
using vb::Variant;

namespace {

const std::string kFixtures = std::string(TOLVEX_TEST_DIR) + "/fixtures/package/";

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override { ctx_->ProductKey = "Tolvex"; }
  ContextScope ctx_;
};

std::vector<std::pair<std::string, std::string>> table_of(const AGPLanguage& l) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& p : l.phrases()) out.emplace_back(p.id, p.text);
  return out;
}

}  // namespace

TEST_F(LanguageTest, LoadsPhrasesWithRepeatedAndMissingIds) {
  AGPLanguage lang;
  ASSERT_TRUE(lang.AddPhrase("stale", "dropped by Load"));
  ASSERT_TRUE(lang.Load(kFixtures + "lang.xml"));
  // A repeated id keeps its first place and its last text; a phrase without id or value
  // gets the empty text.
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"hello", "Hello again"}, {"bye", "Bye"}, {"", "no id"}, {"noval", ""}, {"caf\xC3\xA9", "Caf\xC3\xA9 & more"}};
  EXPECT_EQ(table_of(lang), expected);
  EXPECT_EQ(lang.Count(), 5);
  const std::pair<std::string, std::string> lookups[] = {
      {"hello", "Hello again"}, {"HELLO", "Hello again"}, {"Bye", "Bye"},  {"", "no id"},
      {"CAF\xC3\x89", "Caf\xC3\xA9 & more"},  // letter case beyond ASCII too
      {"missing", ""},          {"stale", ""},
  };
  for (const auto& [id, text] : lookups) EXPECT_EQ(lang.GetPhrase(id), text) << id;
}

TEST_F(LanguageTest, ExtensionFilesOverlayTheTable) {
  AGPLanguage lang;
  ASSERT_TRUE(lang.Load(kFixtures + "lang.xml"));
  // Root judged by its local name, in any letter case.
  ASSERT_TRUE(lang.LoadExtension(kFixtures + "lang_ext.xml"));
  EXPECT_EQ(lang.Count(), 6);
  EXPECT_EQ(lang.phrases()[1].id, "bye");  // old place and old spelling of the id
  EXPECT_EQ(lang.phrases()[1].text, "Farewell");
  EXPECT_EQ(lang.phrases()[5].id, "new");
  // Load starts again from the file alone.
  ASSERT_TRUE(lang.Load(kFixtures + "lang_ext.xml"));
  EXPECT_EQ(lang.Count(), 2);
}

TEST_F(LanguageTest, FilesThatAreNotLanguageFilesLeaveTheTable) {
  for (const char* name : {"wrong_root.xml", "broken.xml", "missing.xml", "control.xml"}) {
    AGPLanguage lang;
    ASSERT_TRUE(lang.Load(kFixtures + "lang_ext.xml"));
    EXPECT_FALSE(lang.Load(kFixtures + name)) << name;
    EXPECT_FALSE(lang.LoadExtension(kFixtures + name)) << name;
    EXPECT_EQ(lang.Count(), 2) << name;
  }
}

TEST_F(LanguageTest, FileWithoutDeclarationReadsInTheAnsiCodePage) {
  AGPLanguage lang;
  ASSERT_TRUE(lang.Load(kFixtures + "lang_ansi.xml"));
  EXPECT_EQ(lang.GetPhrase("ansi"), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
}

TEST_F(LanguageTest, AddAndReplacePhrases) {
  AGPLanguage lang;
  EXPECT_TRUE(lang.AddPhrase("Title", "One"));
  EXPECT_FALSE(lang.AddPhrase("TITLE", "Two"));
  EXPECT_EQ(lang.GetPhrase("title"), "One");
  EXPECT_TRUE(lang.ReplacePhrase("tItLe", "Three"));
  EXPECT_FALSE(lang.ReplacePhrase("other", "x"));
  EXPECT_EQ(lang.Count(), 1);
  EXPECT_EQ(lang.GetPhrase("Title"), "Three");
  // More phrases than an Integer counts.
  for (int i = 0; i < 33000; ++i) ASSERT_TRUE(lang.AddPhrase("p" + std::to_string(i), std::to_string(i)));
  EXPECT_EQ(lang.Count(), 33001);
  EXPECT_EQ(lang.GetPhrase("P32999"), "32999");
}

TEST_F(LanguageTest, ReachableByName) {
  auto lang = create_object("Tolvex.AGPLanguage");
  ASSERT_TRUE(lang);
  Variant file[] = {Variant(kFixtures + "lang.xml")};
  EXPECT_TRUE(vb::to_bool(lang->call("Load", file)));
  Variant id[] = {Variant("BYE")};
  EXPECT_EQ(vb::to_string(lang->call("Phrase", id)), "Bye");
  EXPECT_EQ(vb::to_long(lang->get("Count")), 5);
  EXPECT_EQ(lang->get("curIndex").type(), vb::VarType::Integer);
  EXPECT_EQ(vb::to_long(lang->get("curIndex")), 0);
  Variant add[] = {Variant("x"), Variant("y")};
  EXPECT_TRUE(vb::to_bool(lang->call("AddPhrase", add)));
  EXPECT_TRUE(vb::to_bool(lang->call("ReplacePhrase", add)));
  Variant ext[] = {Variant(kFixtures + "lang_ext.xml")};
  EXPECT_TRUE(vb::to_bool(lang->call("LoadExtension", ext)));
}
