// The project file: the whole project as one XML document (root element Project),
// written by Save and read back by Load, and the numbered backups Save keeps of the
// file it replaces. Save and Load are also members of the project object (by name,
// for scripts and the host).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/properties.h"
#include "platform/xml.h"
#include "vb/variant.h"

namespace tolvex {

class AGP;

// Writes the open project to `projFile`. The previous file first becomes backup
// number 1 of the numbered backups (without copying its bytes where the file system
// allows); the new text replaces it atomically, so a failed write leaves the old file
// as it was. A failure raises vb::VBError, whose text is also left
// in ProjErr; ProjErr is empty after success.
void Save(AGP& project, const std::string& projFile);

// Opens the project file into the project. ProjErr is empty on success, else it
// holds the reason; a file that cannot be read leaves the model as it was.
void Load(AGP& project, const std::string& projFile);

// The text of the project file for the declaration text given (without the
// byte-order mark), as Save writes it.
std::string ProjectFileText(AGP& project, const std::string& declaration);

// The declaration text Save writes, and the charset it writes back to the
// registry: `charset` is the registry's "XMLEncodeCharSet" or else the system's,
// `utf8` the "UTF8Project" switch.
std::string ProjectFileDeclaration(const std::string& charset, bool utf8);

// 1 or 0 by the project file's Boolean rule: an empty text is 0, other values are
// converted to Boolean (a value that is no Boolean counts as 0).
int16_t BoolToXml(const vb::Variant& value);

// One attribute per setting of `store` whose FileSave flag is set, in store order,
// with the project file's value rules; an attribute already present is replaced in
// place. A saved setting whose name is not an XML name (without a colon) raises
// error 5: Save fails, and the file stays as it was.
void WritePropertyAttributes(std::vector<std::pair<std::string, std::string>>& attributes, const AGProperties& store);

// Copies the element's attributes into the store, converted by the settings' data
// types; names the store lacks become saved text settings.
void LoadXmlAttributes(const platform::XmlNode& element, AGProperties& store);

// The value of the element's first attribute whose name equals `name` without
// regard to letter case; "" when it has none.
std::string GetXmlAttribute(const platform::XmlNode& element, const std::string& name);

// The name of backup number `n` of a project file: "shop.tvp" gives "shop(n).tvp",
// "shop" gives "shop(n)".
std::string BackupFileName(const std::string& projFile, int n);

// The folder below `backupFolder` that holds the numbered backups of `projFile`, apart from those
// of every other project: "<file name>-<code>", where the code of twelve hex digits stands for
// the file's full path (symbolic links followed), so that /a/shop.tvp and /b/shop.tvp never share
// a set. Its file "project-path.txt" names the project file (LabelProjectBackupFolder).
std::string ProjectBackupFolder(const std::string& backupFolder, const std::string& projFile);

// Writes the full path of `projFile` into the file "project-path.txt" of `folder` when the
// folder exists and has none, so that a user can tell whose backups it holds. Never fails.
void LabelProjectBackupFolder(const std::string& folder, const std::string& projFile);

// How BackupProjectFile keeps the file itself as number 1.
enum class BackupOfFile : uint8_t {
  Copy,  // a copy of its bytes
  // The file's own data under the backup name too (no bytes copied) where the file
  // system allows it, else a copy. Until the file is replaced by a new one (renamed
  // over it, as Save does) the two names are one file: for callers about to do that.
  Link,
};

// Rotates the numbered backups of `projFile` in `backupFolder` (number 1 newest)
// and keeps the file as number 1, keeping at most `maxCount` copies. Does nothing
// when the file does not exist; never fails. True when number 1 was made a second
// name of the file (BackupOfFile::Link). A copy is readable by no more users than the
// file it copies.
bool BackupProjectFile(const std::string& projFile, const std::string& backupFolder, int16_t maxCount,
                       BackupOfFile how = BackupOfFile::Copy);

}  // namespace tolvex
