// The output pass of a generation run: the database's tables and their fields in their
// sequence order, each control of the control file that produces an output for them, then
// the style sheet and the logo and the site-wide files. The same pass in check mode
// compiles, runs and writes nothing and counts the outputs that exist already.
#pragma once

#include <cstdint>
#include <string>

#include "model/project.h"
#include "model/table.h"
#include "templates/controls.h"

namespace tolvex {

// What the pass keeps of the table being generated and of the run's naming for the scripts.
struct CurrentTableInfo {
  std::string TblName, TblCaption, TblType, TblVar, TblFilter;
  std::string FldName, FldOrder;  // of the first field with an order
  std::string TblKey;
  bool HasKey = false;
  bool Search = false, BasicSearch = false, AdvancedSearch = false;
};
struct OutputPassState {
  CurrentTableInfo table;
  std::string OutputExt = "php";  // the project's Ext, else "php"
  std::string DefaultPage;        // the project's DefaultPage when set
  bool DbAccess = false, DbMsSql = false, DbMySql = false, DbOracle = false;
  std::string OutputFile;         // the file name of the output being generated
  std::string CtrlId;             // its control
  std::string TagSuffix;          // "_" + its CtrlTagExt, or ""
};
// The pass state of this thread's runs.
OutputPassState& output_pass_state();

// The pass. In check mode it answers the count of existing outputs, and stops at the first
// table (or the first site-wide step) that gives a count above 0; after a generation 0. An
// output's error ends the pass with a heading line before the text in AGP.ProjErr.
int16_t GenerateProject(AGP& proj, bool checkOnly);

// Whether a "table" or "report" control produces an output for the table (and, when it
// does, the condition of the control holds with the table as the current one).
bool IsTableForControl(AGP& proj, AGPTable& table, const std::string& ctrlId, const std::string& ctrlType,
                       const std::string& ctrlCond);

// Copies the table's settings into the pass state; a table without a key loses its add,
// copy, view, edit, inline-edit and delete pages (in the project).
void SetCurrentTable(AGP& proj, AGPTable* table);

// Prepares the pass: the remembered overwrite answer cleared, the output extension, the
// default page and the database-kind flags.
void GetDefaultPageSetting(AGP& proj);

// Creates the folder of every "folder" control that names one.
void CreateOutputFolders(AGP& proj);

// One table's and one field's outputs; in check mode the count of existing ones.
int16_t GenerateTablePages(AGP& proj, AGPTable& table, bool checkOnly);
int16_t GenerateFieldPages(AGP& proj, AGPField& field, bool checkOnly);

// The generated style sheet, the copied style sheet and the header logo.
int16_t GenerateCssAndLogo(AGP& proj, bool checkOnly);

// Called after each output file is written; does nothing.
void AfterWriteHook(const std::string& file);

}  // namespace tolvex
