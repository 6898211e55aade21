#include "templates/template_compiler.h"

#include <optional>
#include <vector>

#include "foundation/agp_vars.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "foundation/text_files.h"
#include "model/project.h"
#include "model/project_members.h"
#include "platform/codepage.h"
#include "platform/contained_path.h"
#include "templates/ag_parser.h"
#include "templates/ag_script.h"
#include "templates/controls.h"
#include "templates/file_cache.h"
#include "templates/filters.h"
#include "templates/language.h"
#include "templates/package_preparation.h"
#include "templates/template_run.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string replace_char(std::string_view s, char from, char to) {
  std::string out(s);
  for (char& c : out)
    if (c == from) c = to;
  return out;
}

// The text as the inside of a script string literal: double quotes doubled.
std::string double_quotes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    out += c;
    if (c == '"') out += '"';
  }
  return out;
}

// A block's name as a script expression: a line break at either end would end the statement
// that the expression stands in, so blanks, tabs and line breaks around it are dropped.
std::string expression_text(std::string_view name) {
  const size_t b = name.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  const size_t e = name.find_last_not_of(" \t\r\n");
  return std::string(name.substr(b, e - b + 1));
}

// A text as one script string expression; "" for the empty text.
std::string string_expression(std::string_view text) {
  return text.empty() ? std::string("\"\"") : AGPVars::ToScriptStringExpr(text, "");
}

void yield_to_host() {
  const auto& yield = context().progress.yield;
  if (yield) yield();
}

}  // namespace

// ------------------------------------------------------------------ names

std::string TemplateCompiler::GetTemplateFileName(const AGPControl& ctrl) {
  // The name stays inside the cache folder whatever the control's id holds.
  std::string name = replace_char(replace_char(ctrl.CtrlID + ctrl.CtrlTagExt, '/', '_'), '\\', '_');
  return join_path(context().CacheFolder, name + ".tpl");
}

std::string TemplateCompiler::GetScriptFunctionName(const AGPControl& ctrl) {
  // A dot becomes "_"; any other character that cannot stand in a script name becomes "_x"
  // and its two hexadecimal digits, so that different ids keep different names.
  static const char digits[] = "0123456789ABCDEF";
  std::string name = "zvEx";
  for (const char c : ctrl.CtrlID + ctrl.CtrlTagExt) {
    const auto b = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') {
      name += c;
    } else if (c == '.') {
      name += '_';
    } else {
      name += "_x";
      name += digits[b >> 4];
      name += digits[b & 15];
    }
  }
  return name;
}

// ------------------------------------------------------------------ files

std::string write_compiled_script(const std::string& file, std::string_view text) {
  bool fits_ansi = false;
  try {
    fits_ansi = platform::ansi_to_utf8(platform::utf8_to_ansi(text)) == text;
  } catch (const std::exception&) {
    fits_ansi = false;
  }
  const FileResult r = fits_ansi ? WriteTextFile(file, text, /*ansi=*/true) : WriteUtf8File(file, text);
  return r.error;
}

std::string TemplateCompiler::BuildTempTemplate(const std::string& ifiles, const std::string& ctrl_ext) {
  set_current_template_folder(ctrl_ext);
  ModuleContext& ctx = context();
  if (ifiles.find(',') == std::string::npos)
    return platform::path_inside(ctx.CurrentTemplateFolder, common::trim_blanks(ifiles)).value_or(std::string());
  std::string joined;
  for (const std::string& name : split_names(ifiles)) {
    const std::string path = find_template_path(ctx.CurrentTemplateFolder, common::trim_blanks(name));
    if (path.empty() || !existing_template_path(path)) continue;
    if (auto text = read_template_text(path)) joined += *text;
  }
  // With the byte-order mark: read back, the text cannot be mistaken for another encoding.
  const std::string scratch = join_path(ctx.CacheFolder, kScratchFile);
  if (!WriteUtf8File(scratch, joined)) return {};
  return scratch;
}

// ------------------------------------------------------------------ translation

void TemplateCompiler::ClearFunction() {
  literal_count_ = 0;
  array_lines_.Clear();
  body_lines_.Clear();
}

void TemplateCompiler::append_body(std::string_view line) {
  body_lines_.Append(line);
  body_lines_.Append(kCrLf);
}

std::string TemplateCompiler::function_expression(const std::string& name, bool indented) const {
  const std::string module = replace_char(name, '.', '_');
  const std::string user = "USER_" + module;
  if (AGScript* engine = generation_engine()) {
    if (engine->UserModuleExist(vb::Variant(user)) && !engine->ModuleExist(vb::Variant(module)))
      return user + "(" + name + ")";
    if (!indented && engine->NonEnglishLocale()) return "zvVal(" + name + ")";
  }
  return name;
}

void TemplateCompiler::TemplateToScript(const std::string& text) {
  ModuleContext& ctx = context();
  AGParser parser;
  parser.Parse(text);
  if (!ctx.ProjErr.empty()) return;
  for (const TemplateBlock& b : parser.blocks()) {
    yield_to_host();
    switch (b.kind) {
      case agc_Block_Script:
        append_body(parser.text_of(b));
        break;
      case agc_Block_FunctionIndent:
        append_body(std::string(kIndentVariable) + " = \"" + b.indent + "\"");
        append_body("zvSB.Append(" + std::string(kIndentVariable) + ")");
        append_body("zvSB.Append(" + function_expression(expression_text(b.name), true) + ")");
        break;
      case agc_Block_Function:
        append_body("zvSB.Append(" + function_expression(expression_text(b.name), false) + ")");
        break;
      case agc_Block_Language:
        append_body("zvSB.Append(" + string_expression(run_language().GetPhrase(expression_text(b.name))) + ")");
        break;
      case agc_Block_LanguageDynamic:
        append_body("zvSB.Append(LANG.Phrase(" + expression_text(b.name) + "))");
        break;
      case agc_Block_Content: {
        const std::string expr = AGPVars::ToScriptStringExpr(parser.text_of(b), "");
        if (expr.empty()) break;
        ++literal_count_;
        const std::string element = std::string(kArrayName) + "(" + std::to_string(literal_count_) + ")";
        array_lines_.Append(element + " = " + expr);
        array_lines_.Append(kCrLf);
        append_body("zvSB.Append(" + element + ")");
        break;
      }
    }
  }
}

void TemplateCompiler::translate_pieces(const std::vector<std::string>& pieces) {
  for (const std::string& piece : pieces) TemplateToScript(piece);
}

std::string TemplateCompiler::AssembleFunction(std::string_view function_name) const {
  AGPStringBuilder& f = function_text_;
  const std::string name(function_name);
  f.Clear();
  f.Append("Function " + name + "()\r\n");
  f.Append("On Error Resume Next\r\n");
  f.Append("Dim " + std::string(kArrayName) + "(" + std::to_string(literal_count_) + ")\r\n");
  f.Append("Dim zvSB\r\n");
  f.Append("Set zvSB = New StringBuilder\r\n");
  f.Append(array_lines_.ToString());
  f.Append(kCrLf);
  f.Append(body_lines_.ToString());
  f.Append(kCrLf);
  f.Append(name + " = zvSB.ToString()\r\n");
  f.Append("End Function\r\n");
  return f.ToString();
}

// ------------------------------------------------------------------ compiling a control

void TemplateCompiler::compile_error(const std::string& file, const std::string& diagnostic,
                                     const std::string& base_path) {
  (void)write_compiled_script(file, diagnostic);  // for inspection only
  ModuleContext& ctx = context();
  ctx.ProjErr += ": " + base_path;
  RaiseGenError();
}

void TemplateCompiler::CompileControlTemplate(AGPControl& ctrl, const std::string& file) {
  ModuleContext& ctx = context();
  CheckControlPaths(ctrl);
  // Every file of a control made of several must be there: a missing one would leave its
  // text out of the compiled template without a word.
  if (ctrl.CtrlIFiles.find(',') != std::string::npos) {
    set_current_template_folder(ctrl.CtrlExt);
    for (const std::string& name : split_names(ctrl.CtrlIFiles)) {
      const std::string trimmed = common::trim_blanks(name);
      if (existing_template_path(join_path(ctx.CurrentTemplateFolder, trimmed))) continue;
      ctx.ProjErr = "Missing \"" + trimmed + "\" of control \"" + ctrl.CtrlID + "\" in template folder \"" +
                    ctx.TemplateFolder + "\". Generation aborted.";
      RaiseGenError();
    }
  }
  const std::string base_path = BuildTempTemplate(ctrl.CtrlIFiles, ctrl.CtrlExt);
  std::optional<std::string> base_text;
  if (!base_path.empty())
    if (auto found = existing_template_path(base_path)) base_text = read_template_text(*found);
  if (!base_text) {
    ctx.ProjErr = "Error in merging " + ctrl.CtrlIFiles + ". Generation aborted.";
    RaiseGenError();
  }

  ClearFunction();
  AGPStatus& status = status_window();
  AGPSessions& sessions = ctrl.Sessions();
  if (sessions.Count() == 0) {
    status.Refresh();
    // Its include blocks take their sessions from the file cache, as a session's would.
    translate_pieces(shared_file_cache().expand_includes(*base_text));
    if (!ctx.ProjErr.empty()) compile_error(file, *base_text + ctx.ProjErr + std::string(kCrLf), base_path);
  } else {
    for (int32_t i = 1; i <= sessions.Count(); ++i) {
      status.Refresh();
      const vb::Ref<AGPSession> s = sessions.Item(i);
      if (evaluate_condition(project_, s->SessCond)) {
        std::vector<std::string> pieces;
        if (s->SessType == "key") {
          if (s->SessIFile.empty()) set_current_template_folder(ctrl.CtrlExt);
          const std::string& file_id = s->SessIFile.empty() ? ctrl.CtrlIFiles : s->SessIFile;
          pieces = shared_file_cache().expanded_session(file_id, s->SessValue);
        } else if (s->SessType == "include") {
          // The values become script string literals: their double quotes are doubled.
          pieces.push_back("<!--##=Include_File(\"" + double_quotes(s->SessValue) + "\",\"" +
                           double_quotes(s->SessParm) + "\")##-->\r\n");
        }
        status.Refresh();
        translate_pieces(pieces);
      }
      if (!ctx.ProjErr.empty()) compile_error(file, body_lines() + ctx.ProjErr + std::string(kCrLf), base_path);
      ++SessionsCompiled;
      status.SetStatus(vb::Variant(common::Percent(SessionsCompiled, SessionsToCompile)));
    }
  }

  const std::string failure = write_compiled_script(file, AssembleFunction(GetScriptFunctionName(ctrl)));
  if (!failure.empty()) {
    ctx.ProjErr = "Error in writing " + file + " (" + failure + "). Generation aborted.";
    RaiseGenError();
  }
}

// ------------------------------------------------------------------ fragments

std::string TemplateCompiler::EvaluateScriptedText(const std::string& text) {
  ModuleContext& ctx = context();
  AGScript* engine = parse_engine();
  vb::Ref<AGScript> own;
  if (!engine) {
    ScriptTimeout = script_timeout_setting();
    own = vb::make_ref<AGScript>();
    if (!own->IsInitialized()) return text;
    run_filters().Load();
    own->Initialize(vb::Variant(vb::ref_from(&project_)), vb::Variant(project_.DB()),
                    vb::Variant(vb::ref_from(&project_controls(project_))), vb::Variant(vb::ref_from(&run_language())),
                    vb::Variant(vb::ref_from(&run_filters())), vb::Variant(project_.Extensions()),
                    vb::Variant(project_.MenuList()));
    engine = own.get();
  }
  ClearFunction();
  TemplateToScript(text);
  if (!ctx.ProjErr.empty()) return text;
  const std::string code = AssembleFunction(kParseFunction);
  std::string out = engine->BuildNewCode(std::string(kParseFunction), code, 0, ScriptTimeout);
  if (own) own->Reset();
  return out;
}

// ------------------------------------------------------------------ project state

ProjectTemplateState::ProjectTemplateState(AGP& project)
    : controls(vb::make_ref<AGPControls>()), extension_controls(vb::make_ref<AGPControls>()), compiler(project) {}

ProjectTemplateState& project_template_state(AGP& project) {
  std::shared_ptr<void>& slot = project.template_state();
  if (!slot) slot = std::make_shared<ProjectTemplateState>(project);
  return *static_cast<ProjectTemplateState*>(slot.get());
}

AGPControls& project_controls(AGP& project) { return *project_template_state(project).controls; }

// ------------------------------------------------------------------ project members

// The operations as members of the project object, for callers that reach it by name.
namespace {

AGPControl& control_arg(vb::Args a, size_t i) {
  auto* c = dynamic_cast<AGPControl*>(a[i].object().get());
  if (!c) vb::raise(vb::err::kTypeMismatch);
  return *c;
}

const bool registered = [] {
  register_project_member("CompileControlTemplate", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 2, 2);
    template_compiler(p).CompileControlTemplate(control_arg(a, 0), vb::to_string(a[1]));
    return vb::Variant();
  });
  register_project_member("GetTemplateFileName", [](AGP&, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    return vb::Variant(TemplateCompiler::GetTemplateFileName(control_arg(a, 0)));
  });
  register_project_member("GetScriptFunctionName", [](AGP&, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    return vb::Variant(TemplateCompiler::GetScriptFunctionName(control_arg(a, 0)));
  });
  register_project_member("BuildTempTemplate", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 2, 2);
    return vb::Variant(template_compiler(p).BuildTempTemplate(vb::to_string(a[0]), vb::to_string(a[1])));
  });
  register_project_member("TemplateToScript", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    template_compiler(p).TemplateToScript(vb::to_string(a[0]));
    return vb::Variant();
  });
  register_project_member("EvaluateScriptedText", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 2);
    return vb::Variant(template_compiler(p).EvaluateScriptedText(vb::to_string(a[0])));
  });
  register_project_member("ListTemplateIncludes", [](AGP&, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    return vb::Variant(ListTemplateIncludes(vb::to_string(a[0])));
  });
  register_project_member("CheckFileCache", [](AGP&, vb::Args a) {
    vb::check_arg_count(a, 3, 3);
    return vb::Variant(CheckFileCache(a[0], a[1], vb::to_string(a[2])));
  });
  register_project_member("MergeExtensionControls", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    return vb::Variant(MergeExtensionControls(p, vb::to_string(a[0])));
  });
  register_project_member("MergeControlSessions", [](AGP&, vb::Args a) {
    vb::check_arg_count(a, 2, 2);
    MergeControlSessions(control_arg(a, 0), control_arg(a, 1));
    return vb::Variant();
  });
  register_project_member("CheckTemplateChanged", [](AGP&, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    return vb::Variant(CheckTemplateChanged(control_arg(a, 0)));
  });
  register_project_member("LoadControlTemplateFiles", [](AGP&, vb::Args a) {
    vb::check_arg_count(a, 1, 1);
    LoadControlTemplateFiles(control_arg(a, 0));
    return vb::Variant();
  });
  return true;
}();

}  // namespace
}  // namespace tolvex
