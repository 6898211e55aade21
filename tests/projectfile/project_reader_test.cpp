// Opening project files: the repairs and rules of the reader, version checks and
// the converter, damaged files, and the database check of AutoSync projects.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "foundation/context.h"
#include "platform/host_ui.h"
#include "project_file_fixture.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using testing::ProjectFileFixture;

std::string project_file(const std::string& root_attributes, const std::string& body,
                         const std::string& root = "Project") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n<" + root + " " + root_attributes + ">\r\n" +
         body + "</" + root + ">\r\n";
}

class ProjectReaderTest : public ProjectFileFixture {};

TEST_F(ProjectReaderTest, RepairsAndRulesOfTheReader) {
  const std::string file = path("rules.tvp");
  write(file, project_file("Version=\"3.0.0.1\" Product=\"Tolvex\" ProjName=\"My Shop\" Ext=\"\" DefaultPage=\"\" "
                           "SmtpServer=\"\" AutoSync=\"0\" RootOwn=\"r\"",
                           "<Database DBName=\"\" DBDBMSName=\"MS Jet\" SecDefault=\"sec\">\r\n"
                           "<Table TblName=\"t\" TblType=\"TABLE\" TblCaption=\"first\" TableOwn=\"u\">\r\n"
                           "<Chart ChartName=\"c1\"/>\r\n"
                           "<Chart ChartName=\"c2\"><Trendline TrendName=\"only\" TrendColor=\"red\"/></Chart>\r\n"
                           "<Field FldName=\"a\" FldAutoIncrement=\"1\" FldAdd=\"1\" FldTagValues=\"1,a|2,b\"/>\r\n"
                           "<Field FldCaption=\"no name\"/>\r\n"
                           "</Table>\r\n"
                           "<Table TblName=\"t\" TblCaption=\"second\"/>\r\n"
                           "<Table TblCaption=\"no name\"/>\r\n"
                           "<Table TblName=\"empty\"/>\r\n"
                           "</Database>\r\n"));
  auto p = open(file);
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(p->Ext(), "php");
  EXPECT_EQ(p->DefaultPage(), "index.php");
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  EXPECT_EQ(p->SmtpServer(), host);
  EXPECT_EQ(p->setting_value(ProjectSetting::SmtpServerPort).type(), vb::VarType::Integer);
  EXPECT_EQ(p->ProjVar(), "My_Shop");
  EXPECT_FALSE(p->Properties()->PropertyExist("Version"));  // the file's version is not a setting
  ASSERT_TRUE(p->DB());
  EXPECT_EQ(p->current_database_name(), "zv_db");
  EXPECT_TRUE(p->databases().Item(vb::Variant("zv_db")));
  EXPECT_EQ(vb::to_string(ctx().DefaultTblSecurity), "sec");
  EXPECT_EQ(ctx().CurrentDbmsName, "MS Jet");
  AGPTables& tables = *p->DB()->Tables();
  ASSERT_EQ(tables.Count(), 2);
  auto t = tables.Item(vb::Variant("t"));
  EXPECT_EQ(t->TblCaption(), "first");  // the second element of that name is skipped
  EXPECT_TRUE(t->TblLoaded());
  EXPECT_FALSE(tables.Item(vb::Variant("empty"))->TblLoaded());
  EXPECT_EQ(t->Charts()->Item(vb::Variant("c1"))->Trendlines()->Count(), 4);
  EXPECT_EQ(t->Charts()->Item(vb::Variant("c1"))->Trendlines()->Seq(4)->TrendName(), "Trendline4");
  ASSERT_EQ(t->Charts()->Item(vb::Variant("c2"))->Trendlines()->Count(), 1);
  EXPECT_EQ(t->Charts()->Item(vb::Variant("c2"))->Trendlines()->Seq(1)->TrendColor(), "red");
  ASSERT_EQ(t->Fields()->Count(), 1);
  auto a = t->Fields()->Item(vb::Variant("a"));
  EXPECT_FALSE(a->FldAdd());
  EXPECT_EQ(a->FldTagValues(), "1,a\r\n2,b");
  EXPECT_EQ(a->FldVar(), "x_a");
  // Attributes no setting declares are kept and written again, after the declared ones.
  ASSERT_TRUE(t->Properties()->PropertyExist("TableOwn"));
  const std::string saved = path("saved.tvp");
  Save(*p, saved);
  const std::string text = read(saved);
  EXPECT_NE(text.find("TblShowBlankListPage=\"0\" TableOwn=\"u\">"), std::string::npos);
  EXPECT_NE(text.find(" RootOwn=\"r\">"), std::string::npos);
}

TEST_F(ProjectReaderTest, QuoteCharactersFollowTheFieldTypeAndDatabaseKind) {
  const struct {
    const char* dbms;
    int type;
    const char* quote;
  } cases[] = {{"MS Jet", 7, "#"},  {"MySQL", 7, "'"},   {"MySQL", 135, "'"}, {"ACCESS", 133, "#"},
               {"MySQL", 200, "'"},     {"MS Jet", 129, "'"}, {"MySQL", 3, ""},    {"MySQL", 131, ""},
               {"MySQL", 999, "file"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.dbms) + " " + std::to_string(c.type));
    const std::string file = path("quotes.tvp");
    write(file, project_file("Version=\"3.0\" AutoSync=\"0\"",
                             std::string("<Database DBName=\"d\" DBDBMSName=\"") + c.dbms + "\"><Table TblName=\"t\">" +
                                 "<Field FldName=\"f\" FldType=\"" + std::to_string(c.type) +
                                 "\" FldQuoteS=\"file\" FldQuoteE=\"file\"/></Table></Database>"));
    auto p = open(file);
    ASSERT_EQ(ctx().ProjErr, "");
    auto f = p->DB()->Tables()->Item(vb::Variant("t"))->Fields()->Item(vb::Variant("f"));
    EXPECT_EQ(f->FldQuoteS(), c.quote);
    EXPECT_EQ(f->FldQuoteE(), c.quote);
  }
}

class RecordingConverter : public ProjectConverter {
 public:
  void ConvertProjectFile(const std::string& source, const std::string& code, const std::string& version,
                          std::string& converted) override {
    calls.push_back(source + "|" + code + "|" + version);
    if (fail) throw std::runtime_error("converter broke");
    converted = output;
  }
  std::vector<std::string> calls;
  std::string output;
  bool fail = false;
};

TEST_F(ProjectReaderTest, VersionChecksAndConversion) {
  const std::string converted = path("converted.tvp");
  write(converted, project_file("Version=\"3.0\" ProjName=\"Converted\" AutoSync=\"0\"", "<Database DBName=\"d\"/>"));
  const std::string version_text = vb::make_ref<AGP>()->version_text();
  const struct {
    const char* name;
    const char* version;
    bool converter_answers;
    bool converter_fails;
    int calls;
    const char* projname;  // "" when nothing is loaded
    std::string error;
  } cases[] = {
      {"same.tvp", "3.0.0.1", true, false, 0, "Original", ""},
      {"minor.tvp", "3.5", true, false, 0, "Original", ""},
      {"major.tvp", "3", true, false, 0, "Original", ""},
      {"newer.tvp", "4.0", true, false, 0, "",
       "Tolvex: Project file version (4.0) newer than software (" + version_text + ")! Please check!"},
      {"overflowing.tvp", "2147483648.0.0.0", true, false, 0, "",
       "Tolvex: Project file version (2147483648.0.0.0) newer than software (" + version_text + ")! Please check!"},
      {"older.tvp", "2.9", true, false, 1, "Converted", ""},
      {"older2.tvp", "2.9", false, false, 1, "Original", ""},  // nothing converted: the file itself is read
      {"upper.TVP", "3.0", true, false, 0, "Original", ""},
      {"noextension", "3.0", true, false, 0, "Original", ""},
      {"other.xml", "3.0", true, false, 1, "Converted", ""},
      {"broken.xml", "3.0", true, true, 1, "", "Tolvex: Load Project File failed! Please check! converter broke"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto converter = std::make_shared<RecordingConverter>();
    converter->output = c.converter_answers ? converted : "";
    converter->fail = c.converter_fails;
    register_project_converter(converter);
    const std::string file = path(c.name);
    write(file, project_file(std::string("Version=\"") + c.version + "\" ProjName=\"Original\" AutoSync=\"0\"",
                             "<Database DBName=\"d\"/>"));
    auto p = open(file);
    EXPECT_EQ(ctx().ProjErr, c.error);
    ASSERT_EQ(converter->calls.size(), size_t(c.calls));
    if (c.calls) {
      EXPECT_EQ(converter->calls[0], file + "|TVX|" + version_text);
    }
    EXPECT_EQ(p->ProjName(), c.projname);
    EXPECT_EQ(bool(p->DB()), *c.projname != '\0');
  }
}

TEST_F(ProjectReaderTest, DefaultConverterReadsOlderAndRenamedProjectFiles) {
  for (const char* name : {"old.tvp", "old.xml", "old"}) {
    SCOPED_TRACE(name);
    const std::string file = path(name);
    write(file, project_file("Version=\"2.0\" ProjName=\"Old\" AutoSync=\"0\"", "<Database DBName=\"d\"/>"));
    auto p = open(file);
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(p->ProjName(), "Old");
    ASSERT_TRUE(p->DB());
  }
  std::string converted = "unchanged";
  ProjectConverter().ConvertProjectFile(path("missing.xml"), "TVX", "3.0.0.1", converted);
  EXPECT_EQ(converted, "");
}

class ThrowingKeys : public ProjectDatabaseHooks {
 public:
  void BuildTableKeys(AGP&) override { throw std::runtime_error("broken"); }
};

TEST_F(ProjectReaderTest, DamagedFilesLeaveTheProjectAsItWas) {
  // A failed load says why after the system's text: the parser's reason and line.
  const std::string failed = "Tolvex: Load Project File failed! Please check! ";
  const std::string file_failed = failed + path("damaged.tvp") + ": ";
  const std::string menus = "<Menu MenuID=\"9\" MenuText=\"from file\" MenuUrl=\"x\"/>";
  const struct {
    const char* what;
    std::string content;  // "" with `missing`: no file at all
    std::string error;    // what the message starts with
    bool throwing_hook = false;
    bool missing = false;
  } cases[] = {
      {"truncated", "<?xml version=\"1.0\"?>\r\n<Project Version=\"3.0\"><Database DBName=\"x\">",
       file_failed + "line 2: Premature end of data in tag Database"},
      {"empty file", "", file_failed + "line 1: Document is empty"},
      {"not XML", "PK\x03\x04 binary junk", file_failed + "line 1: Start tag expected"},
      {"bad attribute on line 3", "<?xml version=\"1.0\"?>\r\n<Project Version=\"3.0\">\r\n<Database my key=\"1\"/></Project>",
       file_failed + "line 3: "},
      {"missing file", "", failed + "Cannot open", false, true},
      {"no version", project_file("ProjName=\"P\"", "<Database DBName=\"d\"/>" + menus),
       failed + "The file has no version number."},
      {"root in other case", project_file("Version=\"3.0\"", "<Database DBName=\"d\"/>" + menus, "project"),
       "Tolvex: Invalid Project File!"},
      {"other root", project_file("Version=\"3.0\"", menus, "Settings"), "Tolvex: Invalid Project File!"},
      {"failure while reading", project_file("Version=\"3.0\" ProjName=\"P\"", "<Database DBName=\"d\"/>" + menus),
       failed + "broken", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.throwing_hook) register_project_database_hooks(std::make_shared<ThrowingKeys>());
    const std::string file = path("damaged.tvp");
    std::filesystem::remove(file);
    if (!c.missing) write(file, c.content);
    ctx().MenuList = nullptr;
    auto p = vb::make_ref<AGP>();
    p->AddProj("Before");
    p->MenuList()->AddMenu(-1, "kept", -1, "https://kept", true);
    Load(*p, file);
    EXPECT_EQ(ctx().ProjErr.substr(0, c.error.size()), c.error) << ctx().ProjErr;
    EXPECT_EQ(p->ProjName(), "Before");
    EXPECT_FALSE(p->DB());
    EXPECT_EQ(p->DBCnt(), 0);
    ASSERT_EQ(p->MenuList()->Count(), 1);
    EXPECT_EQ(p->MenuList()->Item(1)->MenuText(), "kept");
    register_project_database_hooks(nullptr);
  }
}

class RecordingExtensionHooks : public ProjectExtensionHooks {
 public:
  void LoadRegisteredExtensions(AGP&) override { ++registered; }
  int registered = 0;
};

TEST_F(ProjectReaderTest, RegisteredExtensionsOnlyForAProjectThatLoaded) {
  const struct {
    const char* what;
    std::string body;
    std::string error;
    int registered;
  } cases[] = {
      {"with a database", "<Database DBName=\"d\"/>", "", 1},
      {"without a database", "", "Tolvex: No Database Information in Project File!", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto hooks = std::make_shared<RecordingExtensionHooks>();
    register_project_extension_hooks(hooks);
    const std::string file = path("ext.tvp");
    write(file, project_file("Version=\"3.0\" ProjName=\"P\" AutoSync=\"0\"", c.body));
    auto p = open(file);
    EXPECT_EQ(ctx().ProjErr, c.error);
    EXPECT_EQ(p->ProjName(), "P");  // the settings stay read either way
    EXPECT_EQ(hooks->registered, c.registered);
  }
}

class RecordingDatabaseHooks : public ProjectDatabaseHooks {
 public:
  void BuildTableKeys(AGP&) override { log.push_back("keys"); }
  void LoadSchemaSnapshot(AGP&, const std::vector<std::string>& c) override {
    connection = c;
    log.push_back("schema");
    context().ProjErr = schema_error;
  }
  void ReleaseSchemaSnapshot(AGP&) override { log.push_back("release"); }
  int32_t CheckTablesAndViews(AGP&) override { return differences[0]; }
  int32_t CheckCustomViews(AGP&) override { return differences[1]; }
  int32_t CheckReports(AGP&) override { return differences[2]; }
  bool AskKeepOldDefinition(AGP&, const std::string& q) override {
    question = q;
    log.push_back("ask");
    return keep;
  }
  void MapRenamedTablesAndFields(AGP&) override { log.push_back("map"); }
  void SyncTablesAndViews(AGP&) override { log.push_back("tables"); }
  void SyncCustomViews(AGP&) override { log.push_back("custom"); }
  void SyncReports(AGP&) override { log.push_back("reports"); }
  void SyncMenus(AGP&) override { log.push_back("menus"); }

  std::vector<std::string> log, connection;
  std::string schema_error, question;
  int32_t differences[3] = {0, 0, 0};
  bool keep = true;
};

TEST_F(ProjectReaderTest, AutoSyncChecksTheDatabaseAndAsksBeforeUpdating) {
  using Log = std::vector<std::string>;
  const struct {
    const char* what;
    const char* autosync;
    int d0, d1, d2;
    bool keep;
    const char* schema_error;
    Log log;
    bool asked;
    std::string message;
  } cases[] = {
      {"no differences", "1", 0, 0, 0, true, "", {"keys", "schema", "menus", "release"}, false, ""},
      {"kept", "1", 0, 1, 0, true, "", {"keys", "schema", "ask", "menus", "release"}, true, ""},
      {"updated",
       "1",
       1,
       0,
       2,
       false,
       "",
       {"keys", "schema", "ask", "map", "tables", "custom", "reports", "keys", "menus", "release"},
       true,
       ""},
      {"schema unreadable", "1", 5, 0, 0, false, "Can't connect", {"keys", "schema", "release"}, false,
       "Unable to load database information! Reason: Can't connect. Please check if correct database is in use."},
      {"driver error", "1", 5, 0, 0, false, "JDBC ERROR", {"keys", "schema", "release"}, false, ""},
      {"AutoSync off", "0", 5, 0, 0, false, "", {"keys"}, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto hooks = std::make_shared<RecordingDatabaseHooks>();
    hooks->differences[0] = c.d0;
    hooks->differences[1] = c.d1;
    hooks->differences[2] = c.d2;
    hooks->keep = c.keep;
    hooks->schema_error = c.schema_error;
    register_project_database_hooks(hooks);
    auto ui = std::make_shared<platform::ScriptedUI>();
    ctx().HostUi = ui;
    const std::string file = path("sync.tvp");
    write(file, project_file(std::string("Version=\"3.0\" AutoSync=\"") + c.autosync + "\"",
                             "<Database DBName=\"shop\" DBType=\"mysql\" DBHost=\"h\" DBPort=\"3306\" DBUID=\"u\" "
                             "DBPwd=\"p\" DBSID=\"s\" DBConnectionMethod=\"m\" DBURL=\"url\" DBEncoding=\"utf8\"/>"));
    open(file);
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(hooks->log, c.log);
    if (c.asked) {
      EXPECT_EQ(hooks->question,
                "Database has been modified since last change. Do you want to keep old definition or update to new "
                "definition?");
    }
    if (std::string(c.autosync) == "1") {
      EXPECT_EQ(hooks->connection, (Log{"shop", "mysql", "h", "3306", "u", "p", "s", "m", "url", "utf8"}));
    }
    if (c.message.empty()) {
      EXPECT_TRUE(ui->questions().empty());
    } else {
      ASSERT_EQ(ui->questions().size(), 1u);
      EXPECT_EQ(ui->questions()[0].text, c.message);
      EXPECT_EQ(ui->questions()[0].title, "Tolvex");
    }
  }
}

}  // namespace
}  // namespace tolvex
