#include "templates/controls.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "vb/convert.h"
#include "vb/error.h"

namespace fs = std::filesystem;
using namespace tolvex;
using vb::Variant;

namespace {

const std::string kFixtures = std::string(TOLVEX_TEST_DIR) + "/fixtures/package/";

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_->ProductKey = "Tolvex";
    dir_ = fs::temp_directory_path() / ("tolvex-controls-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }

  ContextScope ctx_;
  fs::path dir_;
};

vb::Ref<AGPSession> session(std::string value, std::string type = "key") {
  auto s = vb::make_ref<AGPSession>();
  s->SessValue = std::move(value);
  s->SessType = std::move(type);
  return s;
}

std::vector<std::string> values_of(const AGPSessions& ss) {
  std::vector<std::string> out;
  for (const auto& s : ss.items()) out.push_back(s->SessValue);
  return out;
}

}  // namespace

TEST_F(ControlsTest, LoadsEveryAttributeOfControlsAndSessions) {
  AGPControls list;
  ASSERT_TRUE(list.LoadControls(kFixtures + "control.xml"));
  EXPECT_EQ(list.ProdDate(), "2026/01/02");
  EXPECT_EQ(list.ProdVersion(), "3.0");
  EXPECT_EQ(list.ProdDesc(), "Sample package");
  EXPECT_EQ(list.ProdAuthor(), "Template Team");
  // Other elements, and a control name with a namespace prefix, are not controls.
  ASSERT_EQ(list.Count(), 3);

  const AGPControl& c = *list.items()[0];
  EXPECT_EQ(c.CtrlID, "list");
  EXPECT_EQ(c.CtrlType, "table");
  EXPECT_EQ(c.CtrlIFiles, "list.php,common.php");
  EXPECT_EQ(c.CtrlIFolder, "src/js/");
  EXPECT_EQ(c.CtrlOFile, "List Page");  // case and blanks kept
  EXPECT_EQ(c.CtrlOFileCompat, "listcompat");
  EXPECT_EQ(c.CtrlOExt, "php");
  EXPECT_EQ(c.CtrlOFolder, "pages");
  EXPECT_EQ(c.CtrlOFolderID, "root");
  EXPECT_EQ(c.CtrlCond, "TABLE.TblList");
  EXPECT_EQ(c.CtrlTagExt, "_x");
  EXPECT_EQ(c.CtrlParm, "P1");
  EXPECT_FALSE(c.CtrlSpace);
  EXPECT_FALSE(c.CtrlGen);
  EXPECT_EQ(c.CtrlExt, "Ext1");
  EXPECT_EQ(c.CtrlAction, "add");
  EXPECT_FALSE(c.CtrlOverwrite);

  const auto& sessions = list.items()[0]->Sessions().items();
  ASSERT_EQ(sessions.size(), 2u);
  const AGPSession& s = *sessions[0];
  EXPECT_EQ(s.SessType, "key");
  EXPECT_EQ(s.SessValue, "header");
  EXPECT_EQ(s.SessParm, "hp");
  EXPECT_EQ(s.SessIFile, "head.php");
  EXPECT_EQ(s.SessCond, "PROJ.Header");
  EXPECT_EQ(s.SessExt, "E");
  EXPECT_EQ(s.SessAction, "change");
  EXPECT_EQ(s.SessLocation, "footer");
  EXPECT_EQ(s.SessLocType, "after");
  EXPECT_EQ(sessions[1]->SessType, "include");
  EXPECT_EQ(sessions[1]->SessValue, "menu");
  EXPECT_EQ(sessions[1]->SessParm, "m");
  EXPECT_EQ(sessions[1]->SessIFile, "");

  EXPECT_EQ(list.items()[1]->CtrlID, "List");
  EXPECT_EQ(list.items()[1]->CtrlIFolder, "common/");
  // Absent switches start True; "TRUE" and -1 read as True.
  EXPECT_TRUE(list.items()[1]->CtrlSpace);
  EXPECT_TRUE(list.items()[1]->CtrlOverwrite);
  EXPECT_TRUE(list.items()[2]->CtrlSpace);
  EXPECT_TRUE(list.items()[2]->CtrlOverwrite);
  EXPECT_EQ(list.items()[2]->Sessions().Count(), 0);
}

TEST_F(ControlsTest, RootNameRuleAndLoadFailures) {
  struct Case {
    std::string text;
    bool ok;
    int16_t status;  // ControlFileStatus after a failure
  };
  const Case cases[] = {
      {"<Tolvex><control id='a'/></Tolvex>", true, 0},
      {"<tolvex.control><control id='a'/></tolvex.control>", true, 0},
      {"<TOLVEXcontrols><control id='a'/></TOLVEXcontrols>", true, 0},
      {"<p:TOLVEX.Controls xmlns:p='urn:p'><control id='a'/></p:TOLVEX.Controls>", true, 0},
      {"<templates><control id='a'/></templates>", false, kControlFileBadRoot},
      {"<Tolve><control id='a'/></Tolve>", false, kControlFileBadRoot},
      {"<Tolvex><control id='a'>", false, kControlFileNotLoaded},
  };
  for (const auto& c : cases) {
    AGPControls list;
    ASSERT_TRUE(list.LoadControls(kFixtures + "control.xml"));
    ctx_->ControlFileStatus = 0;
    const bool ok = list.LoadControls(write("c.xml", c.text));
    EXPECT_EQ(ok, c.ok) << c.text;
    EXPECT_EQ(ctx_->ControlFileStatus, c.status) << c.text;
    if (c.status == kControlFileBadRoot) {
      EXPECT_EQ(list.Count(), 0) << c.text;          // emptied
      EXPECT_EQ(list.ProdDesc(), "Sample package");  // kept from the earlier load
    } else if (c.status == kControlFileNotLoaded) {
      EXPECT_EQ(list.Count(), 3) << c.text;  // untouched
    } else {
      EXPECT_EQ(list.Count(), 1) << c.text;
      EXPECT_EQ(list.ProdDesc(), "") << c.text;  // absent product attributes read as empty
    }
  }
  AGPControls list;
  EXPECT_FALSE(list.LoadControls((dir_ / "missing.xml").string()));
  EXPECT_EQ(ctx_->ControlFileStatus, kControlFileNotLoaded);
}

TEST_F(ControlsTest, FindsTheFileWithoutLetterCaseAndWithBackslashes) {
  fs::create_directories(dir_ / "Script");
  fs::copy_file(kFixtures + "control.xml", dir_ / "Script" / "Control.XML");
  AGPControls list;
  EXPECT_TRUE(list.LoadControls(dir_.string() + "\\script\\control.xml"));
  EXPECT_EQ(list.Count(), 3);
}

TEST_F(ControlsTest, SwitchThatIsNoBooleanRaisesTypeMismatch) {
  AGPControls list;
  ASSERT_TRUE(list.LoadControls(kFixtures + "control.xml"));
  const std::string file = write("c.xml", "<Tolvex><control id='a'/><control id='b' overwrite='maybe'/></Tolvex>");
  try {
    list.LoadControls(file);
    FAIL() << "no error";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), vb::err::kTypeMismatch);
  }
  EXPECT_EQ(list.Count(), 0);  // not a list cut off in the middle
}

TEST_F(ControlsTest, LoadingAControlAgainStartsOver) {
  const auto full = platform::XmlDocument::parse_memory(
      "<control id='a' ofile='x' space='0'><session value='s' parm='p'/></control>");
  const auto bare = platform::XmlDocument::parse_memory("<control id='b'><session value='t'/></control>");
  AGPControl c;
  c.CtrlGen = true;
  c.Load(full.root());
  c.Load(full.root());
  EXPECT_EQ(c.Sessions().Count(), 1);
  EXPECT_FALSE(c.CtrlGen);
  c.Load(bare.root());
  EXPECT_EQ(c.CtrlOFile, "");
  EXPECT_TRUE(c.CtrlSpace);
  ASSERT_EQ(c.Sessions().Count(), 1);
  EXPECT_EQ(c.Sessions().Item(1)->SessValue, "t");
  EXPECT_EQ(c.Sessions().Item(1)->SessParm, "");
}

TEST_F(ControlsTest, NormalizesTemplateFolders) {
  const std::pair<std::string, std::string> cases[] = {
      {"src/js", "src/js/"}, {"\\common\\", "common/"}, {"/a/", "a/"},  {"\\a\\b", "a/b/"},
      {"a", "a/"},           {"", ""},                  {"\\", ""},     {"/", ""},
      {"//a", "a/"},  {"\\\\srv\\x", "srv/x/"},  // never an absolute path
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(normalize_template_folder(in), out) << in;
}

TEST_F(ControlsTest, ItemByPositionOrIdAndCurrentIndex) {
  AGPControls list;
  ASSERT_TRUE(list.LoadControls(kFixtures + "control.xml"));  // list, List, defaults
  struct Case {
    Variant index;
    std::string id;  // "" = Nothing
    int32_t cur;     // curIndex afterwards
  };
  const Case cases[] = {
      {Variant("List"), "List", 2},
      {Variant("list"), "list", 1},
      {Variant("LIST"), "", 1},
      {Variant(int16_t(3)), "defaults", 3},
      {Variant(2.5), "List", 2},           // halves round to even
      {Variant(3.5f), "", 2},              // rounds to 4: out of range
      {Variant(uint8_t(1)), "list", 1},
      {Variant(int32_t(0)), "", 1},
      {Variant(int32_t(4)), "", 1},
      {Variant(true), "", 1},
      {Variant(), "", 1},
  };
  AGPControls fresh;
  EXPECT_EQ(fresh.curIndex(), 0);
  for (const auto& c : cases) {
    auto item = list.Item(c.index);
    EXPECT_EQ(item ? item->CtrlID : "", c.id);
    EXPECT_EQ(list.curIndex(), c.cur);
  }
  // The stored object itself: a change through Item changes the list.
  list.Item(Variant("defaults"))->CtrlCond = "x";
  EXPECT_EQ(list.items()[2]->CtrlCond, "x");
}

TEST_F(ControlsTest, AddAndDeleteControls) {
  AGPControls list;
  ASSERT_TRUE(list.LoadControls(kFixtures + "control.xml"));
  AGPControl ext;
  ext.CtrlID = "extra";
  ext.CtrlType = "other";
  ext.CtrlIFolder = "ext/";
  ext.CtrlSpace = false;
  ext.CtrlGen = true;
  ext.CtrlExt = "MyExt";
  ext.CtrlAction = "add";
  ext.CtrlOverwrite = false;
  auto inc = session("menu", "include");
  inc->SessParm = "p1";
  inc->SessLocation = "x";
  inc->SessLocType = "after";
  ext.Sessions().AddSession(*inc, "", "");
  ext.Sessions().AddSession(*session("body"), "", "");

  EXPECT_TRUE(list.AddControl(ext));
  EXPECT_FALSE(list.AddControl(ext));  // same id
  ASSERT_EQ(list.Count(), 4);
  const AGPControl& added = *list.items()[3];
  EXPECT_NE(&added, &ext);
  EXPECT_EQ(added.CtrlType, "other");
  EXPECT_EQ(added.CtrlIFolder, "ext/");
  EXPECT_FALSE(added.CtrlSpace);
  EXPECT_FALSE(added.CtrlGen);  // not copied
  EXPECT_FALSE(added.CtrlOverwrite);
  const auto& copied = const_cast<AGPControl&>(added).Sessions().items();
  ASSERT_EQ(copied.size(), 2u);
  EXPECT_EQ(copied[0]->SessValue, "menu");
  EXPECT_EQ(copied[0]->SessExt, "MyExt");  // marked with the control's extension
  EXPECT_EQ(copied[0]->SessParm, "p1");    // an include keeps its parameter
  EXPECT_EQ(copied[0]->SessLocation, "");  // placement hints are not copied
  EXPECT_EQ(copied[0]->SessLocType, "");
  EXPECT_EQ(copied[1]->SessValue, "body");
  EXPECT_EQ(ext.Sessions().items()[0]->SessExt, "MyExt");  // the caller's session too
  EXPECT_NE(copied[0].get(), ext.Sessions().items()[0].get());

  EXPECT_TRUE(list.ControlExist("extra"));
  EXPECT_FALSE(list.ControlExist("EXTRA"));
  EXPECT_FALSE(list.DeleteControl("LIST"));
  EXPECT_TRUE(list.DeleteControl("list"));
  std::vector<std::string> ids;
  for (const auto& c : list.items()) ids.push_back(c->CtrlID);
  EXPECT_EQ(ids, (std::vector<std::string>{"List", "defaults", "extra"}));
  EXPECT_EQ(list.Item(Variant(int16_t(1)))->CtrlID, "List");
}

TEST_F(ControlsTest, AddSessionPlacesBeforeOrAfterItsLocation) {
  struct Case {
    std::string loc, loctype;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {"b", "after", {"a", "b", "new", "c"}},
      {"b", "before", {"a", "new", "b", "c"}},
      {"b", "", {"a", "new", "b", "c"}},
      {"b", "After", {"a", "new", "b", "c"}},  // "after" is matched exactly
      {"c", "after", {"a", "b", "c", "new"}},
      {"a", "", {"new", "a", "b", "c"}},
      {"B", "after", {"a", "b", "c", "new"}},  // no match: at the end
      {"", "", {"a", "b", "c", "new"}},
  };
  for (const auto& c : cases) {
    AGPSessions ss;
    for (const char* v : {"a", "b", "c"}) ASSERT_TRUE(ss.AddSession(*session(v), "", ""));
    auto added = session("new");
    added->SessParm = "p";
    EXPECT_TRUE(ss.AddSession(*added, c.loc, c.loctype));
    EXPECT_EQ(values_of(ss), c.order) << c.loc << "/" << c.loctype;
    EXPECT_FALSE(ss.AddSession(*session("new"), "", "")) << "duplicate";
    EXPECT_EQ(ss.Count(), 4);
  }
  // An empty location matches a session without a value.
  AGPSessions ss;
  ss.AddSession(*session("a"), "", "");
  ss.AddSession(*session(""), "", "");
  ss.AddSession(*session("z"), "", "");
  EXPECT_EQ(values_of(ss), (std::vector<std::string>{"a", "z", ""}));
}

TEST_F(ControlsTest, ChangeAndDeleteSessions) {
  AGPSessions ss;
  auto old = session("hdr");
  old->SessIFile = "old.php";
  old->SessCond = "old cond";
  old->SessParm = "keep";
  old->SessExt = "E0";
  old->SessAction = "add";
  ss.AddSession(*old, "", "");
  ss.AddSession(*session("body"), "", "");
  ss.AddSession(*session("foot"), "", "");

  auto change = session("ignored", "include");
  change->SessAction = "";
  change->SessExt = "E1";
  EXPECT_TRUE(ss.ChangeSession("hdr", *change));
  EXPECT_FALSE(ss.ChangeSession("HDR", *change));
  const AGPSession& s = *ss.Item(1);
  EXPECT_EQ(s.SessIFile, "old.php");  // empty values keep the old file and condition
  EXPECT_EQ(s.SessCond, "old cond");
  EXPECT_EQ(s.SessExt, "E1");
  EXPECT_EQ(s.SessAction, "");  // ... but not the action
  EXPECT_EQ(s.SessType, "key");
  EXPECT_EQ(s.SessValue, "hdr");
  EXPECT_EQ(s.SessParm, "keep");
  change->SessIFile = "new.php";
  change->SessCond = "new cond";
  ss.ChangeSession("hdr", *change);
  EXPECT_EQ(ss.Item(1)->SessIFile, "new.php");
  EXPECT_EQ(ss.Item(1)->SessCond, "new cond");

  EXPECT_TRUE(ss.SessionExist("body"));
  EXPECT_FALSE(ss.SessionExist("Body"));
  EXPECT_FALSE(ss.DeleteSession("Body"));
  EXPECT_TRUE(ss.DeleteSession("hdr"));
  EXPECT_EQ(values_of(ss), (std::vector<std::string>{"body", "foot"}));
  for (int64_t i : {0, 3, -1}) EXPECT_FALSE(ss.Item(i)) << i;
  EXPECT_EQ(ss.Item(2)->SessValue, "foot");
}

TEST_F(ControlsTest, SessionCountBeyondTheIntegerRange) {
  std::string text = "<Tolvex><control id='big'>";
  for (int i = 0; i < 33000; ++i) text += "<session value='s" + std::to_string(i) + "'/>";
  text += "</control></Tolvex>";
  AGPControls list;
  ASSERT_TRUE(list.LoadControls(write("big.xml", text)));
  AGPSessions& ss = list.items()[0]->Sessions();
  EXPECT_EQ(ss.Count(), 33000);
  EXPECT_EQ(ss.Item(32999)->SessValue, "s32998");
  Variant args[] = {Variant(int32_t(33000))};
  auto last = ss.invoke(ss.find_member("Item"), vb::InvokeKind::Get, args);
  EXPECT_EQ(vb::to_string(last.object()->get("SessValue")), "s32999");
}

TEST_F(ControlsTest, ReachableByName) {
  auto obj = create_object("Tolvex.AGPControls");
  ASSERT_TRUE(obj);
  EXPECT_EQ(obj->type_name(), "AGPControls");
  Variant file[] = {Variant(kFixtures + "control.xml")};
  EXPECT_TRUE(vb::to_bool(obj->call("LoadControls", file)));
  EXPECT_EQ(vb::to_long(obj->get("Count")), 3);
  Variant id[] = {Variant("list")};
  Variant ctrl = obj->invoke(vb::kDispValue, vb::InvokeKind::Get, id);  // default member Item
  ASSERT_TRUE(ctrl.is_object());
  EXPECT_EQ(vb::to_long(obj->get("curIndex")), 1);
  EXPECT_EQ(obj->get("curIndex").type(), vb::VarType::Integer);
  auto c = ctrl.object();
  EXPECT_FALSE(vb::to_bool(c->get("CtrlSpace")));
  c->let("CtrlSpace", Variant("True"));
  EXPECT_TRUE(vb::to_bool(c->get("ctrlspace")));
  EXPECT_EQ(vb::to_string(c->get("CtrlIFolder")), "src/js/");
  Variant one[] = {Variant(int16_t(1))};
  auto sess = c->get("Sessions").object()->get("Item", one).object();
  EXPECT_EQ(vb::to_string(sess->get("SessValue")), "header");
  Variant missing[] = {Variant("nope")};
  EXPECT_TRUE(obj->get("Item", missing).is_nothing());

  // AddControl through dispatch copies the control given.
  auto extra = create_object("Tolvex.AGPControl");
  extra->let("CtrlID", Variant("x"));
  Variant arg[] = {Variant(extra)};
  EXPECT_TRUE(vb::to_bool(obj->call("AddControl", arg)));
  Variant bad[] = {Variant("not an object")};
  EXPECT_THROW(obj->call("AddControl", bad), vb::VBError);
  for (const char* name : {"AGPControl", "AGPSessions", "AGPSession"}) EXPECT_TRUE(create_object(name)) << name;
}

TEST_F(ControlsTest, TheShippedSamplePackageLoads) {
  AGPControls list;
  ASSERT_TRUE(list.LoadControls(std::string(TOLVEX_SOURCE_DIR) + "/share/tolvex/templates/sample/control.xml"));
  EXPECT_EQ(list.ProdVersion(), "3.0");
  auto logo = list.Item(Variant("logo"));
  ASSERT_TRUE(logo);
  EXPECT_EQ(logo->CtrlIFolder, "images/");
  auto pages = list.Item(Variant("list"));
  ASSERT_TRUE(pages);
  ASSERT_EQ(pages->Sessions().Count(), 5);
  EXPECT_EQ(pages->Sessions().Item(1)->SessParm, "php");
  EXPECT_EQ(pages->Sessions().Item(3)->SessIFile, "shared.php");
}
