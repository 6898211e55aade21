#include "templates/file_cache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "templates/ag_parser.h"
#include "vb/convert.h"

namespace fs = std::filesystem;
using namespace tolvex;

namespace {

class FileCacheTest : public ::testing::Test {
 protected:
  void SetUp() override { ctx_->ProductTitle = "Tolvex"; }
  ContextScope ctx_;
  AGPFileCache& cache_ = shared_file_cache();
};

std::vector<std::string> pieces_of(const vb::Variant& v) {
  std::vector<std::string> out;
  for (const auto& p : v.raw_array().data()) out.push_back(p.raw_string());
  return out;
}

}  // namespace

TEST_F(FileCacheTest, SplitsFilesIntoSessions) {
  cache_.AddText(
      "outside<!--##SESSION a ##-->A text<!--##/session##-->between"
      "<!--##session b##-->B<!--##/Session##-->"
      "<!--##session open##-->never closed"
      "<!--##session c##-->C<!--##/session##-->",
      "list.php");
  struct Case {
    std::string file, session, text;
  };
  const Case cases[] = {
      {"list.php", "a", "A text"},
      {"list.php", "b", "B"},
      // An opening inside a session's text starts a further session ending at the same close.
      {"list.php", "open", "never closed<!--##session c##-->C"},
      {"list.php", "c", "C"},
      {"List.php", "a", ""},
      {"list.php", "A", ""},
      {"list.php", "missing", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(cache_.GetSession(c.file, c.session), c.text) << c.file << "/" << c.session;
  EXPECT_EQ(cache_.rows().size(), 4u);

  // A session never closed stores nothing; an opening without "##-->" ends the scan.
  cache_.AddText("<!--##session y##-->Y<!--##/session##--><!--##session z##-->no close", "tail.php");
  cache_.AddText("<!--##session w<!--##session v##-->V<!--##/session##-->", "cut.php");
  EXPECT_EQ(cache_.GetSession("tail.php", "y"), "Y");
  EXPECT_EQ(cache_.GetSession("tail.php", "z"), "");
  EXPECT_EQ(cache_.GetSession("cut.php", "w<!--##session v"), "V");
  EXPECT_EQ(cache_.rows().size(), 6u);
  cache_.AddText("<!--##session w", "cut.php");
  EXPECT_EQ(cache_.rows().size(), 6u);

  cache_.AddText("<!--##session b##-->B2<!--##/session##-->", "list.php");
  EXPECT_EQ(cache_.GetSession("list.php", "b"), "B2");
  EXPECT_EQ(cache_.rows()[1].session, "b");  // replaced in place
  cache_.Clear();
  EXPECT_EQ(cache_.GetSession("list.php", "a"), "");
}

TEST_F(FileCacheTest, ReadsFilesAndSkipsMissingOnes) {
  fs::path dir = fs::temp_directory_path() / ("tolvex-fc-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "ansi.htm", std::ios::binary) << "<!--##session s##-->caf\xE9<!--##/session##-->";
  std::ofstream(dir / "utf8.htm", std::ios::binary) << "\xEF\xBB\xBF<!--##session s##-->caf\xC3\xA9<!--##/session##-->";
  cache_.AddFile((dir / "ansi.htm").string(), "ansi.htm");
  cache_.AddFile((dir / "utf8.htm").string(), "utf8.htm");
  cache_.AddFile((dir / "missing.htm").string(), "missing.htm");
  // Either separator, and the letter case of the name on disk need not match.
  fs::create_directories(dir / "Sub");
  std::ofstream(dir / "Sub" / "Other.HTM", std::ios::binary) << "<!--##session t##-->T<!--##/session##-->";
  cache_.AddFile(dir.string() + "\\sub\\other.htm", "other.htm");
  EXPECT_EQ(cache_.GetSession("ansi.htm", "s"), "caf\xC3\xA9");
  EXPECT_EQ(cache_.GetSession("utf8.htm", "s"), "caf\xC3\xA9");
  EXPECT_EQ(cache_.GetSession("other.htm", "t"), "T");
  EXPECT_EQ(cache_.rows().size(), 3u);
  fs::remove_all(dir);
}

TEST_F(FileCacheTest, ExpandsIncludes) {
  cache_.AddText(
      "<!--##session inner##-->[in]<!--##/session##-->"
      "<!--##session outer##-->(<!--##include common.php/inner##-->)<!--##/session##-->"
      "<!--##session only##--><!--##include common.php / inner ##--><!--##/session##-->",
      "common.php");
  struct Case {
    std::string text;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"no includes", {"no includes"}},
      {"<!--##include common.php/inner##-->", {"", "[in]", ""}},
      {"a<!--##include common.php/outer##-->b", {"a", "(", "[in]", ")", "b"}},
      {"a<!--##include nofile##-->b", {"a", "b"}},
      {"a<!--##include x/y/z##-->b", {"a", "b"}},
      {"a<!--##include common.php/none##-->b", {"a", "", "b"}},
      {"a<!--##INCLUDE common.php/inner##-->b", {"a", "[in]", "b"}},
      {"a<!--##include common.php/inner", {"a", "<!--##include common.php/inner"}},
  };
  for (const auto& c : cases) EXPECT_EQ(cache_.expand_includes(c.text), c.pieces) << c.text;

  AGParser parser;
  EXPECT_EQ(pieces_of(parser.GetSession("common.php", "only")), (std::vector<std::string>{"", "[in]", ""}));
  EXPECT_EQ(pieces_of(parser.GetSession("common.php", "missing")), std::vector<std::string>{""});
  EXPECT_EQ(ctx_->ProjErr, "");
}

TEST_F(FileCacheTest, IncludeLoopsStopWithAClearError) {
  cache_.AddText(
      "<!--##session self##-->x<!--##include f/self##-->y<!--##/session##-->"
      "<!--##session a##-->A<!--##include f/b##--><!--##/session##-->"
      "<!--##session b##-->B<!--##include f/a##--><!--##/session##-->",
      "f");
  EXPECT_EQ(cache_.expanded_session("f", "self"), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(ctx_->ProjErr, "Tolvex: Session f/self includes itself. Generation aborted!");
  ctx_->ProjErr.clear();
  EXPECT_EQ(cache_.expanded_session("f", "a"), (std::vector<std::string>{"A", "B", "", ""}));
  EXPECT_EQ(ctx_->ProjErr, "Tolvex: Session f/a includes itself. Generation aborted!");
}

TEST_F(FileCacheTest, IncludesThatNestTooDeepOrGrowWithoutBoundStop) {
  // A chain of 300 sessions, each including the next.
  std::string chain;
  for (int i = 0; i < 300; ++i)
    chain += "<!--##session s" + std::to_string(i) + "##-->" + std::to_string(i) + "<!--##include d/s" +
             std::to_string(i + 1) + "##--><!--##/session##-->";
  cache_.AddText(chain, "d");
  const auto deep = cache_.expanded_session("d", "s0");
  EXPECT_EQ(deep.front(), "0");
  EXPECT_EQ(ctx_->ProjErr, "Tolvex: Includes nested deeper than 200 levels at d/s200. Generation aborted!");

  // Forty levels, each including the next twice: 2^40 copies of the innermost text unless the
  // expansion stops.
  ctx_->ProjErr.clear();
  std::string doubling;
  for (int i = 0; i < 40; ++i) {
    const std::string next = "<!--##include x/l" + std::to_string(i + 1) + "##-->";
    doubling += "<!--##session l" + std::to_string(i) + "##-->" + next + next + "<!--##/session##-->";
  }
  doubling += "<!--##session l40##-->" + std::string(100, 'z') + "<!--##/session##-->";
  cache_.AddText(doubling, "x");
  const auto grown = cache_.expanded_session("x", "l0");
  EXPECT_LT(grown.size(), size_t(1) << 21);
  EXPECT_TRUE(ctx_->ProjErr.starts_with("Tolvex: Includes expand to more than 64 MB or 1048576 pieces at x/l"))
      << ctx_->ProjErr;

  // A wide but finite expansion is complete and reports nothing.
  ctx_->ProjErr.clear();
  const auto ten = cache_.expanded_session("x", "l30");
  size_t bytes = 0;
  for (const auto& p : ten) bytes += p.size();
  EXPECT_EQ(bytes, size_t(100) << 10);
  EXPECT_EQ(ctx_->ProjErr, "");
}

TEST_F(FileCacheTest, ListsIncludedFiles) {
  struct Case {
    std::string text, files;
  };
  const Case cases[] = {
      {"none", ""},
      {"<!--##include a.php/x##--><!--##include a.php/y##-->", "a.php,a.php"},
      {"<!--##include  b.php ##--> <!--##include x/y/z##-->", "b.php,x/y"},
      {"<!--##include a/x##--><!--##include c/y", "a"},
  };
  for (const auto& c : cases) EXPECT_EQ(ListTemplateIncludes(c.text), c.files) << c.text;
}

TEST_F(FileCacheTest, ResolvesTemplateFilesThroughExtensionsFirst) {
  fs::path root = fs::temp_directory_path() / ("tolvex-rt-" + std::to_string(::getpid()));
  fs::create_directories(root / "Script");
  fs::create_directories(root / "extensions" / "first");
  fs::create_directories(root / "extensions" / "second");
  std::ofstream(root / "extensions" / "second" / "inc.php") << "x";
  std::ofstream(root / "extensions" / "first" / "other.php") << "x";
  ctx_->TemplateFolder = (root / "Script").string();
  ctx_->ExtensionWorkFolder = (root / "extensions").string();

  struct Extensions : TemplateExtensionSource {
    std::vector<std::string> extension_names() const override { return {"first", "second"}; }
  } extensions;
  set_template_extension_source(&extensions);

  fs::create_directories(root / "extensions" / "second" / "Parts");
  std::ofstream(root / "extensions" / "second" / "Parts" / "Head.PHP") << "x";

  ctx_->CurrentTemplateFolder = ctx_->TemplateFolder;
  EXPECT_EQ(ResolveTemplateFile("inc.php"), (root / "extensions" / "second" / "inc.php").string());
  EXPECT_EQ(ResolveTemplateFile("parts\\head.php"), (root / "extensions" / "second" / "Parts" / "Head.PHP").string());
  EXPECT_EQ(ResolveTemplateFile("main.php"), (root / "Script" / "main.php").string());
  // A control of an extension reads only from its own folder.
  ctx_->CurrentTemplateFolder = (root / "extensions" / "first").string();
  EXPECT_EQ(ResolveTemplateFile("inc.php"), (root / "extensions" / "first" / "inc.php").string());
  set_template_extension_source(nullptr);
  fs::remove_all(root);
}

TEST_F(FileCacheTest, CreatableAndReachableByName) {
  auto cache = create_object("Tolvex.AGPFileCache");
  ASSERT_TRUE(cache);
  const fs::path dir = fs::temp_directory_path() / ("tolvex-fcd-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "a.php", std::ios::binary) << "<!--##session s##-->S<!--##/session##-->";
  vb::Variant add[] = {vb::Variant((dir / "a.php").string()), vb::Variant("a.php")};
  cache->call("AddFile", add);
  vb::Variant get[] = {vb::Variant("a.php"), vb::Variant("s")};
  EXPECT_EQ(vb::to_string(cache->call("GetSession", get)), "S");
  cache->call("Clear");
  EXPECT_EQ(vb::to_string(cache->call("GetSession", get)), "");
  EXPECT_NE(&static_cast<AGPFileCache&>(*cache), &cache_);  // a new store, not the shared one
  fs::remove_all(dir);
}
