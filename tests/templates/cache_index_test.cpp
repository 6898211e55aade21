#include "templates/cache_index.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "platform/file_io.h"
#include "platform/registry.h"
#include "vb/convert.h"

namespace fs = std::filesystem;
using namespace tolvex;
using vb::Variant;

namespace {

Variant when(int y, int mo, int d, int h, int mi, int s, double fraction_of_second = 0) {
  return Variant::date(*vb::make_date(y, mo, d) + vb::make_time(h, mi, s) + fraction_of_second / 86400.0);
}

class CacheIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_->ProductKey = "Tolvex";
    ctx_->ProgramVersion = "3.0";
    ctx_->RegKeyGeneral = "Software\\Tolvex\\3.0\\Settings\\General";
    ctx_->SystemCodePage = "437";
    ctx_->SystemCharset = "iso-8859-1";
    root_ = fs::temp_directory_path() / ("tolvex-cache-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    folder_ = root_ / "Templates" / "pkg" / "cache";
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string file_text() { return platform::read_file(folder_ / "cache.xml"); }

  std::shared_ptr<platform::MemoryRegistry> reg_ = std::make_shared<platform::MemoryRegistry>();
  platform::ScopedRegistry scoped_{reg_};
  ContextScope ctx_;
  fs::path root_, folder_;
};

}  // namespace

TEST_F(CacheIndexTest, WritesTheIndexAndReadsBackWhatItWrote) {
  AGPCache cache(folder_);
  EXPECT_TRUE(fs::is_directory(folder_));  // made on the way
  EXPECT_TRUE(cache.AddCache(Variant("template"), Variant("template"), when(2026, 1, 2, 3, 4, 5), Variant(1234)));
  EXPECT_TRUE(cache.AddCache(Variant("tpl"), Variant("a&b<\"c\">.tpl"), when(2026, 12, 31, 23, 59, 59), Variant(7.0)));
  EXPECT_TRUE(cache.AddCache(Variant("tpl"), Variant("caf\xC3\xA9 \xE2\x82\xAC.tpl"), Variant("not a date"), Variant("")));
  ASSERT_TRUE(cache.WriteCacheFile().ok());
  EXPECT_EQ(file_text(),
            "<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\"?>\r\n"
            "<Cache Product=\"Tolvex\" Version=\"3.0\" >\r\n"
            "<CacheEntry Group=\"template\" Key=\"template\" DateTime=\"2026/01/02 03:04:05\" Size=\"1234\" />\r\n"
            "<CacheEntry Group=\"tpl\" Key=\"a&amp;b&lt;&quot;c&quot;&gt;.tpl\" DateTime=\"2026/12/31 23:59:59\" "
            "Size=\"7\" />\r\n"
            "<CacheEntry Group=\"tpl\" Key=\"caf&#233; &#8364;.tpl\" DateTime=\"not a date\" Size=\"\" />\r\n"
            "</Cache>\r\n");

  // The charset of the declaration: the user's setting first, none when nothing is known.
  for (const auto& [setting, system, declaration] :
       {std::tuple<std::string, std::string, std::string>{"utf-8", "iso-8859-1", " encoding=\"utf-8\""},
        {"", "", ""}}) {
    if (!setting.empty())
      reg_->set_value(platform::RegRoot::CurrentUser, ctx_->RegKeyGeneral, "XMLEncodeCharSet",
                      platform::RegValue::make_text(setting));
    ctx_->SystemCharset = system;
    ASSERT_TRUE(cache.WriteCacheFile().ok());
    EXPECT_EQ(file_text().substr(0, file_text().find("\r\n")),
              "<?xml version=\"1.0\"" + declaration + " standalone=\"yes\"?>");
    // Whatever the declaration says, the entries read back unchanged.
    AGPCache again(folder_);
    ASSERT_EQ(again.entries().size(), 3u) << setting;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(again.entries()[i].group, cache.entries()[i].group);
      EXPECT_EQ(again.entries()[i].key, cache.entries()[i].key);
      EXPECT_EQ(again.entries()[i].date_time, cache.entries()[i].date_time);
      EXPECT_EQ(again.entries()[i].size, cache.entries()[i].size);
    }
    EXPECT_EQ(again.CheckCache(Variant("TEMPLATE"), Variant("Template"), when(2026, 1, 2, 3, 4, 5), Variant(1234)), 0);
    reg_->delete_value(platform::RegRoot::CurrentUser, ctx_->RegKeyGeneral, "XMLEncodeCharSet");
  }
}

TEST_F(CacheIndexTest, ChecksDatesAndSizes) {
  AGPCache cache(folder_);
  const Variant date = when(2026, 5, 6, 7, 8, 9);
  cache.AddCache(Variant("tpl"), Variant("list.tpl"), date, Variant(int32_t(2048)));
  cache.AddCache(Variant("TPL"), Variant("LIST.tpl"), date, Variant(int32_t(4096)));  // the same entry
  ASSERT_EQ(cache.entries().size(), 1u);
  EXPECT_EQ(cache.entries()[0].group, "tpl");
  EXPECT_EQ(cache.entries()[0].size, "4096");
  struct Case {
    const char* group;
    const char* key;
    Variant date, size;
    int16_t result;
  };
  const Case cases[] = {
      {"tpl", "list.tpl", date, Variant(int32_t(4096)), 0},
      {"Tpl", "List.TPL", date, Variant(4096.0), 0},          // sizes compare as numbers
      {"tpl", "list.tpl", date, Variant("4096"), 0},
      {"tpl", "list.tpl", when(2026, 5, 6, 7, 8, 9, 0.4), Variant(int32_t(4096)), 0},  // fractions of a second
      {"tpl", "list.tpl", Variant("2026/05/06 07:08:09"), Variant(int16_t(4096)), 0},
      {"tpl", "list.tpl", date, Variant(int32_t(4097)), 1},
      {"tpl", "list.tpl", when(2026, 5, 6, 7, 8, 10), Variant(int32_t(4096)), 1},
      {"tpl", "list.tpl", date, Variant("4096 bytes"), 1},
      {"tpl", "list.tpl", date, Variant::null(), 1},
      {"tpl", "other.tpl", date, Variant(int32_t(4096)), 2},
      {"control", "list.tpl", date, Variant(int32_t(4096)), 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cache.CheckCache(Variant(c.group), Variant(c.key), c.date, c.size), c.result) << c.group << "/" << c.key;

  EXPECT_EQ(vb::to_string(cache.GetCacheDate(Variant("TPL"), Variant("list.tpl"))), "2026/05/06 07:08:09");
  const Variant none = cache.GetCacheDate(Variant("tpl"), Variant("none"));
  EXPECT_EQ(none.type(), vb::VarType::Date);
  EXPECT_EQ(none.raw_date(), 0.0);
}

TEST_F(CacheIndexTest, DeletingKeepsTheOrder) {
  AGPCache cache(folder_);
  const Variant d = when(2026, 1, 1, 0, 0, 0);
  for (const char* k : {"a", "b", "c"}) cache.AddCache(Variant("tpl"), Variant(k), d, Variant(1));
  cache.AddCache(Variant("extension"), Variant("x"), d, Variant(1));
  EXPECT_FALSE(cache.DeleteCache(Variant("tpl"), Variant("z")));
  EXPECT_TRUE(cache.DeleteCache(Variant("TPL"), Variant("B")));
  ASSERT_TRUE(cache.WriteCacheFile().ok());
  AGPCache again(folder_);
  ASSERT_EQ(again.entries().size(), 3u);
  EXPECT_EQ(again.entries()[0].key, "a");
  EXPECT_EQ(again.entries()[1].key, "c");
  // Lookups still find the entries that moved up.
  EXPECT_EQ(cache.CheckCache(Variant("tpl"), Variant("c"), d, Variant(1)), 0);
  EXPECT_EQ(cache.CheckCache(Variant("extension"), Variant("x"), d, Variant(1)), 0);

  EXPECT_TRUE(cache.DeleteCacheGroup(Variant("Tpl")));
  EXPECT_FALSE(cache.DeleteCacheGroup(Variant("tpl")));
  ASSERT_EQ(cache.entries().size(), 1u);
  EXPECT_EQ(cache.CheckCache(Variant("extension"), Variant("x"), d, Variant(1)), 0);
  EXPECT_FALSE(cache.DeleteAllCache());
  EXPECT_TRUE(cache.entries().empty());
  EXPECT_EQ(cache.CheckCache(Variant("extension"), Variant("x"), d, Variant(1)), 2);
}

TEST_F(CacheIndexTest, MatchCacheGroup) {
  AGPCache cache(folder_);
  const Variant d = when(2026, 1, 1, 0, 0, 0);
  cache.AddCache(Variant("extension"), Variant("a"), d, Variant(1));
  cache.AddCache(Variant("Extension"), Variant("B"), d, Variant(1));
  cache.AddCache(Variant("tpl"), Variant("c"), d, Variant(1));
  struct Case {
    const char* group;
    std::string list;
    bool match;
  };
  const Case cases[] = {
      {"extension", "b\r\na", true},    {"EXTENSION", "A\r\nb", true}, {"extension", "a", false},
      {"extension", "a\r\nb\r\nc", false}, {"extension", "", false},  {"extension", "a\r\nb\r\n", false},
      {"extension", "a\r\nb\r\na", true},  // a line listed twice is still the same set
      {"none", "", true},               {"none", "a", false},         {"tpl", "c", true},
  };
  for (const auto& c : cases) EXPECT_EQ(cache.MatchCacheGroup(Variant(c.group), Variant(c.list)), c.match) << c.group << ":" << c.list;
}

TEST_F(CacheIndexTest, UnreadableIndexStartsEmpty) {
  fs::create_directories(folder_);
  for (const char* text : {"<Other><CacheEntry Group='a' Key='b' DateTime='' Size=''/></Other>", "<Cache><CacheEntry",
                           ""}) {
    std::ofstream(folder_ / "cache.xml", std::ios::binary | std::ios::trunc) << text;
    AGPCache cache(folder_);
    EXPECT_TRUE(cache.entries().empty()) << text;
    EXPECT_EQ(cache.CheckCache(Variant("a"), Variant("b"), Variant(""), Variant("")), 2);
  }
  // Unknown attributes are ignored and missing ones read as empty.
  std::ofstream(folder_ / "cache.xml", std::ios::binary | std::ios::trunc)
      << "<Cache><CacheEntry group='x' Group='g' Key='k' Extra='1'/><Other Group='o'/></Cache>";
  AGPCache cache(folder_);
  ASSERT_EQ(cache.entries().size(), 1u);
  EXPECT_EQ(cache.entries()[0].group, "g");
  EXPECT_EQ(cache.entries()[0].size, "");
}

TEST_F(CacheIndexTest, LocationAndLargeIndexes) {
  ctx_->DocumentsFolder = " " + root_.string() + " ";
  EXPECT_EQ(AGPCache::cache_folder_for("my pkg/v1.zip"), root_ / "Tolvex" / "Templates" / "mypkgv1.zip" / "cache");
  EXPECT_EQ(AGPCache::cache_folder_for(""), root_ / "Tolvex" / "Templates" / "cache");
  ctx_->TemplatePackageName = "sample pkg.zip";
  AGPCache cache;
  EXPECT_EQ(cache.file(), root_ / "Tolvex" / "Templates" / "samplepkg.zip" / "cache" / "cache.xml");
  EXPECT_TRUE(fs::is_directory(cache.file().parent_path()));

  // More entries than an Integer counts.
  const Variant d = when(2026, 1, 1, 0, 0, 0);
  for (int i = 0; i < 33000; ++i) cache.AddCache(Variant("tpl"), Variant("f" + std::to_string(i)), d, Variant(i));
  ASSERT_TRUE(cache.WriteCacheFile().ok());
  AGPCache again;
  EXPECT_EQ(again.entries().size(), 33000u);
  EXPECT_EQ(again.CheckCache(Variant("tpl"), Variant("F32999"), d, Variant(32999)), 0);
}

TEST_F(CacheIndexTest, ReachableByName) {
  ctx_->DocumentsFolder = root_.string();
  ctx_->TemplatePackageName = "pkg";
  folder_ = root_ / "Tolvex" / "Templates" / "pkg" / "cache";
  auto c = create_object("Tolvex.AGPCache");
  ASSERT_TRUE(c);
  Variant add[] = {Variant("control"), Variant("control"), when(2026, 1, 1, 0, 0, 0), Variant(10)};
  EXPECT_TRUE(vb::to_bool(c->call("AddCache", add)));
  EXPECT_EQ(vb::to_long(c->call("CheckCache", add)), 0);
  Variant match[] = {Variant("control"), Variant("CONTROL")};
  EXPECT_TRUE(vb::to_bool(c->call("MatchCacheGroup", match)));
  EXPECT_EQ(vb::to_string(c->call("GetCacheDate", match)), "2026/01/01 00:00:00");
  c->call("WriteCacheFile");
  EXPECT_TRUE(fs::exists(folder_ / "cache.xml"));
  EXPECT_TRUE(vb::to_bool(c->call("DeleteCache", match)));
  Variant group[] = {Variant("control")};
  EXPECT_FALSE(vb::to_bool(c->call("DeleteCacheGroup", group)));
  EXPECT_FALSE(vb::to_bool(c->call("DeleteAllCache")));
}
