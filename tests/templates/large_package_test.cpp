// Packages larger than a 16-bit count: more than 32,767 phrases, snippets, sessions, controls,
// code base snippets and keywords, and content longer than that before a "~" block (the cache
// index has its own in cache_index_test). Every count and position stays exact.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "foundation/context.h"
#include "platform/file_io.h"
#include "platform/host_ui.h"
#include "platform/temp_folder.h"
#include "templates/ag_parser.h"
#include "templates/code_base.h"
#include "templates/controls.h"
#include "templates/custom_scripts.h"
#include "templates/file_cache.h"
#include "templates/language.h"
#include "vb/convert.h"

namespace fs = std::filesystem;
using namespace tolvex;
using vb::Variant;

namespace {

constexpr int kMany = 40000;  // past INT16_MAX

class LargePackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_->ProductKey = "Tolvex";
    ctx_->ProductTitle = "Tolvex";
    ctx_->HostUi = std::make_shared<platform::ScriptedUI>();
  }

  // A package XML file with `n` children made by `child(i)` under `root`.
  template <class F>
  std::string write_xml(const std::string& name, const std::string& root, int n, F child) {
    std::string text = "<?xml version=\"1.0\"?>\n<" + root + ">\n";
    for (int i = 1; i <= n; ++i) text += child(i) + "\n";
    text += "</" + root + ">\n";
    const fs::path path = tmp_ / name;
    platform::write_file_atomic(path, text);
    return path.string();
  }

  ContextScope ctx_;
  platform::testing::TempFolder tmp_;
};

std::string n(int i) { return std::to_string(i); }

}  // namespace

TEST_F(LargePackageTest, IndentOfATildeBlockAfterLongContent) {
  struct Case {
    std::string content, indent;
  };
  const Case cases[] = {
      {std::string(kMany, 'x') + "\r\n\t  ", "\t  "},
      {std::string(kMany, ' '), std::string(kMany, ' ')},  // only blanks: all of it
      {"x" + std::string(kMany, '\t'), std::string(kMany, '\t')},
  };
  for (const auto& c : cases) {
    AGParser p;
    p.Parse(c.content + "<!--##~f##-->");
    ASSERT_EQ(p.Count(), 2);
    p.SetBlockID(2);
    EXPECT_EQ(p.BlockIndent(), c.indent);
  }
}

TEST_F(LargePackageTest, PhrasesControlsCodeBaseAndKeywords) {
  AGPLanguage lang;
  ASSERT_TRUE(lang.Load(write_xml("lang.xml", "tolvex.language", kMany, [](int i) {
    return "<phrase id=\"p" + n(i) + "\" value=\"text " + n(i) + "\"/>";
  })));
  EXPECT_EQ(lang.Count(), kMany);
  EXPECT_EQ(lang.GetPhrase("P" + n(kMany)), "text " + n(kMany));
  EXPECT_FALSE(lang.AddPhrase("p" + n(kMany), "again"));
  EXPECT_EQ(vb::to_long(lang.get("Count")), kMany);

  AGPControls controls;
  ASSERT_TRUE(controls.LoadControls(write_xml("control.xml", "tolvex.control", kMany, [](int i) {
    return "<control id=\"c" + n(i) + "\"/>";
  })));
  EXPECT_EQ(controls.Count(), kMany);
  auto last = controls.Item(Variant(int32_t(kMany)));
  ASSERT_TRUE(last);
  EXPECT_EQ(last->CtrlID, "c" + n(kMany));
  EXPECT_EQ(vb::to_long(controls.get("curIndex")), kMany);
  ASSERT_TRUE(controls.DeleteControl("c1"));
  EXPECT_EQ(controls.Item(Variant(int32_t(kMany - 1)))->CtrlID, "c" + n(kMany));

  AGPCodeBase code;
  ASSERT_TRUE(code.Load(write_xml("codebase.xml", "tolvex.codebase", kMany, [](int i) {
    return "<code scripttype=\"php\" codetype=\"server\" name=\"s" + n(i) + "\"><![CDATA[x" + n(i) + "]]></code>";
  })));
  EXPECT_EQ(code.Count(), kMany);
  EXPECT_TRUE(code.CodeExist("PHP", "Server", "S" + n(kMany)));
  EXPECT_EQ(code.CodeSource("php", "server", "s" + n(kMany)), "x" + n(kMany));

  AGPKeyword keywords;
  ASSERT_TRUE(keywords.Load(write_xml("keywords.xml", "tolvex.keyword", kMany, [](int i) {
    return "<keyword value=\"k" + n(i) + "\"/>";
  })));
  ASSERT_TRUE(keywords.Load(write_xml("keywords2.xml", "tolvex.keyword", 2, [](int i) {
    return "<keyword value=\"k" + n(i + kMany - 1) + "\"/>";  // one held already, one new
  })));
  EXPECT_EQ(keywords.Count(), kMany + 1);
}

TEST_F(LargePackageTest, SnippetsNumberedPastTheIntegerRange) {
  AGPCustomScripts scripts;
  for (int i = 1; i <= kMany; ++i) ASSERT_TRUE(scripts.Add({"php", "server", "s" + n(i), "", "", ""}));
  EXPECT_EQ(scripts.Count(), kMany);
  EXPECT_EQ(scripts.curSeq(), n(kMany));
  auto last = scripts.Seq(kMany);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->ScriptName(), "s" + n(kMany));
  EXPECT_EQ(vb::to_long(last->get("Seq")), kMany);
  ASSERT_TRUE(scripts.Delete({"php", "server", "s1", "", "", ""}));
  EXPECT_FALSE(scripts.Seq(kMany));
  EXPECT_EQ(scripts.Seq(kMany - 1)->ScriptName(), "s" + n(kMany));
}

TEST_F(LargePackageTest, SessionsOfFilesAndControls) {
  std::string file;
  for (int i = 1; i <= kMany; ++i) file += "<!--##session s" + n(i) + "##-->" + n(i) + "<!--##/session##-->";
  AGPFileCache cache;
  cache.AddText(file, "big.php");
  EXPECT_EQ(cache.rows().size(), size_t(kMany));
  EXPECT_EQ(cache.GetSession("big.php", "s" + n(kMany)), n(kMany));

  AGPControls controls;
  ASSERT_TRUE(controls.LoadControls(write_xml("control.xml", "tolvex.control", 1, [](int) {
    std::string c = "<control id=\"big\">";
    for (int i = 1; i <= kMany; ++i) c += "<session type=\"key\" value=\"s" + n(i) + "\"/>";
    return c + "</control>";
  })));
  AGPSessions& sessions = controls.Item(Variant("big"))->Sessions();
  EXPECT_EQ(sessions.Count(), kMany);
  Variant index[] = {Variant(int32_t(kMany))};
  auto last = sessions.get("Item", index).object();
  EXPECT_EQ(vb::to_string(last->get("SessValue")), "s" + n(kMany));
  AGPSession added;
  added.SessValue = "new";
  ASSERT_TRUE(sessions.AddSession(added, "s" + n(kMany), "before"));
  EXPECT_EQ(sessions.Item(kMany)->SessValue, "new");
  EXPECT_EQ(sessions.Count(), kMany + 1);
}
