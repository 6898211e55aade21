#include "generator/check_run.h"

#include <filesystem>
#include <system_error>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "generator/output_pass.h"
#include "model/project_members.h"
#include "platform/contained_path.h"
#include "platform/folders.h"
#include "templates/code_files.h"
#include "templates/controls.h"
#include "templates/template_compiler.h"
#include "vb/convert.h"
#include "vb/error.h"
#include "vb/strings.h"

namespace fs = std::filesystem;

namespace tolvex {
namespace {

// One level of the working tree: made when missing; a failure ends the operation.
void make_folder(const std::string& folder) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return;
  fs::create_directory(folder, ec);
  if (ec || !fs::is_directory(folder, ec))
    vb::raise(-1, "Cannot create the folder \"" + folder + "\": " + (ec ? ec.message() : "not a folder"));
}

// The project's control list replaced by the control file of `folder`; false with the reason
// in AGP.ProjErr.
bool load_control_file(AGP& proj, const std::string& folder) {
  ModuleContext& ctx = context();
  if (project_controls(proj).LoadControls(folder + "/control.xml")) return true;
  ctx.ProjErr = ctx.ProductTitle + (ctx.ControlFileStatus == kControlFileBadRoot
                                        ? ": Control file is invalid! Please check if the correct template file is in use!"
                                        : ": Load control file failed! Please check if the correct template file is in use!");
  return false;
}

const bool kRegistered = [] {
  register_project_member("GenCheck", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    return vb::Variant(GenCheck(p));
  });
  return true;
}();

}  // namespace

bool CheckComponents(AGP&) {
  // The file system and the XML library are linked in; what can still be missing is a
  // usable temporary folder, which every run's scratch files need.
  std::error_code ec;
  const fs::path tmp = fs::temp_directory_path(ec);
  if (ec || !fs::is_directory(tmp, ec)) {
    context().ProjErr = "Windows Scripting Runtime: " + std::string(ec ? ec.message() : "no temporary folder");
    return false;
  }
  return true;
}

void InitAppFolders(AGP& proj, std::string_view unpackFolder) {
  ModuleContext& ctx = context();
  ctx.WorkFolder = common::trim_blanks(platform::normalize_separators(ctx.DocumentsFolder)) + "/" +
                   common::CompactName(ctx.ProductKey);
  AGP::CreateFolderTree(ctx.WorkFolder);
  ctx.BackupFolder = ctx.WorkFolder + "/Backup";
  AGP::CreateFolderTree(ctx.BackupFolder);
  const std::string templates = ctx.WorkFolder + "/Templates";
  make_folder(templates);
  const std::string package = common::CompactName(ctx.TemplatePackageName);
  ctx.TemplateRootFolder = package.empty() ? templates : templates + "/" + package;
  make_folder(ctx.TemplateRootFolder);
  ctx.ExtensionWorkFolder = ctx.TemplateRootFolder + "/extensions";
  make_folder(ctx.ExtensionWorkFolder);
  for (const RunExtension& ext : project_extensions(proj))
    if (!ext.name.empty()) make_folder(ctx.ExtensionWorkFolder + "/" + ext.name);
  ctx.CacheFolder = ctx.TemplateRootFolder + "/cache";
  make_folder(ctx.CacheFolder);
  ctx.TemplateFolder = ctx.TemplateRootFolder + "/" + std::string(unpackFolder);
  make_folder(ctx.TemplateFolder);
}

void DeleteFolderIfExists(const std::string& folder) {
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return;
  fs::remove_all(folder, ec);
}

void DeleteFilesByExt(const std::string& folder, std::string_view ext) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec), end;
  if (ec) return;
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    if (!it->is_regular_file(ec)) continue;
    const std::string name = it->path().filename().string();
    const size_t dot = name.rfind('.');
    const std::string_view found = dot == std::string::npos ? std::string_view() : std::string_view(name).substr(dot + 1);
    if (vb::iequals(found, ext)) fs::remove(it->path(), ec);
  }
}

std::string UnpackPackage(AGP& proj, const std::string& package, const std::string& target) {
  platform::ZipExtractor& zip = proj.zip_extractor();
  zip.package_file = platform::normalize_separators(package);
  zip.overwrite = true;
  zip.use_folder_names = true;
  zip.file_dates = 1;
  zip.target_folder = target;
  zip.max_unpacked_size = platform::ZipExtractor::kDefaultMaxUnpackedSize;
  try {
    const vb::Variant megabytes = common::ConvertByType(
        common::GetRegValue(vb::Variant("HKCU"), vb::Variant(context().RegKeyGeneral), vb::Variant("MaxPackageSize")),
        vb::Variant("Long"));
    if (megabytes.type() == vb::VarType::Long && megabytes.raw_long() > 0)
      zip.max_unpacked_size = uint64_t(megabytes.raw_long()) * 1024 * 1024;
  } catch (const vb::VBError&) {
  }
  return zip.extract() < 0 ? zip.last_error() : std::string();
}

std::string unpack_reason(const std::string& failure) { return failure.empty() ? std::string() : " Reason: " + failure; }

std::string template_package_path(AGP& proj) { return resolve_setting_path(proj.Template()); }

std::string TemplatePackageNameOf(std::string_view templateSetting) {
  const size_t sep = templateSetting.find_last_of("\\/");
  return std::string(sep == std::string_view::npos ? templateSetting : templateSetting.substr(sep + 1));
}

int16_t GenCheck(AGP& proj) {
  ModuleContext& ctx = context();
  ctx.ProjErr.clear();
  if (!CheckComponents(proj)) return 0;
  // The check looks at the folders of the package that the Template setting names, so that
  // it sees the same root as the generation that follows it.
  const std::string package = template_package_path(proj);
  ctx.TemplatePackageName = TemplatePackageNameOf(package);
  InitAppFolders(proj, "Tmp");
  // A package that does not unpack never lets an earlier run's files stand in for it.
  if (const std::string failure = UnpackPackage(proj, package, ctx.TemplateFolder); !failure.empty()) {
    ctx.ProjErr = ctx.ProductTitle + ": Load control file failed! Please check if the correct template file is in use!" +
                  unpack_reason(failure);
    return 0;
  }
  if (!load_control_file(proj, ctx.TemplateFolder)) return 0;
  const int16_t count = GenerateProject(proj, true);
  DeleteFolderIfExists(ctx.TemplateFolder);
  return count;
}

std::vector<RunExtension> project_extensions(AGP& proj) {
  std::vector<RunExtension> out;
  const vb::Ref<vb::Dispatch> list = proj.Extensions();
  if (!list) return out;
  const int32_t count = vb::to_long(list->call("Count"));
  for (int32_t i = 1; i <= count; ++i) {
    vb::Variant arg[1] = {vb::Variant(i)};
    const vb::Variant item = list->call("Seq", arg);
    if (!item.object_or_null()) continue;
    RunExtension ext;
    ext.object = item.object_or_null();
    ext.name = vb::to_string(ext.object->get("Name"));
    // Only a plain name may become the folder the extension is unpacked into.
    if (!platform::is_plain_folder_name(ext.name)) continue;
    ext.package = vb::to_string(ext.object->get("Template"));
    ext.enabled = vb::to_bool(ext.object->get("Enabled"));
    out.push_back(std::move(ext));
  }
  return out;
}

void set_extension_enabled(RunExtension& ext, bool enabled) {
  ext.enabled = enabled;
  if (ext.object) ext.object->let("Enabled", vb::Variant(enabled));
}

}  // namespace tolvex
