// Elements of a project file that the reader does not know (a later version's, a user's
// own) are kept by the object whose element holds them and written back in their place by
// the next save, whole, in the charset of the save; they go with their holder.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>

#include "foundation/context.h"
#include "project_file_fixture.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using testing::ProjectFileFixture;

const std::string kFixture = std::string(TOLVEX_TEST_DIR) + "/fixtures/unknown-elements.tvp";

// The text with the attributes of the elements the program writes itself left out (they
// hold every saved setting), lines ending in "\n" instead of "\r\n".
std::string skeleton(const std::string& text) {
  static const std::regex known("^<(/?)(Project|Database|Table|Chart|Trendline|Field|Extension|ExtProject|ExtDatabase|ExtTable|Menu)( [^>]*?)?(/?)>$");
  std::istringstream in(text);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out += std::regex_replace(line, known, "<$1$2$4>") + "\n";
  }
  return out;
}

class UnknownElementsTest : public ProjectFileFixture {
 protected:
  std::string saved(AGP& p, const std::string& name) {
    const std::string file = path(name);
    Save(p, file);
    EXPECT_EQ(ctx().ProjErr, "");
    return read(file);
  }
};

TEST_F(UnknownElementsTest, SaveWritesThemBackWhereTheyStood) {
  auto p = open(kFixture);
  ASSERT_EQ(ctx().ProjErr, "");
  // What lies inside a kept element is not read, known names and all.
  vb::Ref<AGPTable> orders = p->DB()->Tables()->Item(vb::Variant("orders"));
  ASSERT_TRUE(orders);
  EXPECT_EQ(p->DB()->Tables()->Count(), 1);
  EXPECT_EQ(orders->Fields()->Count(), 2);
  EXPECT_FALSE(orders->Fields()->FieldExist(vb::Variant("ghost")));
  EXPECT_EQ(p->MenuList()->Count(), 1);

  const std::string text = saved(*p, "saved.tvp");
  EXPECT_EQ(skeleton(text),
            "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"
            "<Project>\n"
            "<FutureElement a=\"1\"><Child>text</Child></FutureElement>\n"
            "<Database>\n"
            "<Table>\n"
            "<TableNote lang=\"en\">Mind: 5 &lt; 6 &amp; \"quotes\" \xC3\xA9t\xC3\xA9</TableNote>\n"
            "<Chart>\n"
            "<Trendline>\n"
            "<TrendHint/>\n"
            "</Trendline>\n"
            "<ChartNote/>\n"
            "</Chart>\n"
            "<Field/>\n"
            "<FutureBetween/>\n"
            "<Field>\n"
            "<FieldHint><!-- a \"quoted\" comment --><Field FldName=\"ghost\"/><?tool run?><![CDATA[a < b]]></FieldHint>\n"
            "</Field>\n"
            "</Table>\n"
            "<Outer x=\"1&#10;2\">\n"
            "  <Inner>deep <b>bold</b> tail</Inner>\n"
            "  <Table TblName=\"not read\"/>\n"
            "</Outer>\n"
            "</Database>\n"
            "<Extension>\n"
            "<NotesVersion n=\"2\"/>\n"
            "<ExtProject>\n"
            "<ExtDatabase>\n"
            "<ExtTable>\n"
            "<ExtTableNote>shown above the list</ExtTableNote>\n"
            "</ExtTable>\n"
            "</ExtDatabase></ExtProject></Extension>\n"
            "\n"
            "<Menu>\n"
            "<MenuIcon src=\"orders.png\"/>\n"
            "</Menu>\n"
            "<FutureLast/>\n"
            "</Project>\n");
  // Every line ends as the writer's own do, inside kept elements too.
  EXPECT_FALSE(std::regex_search(text, std::regex("[^\r]\n")));
  // What a save wrote reads and saves back unchanged.
  auto q = open(path("saved.tvp"));
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(saved(*q, "again.tvp"), text);
}

TEST_F(UnknownElementsTest, TheyGoWithTheirHolderAndNewObjectsHaveNone) {
  const struct {
    const char* what;
    void (*change)(AGP&);
    std::string table;  // the saved text from the table's start to the database's end
  } cases[] = {
      {"table deleted", [](AGP& p) { ASSERT_TRUE(p.DB()->Tables()->Delete("orders")); },
       "<Outer x=\"1&#10;2\">\n  <Inner>deep <b>bold</b> tail</Inner>\n  <Table TblName=\"not read\"/>\n</Outer>\n"},
      {"field deleted",
       [](AGP& p) { ASSERT_TRUE(p.DB()->Tables()->Item(vb::Variant("orders"))->Fields()->Delete("orders", vb::Variant("note"))); },
       "<Table>\n<TableNote lang=\"en\">Mind: 5 &lt; 6 &amp; \"quotes\" \xC3\xA9t\xC3\xA9</TableNote>\n"
       "<Chart>\n<Trendline>\n<TrendHint/>\n</Trendline>\n<ChartNote/>\n</Chart>\n<Field/>\n<FutureBetween/>\n</Table>\n"
       "<Outer x=\"1&#10;2\">\n  <Inner>deep <b>bold</b> tail</Inner>\n  <Table TblName=\"not read\"/>\n</Outer>\n"},
      {"table and field added",
       [](AGP& p) {
         AGPTables& tables = *p.DB()->Tables();
         ASSERT_TRUE(tables.Add("added"));
         ASSERT_TRUE(tables.Item(vb::Variant("added"))->Fields()->Add("added", "a"));
         ASSERT_TRUE(tables.Item(vb::Variant("orders"))->Fields()->Add("orders", "extra"));
       },
       "<Table>\n<TableNote lang=\"en\">Mind: 5 &lt; 6 &amp; \"quotes\" \xC3\xA9t\xC3\xA9</TableNote>\n"
       "<Chart>\n<Trendline>\n<TrendHint/>\n</Trendline>\n<ChartNote/>\n</Chart>\n<Field/>\n<FutureBetween/>\n"
       "<Field>\n<FieldHint><!-- a \"quoted\" comment --><Field FldName=\"ghost\"/><?tool run?><![CDATA[a < b]]></FieldHint>\n"
       "</Field>\n<Field/>\n</Table>\n"
       "<Table>\n<Field/>\n</Table>\n"  // before what followed the last table
       "<Outer x=\"1&#10;2\">\n  <Inner>deep <b>bold</b> tail</Inner>\n  <Table TblName=\"not read\"/>\n</Outer>\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto p = open(kFixture);
    ASSERT_EQ(ctx().ProjErr, "");
    c.change(*p);
    const std::string text = skeleton(saved(*p, "changed.tvp"));
    const size_t from = text.find("<Database>\n") + 11, to = text.find("</Database>\n");
    EXPECT_EQ(text.substr(from, to - from), c.table);
    // The project's own stay.
    EXPECT_NE(text.find("<Project>\n<FutureElement a=\"1\"><Child>text</Child></FutureElement>\n<Database>\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 25), "<FutureLast/>\n</Project>\n");
    // The table's menu entry goes with it, and what the entry kept.
    EXPECT_EQ(text.find("</Menu>\n") == std::string::npos, std::string(c.what) == "table deleted");
    EXPECT_EQ(text.find("<MenuIcon src=\"orders.png\"/>\n</Menu>\n") == std::string::npos,
              std::string(c.what) == "table deleted");
  }
  // A project made anew has none.
  auto fresh = project_with_database();
  EXPECT_EQ(saved(*fresh, "fresh.tvp").find("Future"), std::string::npos);
}

// In a charset that lacks a character: a reference in text and values, between two CDATA
// sections, and its text in a comment; a name that cannot be written fails the save. A
// quote in a kept comment does not make the writer take later text for a value.
TEST_F(UnknownElementsTest, TheyAreWrittenInTheCharsetOfTheSave) {
  const std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"
                           "<Project Version=\"3.0.0.1\" ProjName=\"P\">\r\n<Database DBName=\"d\">\r\n";
  const std::string kept = "<Note t=\"\xC4\x81\xE2\x82\xAC\">\xC4\x81\xE2\x82\xAC<!-- \"\xC4\x81 --><![CDATA[x\xC4\x81y]]></Note>";
  const struct {
    const char* what;
    std::string body;    // between the database's start and end
    std::string line;    // the line of the windows-1252 file expected, "" for a failed save
    std::string error;
  } cases[] = {
      {"text, value, comment and section", kept + "\r\n",
       "<Note t=\"&#257;\x80\">&#257;\x80<!-- \"&#257; --><![CDATA[x]]>&#257;<![CDATA[y]]></Note>", ""},
      {"a name", "<N\xC5\x8Dte/>\r\n", "",
       "The name \"N\xC5\x8Dte\" cannot be written in the character set \"windows-1252\"."},
      {"a name after a comment's quote", kept + "\r\n<Table TblName=\"t\" T\xC4\x81=\"1\"/>\r\n", "",
       "The name \"T\xC4\x81\" cannot be written in the character set \"windows-1252\"."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    user_value(general(), "XMLEncodeCharSet", platform::RegValue::make_text("utf-8"));
    const std::string file = path("charset.tvp");
    write(file, head + c.body + "</Database>\r\n</Project>\r\n");
    auto p = open(file);
    ASSERT_EQ(ctx().ProjErr, "");
    user_value(general(), "XMLEncodeCharSet", platform::RegValue::make_text("windows-1252"));
    const std::string out = path("cp1252.tvp");
    if (!c.error.empty()) {
      EXPECT_THROW(Save(*p, out), vb::VBError);
      EXPECT_EQ(ctx().ProjErr, "Tolvex: Save Project File failed! " + c.error);
      continue;
    }
    const std::string text = saved(*p, "cp1252.tvp");
    EXPECT_NE(text.find("\r\n" + c.line + "\r\n</Database>"), std::string::npos) << text.substr(text.size() - 300);
    // Read back, it is the same element again (the section now in two).
    auto q = open(out);
    ASSERT_EQ(ctx().ProjErr, "");
    user_value(general(), "XMLEncodeCharSet", platform::RegValue::make_text("utf-8"));
    EXPECT_NE(saved(*q, "utf8.tvp")
                  .find("<Note t=\"\xC4\x81\xE2\x82\xAC\">\xC4\x81\xE2\x82\xAC<!-- \"&#257; --><![CDATA[x]]>\xC4\x81<![CDATA[y]]></Note>"),
              std::string::npos);
  }
}

class ThrowingKeys : public ProjectDatabaseHooks {
 public:
  void BuildTableKeys(AGP&) override { throw std::runtime_error("broken"); }
};

TEST_F(UnknownElementsTest, AFailedLoadKeepsThoseOfTheFileBefore) {
  auto p = open(kFixture);
  ASSERT_EQ(ctx().ProjErr, "");
  const std::string other = path("other.tvp");
  write(other, "<?xml version=\"1.0\"?>\r\n<Project Version=\"3.0.0.1\"><Other/><Database DBName=\"d\"/></Project>\r\n");
  register_project_database_hooks(std::make_shared<ThrowingKeys>());
  Load(*p, other);
  register_project_database_hooks(nullptr);
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Load Project File failed! Please check! broken");
  const std::string text = saved(*p, "after.tvp");
  EXPECT_EQ(text.find("<Other/>"), std::string::npos);
  EXPECT_NE(text.find("<FutureElement a=\"1\"><Child>text</Child></FutureElement>"), std::string::npos);
  EXPECT_NE(text.find("<MenuIcon src=\"orders.png\"/>"), std::string::npos);
}

// Inside an unknown element an entity is refused as anywhere else: the file does not load.
TEST_F(UnknownElementsTest, EntitiesInsideThemAreStillRefused) {
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"declared", "<?xml version=\"1.0\"?>\r\n<!DOCTYPE Project [<!ENTITY e \"boom\">]>\r\n"
                   "<Project Version=\"3.0.0.1\"><Future>&e;</Future><Database DBName=\"d\"/></Project>\r\n"},
      {"undeclared", "<?xml version=\"1.0\"?>\r\n"
                     "<Project Version=\"3.0.0.1\"><Future>&e;</Future><Database DBName=\"d\"/></Project>\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = path("entity.tvp");
    write(file, c.text);
    auto p = open(file);
    EXPECT_NE(ctx().ProjErr.find("entity"), std::string::npos) << ctx().ProjErr;
    EXPECT_FALSE(p->DB());
  }
}

}  // namespace
}  // namespace tolvex
