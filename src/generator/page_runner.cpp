#include "generator/page_runner.h"

#include <filesystem>
#include <system_error>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/status.h"
#include "foundation/text_files.h"
#include "generator/generation_state.h"
#include "generator/output_paths.h"
#include "generator/overwrite.h"
#include "model/database.h"
#include "model/tables.h"
#include "platform/folders.h"
#include "templates/ag_script.h"
#include "templates/code_files.h"
#include "templates/template_compiler.h"
#include "templates/template_run.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

constexpr std::string_view kCrLf = "\r\n";

vb::Variant prompt_setting(AGP& proj) {
  const vb::Variant* v = proj.Properties()->find_value("PromptOnOverwrite");
  return v ? *v : vb::Variant(false);
}

// Runs the control's compiled template for the current table (and field); "" with
// AGP.ProjErr set when it fails.
std::string run_template(AGP& proj, const std::string& scriptFile, const AGPControl& ctrl,
                         std::string_view missing_message_end) {
  ModuleContext& ctx = context();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(scriptFile, ec)) {
    ctx.ProjErr = "File " + scriptFile + " not found. Generation aborted" + std::string(missing_message_end);
    RaiseGenError();
  }
  AGScript* engine = generation_engine();
  if (!engine) {
    ctx.ProjErr = ctx.ProductTitle + ": Script engine not started. Generation aborted!";
    return {};
  }
  // The engine keeps a control's compiled function once added, and adds it only once a run:
  // the file is read (in the ANSI code page, or UTF-8 after a byte-order mark, as the compiler
  // wrote it) the first time only.
  std::string id = TemplateCompiler::GetScriptFunctionName(ctrl);
  bool added = false;
  for (const auto& f : engine->compiled_functions()) added = added || f.first == id;
  return engine->BuildNewCode(std::move(id), added ? std::string() : read_script_file(scriptFile), 2,
                              proj.script_engine_timeout());
}

// Cleans up the text and writes it, making the output's folder first and keeping the replaced
// file as `backup` when one is due.
void write_output(AGP& proj, const std::string& outputPath, const AGPControl& ctrl, const std::string& text,
                  const std::string& backup) {
  const std::string cleaned = ctrl.CtrlSpace ? PostProcessOutput(proj, ctrl.CtrlOExt, text) : StripLeadingBlankLines(text);
  const std::string path = platform::normalize_separators(outputPath);
  make_parent_folder(path);
  WriteOutputFile(path, cleaned, backup);
}

void count_done() {
  ModuleContext& ctx = context();
  ++ctx.ProgressDone;
  status_window().SetStatus(vb::Variant(common::Percent(ctx.ProgressDone, ctx.ProgressTotal)));
}

size_t first_non_blank(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return i;
}

bool is_declaration(std::string_view rest) {
  static constexpr std::string_view kWords[] = {"class", "private", "public", "property", "function", "sub"};
  for (std::string_view w : kWords)
    if (rest.size() > w.size() && rest[w.size()] == ' ' && vb::iequals(rest.substr(0, w.size()), w)) return true;
  return false;
}

}  // namespace

void GenerateTableFile(AGP& proj, AGPTable& table, const std::string& scriptFile, const std::string& outputPath,
                       AGPControl& ctrl) {
  const bool overwrite = ctrl.CtrlOverwrite && table.TblOverwrite();
  std::string backup;
  if (ConfirmOutputOverwrite(proj, outputPath, overwrite, prompt_setting(proj), backup)) {
    const vb::Ref<AGPDatabase>& db = proj.DB();
    if (db) db->Tables()->Item(vb::Variant(table.TblName()));
    const std::string text = run_template(proj, scriptFile, ctrl, ".");
    if (!context().ProjErr.empty()) return;
    write_output(proj, outputPath, ctrl, text, backup);
    if (!context().ProjErr.empty()) return;
  }
  count_done();
}

void GenerateFieldFile(AGP& proj, AGPField& field, const std::string& scriptFile, const std::string& outputPath,
                       AGPControl& ctrl) {
  vb::Ref<AGPTable> table = current_table(proj);
  const bool overwrite = ctrl.CtrlOverwrite && table && table->TblOverwrite();
  std::string backup;
  if (ConfirmOutputOverwrite(proj, outputPath, overwrite, prompt_setting(proj), backup)) {
    const vb::Ref<AGPDatabase>& db = proj.DB();
    if (db && table) {
      db->Tables()->SetItem(vb::Variant(table->TblName()));
      table->Fields()->SetItem(vb::Variant(field.FldName()));
    }
    const std::string text = run_template(proj, scriptFile, ctrl, "");
    if (!context().ProjErr.empty()) return;
    write_output(proj, outputPath, ctrl, text, backup);
    if (!context().ProjErr.empty()) return;
  }
  count_done();
}

std::string PostProcessOutput(AGP& proj, std::string_view ext, std::string_view text) {
  const std::string_view language = ext == "js" ? std::string_view("js") : std::string_view();
  std::string out;
  int32_t code_run = 0, comment_run = 0, line_no = 0;
  std::string comment_mark;
  size_t start = 0;
  while (start < text.size()) {
    const size_t cr = text.find('\r', start);
    const size_t end = cr == std::string_view::npos ? text.size() : cr;
    if (end > start) CompactCodeLine(++line_no, out, text.substr(start, end - start), code_run, comment_run, comment_mark, language);
    if (cr == std::string_view::npos) break;
    start = cr + 1;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  const std::string meta = "<meta name=\"generator\" content=\"" + context().ProductTitle + " v" + proj.version_text() +
                           "\" />" + std::string(kCrLf) + "</head>";
  static constexpr std::string_view kHead = "</head>";
  std::string result;
  size_t from = 0;
  for (size_t i = out.find('<'); i != std::string::npos && i + kHead.size() <= out.size(); i = out.find('<', i)) {
    if (vb::iequals(std::string_view(out).substr(i, kHead.size()), kHead)) {
      result.append(out, from, i - from).append(meta);
      i += kHead.size();
      from = i;
    } else {
      ++i;
    }
  }
  result.append(out, from, std::string::npos);
  return result;
}

void CompactCodeLine(int32_t lineNo, std::string& out, std::string_view line, int32_t& codeRun,
                     int32_t& commentRun, std::string& commentMark, std::string_view /*language*/) {
  const size_t lead = first_non_blank(line);
  if (lead == line.size()) return;
  const std::string_view rest = line.substr(lead);
  if (rest.starts_with("//") || rest.starts_with("/*")) {
    if (commentRun == 0 && lineNo != 1) out += kCrLf;
    commentMark = std::string(rest.substr(0, 2));
    ++commentRun;
    codeRun = 0;
  } else if (is_declaration(rest)) {
    if (commentRun == 0 && lineNo != 1) out += kCrLf;
    commentRun = 0;
    codeRun = 0;
  } else {
    if (codeRun == 0 && commentRun >= 2) out += kCrLf;
    commentRun = 0;
    ++codeRun;
  }
  out.append(line).append(kCrLf);
}

std::string StripLeadingBlankLines(std::string_view text) {
  size_t cut = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') cut = i + 1;
    else if (c != ' ' && c != '\t') break;
  }
  return std::string(text.substr(cut));
}

}  // namespace tolvex
