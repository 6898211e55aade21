// The module-wide state of the engine: one context object per thread that uses the
// library, shared by every project object of that thread. The project object's
// start-up writes the product identity, registry paths and folders; other
// subsystems write the values they own before the model reads them.
//
// Tests install a fresh context with ContextScope. Later subsystems add their own
// module-wide values here as plain fields with a comment naming their writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/registry.h"
#include "foundation/status.h"
#include "platform/host_ui.h"
#include "platform/progress.h"
#include "vb/dispatch.h"
#include "vb/variant.h"

namespace tolvex {

struct UserDefaultsCache;

struct ModuleContext {
  ModuleContext();
  ~ModuleContext();
  ModuleContext(const ModuleContext&) = delete;
  ModuleContext& operator=(const ModuleContext&) = delete;

  // --- last error: empty means success; every subsystem writes it, the host reads it ---
  std::string ProjErr;

  // --- product identity (written by the project object's start-up) ---
  std::string ProductTitle;        // "Tolvex": the prefix of every message
  std::string ProductKey;          // "Tolvex": registry paths, work folder, root element names
  std::string ProductCode;         // "TVX": the project-file converter
  std::string ProjectFileExt;      // "tvp"
  std::string ProgramVersion;      // "3.0": every registry path, the template cache
  std::string ProjectFileVersion;  // "3.0": compared when a project file is opened
  std::string TemplateVersion;     // "3.0": compared before generation
  vb::Variant TargetLanguage;      // "PHP"

  // --- registry key paths: "Software\<ProductKey>\<ProgramVersion>" + suffix ---
  std::string RegKeyGeneral;          // "\Settings\General"
  std::string RegKeyProject;          // "\Settings\Project"
  std::string RegKeyDatabase;         // "\Settings\Database"
  std::string RegKeyTable;            // "\Settings\Table"
  std::string RegKeyChart;            // "\Settings\Chart"
  std::string RegKeyTrendline;        // "\Settings\Trendline"
  std::string RegKeyField;            // "\Settings\Field"
  std::string RegKeyAdvancedFilters;  // "\AdvancedFilters"
  std::string RegKeyExtensions;       // "\Extensions"
  std::string RegKeyOdbcIni;          // "Software\ODBC\ODBC.INI" (no reader)
  std::string RegKeyOdbcInstIni;      // "Software\ODBC\ODBCINST.INI" (no reader)
  // Scratch: the name of the registry value last handed to common.GetRegValue.
  std::string RegValueName;

  // --- folders ---
  std::string DocumentsFolder;    // the user's documents folder
  std::string WorkFolder;         // DocumentsFolder + "/" + CompactName(ProductKey); generation extends it
  std::string BackupFolder;       // WorkFolder + "/Backup"
  std::string ExtensionsFolder;   // the folder of extension packages
  std::string DestinationFolder;  // copy of the project setting Destination (its typed property)

  // --- values that the loaders write before the model reads them ---
  std::string CurrentDbmsName;      // the loaded database's DBDBMSName (field default rules)
  int16_t CurrentDateFormat = 0;    // defaultDateFormat as an Integer, 0 when not numeric
  bool CurrentDynamicLoad = false;  // project setting DynamicLoadDB (table loading)
  std::string SqlQuoteSetting;      // project setting SQLQuote (AGPVars::IdentQuoteChar)
  // A host that compares the project with its database itself sets this, so that opening a
  // project whose AutoSync is on does not check (and offer to synchronise) first.
  bool SkipAutoSyncOnLoad = false;

  // --- registry access ---
  vb::Ref<cRegistry> SharedRegistry;  // created on first use by shared_registry()
  int32_t RegLastValueType = 0;       // kind of the value last read by common::GetRegValue
  // Per-user defaults already read for a settings layout (AGProperties::LoadUserDefaults).
  std::shared_ptr<UserDefaultsCache> UserDefaults;

  // --- system charset (common::InitSystemCharset) ---
  std::string SystemCodePage;  // the OEM code page number as text
  std::string SystemCharset;   // its charset name, "" when it has none

  // --- progress ---
  // How the progress display reaches its window, the host's loop and the clock.
  // An empty library means a silent display.
  platform::ProgressServices progress;
  vb::Ref<AGPStatus> StatusWindow;  // the shared progress object, created on first use by status_window()
  std::string StatusTitle;          // the title of the next long operation's progress window
  int32_t ProgressTotal = 0;
  int32_t ProgressDone = 0;

  // --- questions to the user (message boxes and dialogs); none means non-interactive ---
  std::shared_ptr<platform::HostUI> HostUi;

  // --- model ---
  vb::Variant DefaultTblSecurity;  // the security value every new table receives

  // --- generation folders, set for each run by the generation driver ---
  std::string TemplatePackageName;    // file name of the template package (names the folders below)
  std::string TemplateRootFolder;     // WorkFolder + "/Templates/" + the package's compact file name
  std::string TemplateFolder;         // its "Script" folder ("Tmp" for a check run)
  std::string ExtensionWorkFolder;    // its "extensions" folder, one folder per extension
  std::string CacheFolder;            // its "cache" folder
  std::string CurrentTemplateFolder;  // the folder of the control being prepared or compiled
  // Why the last control file load failed (AGPControls::LoadControls): 1 not a readable XML
  // document, 2 root name refused. Not cleared on success.
  int16_t ControlFileStatus = 0;

  // --- objects of later subsystems, held through their dispatch interface ---
  vb::Ref<vb::Dispatch> SharedFileCache;   // the sessions of the template files (AGPFileCache)
  vb::Ref<vb::Dispatch> MenuList;          // the site menu (AGPMenus), created on first use
  vb::Ref<vb::Dispatch> ExtensionList;     // the extension list (AGPExtensions), created on first use
  vb::Ref<vb::Dispatch> GenerationEngine;  // the script engine of a generation run (AGScript)
  vb::Ref<vb::Dispatch> TemplateCache;     // the template cache index of a run (AGPCache)
  vb::Ref<vb::Dispatch> ParseEngine;       // the script engine for short fragments (AGScript)
  vb::Ref<vb::Dispatch> RunLanguage;       // the phrases of a run (AGPLanguage), created on first use
  vb::Ref<vb::Dispatch> RunFilters;        // the predefined filters (AGPFilter), created on first use
  vb::Ref<vb::Dispatch> DatabaseDriver;    // the database driver component (SchemaDriver), made on first use
                                           // by the database import and kept

  // --- output pass of a generation run (written by the generation layer) ---
  std::string OverwriteMode;          // answer kept for the rest of the pass: "", "O" all, "S" skip all, "C" cancel
  bool OverwriteAnswer = false;       // the decision for the current output (True = write it)
  std::string PromptFilePath;         // the existing file the overwrite question names ("" for a folder)
  std::string PromptFolderPath;       // the existing folder the overwrite question names ("" for a file)
  // What the overwrite decisions of the last generation run let through: outputs written,
  // existing outputs skipped, and ".bak" copies made. Emptied when a run starts.
  int32_t OutputsWritten = 0;
  int32_t OutputsSkipped = 0;
  int32_t OutputsBackedUp = 0;
  // Files of the destination that the last generation run did not write and whose names are
  // those of a table or report page with a name that no table of the project has (left from a
  // table that is gone); full paths, sorted. Nothing is deleted.
  std::vector<std::string> StaleOutputs;
};

// The current context of this thread.
ModuleContext& context();

// The shared progress object of the context (StatusWindow), created on first use.
AGPStatus& status_window();

// The context's host UI, a non-interactive one when none was installed.
platform::HostUI& host_ui();

// Installs a context for its lifetime (a fresh one unless given) and puts the
// previous one back afterwards. Scopes nest.
class ContextScope {
 public:
  ContextScope();
  explicit ContextScope(std::unique_ptr<ModuleContext> ctx);
  ~ContextScope();
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;

  ModuleContext& get() noexcept { return *own_; }
  ModuleContext* operator->() noexcept { return own_.get(); }

 private:
  std::unique_ptr<ModuleContext> own_;
  ModuleContext* previous_;
};

}  // namespace tolvex
