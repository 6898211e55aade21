#include "generator/generation_driver.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "foundation/status.h"
#include "generator/check_run.h"
#include "generator/generation_state.h"
#include "generator/other_files.h"
#include "generator/output_pass.h"
#include "generator/protected_inputs.h"
#include "model/database.h"
#include "model/menus.h"
#include "model/project_members.h"
#include "model/tables.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "platform/host_ui.h"
#include "templates/ag_script.h"
#include "templates/cache_index.h"
#include "templates/code_files.h"
#include "templates/controls.h"
#include "templates/file_cache.h"
#include "templates/filters.h"
#include "templates/language.h"
#include "templates/package_preparation.h"
#include "templates/template_compiler.h"
#include "templates/template_run.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace fs = std::filesystem;

namespace tolvex {
namespace {

// The version of the control file that this engine requires at least.
constexpr std::string_view kMinimumTemplateVersion = "3.0";

bool file_exists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

// A phase title: the product's name and the phase (plain text, as the progress display takes it).
std::string phase_title(std::string_view phase) { return context().ProductTitle + std::string(phase); }

void show_phase(AGP& proj, std::string_view phase) {
  status_window().ShowStatus2(proj.lhWnd, phase_title(phase));
  status_window().DispStatus("Please wait...");
}

AGPCache* run_cache() { return dynamic_cast<AGPCache*>(context().TemplateCache.get()); }

void record(const std::string& group, const std::string& key, const std::string& file) {
  if (AGPCache* cache = run_cache())
    cache->AddCache(vb::Variant(group), vb::Variant(key), file_date_last_modified(file), file_size_value(file));
}

// Aborts the run with a message: AGP.ProjErr = the product name + `text`.
void abort_with(std::string_view text) {
  ModuleContext& ctx = context();
  ctx.ProjErr = ctx.ProductTitle + std::string(text);
}

// Drops an engine of the run after resetting it.
void release_engine(vb::Ref<vb::Dispatch>& slot) {
  if (auto* engine = dynamic_cast<AGScript*>(slot.get())) engine->Reset();
  slot = nullptr;
}

// A new script engine; null when it does not start.
vb::Ref<AGScript> start_engine() {
  auto engine = vb::make_ref<AGScript>();
  if (!engine->IsInitialized()) return nullptr;
  return engine;
}

void initialize_engine(AGP& proj, AGScript& engine) {
  engine.Initialize(vb::Variant(vb::ref_from(&proj)), vb::Variant(proj.DB()),
                    vb::Variant(vb::ref_from(&project_controls(proj))), vb::Variant(vb::ref_from(&run_language())),
                    vb::Variant(vb::ref_from(&run_filters())), vb::Variant(proj.Extensions()),
                    vb::Variant(proj.MenuList()));
}

// The path of an extension's package.
std::string extension_package(const RunExtension& ext) {
  return platform::normalize_separators(common::AddBackslash(context().ExtensionsFolder) + ext.package);
}

// The ProdVersion of the control file unpacked by an earlier run ("" when there is none).
std::string unpacked_version(const std::string& folder) {
  auto previous = vb::make_ref<AGPControls>();
  const int16_t status = context().ControlFileStatus;
  const bool loaded = previous->LoadControls(folder + "/control.xml");
  context().ControlFileStatus = status;
  return loaded ? previous->ProdVersion() : std::string();
}

const bool kRegistered = [] {
  register_project_member("GenScript", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 0, 0);
    GenScript(p);
    return vb::Variant();
  });
  return true;
}();

}  // namespace

void ReadRunSwitches(AGP& proj) {
  ModuleContext& ctx = context();
  const vb::Variant general(ctx.RegKeyGeneral);
  const vb::Variant backup = common::ConvertByType(common::GetRegValue(vb::Variant("HKCU"), general, vb::Variant("BackupFile")),
                                                   vb::Variant("Boolean"));
  proj.set_backup_file(backup.is_bool() && backup.raw_bool());
  const int32_t ms = script_timeout_setting();
  proj.set_script_engine_timeout(ms);
  template_compiler(proj).ScriptTimeout = ms;
}

void GenScript(AGP& proj) {
  ModuleContext& ctx = context();

  // 1-3: the environment and the project.
  ctx.ProjErr.clear();
  ctx.OutputsWritten = ctx.OutputsSkipped = ctx.OutputsBackedUp = 0;
  ctx.StaleOutputs.clear();
  if (!CheckComponents(proj)) return;
  if (proj.HeaderLogo().empty()) {
    const vb::Variant logo = common::GetRegValue(vb::Variant("HKCU"), vb::Variant(ctx.RegKeyProject), vb::Variant("HeaderLogo"));
    if (!logo.is_empty() && !logo.is_null()) proj.HeaderLogo(vb::to_string(logo));
  }
  const vb::Ref<AGPDatabase> db = proj.DB();
  if (!db) return abort_with(": Database not loaded! Generation aborted!");
  if (db->Tables()->Count() < 1) return abort_with(": No tables found in the Database! Generation aborted!");
  // Every page declares the project's charset: a value that is no charset name (a project file
  // edited by hand, or a host that set it) would be written into the pages' HTML and PHP.
  if (!common::IsCharsetName(proj.CharSet()))
    return abort_with(": The CharSet \"" + proj.CharSet() + "\" is not the name of a charset. Generation aborted!");

  // 4-7: the template package.
  const std::string package = template_package_path(proj);
  // A setting without any folder names the package itself, so that its folders never
  // depend on an earlier run.
  ctx.TemplatePackageName = TemplatePackageNameOf(package);
  ctx.TemplateCache = vb::make_ref<AGPCache>();
  InitAppFolders(proj, "Script");
  const int16_t template_state = CheckFileCache(vb::Variant("template"), vb::Variant("template"), package);
  if (template_state == -1) return abort_with(": Template file not found! Generation aborted!");
  bool keep_template = template_state == 0;
  bool answered_keep = false;
  if (template_state == 1) {
    keep_template = host_ui().ask_template_version(package, unpacked_version(ctx.TemplateFolder),
                                                   std::string(kMinimumTemplateVersion));
    answered_keep = keep_template;
  }
  // A package that does not unpack ends the run with the extractor's reason; the files of an
  // earlier run never stand in for it.
  if (!keep_template)
    if (const std::string failure = UnpackPackage(proj, package, ctx.TemplateFolder); !failure.empty())
      return abort_with(": control file not found! Generation aborted!" + unpack_reason(failure));

  // 8-9: the extensions.
  std::vector<RunExtension> extensions = project_extensions(proj);
  bool extensions_changed = false;
  {
    std::string list;
    for (const RunExtension& ext : extensions) {
      if (!ext.enabled) continue;
      if (!list.empty()) list += "\r\n";
      list += ext.name;
    }
    AGPCache* cache = run_cache();
    if (cache && !cache->MatchCacheGroup(vb::Variant("extension"), vb::Variant(list))) {
      cache->DeleteCacheGroup(vb::Variant("extension"));
      extensions_changed = true;
    }
  }
  for (RunExtension& ext : extensions) {
    if (!ext.enabled) continue;
    const std::string file = extension_package(ext);
    const int16_t state = CheckFileCache(vb::Variant("extension"), vb::Variant(ext.name), file);
    if (state == -1) {
      host_ui().message_box(ctx.ProductTitle + ": Extension '" + ext.name + "' not found! Extension settings ignored.",
                            ctx.ProductTitle, platform::msgbox::vbExclamation);
      set_extension_enabled(ext, false);
    } else if (state == 1 || state == 2) {
      extensions_changed = true;
      if (const std::string failure = UnpackPackage(proj, file, ctx.ExtensionWorkFolder + "/" + ext.name);
          !failure.empty()) {
        host_ui().message_box(ctx.ProductTitle + ": Load extension '" + ext.name + "' failed. Extension is disabled." +
                                  unpack_reason(failure),
                              ctx.ProductTitle, platform::msgbox::vbExclamation);
        set_extension_enabled(ext, false);
      }
    }
  }

  // 10: the user's code.
  const std::string user_code = resolve_setting_path(proj.user_code());
  const int16_t user_state = CheckFileCache(vb::Variant("usercode"), vb::Variant("usercode"), user_code);
  if (user_state == -1) return abort_with(": User code file not found! Generation aborted!");
  const bool user_changed = user_state != 0;

  // 11-12: the control file.
  const std::string control_file = ctx.TemplateFolder + "/control.xml";
  const int16_t control_state = CheckFileCache(vb::Variant("control"), vb::Variant("control"), control_file);
  if (control_state == -1) return abort_with(": control file not found! Generation aborted!");
  const bool control_changed = control_state != 0;
  AGPControls& controls = project_controls(proj);
  if (!controls.LoadControls(control_file)) {
    return abort_with(ctx.ControlFileStatus == kControlFileBadRoot
                          ? ": Control file is invalid! Please check if the correct template file is in use!"
                          : ": Load control file failed! Please check if the correct template file is in use!");
  }
  const std::string version = controls.ProdVersion();
  switch (AGP::CompareVersion(vb::Variant(version), vb::Variant(std::string(kMinimumTemplateVersion)))) {
    case 2:
      return abort_with(": Template version (" + version + ") newer than software version (" + proj.version_text() +
                        ")! Generation aborted!");
    case -1:
      return abort_with(": Template version (" + version + ") older than minimum required (" +
                        std::string(kMinimumTemplateVersion) + ")! Generation aborted!");
    default: break;
  }

  // 13: the language file.
  std::string language_file = ctx.TemplateFolder + "/lang.xml";
  if (!file_exists(language_file)) language_file = resolve_setting_path(proj.language());
  const int16_t language_state = CheckFileCache(vb::Variant("language"), vb::Variant("language"), language_file);
  if (language_state == -1) return abort_with(": language file not found! Generation aborted!");
  const bool language_changed = language_state != 0;
  if (!run_language().Load(language_file))
    return abort_with(": Load Language File \"" + language_file + "\" failed! Generation aborted!");

  // 14: the cache renewal.
  if (!keep_template || extensions_changed || user_changed || control_changed || language_changed) {
    DeleteFilesByExt(ctx.CacheFolder, "tpl");
    AGPCache* cache = run_cache();
    if (cache) cache->DeleteCacheGroup(vb::Variant("tpl"));
    if (!answered_keep) record("template", "template", package);
    if (extensions_changed)
      for (const RunExtension& ext : extensions)
        if (ext.enabled && file_exists(extension_package(ext))) record("extension", ext.name, extension_package(ext));
    if (user_changed) record("usercode", "usercode", user_code);
    if (control_changed) record("control", "control", control_file);
    if (language_changed) record("language", "language", language_file);
  }

  // The destination exists before anything is written into it: the engines copy the system
  // and validation code there for debugging, and the site's root files go there.
  // A destination that cannot be made stops the run here, before any output, with the reason.
  if (const std::string dest = common::trim_blanks(proj.Destination()); !dest.empty()) {
    try {
      platform::create_folders(platform::normalize_separators(dest));
    } catch (const platform::PlatformError& e) {
      return abort_with(": " + std::string(e.what()) + ". Generation aborted!");
    }
  }

  // 15-19: the run's switches and the two engines.
  ReadRunSwitches(proj);
  show_phase(proj, " - Initializing VBScript Engine...");
  // A parse engine left by a run that ended early holds that run's objects: start afresh.
  release_engine(ctx.ParseEngine);
  vb::Ref<AGScript> generation = start_engine();
  if (!generation) {
    status_window().CloseStatus();
    ctx.GenerationEngine = nullptr;
    if (ctx.ProjErr.empty()) abort_with(": Script engine not started. Generation aborted!");
    return;
  }
  ctx.GenerationEngine = generation;
  run_filters().Load();
  proj.MenuList();
  initialize_engine(proj, *generation);
  // Compiled templates also depend on the code files and the locale flag of the engine.
  if (ctx.ProjErr.empty()) RenewCompiledTemplatesOnChangedCode(generation->NonEnglishLocale());
  if (ctx.ProjErr.empty()) CheckScriptFiles(proj);
  if (ctx.ProjErr.empty() && !ctx.ParseEngine) {
    vb::Ref<AGScript> parse = start_engine();
    if (!parse) {
      status_window().CloseStatus();
      release_engine(ctx.GenerationEngine);
      if (ctx.ProjErr.empty()) abort_with(": Script engine not started. Generation aborted!");
      return;
    }
    ctx.ParseEngine = parse;
    initialize_engine(proj, *parse);
  }
  if (ctx.ProjErr.empty()) {
    for (const RunExtension& ext : extensions) {
      if (!ext.enabled || !file_exists(extension_package(ext))) continue;
      const std::string folder = ctx.ExtensionWorkFolder + "/" + ext.name;
      if (file_exists(folder + "/usercode.vbs")) generation->AddUserCode(folder + "/usercode.vbs");
      if (file_exists(folder + "/lang.xml")) run_language().LoadExtension(folder + "/lang.xml");
    }
  }
  status_window().CloseStatus();

  // 20: the project's settings validated.
  if (ctx.ProjErr.empty()) {
    show_phase(proj, " - Validating project settings...");
    generation->Validate();
    status_window().CloseStatus();
  }

  if (ctx.ProjErr.empty()) {
    // 22: the extensions' control files.
    show_phase(proj, " - Merging extensions...");
    bool any_failed = false;
    for (RunExtension& ext : extensions) {
      if (!ext.enabled || !file_exists(extension_package(ext))) continue;
      if (MergeExtensionControls(proj, ext.name)) continue;
      any_failed = true;
      set_extension_enabled(ext, false);
      if (AGPCache* cache = run_cache()) cache->DeleteCache(vb::Variant("extension"), vb::Variant(ext.name));
      host_ui().message_box(ctx.ProductTitle + (ctx.ControlFileStatus == kControlFileBadRoot
                                                    ? ": Incorrect extension '" + ext.name + "' used. Extension is disabled."
                                                    : ": Load extension '" + ext.name + "' failed. Extension is disabled."),
                            ctx.ProductTitle, platform::msgbox::vbExclamation);
    }
    status_window().CloseStatus();
    if (any_failed &&
        host_ui().message_box("Some extensions are disabled due to error in loading the extensions. Do you want to "
                              "continue generation?",
                              ctx.ProductTitle, platform::msgbox::vbYesNo) != platform::msgbox::vbYes) {
      ctx.ProjErr = ctx.ProductTitle + " - Error in loading extensions. Generation aborted.";
      // A cache index that cannot be written only costs a compilation next time.
      if (AGPCache* cache = run_cache()) (void)cache->WriteCacheFile();
      ctx.TemplateCache = nullptr;
      return;
    }

    // 23: which compiled templates are out of date.
    show_phase(proj, " - Validating control.xml...");
    TemplateCompiler& compiler = template_compiler(proj);
    compiler.SessionsCompiled = 0;
    compiler.SessionsToCompile = 0;
    bool any_changed = false;
    const std::vector<vb::Ref<AGPControl>> items = controls.items();
    for (const vb::Ref<AGPControl>& c : items) {
      if (c->CtrlType == "copy") continue;
      if (CheckTemplateChanged(*c)) {
        compiler.SessionsToCompile += c->Sessions().Count();
        if (vb::ascii_lower(c->CtrlType) != "folder") any_changed = true;
      }
    }
    status_window().CloseStatus();

    // 24: the compilation. A changed control without sessions is compiled too, although
    // it adds nothing to the count of sessions.
    if (compiler.SessionsToCompile >= 1 || any_changed) {
      show_phase(proj, " - Loading template...");
      shared_file_cache().Clear();
      for (const vb::Ref<AGPControl>& c : items) {
        const std::string type = vb::ascii_lower(c->CtrlType);
        if (type != "copy" && type != "folder") LoadControlTemplateFiles(*c);
      }
      status_window().CloseStatus();

      status_window().ShowStatus3(proj.lhWnd, phase_title(" - Creating Cache Files..."));
      // Each compiled file replaces its old one whole as it is written; they reach the disk
      // together (and with them the package files unpacked beside them), before the index that
      // trusts them is written. Without that flush the index is not written, and the files are
      // compiled again next time.
      bool flushed = true;
      {
        platform::DeferredSync flush_compiled;
        for (const vb::Ref<AGPControl>& c : items) {
          const std::string type = vb::ascii_lower(c->CtrlType);
          if (type == "copy" || type == "folder") continue;
          if (status_window().StatusIsCancelled()) RaiseCancelled();
          status_window().Refresh();
          if (!c->CtrlGen) continue;
          const std::string label = c->CtrlTagExt.empty() ? c->CtrlID : c->CtrlID + "(" + c->CtrlTagExt + ")";
          status_window().DispStatus("Loading " + label + " script...");
          compiler.CompileControlTemplate(*c, TemplateCompiler::GetTemplateFileName(*c));
        }
        status_window().CloseStatus();
        try {
          flush_compiled.finish();
        } catch (const std::exception&) {
          flushed = false;
        }
      }

      if (AGPCache* cache = run_cache(); cache && flushed) {
        std::error_code ec;
        for (fs::directory_iterator it(ctx.CacheFolder, ec), end; !ec && it != end; it.increment(ec)) {
          if (!it->is_regular_file(ec)) continue;
          const std::string name = it->path().filename().string();
          const size_t dot = name.rfind('.');
          if (dot != std::string::npos && name.substr(dot + 1) == "xml") continue;
          record("tpl", name, it->path().string());
        }
        (void)cache->WriteCacheFile();
      }
    }

    // 25: the output pass.
    status_window().ShowStatus3(proj.lhWnd,
                                phase_title(" - Generating " + vb::to_string(ctx.TargetLanguage) + " Scripts..."));
    ProtectedInputs inputs;
    inputs.add_file(proj.project_file(), "the project file");
    inputs.add_file(package, "the template package");
    for (const RunExtension& ext : extensions)
      if (ext.enabled) inputs.add_file(extension_package(ext), "the extension package");
    inputs.add_folder(ctx.TemplateRootFolder, "the unpacked packages in");
    const ProtectedInputs::Scope protect(inputs);
    CreateOutputFolders(proj);
    proj.MenuList()->Sort();
    GenerateProject(proj, false);
    status_window().CloseStatus();
  }

  // 27: the normal end.
  ctx.TemplateCache = nullptr;
  release_engine(ctx.GenerationEngine);
  release_engine(ctx.ParseEngine);
}

}  // namespace tolvex
