#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "templates/ag_parser.h"
#include "templates/compiler_fixture.h"
#include "templates/package_preparation.h"
#include "templates/template_compiler.h"

using namespace tolvex;
using tolvex::testing::TemplateFixture;
using vb::Variant;

namespace {

class CompilerTest : public TemplateFixture {
 protected:
  CompilerTest() {
    run_language().AddPhrase("title", "Report title");
    run_language().AddPhrase("dynamic", "Dynamic phrase");
    run_language().AddPhrase("quoted", "say \"hi\"");
    run_language().AddPhrase("lines", "one\r\ntwo");
    project_->ProjName("Shop");
  }

  TemplateCompiler& compiler() { return template_compiler(*project_); }

  // The array lines and body lines that one text translates into.
  std::pair<std::string, std::string> translate(const std::string& text) {
    compiler().ClearFunction();
    compiler().TemplateToScript(text);
    return {compiler().array_lines(), compiler().body_lines()};
  }

  static vb::Ref<AGPSession> key_session(const std::string& value, const std::string& ifile = "") {
    auto s = vb::make_ref<AGPSession>();
    s->SessType = "key";
    s->SessValue = value;
    s->SessIFile = ifile;
    return s;
  }

  std::vector<int32_t> percentages() const {
    std::vector<int32_t> out;
    for (const auto& c : progress_->calls())
      if (c.function == "SetProgress") out.push_back(c.number);
    return out;
  }
};

TEST_F(CompilerTest, NamesOfCompiledTemplates) {
  struct Case {
    std::string id, tagext, file, function;
  };
  const Case cases[] = {
      {"list", ".php", "list.php.tpl", "zvExlist_php"},
      {"info", "", "info.tpl", "zvExinfo"},
      {"a.b", ".x.y", "a.b.x.y.tpl", "zvExa_b_x_y"},
      // an id can never place the file outside the cache folder
      {"../up", "", ".._up.tpl", "zvEx___x2Fup"},
      {"a\\b", "", "a_b.tpl", "zvExa_x5Cb"},
      // characters that cannot stand in a script name are spelled out, so ids stay apart
      {"my-list", "", "my-list.tpl", "zvExmy_x2Dlist"},
      {"my list", ".php", "my list.php.tpl", "zvExmy_x20list_php"},
      {"caf\xC3\xA9", "", "caf\xC3\xA9.tpl", "zvExcaf_xC3_xA9"},
  };
  for (const Case& c : cases) {
    AGPControl ctrl;
    ctrl.CtrlID = c.id;
    ctrl.CtrlTagExt = c.tagext;
    EXPECT_EQ(TemplateCompiler::GetTemplateFileName(ctrl), ctx().CacheFolder + "/" + c.file) << c.id;
    EXPECT_EQ(TemplateCompiler::GetScriptFunctionName(ctrl), c.function) << c.id;
  }
}

TEST_F(CompilerTest, TranslatesEveryBlockKind) {
  struct Case {
    const char* label;
    std::string text, array, body;
  };
  const Case cases[] = {
      {"content with quotes", "say \"hi\"", "zvAr(1) = \"say \"\"hi\"\"\"\r\n", "zvSB.Append(zvAr(1))\r\n"},
      {"content lines, a lone LF stays inside the literal", "a\r\nb\nc\r\n",
       "zvAr(1) = \"a\"&vbCrLf&\"b\"&vbLf&\"c\"&vbCrLf&\"\"\r\n", "zvSB.Append(zvAr(1))\r\n"},
      {"script block verbatim", "<!--## If x Then ##-->", "", " If x Then \r\n"},
      {"function", "<!--##= a.b ##-->", "", "zvSB.Append(a.b)\r\n"},
      {"function between line breaks", "<!--##=\r\n\tx\r\n##-->", "", "zvSB.Append(x)\r\n"},
      {"indent after a content line", "<p>\r\n\t\t<!--##~x##-->", "zvAr(1) = \"<p>\"&vbCrLf&\"\t\t\"\r\n",
       "zvSB.Append(zvAr(1))\r\nzvIndentWrk = \"\t\t\"\r\nzvSB.Append(zvIndentWrk)\r\nzvSB.Append(x)\r\n"},
      {"indent at the start", "<!--##~x##-->", "",
       "zvIndentWrk = \"\"\r\nzvSB.Append(zvIndentWrk)\r\nzvSB.Append(x)\r\n"},
      {"phrase with quotes", "<!--##@quoted##-->", "", "zvSB.Append(\"say \"\"hi\"\"\")\r\n"},
      {"phrase with a line break", "<!--##@ lines ##-->", "", "zvSB.Append(\"one\"&vbCrLf&\"two\")\r\n"},
      {"phrase not in the language file", "<!--##@nothing##-->", "", "zvSB.Append(\"\")\r\n"},
      {"dynamic phrase", "<!--##$ \"dyn\" & n ##-->", "", "zvSB.Append(LANG.Phrase(\"dyn\" & n))\r\n"},
      {"literals are numbered", "a<!--##=x##-->b", "zvAr(1) = \"a\"\r\nzvAr(2) = \"b\"\r\n",
       "zvSB.Append(zvAr(1))\r\nzvSB.Append(x)\r\nzvSB.Append(zvAr(2))\r\n"},
      {"a parse error translates nothing", "a<!--##=x##--><!--##y", "", ""},
  };
  for (const Case& c : cases) {
    ctx().ProjErr.clear();
    const auto [array, body] = translate(c.text);
    EXPECT_EQ(array, c.array) << c.label;
    EXPECT_EQ(body, c.body) << c.label;
  }
  EXPECT_EQ(ctx().ProjErr.rfind("***Incomplete Block at line 1 column 15!", 0), 0u) << ctx().ProjErr;
}

TEST_F(CompilerTest, ExpressionsFollowTheEngine) {
  struct Case {
    bool non_english;
    std::string block, expression;
  };
  const Case cases[] = {
      {false, "<!--##=x##-->", "x"},
      {true, "<!--##=x##-->", "zvVal(x)"},
      {true, "<!--##~x##-->", "x"},  // indented values are never wrapped
      // a user procedure "USER_" + the name (dots as "_") receives the value
      {false, "<!--##=TABLE.TblName##-->", "USER_TABLE_TblName(TABLE.TblName)"},
      {true, "<!--##=TABLE.TblName##-->", "USER_TABLE_TblName(TABLE.TblName)"},
      {true, "<!--##~table.tblname##-->", "USER_table_tblname(table.tblname)"},
      // a system function hands over to its user procedure by itself
      {false, "<!--##=Greet##-->", "Greet"},
      {true, "<!--##=Greet##-->", "zvVal(Greet)"},
  };
  for (const bool non_english : {false, true}) {
    AGScript& engine = start_engine(non_english);
    ASSERT_EQ(engine.NonEnglishLocale(), non_english);
    for (const Case& c : cases) {
      if (c.non_english != non_english) continue;
      const std::string body = translate(c.block).second;
      const std::string last = body.substr(body.rfind("zvSB.Append("));
      EXPECT_EQ(last, "zvSB.Append(" + c.expression + ")\r\n") << c.block << " non-English " << non_english;
    }
  }
}

TEST_F(CompilerTest, AssemblesTheFunction) {
  struct Case {
    const char* label;
    std::string text, file;
  };
  const Case cases[] = {
      {"literal and value", "Hi <!--##=n##-->",
       "Function zvExt()\r\nOn Error Resume Next\r\nDim zvAr(1)\r\nDim zvSB\r\nSet zvSB = New StringBuilder\r\n"
       "zvAr(1) = \"Hi \"\r\n\r\nzvSB.Append(zvAr(1))\r\nzvSB.Append(n)\r\n\r\nzvExt = zvSB.ToString()\r\n"
       "End Function\r\n"},
      {"no literal text", "<!--##=n##-->",
       "Function zvExt()\r\nOn Error Resume Next\r\nDim zvAr(0)\r\nDim zvSB\r\nSet zvSB = New StringBuilder\r\n"
       "\r\nzvSB.Append(n)\r\n\r\nzvExt = zvSB.ToString()\r\nEnd Function\r\n"},
      {"empty template", "",
       "Function zvExt()\r\nOn Error Resume Next\r\nDim zvAr(0)\r\nDim zvSB\r\nSet zvSB = New StringBuilder\r\n"
       "\r\n\r\nzvExt = zvSB.ToString()\r\nEnd Function\r\n"},
  };
  for (const Case& c : cases) {
    vb::Ref<AGPControl> ctrl = control_with_text("t", c.text);
    const std::string file = TemplateCompiler::GetTemplateFileName(*ctrl);
    compiler().CompileControlTemplate(*ctrl, file);
    EXPECT_EQ(read(file), c.file) << c.label;
    EXPECT_EQ(ctx().CurrentTemplateFolder, folder());
  }
}

TEST_F(CompilerTest, CompiledTemplatesRunInTheEngine) {
  add_orders_table();
  const std::string text =
      "<h1><!--##=TABLE.TblCaption##--></h1>\r\n"
      "<!--## If PROJ.ProjName = \"Shop\" Then ##-->shop<!--## Else ##-->other<!--## End If ##-->\r\n"
      "<ul>\r\n\t<!--##~TABLE.TblName##--></ul>\r\n"
      "<!--##@title##-->|<!--##$\"dyn\" & \"amic\"##-->|<!--##=Greet##-->|<!--##=1.5##-->|<!--##=FIELD.FldName##-->\r\n"
      "say \"hi\"\nlone LF\r\n";
  struct Case {
    bool non_english;
    std::string output;
  };
  const Case cases[] = {
      {false,
       "<h1>Orders</h1>\r\nshop\r\n<ul>\r\n\t\tORDERS</ul>\r\nReport title|Dynamic phrase|Hello!|1.5|id\r\n"
       "say \"hi\"\nlone LF\r\n"},
      {true,
       "<h1><Orders></h1>\r\nshop\r\n<ul>\r\n\t\tORDERS</ul>\r\nReport title|Dynamic phrase|<Hello!>|<1.5>|<id>\r\n"
       "say \"hi\"\nlone LF\r\n"},
  };
  for (const Case& c : cases) {
    start_engine(c.non_english);
    vb::Ref<AGPControl> ctrl = control_with_text(c.non_english ? "blocks2" : "blocks1", text);
    EXPECT_EQ(compile_and_run(*ctrl), c.output) << "non-English " << c.non_english;
  }
}

TEST_F(CompilerTest, SessionsMergeWithConditionsAndCountProgress) {
  add_orders_table();
  start_engine();
  for (const char* id : {"list", "none"}) LoadControlTemplateFiles(control(id));
  compiler().SessionsToCompile = 8;
  status_window().ShowStatus3(0, "compiling");

  // include call, a key session, a session of two nested includes, a false condition, the
  // first session again, and a session of another file
  EXPECT_EQ(compile_and_run(control("list")),
            "[include common as php]\r\n"
            "<?php // code of ORDERS"
            "<body><header>Report title<img src=\"logo.svg\"></header><main>rows</main></body>"
            "<?php // code of ORDERS"
            "<footer>end</footer>");
  EXPECT_EQ(conditions_, (std::vector<std::string>{"no", "yes"}));
  EXPECT_EQ(compile_and_run(control("none")), "");
  EXPECT_EQ(compiler().SessionsCompiled, 8);
  EXPECT_EQ(percentages(), (std::vector<int32_t>{12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST_F(CompilerTest, SeveralInputFilesAreJoined) {
  start_engine();
  // "a.php, b.php": the blank after the comma is not part of the name
  AGPControl& joined = control("joined");
  EXPECT_EQ(compile_and_run(joined), "A2\r\nB\r\n");
  EXPECT_EQ(read(ctx().CacheFolder + "/~tmp.tpl"), "\xEF\xBB\xBF" "A<!--##=1+1##-->\r\nB\r\n");
}

TEST_F(CompilerTest, IdsThatCannotNameAFunctionStillCompileAndRun) {
  start_engine();
  for (const char* id : {"my-list", "my list", "caf\xC3\xA9", "a(b)"}) {
    vb::Ref<AGPControl> ctrl = control_with_text(id, "page <!--##=1+1##-->");
    EXPECT_EQ(compile_and_run(*ctrl), "page 2") << id;
  }
}

TEST_F(CompilerTest, IncludesOfAControlWithoutSessionsAreExpanded) {
  start_engine();
  write(in_package("parts.txt"), "<!--##session head##-->[head <!--##=1+1##-->]<!--##/session##-->");
  vb::Ref<AGPControl> ctrl = control_with_text(
      "plain", "before <!--##include parts.txt/head##--> after<!--##include parts.txt/none##-->.");
  LoadControlTemplateFiles(*ctrl);
  EXPECT_EQ(compile_and_run(*ctrl), "before [head 2] after.");
}

TEST_F(CompilerTest, FailuresRaiseTheGenerationError) {
  write(in_package("sessions.txt"),
        "<!--##session ok##-->fine<!--##/session##-->"
        "<!--##session bad##-->x<!--##=y<!--##/session##-->"
        "<!--##session loop##-->a<!--##include sessions.txt/loop##--><!--##/session##-->");
  struct Case {
    const char* label;
    std::string ifiles, base_text;
    std::vector<std::string> sessions;
    std::string message;     // the last-error text; "<path>" stands for the base text's path
    std::string diagnostic;  // what the cache script file holds afterwards
  };
  const std::string incomplete_base = block_error_message("a\r\n<!--##=x", 3, false);
  const std::string incomplete_session = block_error_message("x<!--##=y", 1, false);
  const Case cases[] = {
      {"missing base text", "nofile.php", "", {}, "Error in merging nofile.php. Generation aborted.", ""},
      {"missing file of several",
       "a.php, nofile.php",
       "",
       {},
       "Missing \"nofile.php\" of control \"broken\" in template folder \"" + folder() + "\". Generation aborted.",
       ""},
      {"base text that does not parse",
       "bad.txt",
       "a\r\n<!--##=x",
       {},
       incomplete_base + ": <path>",
       "a\r\n<!--##=x" + incomplete_base + "\r\n"},
      {"session that does not parse",
       "sessions.txt",
       "",
       {"ok", "bad"},
       incomplete_session + ": <path>",
       "zvSB.Append(zvAr(1))\r\n" + incomplete_session + "\r\n"},
      {"session that includes itself",
       "sessions.txt",
       "",
       {"loop"},
       "Tolvex: Session sessions.txt/loop includes itself. Generation aborted!: <path>",
       "Tolvex: Session sessions.txt/loop includes itself. Generation aborted!\r\n"},
  };
  for (const Case& c : cases) {
    ctx().ProjErr.clear();
    progress_->clear();
    status_window().ShowStatus3(0, "compiling");
    auto ctrl = vb::make_ref<AGPControl>();
    ctrl->CtrlID = "broken";
    ctrl->CtrlIFiles = c.ifiles;
    if (!c.base_text.empty()) write(in_package(c.ifiles), c.base_text);
    for (const std::string& s : c.sessions) ctrl->Sessions().AddSession(*key_session(s), "", "");
    LoadControlTemplateFiles(*ctrl);
    const std::string file = TemplateCompiler::GetTemplateFileName(*ctrl);
    write(file, "old");
    std::string expected = c.message;
    if (const size_t at = expected.find("<path>"); at != std::string::npos)
      expected.replace(at, 6, in_package(c.ifiles));
    EXPECT_EQ(generation_error([&] { compiler().CompileControlTemplate(*ctrl, file); }), expected) << c.label;
    EXPECT_EQ(read(file), c.diagnostic.empty() ? "old" : c.diagnostic) << c.label;
    EXPECT_EQ(progress_->call_names().back(), "CloseProgress") << c.label;
  }
}

TEST_F(CompilerTest, TextOutsideTheAnsiCodePageSurvives) {
  start_engine();
  struct Case {
    const char* id;
    std::string file, text, tpl_start;
  };
  const Case cases[] = {
      // é has a place in the ANSI code page: the compiled template is ANSI text
      {"ansi", "caf\xE9", "caf\xC3\xA9", "Function"},
      // a file that is valid UTF-8 is read as UTF-8 without a byte-order mark too
      {"utf8", "caf\xC3\xA9", "caf\xC3\xA9", "Function"},
      {"utf8wide", "caf\xC3\xA9 \xCE\xA9", "caf\xC3\xA9 \xCE\xA9", "\xEF\xBB\xBF"},
      // Ω and 日本 have none: it is UTF-8 with its byte-order mark
      {"wide", "\xEF\xBB\xBF\xCE\xA9 caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC",
       "\xCE\xA9 caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", "\xEF\xBB\xBF"},
  };
  for (const Case& c : cases) {
    vb::Ref<AGPControl> ctrl = control_with_text(c.id, c.file);
    EXPECT_EQ(compile_and_run(*ctrl), c.text) << c.id;
    EXPECT_EQ(read(TemplateCompiler::GetTemplateFileName(*ctrl)).substr(0, c.tpl_start.size()), c.tpl_start);
  }
  EXPECT_NE(read(ctx().CacheFolder + "/ansi.tpl").find("caf\xE9\""), std::string::npos);
}

TEST_F(CompilerTest, LongTemplatesCompileAndRun) {
  start_engine();
  std::string block, many, expected_many;
  for (int i = 0; i < 5000; ++i) {
    block += "line " + std::to_string(i) + " \"q\"\r\n";
    many += "<td><!--##=" + std::to_string(i) + " * 2##--></td>\r\n";
    expected_many += "<td>" + std::to_string(i * 2) + "</td>\r\n";
  }
  // (compared as a whole, reported by size: the texts are long)
  const std::string block_out = compile_and_run(*control_with_text("block", block));
  EXPECT_TRUE(block_out == block) << block_out.size() << " characters instead of " << block.size();
  const std::string many_out = compile_and_run(*control_with_text("many", many));
  EXPECT_TRUE(many_out == expected_many) << many_out.size() << " characters instead of " << expected_many.size();
}

TEST_F(CompilerTest, EvaluatesFragmentsInTheParseEngine) {
  const vb::Ref<AGScript> held = vb::ref_from(&start_engine());  // also the settings a new engine reads
  ctx().GenerationEngine.reset();

  // no parse engine: one is made for the call and released
  EXPECT_EQ(compiler().EvaluateScriptedText("Hello <!--##=PROJ.ProjName##--><!--##@title##-->"),
            "Hello ShopReport title");
  EXPECT_FALSE(ctx().ParseEngine);
  // a fragment that does not parse comes back unchanged
  EXPECT_EQ(compiler().EvaluateScriptedText("a<!--##=x"), "a<!--##=x");
  EXPECT_EQ(ctx().ProjErr.rfind("***Incomplete Block at line 1 column 2!", 0), 0u);
  ctx().ProjErr.clear();

  // the run's parse engine is used and kept; every fragment is added anew
  ctx().ParseEngine = held;
  EXPECT_EQ(compiler().EvaluateScriptedText("<!--##=1+2##-->"), "3");
  EXPECT_EQ(compiler().EvaluateScriptedText("x<!--##=PROJ.ProjName##-->"), "xShop");
  size_t added = 0;
  for (const auto& f : held->compiled_functions()) added += f.first == "zvExParse";
  EXPECT_EQ(added, 2u);
  EXPECT_EQ(compiler().literal_count(), 1);
}

TEST_F(CompilerTest, OperationsAreMembersOfTheProjectObject) {
  start_engine();
  AGPControl& list = control("list");
  Variant ctrl(vb::ref_from(&list));
  EXPECT_EQ(vb::to_string(project_->call("GetScriptFunctionName", {&ctrl, 1})), "zvExlist_php");
  EXPECT_EQ(vb::to_string(project_->call("GetTemplateFileName", {&ctrl, 1})), ctx().CacheFolder + "/list.php.tpl");
  Variant fragment[2] = {Variant("plain text"), Variant()};
  EXPECT_EQ(vb::to_string(project_->call("EvaluateScriptedText", fragment)), "plain text");
  Variant text("<!--##include a/b##--><!--##include c/d##-->");
  EXPECT_EQ(vb::to_string(project_->call("ListTemplateIncludes", {&text, 1})), "a,c");
  EXPECT_TRUE(vb::to_bool(project_->call("CheckTemplateChanged", {&ctrl, 1})));
  Variant not_a_control[2] = {Variant("list"), Variant("list.tpl")};
  EXPECT_THROW(project_->call("CompileControlTemplate", not_a_control), vb::VBError);
}

// The sample template package with the installed system code: every control that has a
// template compiles, loads into the engine without a syntax error and runs.
TEST_F(CompilerTest, TheSamplePackageCompilesAndRuns) {
  namespace fs = std::filesystem;
  const fs::path share = fs::path(TOLVEX_SOURCE_DIR) / "share" / "tolvex";
  const fs::path sample = root_ / "Sample";
  fs::copy(share / "templates" / "sample", sample, fs::copy_options::recursive);
  ctx().TemplateFolder = sample.string();
  const std::pair<const char*, const char*> settings[] = {{"SYSCODE", "syscode.xml"},
                                                          {"SYSCODEPREFIX", "sysprefix.txt"},
                                                          {"SYSCODESUFFIX", "syssuffix.txt"},
                                                          {"COMMONCODE", "common.vbs"},
                                                          {"USERCODE", "usercode.vbs"}};
  for (const auto& [name, file] : settings)
    user_value(ProjectFixture::general(), name, platform::RegValue::make_text((share / "code" / file).string()));
  add_orders_table();
  AGPControls& list = project_controls(*project_);
  ASSERT_TRUE(list.LoadControls((sample / "control.xml").string()));
  ASSERT_TRUE(run_language().Load((sample / "lang.xml").string()));
  auto engine = vb::make_ref<AGScript>();
  engine->Initialize(Variant(project_), Variant(project_->DB()), Variant(vb::ref_from(&list)),
                     Variant(vb::ref_from(&run_language())), Variant(vb::ref_from(&run_filters())),
                     Variant(project_->Extensions()), Variant(project_->MenuList()));
  ctx().GenerationEngine = engine;
  engine->AddTemplateScript((sample / "functions.vbs").string());
  ASSERT_EQ(ctx().ProjErr, "");

  int compiled = 0;
  for (int32_t i = 1; i <= list.Count(); ++i) {
    AGPControl& c = *list.Item(Variant(i));
    if (c.CtrlType == "copy" || c.CtrlType == "folder") continue;
    LoadControlTemplateFiles(c);
    const std::string file = TemplateCompiler::GetTemplateFileName(c);
    compiler().CompileControlTemplate(c, file);
    list.Item(Variant(i));  // the current control
    const std::string out = engine->BuildNewCode(TemplateCompiler::GetScriptFunctionName(c), read_script_file(file),
                                                 c.CtrlType == "table" ? 2 : 1, 0);
    EXPECT_EQ(ctx().ProjErr, "") << c.CtrlID;
    EXPECT_FALSE(out.empty()) << c.CtrlID;
    ctx().ProjErr.clear();
    ++compiled;
  }
  EXPECT_GE(compiled, 8);
}

}  // namespace
