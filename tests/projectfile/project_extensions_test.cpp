// The extension elements of a project file: their layout, and a project whose
// extensions extend a table, a chart and a field read back as written.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "foundation/context.h"
#include "project_file_fixture.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using testing::ProjectFileFixture;

vb::Variant get(vb::Dispatch& o, const char* name, std::vector<vb::Variant> args = {}) { return o.get(name, args); }
vb::Ref<vb::Dispatch> object(vb::Dispatch& o, const char* name, std::vector<vb::Variant> args = {}) {
  return get(o, name, std::move(args)).object_or_null();
}
vb::Ref<AGProperties> store(vb::Dispatch& o) { return vb::ref_cast<AGProperties>(object(o, "Properties")); }
void set_text(vb::Dispatch& o, const std::string& name, const std::string& value) {
  auto s = store(o);
  if (!s->PropertyExist(name)) s->Add(name);
  s->set_value_at(*s->index_of(name), vb::Variant(value));
}

// Extends the objects the reader names by adding them to the extension's tree, as
// the extensions layer does (without definition files' conditions).
class TreeBuildingHooks : public ProjectExtensionHooks {
 public:
  void LoadAttributeDefs(AGProperties&, const platform::XmlNode& node) override { defs.push_back(node.name()); }
  vb::Ref<AGProperties> AddExtendedTable(AGP& p, const std::string& ext, const std::string& table,
                                         const platform::XmlNode&) override {
    auto tables = tables_of(p, ext);
    get(*tables, "Add", {vb::Variant(table)});
    return store(*object(*tables, "Item", {vb::Variant(table)}));
  }
  vb::Ref<AGProperties> AddExtendedChart(AGP& p, const std::string& ext, const std::string& table,
                                         const std::string& chart, const platform::XmlNode&) override {
    return add_below(p, ext, table, "Charts", chart);
  }
  vb::Ref<AGProperties> AddExtendedField(AGP& p, const std::string& ext, const std::string& table,
                                         const std::string& field, const platform::XmlNode&) override {
    return add_below(p, ext, table, "Fields", field);
  }
  std::vector<std::string> defs;

 private:
  static vb::Ref<vb::Dispatch> tables_of(AGP& p, const std::string& ext) {
    auto e = object(*p.Extensions(), "Item", {vb::Variant(ext)});
    return object(*object(*object(*e, "PROJ"), "DB"), "Tables");
  }
  static vb::Ref<AGProperties> add_below(AGP& p, const std::string& ext, const std::string& table, const char* kind,
                                         const std::string& name) {
    auto items = object(*object(*tables_of(p, ext), "Item", {vb::Variant(table)}), kind);
    get(*items, "Add", {vb::Variant(name)});
    return store(*object(*items, "Item", {vb::Variant(name)}));
  }
};

class ProjectExtensionsTest : public ProjectFileFixture {
 protected:
  // A project with a table "t" (a field and a chart) and the extensions "Plain" and
  // "Rich"; Rich (definitions "rich.xml") extends the project, database, table, chart
  // and field with one text attribute each. Nothing when the build has no extension list.
  vb::Ref<AGP> extended_project() {
    auto p = project_with_database();
    p->set_setting_value(ProjectSetting::Ext, vb::Variant("php"));
    p->set_setting_value(ProjectSetting::DefaultPage, vb::Variant("index.php"));
    auto exts = p->Extensions();
    if (!exts) return nullptr;
    AGPTables& tables = *p->DB()->Tables();
    tables.Add("t");
    auto t = tables.Item(vb::Variant("t"));
    t->set_setting_value(TableSetting::TblLoaded, vb::Variant(true));
    t->Fields()->Add("t", "f");
    t->set_setting_value(TableSetting::TblVar, vb::Variant("t"));
    t->Charts()->Add("t", "c");
    t->Charts()->Item(vb::Variant("c"))->Trendlines()->Add("line");
    p->MenuList()->AddMenu(-1, "t", -1, "t");

    get(*exts, "Add", {vb::Variant("Plain")});
    get(*exts, "Add", {vb::Variant("Rich")});
    auto rich = object(*exts, "Item", {vb::Variant("Rich")});
    set_text(*rich, "XmlFile", "rich.xml");
    auto proj = object(*rich, "PROJ");
    set_text(*proj, "ProjAttr", "p & v");
    auto db = object(*proj, "DB");
    set_text(*db, "DbAttr", "dv");
    auto ext_tables = object(*db, "Tables");
    get(*ext_tables, "Add", {vb::Variant("t")});
    auto ext_table = object(*ext_tables, "Item", {vb::Variant("t")});
    set_text(*ext_table, "TAttr", "tv");
    get(*object(*ext_table, "Charts"), "Add", {vb::Variant("c")});
    set_text(*object(*object(*ext_table, "Charts"), "Item", {vb::Variant("c")}), "CAttr", "cv");
    get(*object(*ext_table, "Fields"), "Add", {vb::Variant("f")});
    set_text(*object(*object(*ext_table, "Fields"), "Item", {vb::Variant("f")}), "FAttr", "fv");
    return p;
  }
  // A fresh session that opens the file, with the extensions folder the documents folder.
  vb::Ref<AGP> open(const std::string& file) {
    ctx().ExtensionList = nullptr;
    ctx().MenuList = nullptr;
    auto q = vb::make_ref<AGP>();
    ctx().ExtensionsFolder = docs_.string();
    Load(*q, file);
    return q;
  }
};

TEST_F(ProjectExtensionsTest, ExtensionTreesAreWrittenAndReadBack) {
  auto p = extended_project();
  if (!p) GTEST_SKIP() << "no extension list in this build";
  const std::string first = path("ext.tvp");
  Save(*p, first);
  const std::string text = read(first);
  static const std::regex tag("<([A-Za-z]+)(?: [^>]*?)?(/?)>");
  const std::string body = std::regex_replace(text.substr(text.find("<Project")), tag, "<$1$2>");
  EXPECT_EQ(body,
            "<Project>\r\n<Database>\r\n<Table>\r\n<Chart>\r\n<Trendline/>\r\n</Chart>\r\n<Field/>\r\n</Table>\r\n</Database>\r\n"
            "<Extension/>\r\n<Extension>\r\n<ExtProject>\r\n<ExtDatabase>\r\n<ExtTable>\r\n<ExtChart/>\r\n"
            "<ExtField/>\r\n</ExtTable>\r\n</ExtDatabase></ExtProject></Extension>\r\n\r\n<Menu/>\r\n</Project>\r\n");
  EXPECT_NE(text.find("<ExtProject ProjAttr=\"p &amp; v\">"), std::string::npos);

  // A fresh session: the definitions file lies in the extensions folder.
  write(path("rich.xml"), "<Project><Database><Table/></Database></Project>");
  ctx().ExtensionList = nullptr;
  ctx().MenuList = nullptr;
  auto hooks = std::make_shared<TreeBuildingHooks>();
  register_project_extension_hooks(hooks);
  auto q = vb::make_ref<AGP>();
  ctx().ExtensionsFolder = docs_.string();
  Load(*q, first);
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(hooks->defs, (std::vector<std::string>{"Project", "Database"}));
  const std::string second = path("again.tvp");
  Save(*q, second);
  EXPECT_EQ(read(second), text);
}

// Extension attributes survive an open and a save when the definitions cannot be read:
// the next Save writes what the file held.
TEST_F(ProjectExtensionsTest, AttributesSurviveDefinitionsThatCannotBeRead) {
  auto p = extended_project();
  if (!p) GTEST_SKIP() << "no extension list in this build";
  const std::string first = path("ext.tvp");
  Save(*p, first);
  const std::string text = read(first);
  const auto extensions_layer = extension_hooks_;
  const struct {
    const char* what;
    const char* definitions;  // nullptr: no file
    bool extensions_layer;
  } cases[] = {
      {"no definitions file", nullptr, false},
      {"damaged definitions", "<Project><Database>", false},
      {"no definitions file, extensions layer", nullptr, true},
      {"damaged definitions, extensions layer", "<Project><Database>", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(path("rich.xml"));
    if (c.definitions) write(path("rich.xml"), c.definitions);
    register_project_extension_hooks(c.extensions_layer ? extensions_layer : nullptr);
    auto q = open(first);
    ASSERT_EQ(ctx().ProjErr, "");
    const std::string again = path("again.tvp");
    Save(*q, again);
    EXPECT_EQ(read(again), text);
  }
}

// The reader finds and decodes the definitions as the extensions layer does: a name in
// other letter case, an ANSI file without an encoding line.
TEST_F(ProjectExtensionsTest, DefinitionsFoundAndDecodedAsTheExtensionsLayerReadsThem) {
  auto p = extended_project();
  if (!p) GTEST_SKIP() << "no extension list in this build";
  const std::string file = path("ext.tvp");
  Save(*p, file);
  write(path("RICH.XML"),
        "<Project><attribute name=\"Colour\" type=\"String\" default=\"caf\xE9\"/>"
        "<Database><attribute name=\"Size\" type=\"Integer\" default=\"7\"/></Database></Project>");
  register_project_extension_hooks(extension_hooks_);
  auto q = open(file);
  ASSERT_EQ(ctx().ProjErr, "");
  auto rich = object(*q->Extensions(), "Item", {vb::Variant("Rich")});
  auto proj = store(*object(*rich, "PROJ"));
  ASSERT_TRUE(proj->PropertyExist("Colour"));
  EXPECT_EQ(vb::to_string(proj->Item("Colour")->Value()), "caf\xC3\xA9");
  EXPECT_EQ(vb::to_string(proj->Item("ProjAttr")->Value()), "p & v");
  auto db = store(*object(*object(*rich, "PROJ"), "DB"));
  ASSERT_TRUE(db->PropertyExist("Size"));
  EXPECT_EQ(db->Item("Size")->Value().type(), vb::VarType::Integer);
}

}  // namespace
}  // namespace tolvex
