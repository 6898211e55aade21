#include <filesystem>
#include <fstream>

#include "lib_support.h"

namespace tolvex::vbscript::test {
namespace {

namespace fsys = std::filesystem;

vb::Ref<vb::Dispatch> create(const char* progid) {
  RuntimeEnv env;
  auto obj = create_object(progid, env);
  if (!obj) throw std::runtime_error(progid);
  return obj;
}

std::vector<std::string> texts(const Variant& arr) {
  std::vector<std::string> out;
  for (const auto& e : arr.raw_array().data()) out.push_back(vb::to_string(e));
  return out;
}

std::vector<std::string> walk(vb::Dispatch& d) {
  std::vector<std::string> out;
  auto e = d.enumerate();
  Variant v;
  while (e->next(v)) out.push_back(vb::to_string(v));
  return out;
}

TEST(LibObjects, CreateObjectKnowsItsProgIds) {
  RuntimeEnv env;
  EXPECT_EQ(create_object("scripting.dictionary", env)->type_name(), "Dictionary");
  EXPECT_EQ(create_object("Scripting.FileSystemObject", env)->type_name(), "FileSystemObject");
  EXPECT_EQ(create_object("VBScript.RegExp", env)->type_name(), "IRegExp2");
  EXPECT_FALSE(create_object("Nope.Nothing", env));
  // Objects in the type tests: a default property counts, an object without one does not.
  auto fso = create_object("Scripting.FileSystemObject", env);
  EXPECT_EQ(call("VarType", {Variant(fso)}).raw_integer(), 9);
  auto re = create_object("VBScript.RegExp", env);
  re->let("Pattern", S("a"));
  std::vector<Variant> text{S("a")}, first{I(0)};
  Variant match = re->call("Execute", text).object()->get("Item", first);
  EXPECT_EQ(call("VarType", {match}).raw_integer(), 8);
  EXPECT_FALSE(call("IsNumeric", {Variant(fso)}).raw_bool());
  EXPECT_FALSE(call("IsDate", {Variant::nothing()}).raw_bool());
  EXPECT_EQ(error_of([] { call("CreateObject", {S("Nope.Nothing")}); }), vb::err::kCantCreateObject);
}

TEST(LibObjects, DictionaryKeysItemsAndErrors) {
  auto d = create("Scripting.Dictionary");
  std::vector<Variant> args{S("b"), I(2)};
  d->call("Add", args);
  args = {S("a"), S("one")};
  d->call("Add", args);
  args = {I(3), S("three")};
  d->call("Add", args);
  EXPECT_EQ(error_of([&] {
              std::vector<Variant> dup{S("a"), I(9)};
              d->call("Add", dup);
            }),
            vb::err::kKeyAlreadyExists);
  // Numbers are one key whatever their subtype; the string "3" is another.
  std::vector<Variant> k{D(3.0)};
  EXPECT_TRUE(d->call("Exists", k).raw_bool());
  k = {S("3")};
  EXPECT_FALSE(d->call("Exists", k).raw_bool());
  k = {S("A")};
  EXPECT_FALSE(d->call("Exists", k).raw_bool());  // binary compare by default

  // Item: default member, Let adds, Get of a missing key adds Empty.
  k = {S("a")};
  EXPECT_EQ(show(d->invoke(vb::kDispValue, vb::InvokeKind::Get, k)), "String one");
  d->let("Item", S("uno"), k);
  EXPECT_EQ(show(d->get("Item", k)), "String uno");
  k = {S("new")};
  d->let("Item", I(7), k);
  k = {S("ghost")};
  EXPECT_TRUE(d->get("Item", k).is_empty());
  EXPECT_EQ(d->get("Count").raw_long(), 5);

  // Key renames in place, keeping the order.
  k = {S("b")};
  d->let("Key", S("bee"), k);
  EXPECT_EQ(texts(d->call("Keys")), (std::vector<std::string>{"bee", "a", "3", "new", "ghost"}));
  EXPECT_EQ(texts(d->call("Items")), (std::vector<std::string>{"2", "uno", "three", "7", ""}));
  EXPECT_EQ(walk(*d), (std::vector<std::string>{"bee", "a", "3", "new", "ghost"}));

  k = {S("a")};
  d->call("Remove", k);
  try {
    d->call("Remove", k);
    ADD_FAILURE() << "Remove of a missing key";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), 32811);
    EXPECT_EQ(e.description(), "Element not found");
  }
  // Changing CompareMode needs an empty dictionary.
  EXPECT_EQ(error_of([&] { d->let("CompareMode", I(1)); }), vb::err::kInvalidProcedureCall);
  d->call("RemoveAll");
  EXPECT_EQ(d->get("Count").raw_long(), 0);
  d->let("CompareMode", I(1));
  args = {S("Key"), I(1)};
  d->call("Add", args);
  k = {S("KEY")};
  EXPECT_TRUE(d->call("Exists", k).raw_bool());
}

TEST(LibObjects, DictionaryRemovalsKeepOrderAcrossCompaction) {
  auto d = create("Scripting.Dictionary");
  for (int i = 0; i < 200; ++i) {
    std::vector<Variant> a{L(i), L(i * 10)};
    d->call("Add", a);
  }
  for (int i = 0; i < 200; i += 2) {
    std::vector<Variant> a{L(i)};
    d->call("Remove", a);
  }
  auto keys = texts(d->call("Keys"));
  ASSERT_EQ(keys.size(), 100u);
  EXPECT_EQ(keys.front(), "1");
  EXPECT_EQ(keys.back(), "199");
  std::vector<Variant> a{L(151)};
  EXPECT_EQ(d->get("Item", a).raw_long(), 1510);
}

struct ReCase {
  const char* pattern;
  bool global, ignore_case, multiline;
  const char* subject;
  std::string matches;  // "index:length:value" per match
};

std::string describe(vb::Dispatch& matches) {
  std::string out;
  auto e = matches.enumerate();
  Variant m;
  while (e->next(m)) {
    auto obj = m.object();
    if (!out.empty()) out += " ";
    out += std::to_string(obj->get("FirstIndex").raw_long()) + ":" + std::to_string(obj->get("Length").raw_long()) +
           ":" + vb::to_string(vb::default_value(m));
  }
  return out;
}

TEST(LibObjects, RegExpExecute) {
  const ReCase cases[] = {
      {"\\d+", true, false, false, "a12b345", "1:2:12 4:3:345"},
      {"\\d+", false, false, false, "a12b345", "1:2:12"},
      {"b", true, true, false, "aBcb", "1:1:B 3:1:b"},
      {"é", true, true, false, "aÉé", "1:1:É 2:1:é"},
      {"é.", true, false, false, "aéxéy", "1:2:éx 3:2:éy"},  // character positions
      {"^\\w+$", true, false, true, "one\r\ntwo\nthree", "0:3:one 5:3:two 9:5:three"},
      {"^\\w+$", true, false, false, "one\ntwo", ""},
      {"x$", false, false, false, "x\n", ""},                  // $ is the very end only
      {"x*", true, false, false, "ab", "0:0: 1:0: 2:0:"},
      {"\\bcat\\b", true, false, false, "cat concat cat", "0:3:cat 11:3:cat"},
      {"\\u00e9", true, false, false, "café", "3:1:é"},
      {"[^]", false, false, false, "\n", "0:1:\n"},
      {"\\h\\v", true, false, false, "h\v h\n", "0:2:h\v"},  // \h is a letter, \v the vertical tab
      {"[\\d\\-]+", true, false, false, "a1-2b", "1:3:1-2"},
  };
  for (const auto& c : cases) {
    auto re = create("VBScript.RegExp");
    re->let("Pattern", S(c.pattern));
    re->let("Global", B(c.global));
    re->let("IgnoreCase", B(c.ignore_case));
    re->let("Multiline", B(c.multiline));
    std::vector<Variant> a{S(c.subject)};
    Variant ms = re->call("Execute", a);
    EXPECT_EQ(describe(*ms.object()), c.matches) << c.pattern << " on " << c.subject;
    EXPECT_EQ(re->call("Test", a).raw_bool(), !c.matches.empty() || std::string(c.pattern) == "x*");
  }
}

TEST(LibObjects, RegExpSubMatchesAndReplace) {
  auto re = create("VBScript.RegExp");
  re->let("Pattern", S("(\\w+)@(\\w+)?\\.com"));
  std::vector<Variant> a{S("mail bob@site.com or al@.com")};
  re->let("Global", B(true));
  auto ms = re->call("Execute", a).object();
  ASSERT_EQ(ms->get("Count").raw_long(), 2);
  std::vector<Variant> idx{I(1)};
  auto second = ms->get("Item", idx).object();
  auto subs = second->get("SubMatches").object();
  EXPECT_EQ(subs->get("Count").raw_long(), 2);
  idx = {I(0)};
  EXPECT_EQ(show(subs->get("Item", idx)), "String al");
  idx = {I(1)};
  EXPECT_TRUE(subs->get("Item", idx).is_empty());  // the group took no part
  idx = {I(2)};
  EXPECT_EQ(error_of([&] { subs->get("Item", idx); }), vb::err::kInvalidProcedureCall);

  struct Rep {
    const char* pattern;
    bool global;
    const char* subject;
    const char* replacement;
    const char* expected;
  } reps[] = {
      {"(\\S+)(\\s+)(\\S+)", false, "quick brown fox", "$3$2$1", "brown quick fox"},
      {"o", true, "foo", "0", "f00"},
      {"o", false, "foo", "0", "f0o"},
      {"b", true, "abc", "[$`|$&|$']", "a[a|b|c]c"},
      {"b", true, "abc", "$$1$9", "a$1$9c"},
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", false, "abcdefghijk", "$11-$10-$1", "k-j-a"},
      {"x*", true, "ab", "-", "-a-b-"},
      {"ü", true, "über über", "ue", "ueber ueber"},
      // Global matching walks valid text unchecked, and text with invalid bytes checked.
      {"x*", true, "éa€", "-", "-é-a-€-"},
      {"x", true, "a\xffx\xc3x\xc0\xafx\xed\xa0\x80x", "y", "a\xffy\xc3y\xc0\xafy\xed\xa0\x80y"},
      {"\\w", true, "aé\xe2\x82" "b", "_", "_é\xe2\x82_"},
  };
  for (const auto& r : reps) {
    auto e = create("VBScript.RegExp");
    e->let("Pattern", S(r.pattern));
    e->let("Global", B(r.global));
    std::vector<Variant> args{S(r.subject), S(r.replacement)};
    EXPECT_EQ(vb::to_string(e->call("Replace", args)), r.expected) << r.pattern;
  }
}

// A long valid text is searched a window of match starts (a megabyte) at a time: matches
// across a window's edge, look-behind and anchors over it, and positions after it come
// out as from one search.
TEST(LibObjects, RegExpOnLongTexts) {
  const size_t w = size_t(1) << 20;
  std::string ee;
  for (size_t i = 0; i < w; ++i) ee += "\xC3\xA9";  // é, two windows long
  const std::string n = std::to_string(w);
  struct Case {
    const char* pattern;
    bool global, ignore_case, multiline;
    std::string subject;
    std::string matches;
  } cases[] = {
      {"q+", true, false, false, std::string(w - 2, 'x') + "qqqq" + std::string(w, 'x') + "q",
       std::to_string(w - 2) + ":4:qqqq " + std::to_string(2 * w + 2) + ":1:q"},
      {"(?<=\xC3\xA9)abc", false, false, false, ee + "abc", n + ":3:abc"},
      {"\xC3\x89Q", true, true, false, ee + "\xC3\xA9q", n + ":2:\xC3\xA9q"},
      {"^x", true, false, false, std::string(2 * w, 'y') + "\nx", ""},
      {"^x", true, false, true, std::string(2 * w, 'y') + "\nx", std::to_string(2 * w + 1) + ":1:x"},
      {"y$", false, false, false, std::string(2 * w, 'y') + "\nx", ""},
      {"x$", false, false, false, std::string(2 * w, 'y') + "\nx", std::to_string(2 * w + 1) + ":1:x"},
  };
  for (auto& c : cases) {
    auto re = create("VBScript.RegExp");
    re->let("Pattern", S(c.pattern));
    re->let("Global", B(c.global));
    re->let("IgnoreCase", B(c.ignore_case));
    re->let("Multiline", B(c.multiline));
    std::vector<Variant> a{Variant(c.subject)};
    Variant ms = re->call("Execute", a);
    EXPECT_EQ(describe(*ms.object()), c.matches) << c.pattern;
    EXPECT_EQ(re->call("Test", a).raw_bool(), !c.matches.empty()) << c.pattern;
  }
}

TEST(LibObjects, RegExpErrors) {
  auto re = create("VBScript.RegExp");
  re->let("Pattern", S("(unclosed"));
  std::vector<Variant> a{S("x")};
  EXPECT_EQ(error_of([&] { re->call("Test", a); }), 5017);
  // Catastrophic backtracking ends in an error instead of running for ages.
  re->let("Pattern", S("^(a+)+$"));
  std::vector<Variant> evil{Variant(std::string(40, 'a') + "!")};
  EXPECT_NE(error_of([&] { re->call("Test", evil); }), 0);
  // Text with invalid UTF-8 is searched, not refused.
  re->let("Pattern", S("b"));
  std::vector<Variant> bad{Variant(std::string("a\xFF" "b"))};
  auto ms = re->call("Execute", bad).object();
  std::vector<Variant> zero{I(0)};
  EXPECT_EQ(ms->get("Item", zero).object()->get("FirstIndex").raw_long(), 2);
}

class LibFileSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fsys::temp_directory_path() / ("tolvex_fso_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fsys::remove_all(root_);
    fsys::create_directories(root_);
    fso_ = create("Scripting.FileSystemObject");
  }
  void TearDown() override { fsys::remove_all(root_); }
  std::string at(const std::string& rel) const { return (root_ / rel).string(); }
  Variant run(const char* method, std::vector<Variant> args) { return fso_->call(method, args); }
  std::string bytes(const std::string& rel) const {
    std::ifstream in(at(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fsys::path root_;
  vb::Ref<vb::Dispatch> fso_;
};

TEST_F(LibFileSystem, PathNames) {
  struct Case {
    const char* method;
    const char* path;
    const char* expected;
  } cases[] = {
      {"GetFileName", "a/b/c.txt", "c.txt"},    {"GetFileName", "a\\b\\", "b"},
      {"GetBaseName", "a/b/c.tar.gz", "c.tar"}, {"GetExtensionName", "a/b/c.tar.gz", "gz"},
      {"GetExtensionName", "a/b/c", ""},        {"GetParentFolderName", "a\\b\\c.txt", "a/b"},
      {"GetParentFolderName", "c.txt", ""},     {"GetParentFolderName", "/a", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(vb::to_string(run(c.method, {S(c.path)})), c.expected) << c.method << " " << c.path;
  EXPECT_EQ(vb::to_string(run("BuildPath", {S("a"), S("b.txt")})), "a/b.txt");
  EXPECT_EQ(vb::to_string(run("BuildPath", {S("a\\"), S("b.txt")})), "a/b.txt");
  EXPECT_EQ(vb::to_string(run("GetAbsolutePathName", {S(at("x/../y/").c_str())})), at("y"));
  std::string tmp = vb::to_string(run("GetTempName", {}));
  EXPECT_EQ(tmp.size(), 12u);
  EXPECT_EQ(tmp.substr(0, 3), "rad");
}

TEST_F(LibFileSystem, TextStreamsRoundTripInEachEncoding) {
  const char* text = "Grüße €";
  struct Case {
    int format;
    std::string file_bytes;
  } cases[] = {
      {0, "Gr\xFC\xDF" "e \x80\r\nend"},  // windows-1252
      {-1, std::string("\xFF\xFE", 2) + std::string("G\0r\0\xFC\0\xDF\0e\0 \0\xAC\x20\r\0\n\0e\0n\0d\0", 24)},
  };
  for (const auto& c : cases) {
    std::string path = at("t" + std::to_string(c.format) + ".txt");
    auto ts = run("OpenTextFile", {S(path.c_str()), I(2), B(true), I(int16_t(c.format))}).object();
    std::vector<Variant> a{S(text)};
    ts->call("WriteLine", a);
    a = {S("end")};
    ts->call("Write", a);
    ts->call("Close");
    EXPECT_EQ(bytes("t" + std::to_string(c.format) + ".txt"), c.file_bytes) << c.format;

    auto rd = run("OpenTextFile", {S(path.c_str()), I(1), B(false), I(int16_t(c.format))}).object();
    EXPECT_EQ(vb::to_string(rd->call("ReadLine")), text);
    EXPECT_EQ(rd->get("Line").raw_long(), 2);
    EXPECT_FALSE(rd->get("AtEndOfStream").raw_bool());
    EXPECT_EQ(vb::to_string(rd->call("ReadAll")), "end");
    EXPECT_TRUE(rd->get("AtEndOfStream").raw_bool());
    EXPECT_EQ(error_of([&] { rd->call("ReadLine"); }), 62);
    EXPECT_EQ(error_of([&] {
                std::vector<Variant> w{S("x")};
                rd->call("Write", w);
              }),
              54);
  }
  // ASCII mode reads UTF-8 files (with or without a byte-order mark) as UTF-8.
  std::ofstream(at("u.txt"), std::ios::binary) << "\xEF\xBB\xBF" "día\nb\r\nc";
  auto rd = run("OpenTextFile", {S(at("u.txt").c_str())}).object();
  EXPECT_EQ(vb::to_string(rd->call("ReadLine")), "día");
  std::vector<Variant> one{I(1)};
  EXPECT_EQ(vb::to_string(rd->call("Read", one)), "b");
  EXPECT_TRUE(rd->get("AtEndOfLine").raw_bool());
  rd->call("SkipLine");
  EXPECT_EQ(vb::to_string(rd->call("ReadLine")), "c");
}

TEST_F(LibFileSystem, AppendCreateAndOpenErrors) {
  std::string p = at("log.txt");
  auto w = run("CreateTextFile", {S(p.c_str())}).object();
  std::vector<Variant> a{S("one")};
  w->call("WriteLine", a);
  w->call("Close");
  auto ap = run("OpenTextFile", {S(p.c_str()), I(8)}).object();
  std::vector<Variant> two{I(2)};
  ap->call("WriteBlankLines", two);
  a = {S("two")};
  ap->call("Write", a);
  ap.reset();  // released without Close: still written
  EXPECT_EQ(bytes("log.txt"), "one\r\n\r\n\r\ntwo");

  EXPECT_EQ(error_of([&] { run("CreateTextFile", {S(p.c_str()), B(false)}); }), vb::err::kFileAlreadyExists);
  EXPECT_EQ(error_of([&] { run("OpenTextFile", {S(at("missing.txt").c_str())}); }), vb::err::kFileNotFound);
  EXPECT_EQ(error_of([&] { run("OpenTextFile", {S(at("missing.txt").c_str()), I(2)}); }), vb::err::kFileNotFound);
  EXPECT_EQ(error_of([&] { run("OpenTextFile", {S(at("no/dir.txt").c_str()), I(2), B(true)}); }),
            vb::err::kPathNotFound);
  EXPECT_EQ(error_of([&] { run("OpenTextFile", {S(p.c_str()), I(3)}); }), vb::err::kInvalidProcedureCall);
  auto empty = run("CreateTextFile", {S(at("empty.txt").c_str())}).object();
  empty->call("Close");
  auto rd = run("OpenTextFile", {S(at("empty.txt").c_str())}).object();
  EXPECT_TRUE(rd->get("AtEndOfStream").raw_bool());
  EXPECT_EQ(error_of([&] { rd->call("ReadAll"); }), 62);
}

TEST_F(LibFileSystem, FilesAndFolders) {
  std::string src = at("src");
  EXPECT_FALSE(run("FolderExists", {S(src.c_str())}).raw_bool());
  auto folder = run("CreateFolder", {S(src.c_str())}).object();
  EXPECT_EQ(folder->type_name(), "Folder");
  EXPECT_EQ(error_of([&] { run("CreateFolder", {S(src.c_str())}); }), vb::err::kFileAlreadyExists);
  EXPECT_EQ(error_of([&] { run("CreateFolder", {S(at("x/y").c_str())}); }), vb::err::kPathNotFound);
  std::ofstream(at("src/b.txt")) << "12345";
  std::ofstream(at("src/A.log")) << "1";
  fsys::create_directories(at("src/sub"));
  std::ofstream(at("src/sub/c.txt")) << "123";

  // Backslashes work as separators.
  std::string win = src + "\\b.txt";
  EXPECT_TRUE(run("FileExists", {S(win.c_str())}).raw_bool());
  auto file = run("GetFile", {S(win.c_str())}).object();
  EXPECT_EQ(vb::to_string(file->get("Name")), "b.txt");
  EXPECT_EQ(file->get("Size").raw_long(), 5);
  EXPECT_EQ(vb::to_string(vb::default_value(Variant(file))), at("src/b.txt"));
  EXPECT_EQ(file->get("DateLastModified").type(), VarType::Date);
  EXPECT_EQ(vb::to_string(file->get("ParentFolder").object()->get("Path")), src);
  EXPECT_EQ(error_of([&] { run("GetFile", {S(at("src/none").c_str())}); }), vb::err::kFileNotFound);
  EXPECT_EQ(error_of([&] { run("GetFolder", {S(at("none").c_str())}); }), vb::err::kPathNotFound);

  auto got = run("GetFolder", {S(src.c_str())}).object();
  EXPECT_EQ(got->get("Size").raw_long(), 9);
  auto files = got->get("Files").object();
  EXPECT_EQ(files->get("Count").raw_long(), 2);
  EXPECT_EQ(walk(*files), (std::vector<std::string>{at("src/A.log"), at("src/b.txt")}));
  auto subs = got->get("SubFolders").object();
  EXPECT_EQ(subs->type_name(), "Folders");
  EXPECT_EQ(walk(*subs), (std::vector<std::string>{at("src/sub")}));
  std::vector<Variant> name{S("new")};
  EXPECT_EQ(subs->call("Add", name).object()->type_name(), "Folder");
  EXPECT_TRUE(run("FolderExists", {S(at("src/new").c_str())}).raw_bool());

  // Copies, moves and wildcards.
  EXPECT_EQ(error_of([&] { run("CopyFolder", {S(src.c_str()), S(at("src/sub/inner").c_str())}); }),
            vb::err::kPermissionDenied);  // into itself
  fsys::create_directory_symlink(root_, at("src/sub/loop"));
  run("CopyFolder", {S(src.c_str()), S(at("dst").c_str())});
  EXPECT_TRUE(fsys::is_symlink(at("dst/sub/loop")));  // copied as a link, not followed
  EXPECT_TRUE(run("FileExists", {S(at("dst/sub/c.txt").c_str())}).raw_bool());
  run("CopyFile", {S(at("src/*.txt").c_str()), S(at("dst/sub/").c_str())});
  EXPECT_TRUE(run("FileExists", {S(at("dst/sub/b.txt").c_str())}).raw_bool());
  EXPECT_EQ(error_of([&] { run("CopyFile", {S(at("src/b.txt").c_str()), S(at("dst/b.txt").c_str()), B(false)}); }),
            vb::err::kFileAlreadyExists);
  EXPECT_EQ(error_of([&] { run("CopyFile", {S(at("src/*.none").c_str()), S(at("dst/").c_str())}); }),
            vb::err::kFileNotFound);
  run("MoveFile", {S(at("dst/A.log").c_str()), S(at("moved.log").c_str())});
  EXPECT_FALSE(run("FileExists", {S(at("dst/A.log").c_str())}).raw_bool());
  EXPECT_EQ(error_of([&] { run("MoveFile", {S(at("moved.log").c_str()), S(at("src/b.txt").c_str())}); }),
            vb::err::kFileAlreadyExists);
  file->let("Name", S("renamed.txt"));
  EXPECT_TRUE(run("FileExists", {S(at("src/renamed.txt").c_str())}).raw_bool());

  run("DeleteFile", {S(at("dst/sub/*.txt").c_str())});
  EXPECT_EQ(files->get("Count").raw_long(), 2);
  EXPECT_FALSE(run("FileExists", {S(at("dst/sub/c.txt").c_str())}).raw_bool());
  EXPECT_EQ(error_of([&] { run("DeleteFile", {S(at("dst/sub/c.txt").c_str())}); }), vb::err::kFileNotFound);
  run("DeleteFolder", {S(at("dst").c_str())});
  EXPECT_FALSE(run("FolderExists", {S(at("dst").c_str())}).raw_bool());
  EXPECT_EQ(error_of([&] { run("DeleteFolder", {S(at("dst").c_str())}); }), vb::err::kPathNotFound);
}

}  // namespace
}  // namespace tolvex::vbscript::test
