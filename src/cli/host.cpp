#include "cli/host.h"

#include <unistd.h>

#include <filesystem>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "platform/host_ui.h"
#include "platform/progress.h"
#include "vb/convert.h"

namespace tolvex::cli {

namespace {

platform::NonInteractiveAnswers non_interactive(const Answers& a) {
  platform::NonInteractiveAnswers n;
  n.assume_yes = a.yes;
  n.overwrite = a.overwrite == "all" ? platform::OverwritePolicy::All : platform::OverwritePolicy::Skip;
  n.keep_or_update =
      a.keep_definition.value_or(true) ? platform::SyncAnswer::Keep : platform::SyncAnswer::Update;
  return n;
}

// Questions are asked on the terminal only when the user left them open: overwrites with
// --overwrite=ask, the keep-or-update question without --keep/--update, others without --yes.
bool ask_on_terminal(const Answers& a) {
  return isatty(STDIN_FILENO) && isatty(STDERR_FILENO) && a.overwrite == "ask" && !a.keep_definition && !a.yes;
}

}  // namespace

Host::Host(const Answers& answers) {
  ModuleContext& ctx = context();
  ctx.HostUi = std::shared_ptr<platform::HostUI>(platform::make_host_ui(ask_on_terminal(answers), non_interactive(answers)));
  if (answers.quiet) {
    ctx.progress.library = std::make_shared<platform::SilentProgress>();
  } else {
    ctx.progress.library = std::make_shared<platform::ConsoleProgress>();
  }
  project_ = create_object("Tolvex.AGP");
  if (!project_) throw CommandError{"The project object is not available in this build."};
  if (!ctx.ProjErr.empty()) throw CommandError{ctx.ProjErr};
}

Host::~Host() = default;

vb::Dispatch& Host::project() { return *project_; }

vb::Variant Host::call(const std::string& member, std::vector<vb::Variant> args) {
  ModuleContext& ctx = context();
  ctx.ProjErr.clear();
  vb::Variant result;
  try {
    if (!project_->has_member(member))
      throw CommandError{"This build of " + ctx.ProductTitle + " cannot do this yet (" + member + ")."};
    result = project_->call(member, args);
  } catch (const vb::VBError& e) {
    // A generation run ends with a raised error whose description is the last-error text.
    std::string message = ctx.ProjErr.empty() ? e.description() : ctx.ProjErr;
    const bool cancelled = message.find("Generation cancelled by user!") != std::string::npos;
    throw CommandError{message, cancelled ? 130 : 1};
  }
  if (!ctx.ProjErr.empty()) throw CommandError{ctx.ProjErr};
  return result;
}

vb::Variant Host::setting(const std::string& key) {
  vb::Variant k(key);
  vb::Ref<vb::Dispatch> props = project_->get("Properties").object();
  vb::Variant item = props->call("Item", std::span(&k, 1));
  if (item.is_nothing()) throw CommandError{"The project has no setting \"" + key + "\"."};
  return item.object()->get("Value");
}

void Host::set_setting(const std::string& key, const vb::Variant& value) {
  vb::Variant k(key);
  vb::Ref<vb::Dispatch> props = project_->get("Properties").object();
  vb::Variant item = props->call("Item", std::span(&k, 1));
  if (item.is_nothing()) throw CommandError{"The project has no setting \"" + key + "\"."};
  item.object()->let("Value", value);
  // The typed members of some settings do more than store the value (Destination).
  if (project_->has_member(key)) project_->let(key, value);
}

void Host::open(const std::string& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) throw CommandError{"Project file not found: " + file};
  call("Load", {vb::Variant(absolute_path(file))});
}

std::string absolute_path(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

}  // namespace tolvex::cli
