// Saving a project and opening it again: the file's layout, the value rules, and a
// project with every kind of table read back as it was written.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "foundation/context.h"
#include "project_file_fixture.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using testing::ProjectFileFixture;

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n";

// The element structure of a file: every start tag without its attributes.
std::string skeleton(const std::string& text) {
  static const std::regex tag("<([A-Za-z]+)(?: [^>]*?)?(/?)>");
  return std::regex_replace(text, tag, "<$1$2>");
}

// The value of attribute `name` of the first element `element` in the text.
std::string attribute_in(const std::string& text, const std::string& element, const std::string& name) {
  const size_t start = text.find("<" + element + " ");
  if (start == std::string::npos) return "<no element>";
  const size_t end = text.find('>', start);
  const std::string tag = text.substr(start, end - start);
  const size_t at = tag.find(" " + name + "=\"");
  if (at == std::string::npos) return "<no attribute>";
  const size_t value = at + name.size() + 3;
  return tag.substr(value, tag.find('"', value) - value);
}

class ProjectFileTest : public ProjectFileFixture {
 protected:
  // A project with a table, a view, a custom view and a report, fields, charts with
  // trend lines, a site menu, and values that need escaping.
  vb::Ref<AGP> rich_project() {
    auto p = project_with_database();
    p->set_setting_value(ProjectSetting::ProjName, vb::Variant("Shop \"Best\" <&> 'one'"));
    p->set_setting_value(ProjectSetting::FooterText, vb::Variant("line one\r\nline two\ttabbed"));
    p->set_setting_value(ProjectSetting::BodyFont, vb::Variant("Verdana, Arial"));
    p->set_setting_value(ProjectSetting::Ext, vb::Variant("php"));
    p->set_setting_value(ProjectSetting::DefaultPage, vb::Variant("default.php"));
    AGPTables& tables = *p->DB()->Tables();
    const struct {
      const char* name;
      const char* type;
    } kinds[] = {{"orders", "TABLE"}, {"order_view", "VIEW"}, {"top_customers", "CUSTOMVIEW"}, {"sales", "REPORT"}};
    for (const auto& k : kinds) {
      EXPECT_TRUE(tables.Add(k.name));
      auto t = tables.Item(vb::Variant(std::string(k.name)));
      t->set_setting_value(TableSetting::TblType, vb::Variant(k.type));
      t->set_setting_value(TableSetting::TblVar, vb::Variant(k.name));
      t->set_setting_value(TableSetting::TblCaption, vb::Variant(std::string("Caption of ") + k.name));
      t->set_setting_value(TableSetting::TblLoaded, vb::Variant(true));
      t->set_setting_value(TableSetting::TblGen, vb::Variant(true));
      AGPFields& fields = *t->Fields();
      const struct {
        const char* name;
        int16_t type;
        const char* quote;
      } cols[] = {{"id", 3, ""}, {"status", 202, "'"}, {"created", 135, "'"}};
      for (const auto& c : cols) {
        EXPECT_TRUE(fields.Add(k.name, c.name));
        auto f = fields.Item(vb::Variant(std::string(c.name)));
        f->set_setting_value(FieldSetting::FldType, vb::Variant(c.type));
        f->set_setting_value(FieldSetting::FldQuoteS, vb::Variant(c.quote));
        f->set_setting_value(FieldSetting::FldQuoteE, vb::Variant(c.quote));
        f->set_setting_value(FieldSetting::FldIsPrimaryKey, vb::Variant(std::string(c.name) == "id"));
      }
      fields.Item(vb::Variant("status"))
          ->set_setting_value(FieldSetting::FldTagValues, vb::Variant("new,New\r\npaid,Paid \"now\""));
    }
    tables.Item(vb::Variant("top_customers"))
        ->set_setting_value(TableSetting::TblCustomSQL,
                            vb::Variant("SELECT * FROM orders WHERE total < 3 AND note = 'a & b'\r\nORDER BY 1"));
    auto orders = tables.Item(vb::Variant("orders"));
    EXPECT_TRUE(orders->Charts()->Add("orders", "Sales"));
    EXPECT_TRUE(orders->Charts()->Add("orders", "Volume"));
    auto sales = orders->Charts()->Item(vb::Variant("Sales"));
    sales->set_setting_value(ChartSetting::ChartCaption, vb::Variant("Sales <by> month"));
    EXPECT_TRUE(sales->Trendlines()->Add("Target"));
    EXPECT_TRUE(sales->Trendlines()->Add("Floor"));
    for (const char* t : {"T1", "T2", "T3", "T4"})
      orders->Charts()->Item(vb::Variant("Volume"))->Trendlines()->Add(t);
    AGPMenus& menus = *p->MenuList();
    EXPECT_TRUE(menus.AddMenu(-1, "Orders & more", -1, "orders", false, 0, true, 1));
    EXPECT_TRUE(menus.AddMenu(-1, "Help", -1, "https://example.org/?a=1&b=\"2\"", true, 0, false, 2));
    EXPECT_TRUE(menus.AddMenu(-1, "Sales", 1, "sales", false, 1, true, 1));
    return p;
  }
  // The project in a fresh session: the site menu of the old one is gone.
};

TEST_F(ProjectFileTest, RoundTripReproducesTheFileAndTheModel) {
  const std::string first = path("shop.tvp"), second = path("again.tvp");
  {
    auto p = rich_project();
    Save(*p, first);
    EXPECT_EQ(ctx().ProjErr, "");
  }
  auto q = open(first);
  ASSERT_EQ(ctx().ProjErr, "");
  Save(*q, second);
  EXPECT_EQ(read(second), read(first));

  EXPECT_EQ(q->ProjName(), "Shop \"Best\" <&> 'one'");
  EXPECT_EQ(q->FooterText(), "line one\r\nline two\ttabbed");
  ASSERT_TRUE(q->DB());
  EXPECT_EQ(q->DB()->DBName(), "shop");
  AGPTables& tables = *q->DB()->Tables();
  ASSERT_EQ(tables.Count(), 4);
  const char* order[] = {"orders", "order_view", "top_customers", "sales"};
  const char* types[] = {"TABLE", "VIEW", "CUSTOMVIEW", "REPORT"};
  for (int i = 0; i < 4; ++i) {
    auto t = tables.Seq(int16_t(i + 1));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->TblName(), order[i]);
    EXPECT_EQ(t->TblType(), types[i]);
    EXPECT_TRUE(t->setting_value(TableSetting::TblGen).is_bool());  // read back as a Boolean, not "1"
    EXPECT_EQ(t->Fields()->Count(), 3);
    auto status = t->Fields()->Item(vb::Variant("status"));
    EXPECT_EQ(status->FldTagValues(), "new,New\r\npaid,Paid \"now\"");
    EXPECT_EQ(status->FldVar(), "x_status");
  }
  EXPECT_EQ(tables.Item(vb::Variant("top_customers"))->TblCustomSQL(),
            "SELECT * FROM orders WHERE total < 3 AND note = 'a & b'\r\nORDER BY 1");
  auto orders = tables.Item(vb::Variant("orders"));
  ASSERT_EQ(orders->Charts()->Count(), 2);
  EXPECT_EQ(orders->Charts()->Seq(1)->ChartName(), "Sales");
  EXPECT_EQ(orders->Charts()->Seq(1)->Trendlines()->Count(), 2);  // no defaults added to a chart that has some
  EXPECT_EQ(orders->Charts()->Seq(2)->Trendlines()->Count(), 4);
  AGPMenus& menus = *q->MenuList();
  ASSERT_EQ(menus.Count(), 3);
  EXPECT_EQ(menus.Item(2)->MenuUrl(), "https://example.org/?a=1&b=\"2\"");
  EXPECT_TRUE(menus.Item(2)->MenuCustomUrl());
  EXPECT_FALSE(menus.Item(2)->MenuShow());
  EXPECT_EQ(menus.Item(3)->MenuParentID(), 1);
}

TEST_F(ProjectFileTest, LayoutOfTheElementsAndLineBreaks) {
  struct Case {
    const char* what;
    bool database;
    bool menu;
    const char* expected;
  } cases[] = {
      {"no database, no menu", false, false, "<Project>\r\n</Project>\r\n"},
      {"no database, a menu", false, true, "<Project>\r\n\r\n<Menu/>\r\n<Menu/>\r\n</Project>\r\n"},
      {"database, no menu", true, false,
       "<Project>\r\n<Database>\r\n<Table>\r\n<Chart>\r\n<Trendline/>\r\n</Chart>\r\n<Field/>\r\n<Field/>\r\n"
       "</Table>\r\n<Table>\r\n</Table>\r\n</Database></Project>\r\n"},
      {"database and menu", true, true,
       "<Project>\r\n<Database>\r\n<Table>\r\n<Chart>\r\n<Trendline/>\r\n</Chart>\r\n<Field/>\r\n<Field/>\r\n"
       "</Table>\r\n<Table>\r\n</Table>\r\n</Database>\r\n<Menu/>\r\n<Menu/>\r\n</Project>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ctx().MenuList = nullptr;
    vb::Ref<AGP> p;
    if (c.database) {
      p = project_with_database();
      AGPTables& tables = *p->DB()->Tables();
      tables.Add("a");
      tables.Add("b");
      auto a = tables.Item(vb::Variant("a"));
      a->Fields()->Add("a", "x");
      a->Fields()->Add("a", "y");
      a->Charts()->Add("a", "c");
      a->Charts()->Item(vb::Variant("c"))->Trendlines()->Add("t");
    } else {
      p = vb::make_ref<AGP>();
    }
    if (c.menu) {
      p->MenuList()->AddMenu(-1, "one", -1, "https://a", true);
      p->MenuList()->AddMenu(-1, "two", -1, "https://b", true);
    }
    const std::string file = path("layout.tvp");
    Save(*p, file);
    const std::string text = read(file);
    ASSERT_EQ(text.rfind(kDeclaration, 0), 0u) << text.substr(0, 80);
    EXPECT_EQ(skeleton(text.substr(std::string(kDeclaration).size())), c.expected);
  }
}

// Tables and fields go into the file by their sequence numbers, each as Seq finds it, whatever
// order the collections hold them in: the first item holding a number is written, and a
// number no item holds is passed over.
TEST_F(ProjectFileTest, ItemsAreWrittenBySequenceNumber) {
  const struct {
    const char* what;
    int16_t seqs[3];  // of the items a, b and c, added in that order
    const char* expected;
  } cases[] = {
      {"added order", {1, 2, 3}, "a b c"},
      {"renumbered", {3, 1, 2}, "b c a"},
      {"a number twice", {1, 1, 2}, "a c"},
      {"a number outside", {2, 0, 1}, "c a"},
  };
  // The values of `attribute` of the elements `element` in the text, in order.
  auto values = [](const std::string& text, const std::string& element, const char* attribute) {
    std::string out;
    for (size_t at = text.find("<" + element + " "); at != std::string::npos; at = text.find("<" + element + " ", at + 1))
      out += (out.empty() ? "" : " ") + attribute_in(text.substr(at), element, attribute);
    return out;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto p = project_with_database();
    AGPTables& tables = *p->DB()->Tables();
    for (const char* name : {"a", "b", "c", "t"}) ASSERT_TRUE(tables.Add(name));
    AGPFields& fields = *tables.Item(vb::Variant("t"))->Fields();
    for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(fields.Add("t", name));
    for (int i = 0; i < 3; ++i) {
      const vb::Variant name{std::string(1, char('a' + i))};
      tables.Item(name)->TblSeq(c.seqs[i]);
      fields.Item(name)->FldSeq(c.seqs[i]);
    }
    const std::string text = ProjectFileText(*p, "<?xml version=\"1.0\"?>");
    EXPECT_EQ(values(text, "Table", "TblName"), std::string(c.expected) + " t");
    EXPECT_EQ(values(text, "Field", "FldName"), c.expected);
  }
}

TEST_F(ProjectFileTest, AttributeOrderAndValueRules) {
  auto p = project_with_database();
  p->DB()->Tables()->Add("t");
  auto t = p->DB()->Tables()->Item(vb::Variant("t"));
  t->Fields()->Add("t", "f");
  auto f = t->Fields()->Item(vb::Variant("f"));
  f->set_setting_value(FieldSetting::FldTagValues, vb::Variant("1,Yes\r\n0,No"));
  f->set_setting_value(FieldSetting::FldRequired, vb::Variant());          // empty Boolean
  f->set_setting_value(FieldSetting::FldGenerate, vb::Variant(true));
  f->set_setting_value(FieldSetting::FldView, vb::Variant("garbage"));    // no Boolean at all
  f->set_setting_value(FieldSetting::FldSize, vb::Variant(int32_t(255)));
  f->SetV("MyOwnSetting", "kept");  // a setting added after the declared ones
  p->MenuList()->AddMenu(7, "Tee", -1, "t", false, 2, true, 3);
  const std::string file = path("values.tvp");
  Save(*p, file);
  const std::string text = read(file);

  EXPECT_EQ(text.find("<Project Version=\"" + p->version_text() + "\" Product=\"Tolvex\" ProjName=\"Shop\" "),
            text.find("<Project "));
  const struct {
    const char* element;
    const char* name;
    const char* value;
  } expected[] = {
      {"Field", "FldTagValues", "1,Yes|0,No"}, {"Field", "FldRequired", "0"}, {"Field", "FldGenerate", "1"},
      {"Field", "FldView", "0"},               {"Field", "FldSize", "255"},   {"Field", "MyOwnSetting", "kept"},
      {"Menu", "MenuID", "7"},                 {"Menu", "MenuCustomUrl", "0"}, {"Menu", "MenuShow", "1"},
      {"Menu", "MenuLevel", "2"},              {"Menu", "MenuDisplayOrder", "3"},
  };
  for (const auto& e : expected) EXPECT_EQ(attribute_in(text, e.element, e.name), e.value) << e.name;
  // Settings that are not saved, and the store order with the late one last.
  for (const char* absent : {"FldSeq", "FldVar", "FldSync"}) EXPECT_EQ(attribute_in(text, "Field", absent), "<no attribute>");
  const std::string field = text.substr(text.find("<Field "));
  EXPECT_LT(field.find(" FldName="), field.find(" FldAlias="));
  EXPECT_LT(field.find(" FldMemoCRLFReplace="), field.find(" MyOwnSetting="));
  EXPECT_EQ(field.find("MyOwnSetting=\"kept\"/>"), field.find("MyOwnSetting="));
  const std::string menu = text.substr(text.find("<Menu "));
  EXPECT_EQ(menu.substr(0, menu.find('>') + 1),
            "<Menu MenuID=\"7\" MenuText=\"Tee\" MenuParentID=\"-1\" MenuUrl=\"t\" MenuCustomUrl=\"0\" "
            "MenuLevel=\"2\" MenuShow=\"1\" MenuDisplayOrder=\"3\"/>");
}

TEST_F(ProjectFileTest, DeclarationAndEncodingFollowTheRegistry) {
  struct Case {
    const char* charset;  // "XMLEncodeCharSet"
    const char* utf8;     // "UTF8Project"
    std::string head;     // expected start of the file
  } cases[] = {
      {"utf-8", "False", "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n<Project "},
      {"windows-1252", "True", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"},
      {"windows-1252", "False", "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.charset) + " / " + c.utf8);
    user_value(general(), "XMLEncodeCharSet", platform::RegValue::make_text(c.charset));
    user_value(general(), "UTF8Project", platform::RegValue::make_text(c.utf8));
    ctx().MenuList = nullptr;
    auto p = vb::make_ref<AGP>();
    p->AddProj("Caf\xC3\xA9 \xC4\x81");  // é is in windows-1252, ā is not
    const std::string file = path("enc.tvp");
    Save(*p, file);
    const std::string bytes = read(file);
    EXPECT_EQ(bytes.substr(0, c.head.size()), c.head);
    const bool cp1252 = std::string(c.utf8) == "False" && std::string(c.charset) == "windows-1252";
    EXPECT_NE(bytes.find(cp1252 ? "ProjName=\"Caf\xE9 &#257;\"" : "ProjName=\"Caf\xC3\xA9 \xC4\x81\""),
              std::string::npos);
    // The charset chosen is written back, not the UTF-8 override.
    EXPECT_EQ(registry_->query_value(platform::RegRoot::CurrentUser, general(), "XMLEncodeCharSet")->text,
              c.charset);
    auto q = open(file);
    EXPECT_EQ(ctx().ProjErr, "Tolvex: No Database Information in Project File!");
    EXPECT_EQ(q->ProjName(), "Caf\xC3\xA9 \xC4\x81");
  }
  EXPECT_EQ(ProjectFileDeclaration("", false), "<?xml version=\"1.0\" standalone=\"yes\"?>");
}

TEST_F(ProjectFileTest, SampleProjectReadsAndSavesBackUnchanged) {
  const std::string sample = std::string(TOLVEX_SOURCE_DIR) + "/share/tolvex/samples/sample.tvp";
  // The sample's template is named relative to the installed data; the default names it too.
  user_value(project_key(), "Template", platform::RegValue::make_text("templates\\sample.zip"));
  // Its extension keeps its attributes: the installed extension code, with the definitions of
  // the installed extensions folder.
  register_project_extension_hooks(extension_hooks_);
  ctx().ExtensionsFolder = std::string(TOLVEX_SOURCE_DIR) + "/share/tolvex/extensions";
  auto p = open(sample);
  ASSERT_EQ(ctx().ProjErr, "");
  ASSERT_TRUE(p->DB());
  EXPECT_EQ(p->DB()->DBName(), "tolvex_sample");
  EXPECT_EQ(p->DB()->Tables()->Count(), 8);
  EXPECT_EQ(p->MenuList()->Count(), 9);
  EXPECT_EQ(ctx().CurrentDbmsName, "Tolvex MariaDB schema driver");
  EXPECT_EQ(ctx().CurrentDateFormat, 5);
  auto status = p->DB()->Tables()->Item(vb::Variant("orders"))->Fields()->Item(vb::Variant("status"));
  EXPECT_EQ(status->FldTagValues(), "\"new\",\"new\"\r\n\"paid\",\"paid\"\r\n\"shipped\",\"shipped\"");
  const std::string file = path("sample.tvp");
  Save(*p, file);
  EXPECT_EQ(read(file), read(sample));
}

}  // namespace
}  // namespace tolvex
