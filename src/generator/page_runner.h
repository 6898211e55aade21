// The page runners: one control's output for the current table or field. Each decides
// with the overwrite rules whether the file may be written, runs the control's compiled
// template function in the generation script engine, cleans up the text it returns and
// writes it.
#pragma once

#include <string>
#include <string_view>

#include "model/project.h"
#include "model/table.h"
#include "templates/controls.h"

namespace tolvex {

// The output of a table-level control. A missing compiled script ends the run
// (RaiseGenError); a failing script, a missing engine or a failed write leaves its message
// in AGP.ProjErr, and an existing output is then kept as it was.
void GenerateTableFile(AGP& proj, AGPTable& table, const std::string& scriptFile, const std::string& outputPath,
                       AGPControl& ctrl);
// The output of a field-level control for the current table's field. Without a current
// table an existing output is never replaced.
void GenerateFieldFile(AGP& proj, AGPField& field, const std::string& scriptFile, const std::string& outputPath,
                       AGPControl& ctrl);

// Line-by-line clean-up (CompactCodeLine) and the generator meta tag before every
// "</head>" (found without regard to letter case).
std::string PostProcessOutput(AGP& proj, std::string_view ext, std::string_view text);

// The clean-up of one line, appended to `out` with CR LF: lines of blanks and tabs go;
// an empty line goes before a comment block that follows other lines, before a
// declaration line (class, private, public, property, function, sub) that does not
// follow a comment, and after a comment block of two or more lines. `commentMark` keeps
// the last comment opener seen ("//" or "/*").
void CompactCodeLine(int32_t lineNo, std::string& out, std::string_view line, int32_t& codeRun,
                     int32_t& commentRun, std::string& commentMark, std::string_view language);

// The text without its leading lines of blanks and tabs; the first real line keeps its
// indentation.
std::string StripLeadingBlankLines(std::string_view text);

}  // namespace tolvex
