// The template compiler: turns the template of a control into one VBScript function (the
// compiled template, "zvEx" + CtrlID + CtrlTagExt) kept as a ".tpl" file in the cache folder,
// and evaluates short template fragments at once in the parse engine.
//
// The compiled function builds its output with the system code's StringBuilder class: every
// literal text of the template is one element of the array zvAr, and the body appends the
// literals, the values of expressions and the phrases in template order. It runs under
// On Error Resume Next.
//
// The compiler's state lives with the project object (project_template_state), as do the
// project's control list and the list that receives one extension's control file at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/string_builder.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGP;
class AGPControl;
class AGPControls;

class TemplateCompiler {
 public:
  static constexpr std::string_view kArrayName = "zvAr";
  static constexpr std::string_view kIndentVariable = "zvIndentWrk";
  static constexpr std::string_view kParseFunction = "zvExParse";
  // The scratch file that joins the input files of a control with several of them.
  static constexpr std::string_view kScratchFile = "~tmp.tpl";

  explicit TemplateCompiler(AGP& project) : project_(project) {}
  TemplateCompiler(const TemplateCompiler&) = delete;
  TemplateCompiler& operator=(const TemplateCompiler&) = delete;

  // Compiles the control's template and writes the function to `file` (the caller passes
  // GetTemplateFileName). A failure sets the last-error text and raises the generation error.
  void CompileControlTemplate(AGPControl& ctrl, const std::string& file);
  // CacheFolder + "/" + CtrlID + CtrlTagExt + ".tpl".
  static std::string GetTemplateFileName(const AGPControl& ctrl);
  // "zvEx" + CtrlID + CtrlTagExt with every "." replaced by "_" and every other character
  // that a script name cannot hold by "_x" and its two hexadecimal digits.
  static std::string GetScriptFunctionName(const AGPControl& ctrl);
  // Sets the current template folder for a control of the package ("") or of an extension,
  // and gives the path of the text to compile: the one input file, or the scratch file that
  // joins several. "" when the scratch file cannot be written.
  std::string BuildTempTemplate(const std::string& ifiles, const std::string& ctrl_ext);
  // Parses one text with a fresh parser and appends its literals and statements. A parse
  // error (in the last-error text) translates nothing.
  void TemplateToScript(const std::string& text);
  // Compiles a fragment into the function zvExParse and runs it in the parse engine (made for
  // the call when the run holds none); the output text. The text comes back unchanged when no
  // engine can be started or the fragment does not parse.
  std::string EvaluateScriptedText(const std::string& text);

  // The whole function: header, the literal array, the body and the result.
  std::string AssembleFunction(std::string_view function_name) const;
  // Starts a new function: no literals, no statements.
  void ClearFunction();

  int32_t literal_count() const noexcept { return literal_count_; }
  std::string array_lines() const { return array_lines_.ToString(); }
  std::string body_lines() const { return body_lines_.ToString(); }

  // Progress of a run: sessions compiled so far and the total that the generation driver
  // counted beforehand; the progress bar shows their percentage.
  int32_t SessionsCompiled = 0;
  int32_t SessionsToCompile = 0;
  // The run time limit of the parse engine's fragments (milliseconds; 0 none).
  int32_t ScriptTimeout = 0;

 private:
  void translate_pieces(const std::vector<std::string>& pieces);
  std::string function_expression(const std::string& name, bool indented) const;
  void append_body(std::string_view line);
  [[noreturn]] void compile_error(const std::string& file, const std::string& diagnostic, const std::string& base_path);

  AGP& project_;
  int32_t literal_count_ = 0;
  AGPStringBuilder array_lines_;
  AGPStringBuilder body_lines_;
  mutable AGPStringBuilder function_text_;  // scratch of AssembleFunction
};

// What the template layer keeps with a project object.
struct ProjectTemplateState {
  explicit ProjectTemplateState(AGP& project);

  vb::Ref<AGPControls> controls;            // the project's control list (the script object Controls)
  vb::Ref<AGPControls> extension_controls;  // one extension's control file at a time
  TemplateCompiler compiler;
};

// The project's template state, made on first use.
ProjectTemplateState& project_template_state(AGP& project);
inline TemplateCompiler& template_compiler(AGP& project) { return project_template_state(project).compiler; }
AGPControls& project_controls(AGP& project);

// Writes the text of a compiled template or a scratch file: in the ANSI code page when every
// character has a place there, else as UTF-8 with its byte-order mark (which the script file
// reader takes as UTF-8), so no character of a template is lost. "" on success, else the reason.
std::string write_compiled_script(const std::string& file, std::string_view text);

}  // namespace tolvex
