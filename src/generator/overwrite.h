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

// ConfirmOverwriteFile (not in check mode) for an output that the caller replaces right after
// through WriteOutputFile: an existing file's backup is not copied here; `backup` gets the name
// it is due under (path + ".bak"), or "" when none is due, and the write makes it.
bool ConfirmOutputOverwrite(AGP& proj, const std::string& path, bool overwrite, const vb::Variant& prompt,
                            std::string& backup);
// Writes `text` as the output file `path` (WriteTextFile; a failure sets AGP.ProjErr). With a
// `backup` name, the file it replaces takes that name as the new one takes its place (no bytes
// copied where the file system allows a hard link). A backup that cannot be made leaves the output
// as it was, shows "Error in open ..." and counts the output skipped, as ConfirmOverwriteFile does.
// True when the file was written.
bool WriteOutputFile(const std::string& path, std::string_view text, const std::string& backup);

// What the overwrite question says: "File " + ShortenPath(PromptFilePath) + " already
// exists!" when it names a file, else "Folder " + ShortenPath(PromptFolderPath) + " already
// exists!".
std::string OverwritePromptText();

// A path shown in at most 55 characters where it can: a longer one keeps its first part,
// then "/..." (the separator as the path writes it) and as many of its last parts as fit;
// when not even the last part fits, the first part and "/..." alone.
std::string ShortenPath(std::string_view path);

}  // namespace tolvex
