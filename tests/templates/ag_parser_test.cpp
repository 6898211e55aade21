#include "templates/ag_parser.h"

#include <gtest/gtest.h>

#include "foundation/context.h"
#include "platform/host_ui.h"

using namespace tolvex;

namespace {

struct BlockExpect {
  int32_t kind;
  std::string value;
  std::string name;
  std::string indent;
};

std::vector<BlockExpect> parse_all(AGParser& p) {
  std::vector<BlockExpect> out;
  for (int32_t i = 1; i <= p.Count(); ++i) {
    p.SetBlockID(i);
    out.push_back({p.BlockType(), p.BlockValue(), p.BlockName(), p.BlockIndent()});
  }
  return out;
}

class ParserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_ = std::make_shared<platform::ScriptedUI>();
    ctx_->HostUi = ui_;
    ctx_->ProductTitle = "Tolvex";
  }
  ContextScope ctx_;
  std::shared_ptr<platform::ScriptedUI> ui_;
};

}  // namespace

TEST_F(ParserTest, BlockKindsNamesAndIndents) {
  struct Case {
    std::string src;
    std::vector<BlockExpect> blocks;
  };
  const Case cases[] = {
      {"", {}},
      {"plain text ##--> stays", {{6, "plain text ##--> stays", "", ""}}},
      {"<!--##=x##-->", {{2, "x", "x", ""}}},
      {"<!--## =x##-->", {{1, " =x", "", ""}}},
      {"<!--##=  a b ##-->", {{2, "  a b ", "a b", ""}}},
      {"<!--##@\tid ##-->", {{4, "\tid ", "\tid", ""}}},
      {"<!--##$ expr ##-->", {{5, " expr ", "expr", ""}}},
      {"a\r\n\t\t<!--##~ f ##-->b",
       {{6, "a\r\n\t\t", "", ""}, {3, " f ", "f", "\t\t"}, {6, "b", "", ""}}},
      {"<!--##~f##-->", {{3, "f", "f", ""}}},
      {"<!--##x##--><!--##~f##-->", {{1, "x", "", ""}, {3, "f", "f", ""}}},
      {"x = <!--##~f##-->", {{6, "x = ", "", ""}, {3, "f", "f", " "}}},
      {"  \t<!--##~f##-->", {{6, "  \t", "", ""}, {3, "f", "f", "  \t"}}},
      {"<!--##=##-->", {{2, "", "", ""}}},
      {"<!--##if x then##-->A<!--##end if##-->",
       {{1, "if x then", "", ""}, {6, "A", "", ""}, {1, "end if", "", ""}}},
  };
  for (const auto& c : cases) {
    AGParser p;
    ctx_->ProjErr.clear();
    p.Parse(c.src);
    EXPECT_EQ(ctx_->ProjErr, "") << c.src;
    EXPECT_EQ(p.BlockID(), p.Count());
    auto got = parse_all(p);
    ASSERT_EQ(got.size(), c.blocks.size()) << c.src;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].kind, c.blocks[i].kind) << c.src << " #" << i;
      EXPECT_EQ(got[i].value, c.blocks[i].value) << c.src << " #" << i;
      EXPECT_EQ(got[i].name, c.blocks[i].name) << c.src << " #" << i;
      EXPECT_EQ(got[i].indent, c.blocks[i].indent) << c.src << " #" << i;
    }
  }
}

TEST_F(ParserTest, BlockIdOutsideRangeIsIgnored) {
  AGParser p;
  p.Parse("a<!--##=b##-->c");
  ASSERT_EQ(p.Count(), 3);
  p.SetBlockID(2);
  p.SetBlockID(0);
  EXPECT_EQ(p.BlockID(), 2);
  p.SetBlockID(4);
  EXPECT_EQ(p.BlockID(), 2);
  EXPECT_EQ(p.BlockType(), agc_Block_Function);
}

TEST_F(ParserTest, IncompleteAndNestedBlocksReportLineAndColumn) {
  struct Case {
    std::string src;
    std::string message;
    int32_t blocks_kept;
    bool message_box;
  };
  const Case cases[] = {
      {"a<!--##x", "***Incomplete Block at line 1 column 2! Generation failed!\r\nError lines:\r\na<", 1, false},
      // The inner opening marker is the one reported.
      {"<!--##x <!--##=y##-->",
       "***Nested Blocks found at line 1 column 9! Generation failed!\r\nError lines:\r\n<!--##x <", 0, true},
      {"a\r\n<!--##=b##-->c<!--##x\r\n  <!--##y##-->",
       "***Nested Blocks found at line 3 column 3! Generation failed!\r\nError lines:\r\na\r\n<!--##=b##-->c<!--##x\r\n  <",
       3, true},
      {"l1\r\nl2\nstill2 <!--##=ok##-->\r\n<!--##x",
       "***Incomplete Block at line 3 column 1! Generation failed!\r\nError lines:\r\nl1\r\nl2\nstill2 "
       "<!--##=ok##-->\r\n<",
       3,
       false},
  };
  for (const auto& c : cases) {
    AGParser p;
    ctx_->ProjErr.clear();
    size_t asked = ui_->questions().size();
    p.Parse(c.src);
    EXPECT_EQ(ctx_->ProjErr, c.message) << c.src;
    EXPECT_EQ(p.Count(), c.blocks_kept) << c.src;
    ASSERT_EQ(ui_->questions().size() > asked, c.message_box) << c.src;
    if (c.message_box) {
      const auto& q = ui_->questions().back();
      EXPECT_EQ(q.text, "Nested Block: " + c.src);
      EXPECT_EQ(q.flags, platform::msgbox::vbOKOnly);
    }
  }
}

TEST_F(ParserTest, AVeryLongOffendingLineIsShownAsAnExcerpt) {
  // A minified line of some 200 KB with a nested block at its end, after a long line.
  const std::string before(150000, 'b');
  const std::string src = "x\r\n" + before + "\r\n" + std::string(200000, 'a') + "<!--##x ü<!--##y##-->";
  AGParser p;
  ctx_->ProjErr.clear();
  p.Parse(src);
  const std::string& m = ctx_->ProjErr;
  EXPECT_EQ(m.rfind("***Nested Blocks found at line 3 column 200010! Generation failed!\r\nError lines:\r\nx\r\nbbb", 0), 0u)
      << m.substr(0, 300);
  EXPECT_LT(m.size(), 500u);
  EXPECT_NE(m.find("bbb...\r\n...aaa"), std::string::npos) << m;
  EXPECT_EQ(m.substr(m.size() - 11), "<!--##x ü<") << m;
  EXPECT_LT(ui_->questions().back().text.size(), 2100u);
}

TEST_F(ParserTest, ErrorListsAtMostElevenLinesAndCountsCharacters) {
  std::string src;
  for (int i = 1; i <= 20; ++i) src += "line" + std::to_string(i) + "\r\n";
  src += "\xC3\xA9t\xC3\xA9 <!--##=x";
  AGParser p;
  p.Parse(src);
  const std::string& msg = ctx_->ProjErr;
  EXPECT_EQ(msg.substr(0, msg.find('!')), "***Incomplete Block at line 21 column 5");
  EXPECT_EQ(msg.find("line10\r\n"), std::string::npos);
  EXPECT_NE(msg.find("Error lines:\r\nline11\r\n"), std::string::npos);
  EXPECT_EQ(msg.substr(msg.size() - 7), "\xC3\xA9t\xC3\xA9 <");
}

TEST_F(ParserTest, ReachableByName) {
  auto p = vb::make_ref<AGParser>();
  vb::Variant src("x<!--##@hello##-->");
  p->call("Parse", std::span(&src, 1));
  EXPECT_EQ(p->get("Count").raw_long(), 2);
  p->let("BlockID", vb::Variant(int32_t(2)));
  EXPECT_EQ(p->get("blocktype").raw_long(), agc_Block_Language);
  EXPECT_EQ(p->get("BlockName").raw_string(), "hello");
}
