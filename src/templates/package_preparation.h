// Preparing the control list of a template package before its templates are compiled: the
// control files of the project's extensions are merged into it, every control is checked for
// a compiled template that is out of date, and the template files of the controls are read
// into the shared file cache, where sessions and includes are taken from.
#pragma once

#include <string>

#include "vb/variant.h"

namespace tolvex {

class AGP;
class AGPControl;

// -1 when `file` does not exist; else the cache index's verdict on its modification time and
// size: 0 unchanged, 1 changed, 2 no entry (also when the run holds no cache index).
int16_t CheckFileCache(const vb::Variant& group, const vb::Variant& key, const std::string& file);

// Merges the control file of the extension `ext_name` into the project's control list: its
// controls are added, change the sessions of the control with their id, or delete it, by their
// CtrlAction. False (ControlFileStatus 1) when the extension is not in the project or has no
// control file, False when its control file does not load.
bool MergeExtensionControls(AGP& project, const std::string& ext_name);

// Adds, changes or deletes sessions of `main` by the SessAction of each session of `ext`.
void MergeControlSessions(AGPControl& main, AGPControl& ext);

// Raises the generation error (naming the control) when a file or folder the control names (its
// input files and folder, its sessions' files) would lie outside the folder it is looked up in.
void CheckControlPaths(AGPControl& ctrl);

// Decides whether the control's compiled template must be rebuilt (its CtrlGen): when the cache
// index has no entry for it, when the compiled file is missing, or when one of its template
// files, its key sessions' files, or a file they include (at any depth) was modified after the
// compiled template was recorded. A missing folder or file raises the generation error.
bool CheckTemplateChanged(AGPControl& ctrl);

// Compares what every compiled template depends on besides its own files (the user's
// "ConvertBoolean" value, the engine's locale flag, and the system, common, validation and
// user code files with the files their lists name) with what the cache index recorded. When
// anything differs, the compiled templates are deleted with their entries, so that each is
// compiled again, and the new state is recorded; True then. False without a cache index.
bool RenewCompiledTemplatesOnChangedCode(bool non_english_locale);

// Reads the control's template files, its key sessions' files and the files they include (at
// any depth) into the shared file cache. Missing files are skipped.
void LoadControlTemplateFiles(AGPControl& ctrl);

}  // namespace tolvex
