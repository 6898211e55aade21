// The environment of a generation or check run: the component check, the working folders
// of a template package below the user's documents folder, the unpacking of packages, two
// small deletions, and the check run with which the host learns whether outputs of the
// run already exist at their targets.
//
// The working folders (context): WorkFolder = documents + "/" + the product key without
// blanks and "/"; TemplateRootFolder = WorkFolder + "/Templates/" + the package's file name
// likewise compacted; below it "extensions" (one folder per extension), "cache" and the
// unpack folder ("Script" for a generation, "Tmp" for a check run) as TemplateFolder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/project.h"
#include "vb/dispatch.h"

namespace tolvex {

// True when the platform components of a run (file system, XML documents) are usable;
// otherwise AGP.ProjErr names the one that is not, without the product name.
bool CheckComponents(AGP& proj);

// Sets the working folders for the current TemplatePackageName and `unpackFolder`, and
// creates every one that is missing, with a folder for each extension of the project
// (enabled or not). A folder that cannot be made below the work folder raises error -1.
void InitAppFolders(AGP& proj, std::string_view unpackFolder);

// Deletes the folder with its contents when it exists; never fails.
void DeleteFolderIfExists(const std::string& folder);

// Deletes the files directly in `folder` whose extension (after the last ".") equals `ext`
// without regard to letter case. A missing folder deletes nothing.
void DeleteFilesByExt(const std::string& folder, std::string_view ext);

// Unpacks a package into `target` with the project's extractor: package file, the three
// options, the target folder, the size limit, then extract. The limit of the unpacked size is
// the registry's "MaxPackageSize" (megabytes, in the general settings) when it is a positive
// number, else the extractor's default. "" when the package was unpacked, else the
// extractor's reason (a damaged or refused package).
std::string UnpackPackage(AGP& proj, const std::string& package, const std::string& target);

// The text that adds the extractor's reason to a message: " Reason: <reason>", "" when there
// is none.
std::string unpack_reason(const std::string& failure);

// The template package named by the project's Template setting: "\" read as "/", and a
// relative path taken from the application folder, where the installed packages are.
std::string template_package_path(AGP& proj);

// The file name of the template package named by a Template setting: the text after its
// last "\" or "/" (the whole setting when it has neither).
std::string TemplatePackageNameOf(std::string_view templateSetting);

// The check run: unpacks the template package into the "Tmp" folder, loads its control
// file and counts, in the output pass's check mode, the outputs that exist already; 0 when
// none does (and when the control file does not load, with the reason in AGP.ProjErr).
// The "Tmp" folder is removed after a successful load.
int16_t GenCheck(AGP& proj);

// One extension of the project's list as the generation reads it.
struct RunExtension {
  vb::Ref<vb::Dispatch> object;
  std::string name;
  std::string package;  // file name of the package, relative to ExtensionsFolder
  bool enabled = false;
};
// The extensions of the project in their sequence order; none without an extension list.
std::vector<RunExtension> project_extensions(AGP& proj);
// Sets the extension's Enabled (in the project's list, where it stays).
void set_extension_enabled(RunExtension& ext, bool enabled);

}  // namespace tolvex
