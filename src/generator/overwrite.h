// The decision before an output is written over an existing file or folder: overwrite
// it, skip it, or stop the run, from the output's overwrite switch, the project setting
// PromptOnOverwrite and an answer the user gave for all remaining outputs of the pass
// (OverwriteMode: "O" overwrite all, "S" skip all, "C" cancel). An existing output that is
// overwritten is first copied to ".bak" when the user's backup setting is on.
//
// The project object's members ConfirmOverwriteFile, ConfirmOverwriteFolder,
// RaiseCancelled and RaiseGenError are these functions.
#pragma once

#include <string>
#include <string_view>

#include "model/project.h"
#include "vb/variant.h"

namespace tolvex {

// True when the output file at `path` may be written (in check mode: when it exists;
// nothing else happens then). A new file is always written. With `prompt` on (read as a
// Boolean; Empty, Null or no Boolean count as off) and the switch allowing it, the user
// is asked; the user's Cancel raises the cancel of the run. A failing backup copy (or any
// other failure inside) shows "Error in open ..." and gives False.
bool ConfirmOverwriteFile(AGP& proj, const std::string& path, bool overwrite, const vb::Variant& prompt,
                          bool checkOnly);
// The same for an output folder; its backup is a fresh copy of the whole folder at
// path + ".bak", which replaces an older one.
bool ConfirmOverwriteFolder(AGP& proj, const std::string& path, bool overwrite, const vb::Variant& prompt,
                            bool checkOnly);

// What the overwrite question says: "File " + ShortenPath(PromptFilePath) + " already
// exists!" when it names a file, else "Folder " + ShortenPath(PromptFolderPath) + " already
// exists!".
std::string OverwritePromptText();

// A path shown in at most 55 characters where it can: a longer one keeps its first part,
// then "/..." (the separator as the path writes it) and as many of its last parts as fit;
// when not even the last part fits, the first part and "/..." alone.
std::string ShortenPath(std::string_view path);

}  // namespace tolvex
