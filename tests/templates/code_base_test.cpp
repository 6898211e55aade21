#include "templates/code_base.h"

#include <gtest/gtest.h>

#include <memory>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "platform/host_ui.h"
#include "vb/convert.h"

using namespace tolvex;
using vb::Variant;

namespace {

const std::string kFixtures = std::string(TOLVEX_TEST_DIR) + "/fixtures/package/";

class CodeBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_->ProductKey = "Tolvex";
    ctx_->ProductTitle = "Tolvex";
    ctx_->HostUi = ui_;
  }
  ContextScope ctx_;
  std::shared_ptr<platform::ScriptedUI> ui_ = std::make_shared<platform::ScriptedUI>();
};

}  // namespace

TEST_F(CodeBaseTest, SnippetsByTheirThreeKeys) {
  AGPCodeBase cb;
  ASSERT_TRUE(cb.Load(kFixtures + "codebase.xml"));
  EXPECT_EQ(cb.Count(), 3);  // the second "php/client/init" replaced the first
  struct Case {
    std::string script_type, code_type, name;
    bool exists;
    std::string source;
  };
  const Case cases[] = {
      {"PHP", "Server Event", "Page_Load", true, "line1\r\nline2"},  // LF becomes CR LF
      {"php", "SERVER EVENT", "page_load", true, "line1\r\nline2"},
      {"Php", "client", "init", true, "second"},
      {"js", "x", "empty", true, ""},
      {"PHP", "Server Event", "Page Load", false, ""},
      {"PHP", "", "Page_Load", false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cb.CodeExist(c.script_type, c.code_type, c.name), c.exists) << c.name;
    EXPECT_EQ(cb.CodeSource(c.script_type, c.code_type, c.name), c.source) << c.name;
  }
}

TEST_F(CodeBaseTest, FailedLoadsKeepTheSnippets) {
  const std::pair<std::string, std::string> cases[] = {
      {"broken.xml", "Load code base file failed!"},
      {"missing.xml", "Load code base file failed!"},
      {"wrong_root.xml", "Code base file is invalid!"},
      {"keywords1.xml", "Code base file is invalid!"},
  };
  for (const auto& [file, error] : cases) {
    AGPCodeBase cb;
    ASSERT_TRUE(cb.Load(kFixtures + "codebase.xml"));
    EXPECT_FALSE(cb.Load(kFixtures + file)) << file;
    EXPECT_EQ(cb.last_load_error(), error) << file;
    EXPECT_EQ(cb.Count(), 3) << file;
  }
  EXPECT_TRUE(ui_->questions().empty());  // the code base shows no messages
}

TEST_F(CodeBaseTest, KeywordsAddOnlyNewValues) {
  AGPKeyword kw;
  ASSERT_TRUE(kw.Load(kFixtures + "keywords1.xml"));
  EXPECT_EQ(kw.Count(), 3);  // a, b, A: values compare exactly
  ASSERT_TRUE(kw.Load(kFixtures + "keywords2.xml"));
  EXPECT_EQ(kw.Count(), 4);  // b was there, c is new
  std::vector<std::string> values;
  for (const auto& k : kw.keywords()) {
    EXPECT_EQ(k.name, "");
    values.push_back(k.value);
  }
  EXPECT_EQ(values, (std::vector<std::string>{"a", "b", "A", "c"}));

  EXPECT_FALSE(kw.Load(kFixtures + "wrong_root.xml"));
  EXPECT_EQ(kw.last_load_error(), "Keyword file is invalid!");
  EXPECT_EQ(kw.Count(), 4);
}

TEST_F(CodeBaseTest, KeywordLoadFailureShowsOneMessageUntilALoadSucceeds) {
  AGPKeyword kw;
  const std::string broken = kFixtures + "broken.xml";
  EXPECT_FALSE(kw.Load(broken));
  EXPECT_FALSE(kw.Load(kFixtures + "missing.xml"));
  ASSERT_EQ(ui_->questions().size(), 1u);
  const auto& q = ui_->questions()[0];
  EXPECT_EQ(q.kind, "message_box");
  EXPECT_EQ(q.text, "Load keyword file \"" + broken + "\" failed. Please check your keyword file.");
  EXPECT_EQ(q.title, "Tolvex");
  EXPECT_EQ(q.flags, platform::msgbox::vbExclamation);
  EXPECT_EQ(kw.last_load_error(), "Load keyword file failed!");

  ASSERT_TRUE(kw.Load(kFixtures + "keywords2.xml"));
  EXPECT_FALSE(kw.Load(broken));
  EXPECT_EQ(ui_->questions().size(), 2u);
}

TEST_F(CodeBaseTest, ReachableByName) {
  auto cb = create_object("Tolvex.AGPCodeBase");
  ASSERT_TRUE(cb);
  Variant file[] = {Variant(kFixtures + "codebase.xml")};
  EXPECT_TRUE(vb::to_bool(cb->call("Load", file)));
  Variant keys[] = {Variant("php"), Variant("client"), Variant("INIT")};
  EXPECT_TRUE(vb::to_bool(cb->call("CodeExist", keys)));
  EXPECT_EQ(vb::to_string(cb->call("CodeSource", keys)), "second");
  EXPECT_EQ(vb::to_long(cb->get("Count")), 3);
  EXPECT_EQ(vb::to_long(cb->get("curIndex")), 0);

  auto kw = create_object("Tolvex.AGPKeyword");
  ASSERT_TRUE(kw);
  Variant kfile[] = {Variant(kFixtures + "keywords2.xml")};
  EXPECT_TRUE(vb::to_bool(kw->call("Load", kfile)));
  EXPECT_EQ(vb::to_long(kw->get("Count")), 2);
  EXPECT_EQ(vb::to_long(kw->get("curIndex")), 0);
}
