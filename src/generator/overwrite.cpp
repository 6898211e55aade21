#include "generator/overwrite.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "foundation/context.h"
#include "foundation/text_files.h"
#include "generator/file_copies.h"
#include "generator/generation_state.h"
#include "generator/protected_inputs.h"
#include "model/project_members.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "platform/host_ui.h"
#include "templates/template_run.h"
#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

constexpr size_t kShownPathLength = 55;

enum class Target { File, Folder };

bool target_exists(const std::string& path, Target kind) {
  std::error_code ec;
  return kind == Target::File ? std::filesystem::is_regular_file(path, ec) : std::filesystem::is_directory(path, ec);
}

// Asks the user about one existing output; sets OverwriteAnswer and, for an answer for
// all outputs or a cancel, OverwriteMode.
void ask_user(ModuleContext& ctx, const std::string& path, Target kind) {
  ctx.PromptFilePath = kind == Target::File ? path : std::string();
  ctx.PromptFolderPath = kind == Target::Folder ? path : std::string();
  switch (host_ui().ask_overwrite(path, OverwritePromptText())) {
    case platform::OverwriteAnswer::Yes: ctx.OverwriteAnswer = true; break;
    case platform::OverwriteAnswer::YesToAll:
      ctx.OverwriteAnswer = true;
      ctx.OverwriteMode = "O";
      break;
    case platform::OverwriteAnswer::No: ctx.OverwriteAnswer = false; break;
    case platform::OverwriteAnswer::NoToAll:
      ctx.OverwriteAnswer = false;
      ctx.OverwriteMode = "S";
      break;
    case platform::OverwriteAnswer::Cancel: ctx.OverwriteMode = "C"; break;
  }
}

// The prompt setting read as a Boolean. A setting that was never given a value (Empty,
// Null) or holds no Boolean means no prompt: the overwrite switch decides alone.
bool prompt_is_on(const vb::Variant& prompt) {
  if (prompt.is_empty() || prompt.is_null()) return false;
  try {
    return vb::to_bool(prompt);
  } catch (const std::exception&) {
    return false;
  }
}

void report_failure(const std::string& path, const std::string& description) {
  ModuleContext& ctx = context();
  host_ui().message_box("Error in open \"" + path + "\", description:" + description, ctx.ProductTitle,
                        platform::msgbox::vbExclamation);
}

// With `deferred_backup`, a file's backup is not copied here: its name is stored there for the
// write that replaces the file to make it.
bool confirm_overwrite(AGP& proj, const std::string& target, bool overwrite, const vb::Variant& prompt, bool checkOnly,
                       Target kind, std::string* deferred_backup = nullptr) {
  const std::string path = platform::normalize_separators(target);
  if (checkOnly) return target_exists(path, kind);
  refuse_protected_output(path, kind == Target::Folder);
  ModuleContext& ctx = context();
  ctx.OverwriteAnswer = false;
  if (!target_exists(path, kind)) {
    ++ctx.OutputsWritten;
    return true;
  }
  try {
    if (ctx.OverwriteMode == "S") {
      ++ctx.OutputsSkipped;
      return false;
    }
    if (ctx.OverwriteMode == "O" || !prompt_is_on(prompt)) ctx.OverwriteAnswer = overwrite;
    else if (overwrite) ask_user(ctx, path, kind);
    else ctx.OverwriteAnswer = false;
  } catch (const std::exception& e) {
    report_failure(path, e.what());
    ++ctx.OutputsSkipped;
    return false;
  }
  // Outside the guard above: the cancel goes to the caller and ends the run.
  if (ctx.OverwriteMode == "C") RaiseCancelled();
  if (!ctx.OverwriteAnswer) {
    ++ctx.OutputsSkipped;
    return false;
  }
  if (proj.backup_file()) refuse_protected_output(path + ".bak", kind == Target::Folder);
  if (proj.backup_file() && deferred_backup) {
    *deferred_backup = path + ".bak";
  } else if (proj.backup_file()) {
    const std::string backup = path + ".bak";
    const std::string failure = kind == Target::File ? copy_file_replacing(path, backup, /*replace_read_only=*/true)
                                                     : replace_folder_with_copy(path, backup);
    if (!failure.empty()) {
      report_failure(path, failure);
      ++ctx.OutputsSkipped;
      return false;
    }
    ++ctx.OutputsBackedUp;
  }
  ++ctx.OutputsWritten;
  return true;
}

bool bool_arg(const vb::Variant& v) { return vb::to_bool(vb::default_value(v)); }

const bool kRegistered = [] {
  register_project_member("ConfirmOverwriteFile", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 4, 4);
    return vb::Variant(ConfirmOverwriteFile(p, vb::to_string(a[0]), bool_arg(a[1]), vb::default_value(a[2]),
                                            bool_arg(a[3])));
  });
  register_project_member("ConfirmOverwriteFolder", [](AGP& p, vb::Args a) {
    vb::check_arg_count(a, 4, 4);
    return vb::Variant(ConfirmOverwriteFolder(p, vb::to_string(a[0]), bool_arg(a[1]), vb::default_value(a[2]),
                                              bool_arg(a[3])));
  });
  register_project_member("RaiseCancelled", [](AGP&, vb::Args a) -> vb::Variant {
    vb::check_arg_count(a, 0, 0);
    RaiseCancelled();
  });
  register_project_member("RaiseGenError", [](AGP&, vb::Args a) -> vb::Variant {
    vb::check_arg_count(a, 0, 0);
    RaiseGenError();
  });
  return true;
}();

}  // namespace

bool ConfirmOverwriteFile(AGP& proj, const std::string& path, bool overwrite, const vb::Variant& prompt,
                          bool checkOnly) {
  return confirm_overwrite(proj, path, overwrite, prompt, checkOnly, Target::File);
}

bool ConfirmOverwriteFolder(AGP& proj, const std::string& path, bool overwrite, const vb::Variant& prompt,
                            bool checkOnly) {
  return confirm_overwrite(proj, path, overwrite, prompt, checkOnly, Target::Folder);
}

bool ConfirmOutputOverwrite(AGP& proj, const std::string& path, bool overwrite, const vb::Variant& prompt,
                            std::string& backup) {
  backup.clear();
  return confirm_overwrite(proj, path, overwrite, prompt, false, Target::File, &backup);
}

bool WriteOutputFile(const std::string& path, std::string_view text, const std::string& backup) {
  ModuleContext& ctx = context();
  const std::string normal = platform::normalize_separators(path);
  std::optional<platform::BackupOnReplace> keep;
  if (!backup.empty()) keep.emplace(normal, platform::normalize_separators(backup));
  const FileResult written = WriteTextFile(normal, text, false);
  if (keep && !keep->failure().empty()) {
    // As a backup that cannot be made before the overwrite: the output stays as it was.
    report_failure(path, keep->failure());
    --ctx.OutputsWritten;
    ++ctx.OutputsSkipped;
    return false;
  }
  if (!written) {
    ctx.ProjErr = ctx.ProductTitle + ": " + written.error;
    return false;
  }
  if (keep && keep->made()) ++ctx.OutputsBackedUp;
  return true;
}

std::string OverwritePromptText() {
  const ModuleContext& ctx = context();
  if (!ctx.PromptFilePath.empty()) return "File " + ShortenPath(ctx.PromptFilePath) + " already exists!";
  return "Folder " + ShortenPath(ctx.PromptFolderPath) + " already exists!";
}

std::string ShortenPath(std::string_view path) {
  const size_t length = vb::utf8_length(path);
  if (length <= kShownPathLength) return std::string(path);
  const bool backslashes = path.find('/') == std::string_view::npos && path.find('\\') != std::string_view::npos;
  const char sep = backslashes ? '\\' : '/';
  const std::vector<std::string_view> parts = vb::split(path, std::string_view(&sep, 1));
  std::string out(parts[0]);
  out.push_back(sep);
  out += "...";
  // Drop the fewest parts after the first that bring the rest within the limit.
  size_t dropped = 0;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (dropped > 0) ++dropped;
    dropped += vb::utf8_length(parts[i]);
    if (length - dropped + 3 <= kShownPathLength) {
      for (size_t j = i + 1; j < parts.size(); ++j) out.append(1, sep).append(parts[j]);
      return out;
    }
  }
  return out;
}

}  // namespace tolvex
