// Bringing a project in step with a changed database: tables, views and fields, custom
// views and reports, the questions to the user, and opening a project file with AutoSync.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "database/custom_sync.h"
#include "database/custom_tables.h"
#include "database/database_check.h"
#include "database/sync_fixture.h"
#include "database/table_sync.h"
#include "extensions/attribute_access.h"
#include "extensions/attribute_definitions.h"
#include "extensions/extensions.h"
#include "fields/field.h"
#include "model/project_members.h"
#include "projectfile/project_file.h"

namespace tolvex {
namespace {

using platform::NameMapping;
using platform::SyncAnswer;
using vb::Variant;

class Sync : public testing::SyncFixture {};

TEST_F(Sync, TablesViewsAndFieldsFollowTheSchema) {
  using Pairs = std::vector<NameMapping>;
  struct Case {
    const char* what;
    const char* before;  // schema the project was loaded from
    const char* after;   // live schema at synchronization
    std::vector<Pairs> pairs;  // answers to the name-mapping questions, in order
    const char* expected;      // dump() afterwards
    std::vector<std::string> mapping_questions = {};  // "what: new names / old names"
  } cases[] = {
      {"unchanged", "table name=t pk=id\nfield name=id type=int\nfield name=n type=int\n",
       "table name=t pk=id\nfield name=id type=int\nfield name=n type=int\n", {}, "t*(TABLE)[id]: id*,n*"},
      {"renamed column paired", "table name=t pk=id\nfield name=id type=int\nfield name=name type=varchar(20)\n",
       "table name=t pk=id\nfield name=id type=int\nfield name=full_name type=varchar(20)\n",
       {{{"full_name", "name"}}}, "t*(TABLE)[id]: id*,full_name*", {"fields of t: full_name / name"}},
      {"renamed column not paired", "table name=t pk=id\nfield name=id type=int\nfield name=name type=varchar(20)\n",
       "table name=t pk=id\nfield name=id type=int\nfield name=full_name type=varchar(20)\n", {},
       "t*(TABLE)[id]: id*,full_name", {"fields of t: full_name / name"}},
      {"column type changed", "table name=t pk=id\nfield name=id type=int\nfield name=n type=int\n",
       "table name=t pk=id\nfield name=id type=int\nfield name=n type=varchar(10)\n", {}, "t*(TABLE)[id]: id*,n"},
      {"column size changed keeps settings", "table name=t\nfield name=n type=varchar(10)\n",
       "table name=t\nfield name=n type=varchar(80)\n", {}, "t*(TABLE)[]: n*"},
      {"column added and removed", "table name=t\nfield name=a type=int\nfield name=gone type=int\n",
       "table name=t\nfield name=a type=int\nfield name=b type=date\n", {}, "t*(TABLE)[]: a*,b",
       {"fields of t: b / gone"}},
      {"column renamed in letter case only", "table name=t\nfield name=id type=int\nfield name=Name type=int\n",
       "table name=t\nfield name=id type=int\nfield name=name type=int\n", {}, "t*(TABLE)[]: id*,name",
       {"fields of t: name / Name"}},
      {"table became a view", "table name=t pk=a\nfield name=a type=int\n", "view name=t\nfield name=a type=int\n", {},
       "t(VIEW)[]: a"},
      {"renamed table paired", "table name=old pk=id\nfield name=id type=int\n",
       "table name=new pk=id\nfield name=id type=int\n", {{{"new", "old"}}}, "new*(TABLE)[id]: id*",
       {"tables: new / old"}},
      {"renamed table not paired", "table name=old pk=id\nfield name=id type=int\n",
       "table name=new pk=id\nfield name=id type=int\n", {}, "new(TABLE)[id]: id", {"tables: new / old"}},
      {"one old table paired twice is renamed once",
       "table name=x\nfield name=id type=int\ntable name=y\nfield name=id type=int\n",
       "table name=z\nfield name=id type=int\ntable name=w\nfield name=id type=int\n",
       {{{"w", "x"}, {"z", "x"}}}, "w*(TABLE)[]: id* | z(TABLE)[]: id", {"tables: w,z / x,y"}},
      {"a pair with a name not offered is ignored",
       "table name=x\nfield name=id type=int\ntable name=gone\nfield name=id type=int\n",
       "table name=x\nfield name=id type=int\ntable name=z\nfield name=id type=int\n", {{{"z", "x"}}},
       "x*(TABLE)[]: id* | z(TABLE)[]: id", {"tables: z / gone"}},
      {"a pair onto a letter-case twin never merges two tables",
       "table name=orders\nfield name=id type=int\ntable name=old\nfield name=code type=int\n",
       "table name=orders\nfield name=id type=int\ntable name=ORDERS\nfield name=no type=int\n",
       {{{"ORDERS", "old"}}}, "orders*(TABLE)[]: id*", {"tables: ORDERS / old"}},
      {"an unmatched table whose name changed letter case is rebuilt",
       "table name=orders pk=id\nfield name=id type=int\n", "table name=Orders pk=id\nfield name=id type=int\n", {},
       "Orders(TABLE)[id]: id", {"tables: Orders / orders"}},
      {"new table and view, dropped table",
       "table name=keep\nfield name=id type=int\ntable name=gone\nfield name=id type=int\n",
       "table name=keep\nfield name=id type=int\ntable name=fresh pk=k\nfield name=k type=int\nview name=v\n"
       "field name=k type=int\n",
       {}, "keep*(TABLE)[]: id* | fresh(TABLE)[k]: k | v(VIEW)[]: k", {"tables: fresh / gone"}},
      {"view column added", "view name=v\nfield name=a type=int\n", "view name=v\nfield name=a type=int\nfield name=b type=int\n",
       {}, "v*(VIEW)[]: a*,b"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    fresh_project();
    load(k.before);
    for (const Pairs& p : k.pairs) ui_->then(p);
    live(k.after);
    SynchronizeDB(*project_);
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(dump(), k.expected);
    // Each question as "what: new names / old names".
    std::vector<std::string> asked, expected;
    for (const auto& q : ui_->questions()) {
      if (q.kind != "name_mapping") continue;
      std::string names;
      for (const auto& n : q.names) names += (names.empty() ? "" : ",") + n;
      asked.push_back(q.text + ": " + names);
    }
    for (std::string m : k.mapping_questions) {
      m.replace(m.find(" / "), 3, ",");
      expected.push_back(m);
    }
    EXPECT_EQ(asked, expected);
    EXPECT_EQ(ui_->pending(), 0u);
    // Every loaded table has its menu entry, and no entry names a table that is gone.
    std::vector<std::string> urls;
    for (const std::string& e : menu()) urls.push_back(e.substr(0, e.find('|')));
    std::vector<std::string> loaded;
    for (size_t i = 0; i < tables().size(); ++i)
      if (tables().at(i)->TblLoaded()) loaded.push_back(tables().at(i)->TblName());
    std::sort(urls.begin(), urls.end());
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(urls, loaded);
  }
}

TEST_F(Sync, ChangedPrimaryKeyIsKeptOrUpdatedAsAnswered) {
  const std::string question = "Primary key for \"t\" has been modified. Keep/Update primary Key?";
  struct Case {
    const char* what;
    const char* before;
    const char* after;
    std::vector<SyncAnswer> answers;
    const char* expected;
    bool asked;
  } cases[] = {
      {"keep", "table name=t pk=id\nfield name=id type=int\nfield name=code type=int\n",
       "table name=t pk=code\nfield name=id type=int\nfield name=code type=int\n", {SyncAnswer::Keep},
       "t*(TABLE)[id]: id*,code*", true},
      {"update", "table name=t pk=id\nfield name=id type=int\nfield name=code type=int\n",
       "table name=t pk=code\nfield name=id type=int\nfield name=code type=int\n", {SyncAnswer::Update},
       "t*(TABLE)[code]: id*,code*", true},
      {"same key in another order", "table name=t pk=\"a,b\"\nfield name=a type=int\nfield name=b type=int\n",
       "table name=t pk=\"b,a\"\nfield name=a type=int\nfield name=b type=int\n", {}, "t*(TABLE)[a,b]: a*,b*", false},
      // A view's key is never asked about.
      {"view", "view name=t\nfield name=a type=int\n", "view name=t\nfield name=a type=int\n", {},
       "t*(VIEW)[]: a*", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    fresh_project();
    load(k.before);
    for (SyncAnswer a : k.answers) ui_->then(a);
    live(k.after);
    SynchronizeDB(*project_);
    EXPECT_EQ(dump(), k.expected);
    ASSERT_EQ(ui_->questions().size(), k.asked ? 1u : 0u);
    if (k.asked) {
      EXPECT_EQ(ui_->questions()[0].text, question);
    }
    auto t = table("t");
    for (size_t i = 0; i < t->Fields()->size(); ++i) {
      auto f = t->Fields()->at(i);
      EXPECT_EQ(f->FldIsPrimaryKey(), t->TblKey().find(f->FldName()) != std::string::npos) << f->FldName();
    }
  }
}

TEST_F(Sync, EnumerationValuesKeepTheLabelsOfValuesThatRemain) {
  struct Case {
    const char* new_list;
    const char* old_list;
    const char* merged;
  } cases[] = {
      {"a,A\r\nb,B", "b,x\r\na,y", "a,y\r\nb,x\r\n"},
      {"a,A\r\nc,C\r\n", "a,z\r\n", "a,z\r\nc,C\r\n"},
      {"a,A", "a", "a,A\r\n"},              // an old line without a label
      {"a,A", "a,lab,more", "a,lab\r\n"},   // the label ends at the second comma
      {"a,A", "A,z", "a,A\r\n"},            // values compare exactly
      // Quoted values and labels keep their commas.
      {"\"d,e\",\"d,e\"\r\n\"f\",\"f\"", "\"d,e\",\"Dee, Ee\"\r\n\"f\",Eff",
       "\"d,e\",\"Dee, Ee\"\r\n\"f\",Eff\r\n"},
      {"\"d,e\",\"d,e\"", "\"d\",x", "\"d,e\",\"d,e\"\r\n"},
  };
  for (const Case& k : cases) EXPECT_EQ(MergeTagValues(k.new_list, k.old_list), k.merged) << k.new_list;

  load("table name=t\nfield name=s type=\"enum('a','b')\"\n");
  auto s = table("t")->Fields()->Item(Variant("s"));
  s->FldTagValues("\"a\",Alpha\r\n\"b\",Beta");
  live("table name=t\nfield name=s type=\"enum('a','c')\"\n");
  SynchronizeDB(*project_);
  EXPECT_EQ(dump(), "t*(TABLE)[]: s*");
  EXPECT_EQ(s->FldTagValues(), "\"a\",Alpha\r\n\"c\",\"c\"\r\n");
}

// A sync against a database that did not change changes nothing: a value with a comma keeps
// its label, and byte data stays out of generation as the import left it.
TEST_F(Sync, AnUnchangedDatabaseChangesNothing) {
  const std::string schema =
      "table name=t\n"
      "field name=s type=\"set('d,e','f')\"\n"
      "field name=b type=blob\n";
  load(schema);
  auto s = table("t")->Fields()->Item(Variant("s"));
  auto b = table("t")->Fields()->Item(Variant("b"));
  EXPECT_FALSE(b->FldSupport());
  s->FldTagValues("\"d,e\",\"Dee, Ee\"\r\n\"f\",Eff");
  EXPECT_EQ(CheckDB(*project_), 0);
  live(schema);
  SynchronizeDB(*project_);
  EXPECT_EQ(s->FldTagValues(), "\"d,e\",\"Dee, Ee\"\r\n\"f\",Eff\r\n");
  EXPECT_FALSE(b->FldSupport());
  EXPECT_FALSE(b->FldGenerate());
  // A changed value with a comma is a difference.
  live("table name=t\nfield name=s type=\"set('d,x','f')\"\nfield name=b type=blob\n");
  EXPECT_NE(CheckDB(*project_), 0);
}

TEST_F(Sync, DynamicLoadAddsNewTablesWithoutFields) {
  load("table name=keep\nfield name=id type=int\ntable name=was pk=a\nfield name=a type=int\n");
  ASSERT_TRUE(LoadReport(*project_, "rpt", "was"));
  mark_user_settings();
  project_->set_setting_value(ProjectSetting::DynamicLoadDB, Variant(true));
  live("table name=keep\nfield name=id type=int\ntable name=fresh\nfield name=k type=int\nview name=was\n"
       "field name=a type=int\n");
  SynchronizeDB(*project_);
  // The report over the table whose fields are not read yet keeps its own.
  EXPECT_EQ(dump(), "keep*(TABLE)[]: id* | was*(VIEW~)[]: | rpt*(REPORT)[a]: a* | fresh(TABLE~)[]:");
  EXPECT_EQ(menu(), (std::vector<std::string>{"keep|Keep|hidden", "was|Was|hidden", "rpt|Rpt|shown"}));
}

TEST_F(Sync, CustomViewOrReportNamedLikeANewTableStays) {
  load("table name=c\nfield name=id type=int\n");
  LoadCustomView(*project_, "sales", "SELECT id FROM c", false);
  ASSERT_TRUE(LoadReport(*project_, "Totals", "c"));
  mark_user_settings();
  live("table name=c\nfield name=id type=int\ntable name=sales\nfield name=x type=int\n"
       "table name=totals\nfield name=y type=int\n");
  SynchronizeDB(*project_);
  EXPECT_EQ(dump(), "c*(TABLE)[]: id* | sales*(CUSTOMVIEW)[]: id* | Totals*(REPORT)[]: id*");
}

TEST_F(Sync, TableRenamedThroughItsNameSettingIsMatchedByItsNewName) {
  load("table name=t\nfield name=id type=int\nfield name=a type=int\n");
  table("t")->Properties()->Item("TblName")->setValue(Variant("u"));
  live("table name=t\nfield name=id type=int\ntable name=u\nfield name=id type=int\nfield name=a type=int\n");
  SynchronizeDB(*project_);
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(dump(), "u*(TABLE)[]: id*,a* | t(TABLE)[]: id");
  EXPECT_TRUE(ui_->questions().empty());
}

// Puts the extension members back as they were (a member that was not there answers
// nothing, as before) when the test ends.
class MemberSwap {
 public:
  MemberSwap(const std::string& name, ProjectMemberFn fn) : name_(name) {
    const int32_t i = find_project_member(name);
    if (i >= 0) saved_ = project_member(i);
    register_project_member(name, std::move(fn));
  }
  ~MemberSwap() {
    register_project_member(name_, saved_ ? saved_ : [](AGP&, vb::Args) { return Variant(); });
  }

 private:
  std::string name_;
  ProjectMemberFn saved_;
};

TEST_F(Sync, ExtensionsHearOfNewAndRebuiltObjects) {
  std::vector<std::string> heard;
  auto record = [&heard](const std::string& name) {
    return [&heard, name](AGP&, vb::Args a) {
      std::string line = name;
      for (const auto& v : a) line += " " + vb::to_string(v);
      heard.push_back(line);
      return Variant();
    };
  };
  MemberSwap field_swap("ExtendFieldInExtensions", record("field"));
  MemberSwap table_swap("ExtendTableInExtensions", record("table"));
  load("table name=t\nfield name=id type=int\nfield name=n type=int\n");
  heard.clear();
  live("table name=t\nfield name=id type=int\nfield name=n type=varchar(5)\nfield name=m type=int\n"
       "table name=u\nfield name=a type=int\n");
  SynchronizeDB(*project_);
  EXPECT_EQ(heard, (std::vector<std::string>{"field t n", "field t m", "table u"}));
}

// The tables of an extension's attribute tree with their field items: "t[id,a] u[x]".
std::string extension_tree(const std::string& ext) {
  std::string out;
  auto tables = extension_list().find(ext)->PROJ()->DB()->Tables();
  for (size_t i = 0; i < tables->size(); ++i) {
    auto t = tables->at(i);
    out += (out.empty() ? "" : " ") + t->TblName() + "[";
    for (size_t j = 0; j < t->Fields()->size(); ++j) out += (j ? "," : "") + t->Fields()->at(j)->FldName();
    out += "]";
  }
  return out;
}

TEST_F(Sync, FieldsAddedBySynchronizationGetTheirExtensionItems) {
  ctx().ExtensionsFolder = std::string(TOLVEX_TEST_DIR) + "/fixtures";
  load("table name=t\nfield name=id type=int\nfield name=a type=int\n");
  LoadCustomView(*project_, "cv", "SELECT * FROM t", false);
  ASSERT_TRUE(LoadReport(*project_, "rpt", "t"));
  mark_user_settings();
  ASSERT_TRUE(AddExtension(*project_, "ext", "ext.zip", "extension.xml"));
  ASSERT_EQ(extension_tree("ext"), "t[id,a] cv[id,a] rpt[id,a]");
  // A new column reaches the table (table sync), the custom view over it (custom sync)
  // and the report on it (report sync); the new table comes with its fields.
  live("table name=t\nfield name=id type=int\nfield name=a type=int\nfield name=b type=int\n"
       "table name=u\nfield name=x type=int\n");
  SynchronizeDB(*project_);
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(dump({"t", "cv", "rpt"}), "t*(TABLE)[]: id*,a*,b | cv*(CUSTOMVIEW)[]: id*,a*,b | rpt*(REPORT)[]: id*,a*,b");
  EXPECT_EQ(extension_tree("ext"), "t[id,a,b] cv[id,a,b] rpt[id,a,b] u[x]");
  for (const char* table : {"t", "cv", "rpt"}) {
    const Variant widget = GetExtFldAtt(*project_, "ext", table, "b", "FldWidget");
    EXPECT_TRUE(widget.is_string() && widget.raw_string() == "text") << table;
  }
}

TEST_F(Sync, UnreadableSchemaLeavesTheProjectAsItWas) {
  load("table name=t pk=id\nfield name=id type=int\n");
  const std::string before = dump();
  std::ofstream(live_file_, std::ios::binary) << "database name=elsewhere\ntable name=x\nfield name=id type=int\n";
  SynchronizeDB(*project_);
  EXPECT_NE(ctx().ProjErr, "");
  EXPECT_EQ(dump(), before);
  EXPECT_TRUE(ui_->questions().empty());
}

TEST_F(Sync, CustomViewsAndReportsFollowTheirSources) {
  const char* before =
      "table name=customers pk=id\nfield name=id type=int\nfield name=name type=varchar(20)\n"
      "table name=orders pk=id\nfield name=id type=int\nfield name=customer_id type=int\n"
      "field name=total type=decimal(10,2)\nfield name=note type=varchar(10)\n";
  struct Case {
    const char* what;
    const char* after;
    const char* expected;        // dump of cv, rpt and rcv (a report over the custom view)
    const char* cv_error;
    const char* rcv_error;
  } cases[] = {
      {"unchanged", before,
       "cv*(CUSTOMVIEW)[]: id*,name* | rpt*(REPORT)[id]: id*,customer_id*,total*,note* | "
       "rcv*(REPORT)[]: id*,name*",
       "", ""},
      {"the view's column is gone: its query fails",
       "table name=customers pk=id\nfield name=id type=int\nfield name=full_name type=varchar(20)\n"
       "table name=orders pk=id\nfield name=id type=int\nfield name=customer_id type=int\n"
       "field name=total type=decimal(10,2)\nfield name=note type=varchar(10)\n",
       "cv*(CUSTOMVIEW)[]: id*,name* | rpt*(REPORT)[id]: id*,customer_id*,total*,note* | "
       "rcv*(REPORT)[]: id*,name*",
       "Unknown column 'name' in 'field list'", "Tolvex: Source Table Error"},
      {"source columns changed type, gained and lost",
       "table name=customers pk=id\nfield name=id type=int\nfield name=name type=date\n"
       "table name=orders pk=id\nfield name=id type=int\nfield name=customer_id type=bigint\n"
       "field name=total type=decimal(10,2)\nfield name=line type=smallint\n",
       "cv*(CUSTOMVIEW)[]: id*,name | rpt*(REPORT)[id]: id*,customer_id,total*,line | rcv*(REPORT)[]: id*,name", "",
       ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    fresh_project();
    load(before);
    LoadCustomView(*project_, "cv", "SELECT id, name FROM customers", false);
    ASSERT_TRUE(LoadReport(*project_, "rpt", "orders"));
    ASSERT_TRUE(LoadReport(*project_, "rcv", "cv"));
    ASSERT_EQ(ctx().ProjErr, "");
    mark_user_settings();
    live(k.after);
    SynchronizeDB(*project_);
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(dump({"cv", "rpt", "rcv"}), k.expected);
    EXPECT_EQ(table("cv")->TblCustomError(), k.cv_error);
    EXPECT_EQ(table("rcv")->TblCustomError(), k.rcv_error);
    EXPECT_EQ(table("rpt")->TblCustomError(), "");
  }
  // A report whose source table is gone keeps its fields.
  live("table name=customers pk=id\nfield name=id type=int\nfield name=name type=date\n");
  SynchronizeDB(*project_);
  EXPECT_EQ(dump({"rpt"}), "rpt*(REPORT)[id]: id*,customer_id,total*,line");
  EXPECT_EQ(table("rpt")->TblCustomError(), "Tolvex: Source Table not found");
}

TEST_F(Sync, OpeningAProjectWithAutoSyncAsksAndUpdates) {
  const char* before = "table name=t pk=id\nfield name=id type=int\nfield name=n type=int\n"
                       "table name=gone\nfield name=id type=int\n";
  const char* after = "table name=t pk=id\nfield name=id type=int\nfield name=n type=varchar(5)\n"
                      "table name=fresh\nfield name=id type=int\n";
  const std::string question =
      "Database has been modified since last change. Do you want to keep old definition or update to new "
      "definition?";
  struct Case {
    const char* what;
    const char* live;  // nullptr: the database is not there
    std::vector<SyncAnswer> answers;
    const char* expected;
    std::vector<std::string> asked;  // kind: text
  } cases[] = {
      {"update", after, {SyncAnswer::Update}, "t*(TABLE)[id]: id*,n | fresh(TABLE)[]: id",
       {"keep_or_update: " + question, "name_mapping: tables"}},
      {"keep", after, {SyncAnswer::Keep}, "gone*(TABLE)[]: id* | t*(TABLE)[id]: id*,n*",
       {"keep_or_update: " + question}},
      {"in step", before, {}, "gone*(TABLE)[]: id* | t*(TABLE)[id]: id*,n*", {}},
      {"schema not readable", nullptr, {}, "gone*(TABLE)[]: id* | t*(TABLE)[id]: id*,n*",
       {"message_box: Unable to load database information! Reason: Unknown database 'shop'. Please check if "
        "correct database is in use."}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    fresh_project();
    project_->AddProj("Shop");
    load(before);
    project_->set_setting_value(ProjectSetting::AutoSync, Variant(true));
    const std::string file = (docs_ / "shop.tvp").string();
    Save(*project_, file);
    ASSERT_EQ(ctx().ProjErr, "");

    if (k.live) live(k.live);
    else std::ofstream(live_file_, std::ios::binary) << "database name=other\n";
    fresh_project();
    for (SyncAnswer a : k.answers) ui_->then(a);
    Load(*project_, file);
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(dump(), k.expected);
    std::vector<std::string> asked;
    for (const auto& q : ui_->questions()) asked.push_back(q.kind + ": " + q.text);
    EXPECT_EQ(asked, k.asked);
    std::vector<std::string> urls;
    for (const std::string& e : menu()) urls.push_back(e.substr(0, e.find('|')));
    EXPECT_EQ(urls, table_names());
  }
}

}  // namespace
}  // namespace tolvex
