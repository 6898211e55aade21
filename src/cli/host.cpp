#include "cli/host.h"

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <iostream>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "platform/progress.h"
#include "platform/registry.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex::cli {

namespace {

platform::NonInteractiveAnswers non_interactive(const Answers& a) {
  platform::NonInteractiveAnswers n;
  n.assume_yes = a.yes;
  n.overwrite = a.overwrite == "all" ? platform::OverwritePolicy::All : platform::OverwritePolicy::Skip;
  n.keep_or_update =
      a.keep_definition.value_or(true) ? platform::SyncAnswer::Keep : platform::SyncAnswer::Update;
  n.names = a.names;
  return n;
}

}  // namespace

// The questions that a flag answered are not asked again, on a terminal or not.
class FlagsFirstUI : public platform::HostUI {
 public:
  FlagsFirstUI(std::unique_ptr<platform::HostUI> inner, const Answers& answers)
      : inner_(std::move(inner)), answers_(answers), flags_(non_interactive(answers)) {}

  int32_t message_box(const std::string& text, const std::string& title, int32_t flags) override {
    return inner_->message_box(text, title, flags);
  }
  std::optional<std::string> input_box(const std::string& prompt, const std::string& title,
                                       const std::string& default_text) override {
    return inner_->input_box(prompt, title, default_text);
  }
  platform::OverwriteAnswer ask_overwrite(const std::string& path, const std::string& question) override {
    if (!answers_.overwrite.empty()) return flags_.ask_overwrite(path, question);
    return inner_->ask_overwrite(path, question);
  }
  platform::SyncAnswer ask_keep_or_update(const std::string& summary) override {
    if (answers_.keep_definition) return flags_.ask_keep_or_update(summary);
    return inner_->ask_keep_or_update(summary);
  }
  bool ask_template_version(const std::string& package, const std::string& found_version,
                            const std::string& expected_version) override {
    return inner_->ask_template_version(package, found_version, expected_version);
  }
  std::vector<platform::NameMapping> ask_name_mapping(const std::string& what,
                                                      const std::vector<std::string>& new_names,
                                                      const std::vector<std::string>& old_names) override {
    return inner_->ask_name_mapping(what, new_names, old_names);
  }

  void answer_keep_or_update(std::optional<bool> keep) {
    answers_.keep_definition = keep;
    flags_ = platform::NonInteractiveUI(non_interactive(answers_));
  }

 private:
  std::unique_ptr<platform::HostUI> inner_;
  Answers answers_;
  platform::NonInteractiveUI flags_;
};

namespace {

// Questions are asked on the terminal when there is one and the user did not answer them all
// with --yes.
bool ask_on_terminal(const Answers& a) { return isatty(STDIN_FILENO) && isatty(STDERR_FILENO) && !a.yes; }

// Texts that Load leaves when it failed; any other text it leaves is a warning.
bool load_failed(const std::string& error, const std::string& product) {
  for (const char* failure : {": Load Project File failed!", ": Invalid Project File!", ": Project file version ("})
    if (error.starts_with(product + failure)) return true;
  return false;
}

}  // namespace

Host::Host(const Answers& answers) {
  ModuleContext& ctx = context();
  auto ui = std::make_shared<FlagsFirstUI>(platform::make_host_ui(ask_on_terminal(answers), non_interactive(answers)),
                                           answers);
  ui_ = ui.get();
  ctx.HostUi = ui;
  ctx.progress.library = platform::make_console_progress(answers.quiet, answers.cancellable);
  project_ = create_object("Tolvex.AGP");
  if (!project_) throw CommandError{"The project object is not available in this build."};
  if (!ctx.ProjErr.empty()) throw CommandError{ctx.ProjErr};
  // The first run's copy of the machine defaults could not be stored: it serves this run only.
  if (auto unsaved = platform::current_registry().unsaved(platform::RegRoot::CurrentUser)) {
    std::string cause = unsaved->cause;
    if (!cause.empty()) cause[0] = char(std::tolower(static_cast<unsigned char>(cause[0])));
    warn("cannot keep the user settings in '" + unsaved->file.string() + "': " + cause +
         "; using the defaults for this run");
  }
}

Host::~Host() = default;

vb::Dispatch& Host::project() { return *project_; }

void Host::answer_keep_or_update(std::optional<bool> keep) { ui_->answer_keep_or_update(keep); }

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
    std::string message = shown_message(e, ctx.ProjErr.empty() ? e.description() : ctx.ProjErr);
    const bool cancelled =
        platform::interrupt_requested() || message.find("Generation cancelled by user!") != std::string::npos;
    throw CommandError{cancelled ? "Generation cancelled by user!" : message, cancelled ? kExitCancelled : kExitFailure};
  }
  if (platform::interrupt_requested()) throw CommandError{"Generation cancelled by user!", kExitCancelled};
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

void Host::open(const std::string& file, bool need_database) {
  // The status only: a FIFO is never opened, so it cannot block.
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (ec && ec != std::errc::no_such_file_or_directory)
    throw CommandError{"Cannot read the project file " + file + ": " + ec.message()};
  if (!std::filesystem::exists(status)) throw CommandError{"Project file not found: " + file};
  if (!std::filesystem::is_regular_file(status)) throw CommandError{"The project " + file + " is not a regular file."};
  ModuleContext& ctx = context();
  ctx.ProjErr.clear();
  try {
    vb::Variant path(absolute_path(file));
    project_->call("Load", std::span(&path, 1));
  } catch (const vb::VBError& e) {
    throw CommandError{shown_message(e, ctx.ProjErr.empty() ? e.description() : ctx.ProjErr)};
  }
  std::string left = std::move(ctx.ProjErr);
  ctx.ProjErr.clear();
  if (load_failed(left, ctx.ProductTitle)) throw CommandError{left};
  const bool has_database = !project_->get("DB").is_nothing();
  if (!has_database) {
    if (need_database) throw CommandError{"The project " + file + " has no database yet: import one with `tolvex import`."};
    return;  // the load's complaint about the missing database is no news here
  }
  if (!left.empty()) warn(left);
}

void Host::lock_project(const std::string& file) { lock_.emplace(absolute_path(file)); }

std::string absolute_path(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

std::string shown_message(const vb::VBError& e, std::string message) {
  const auto* refused = dynamic_cast<const RegistryWriteError*>(&e);
  if (!refused) return message;
  if (const size_t at = message.find(e.description()); at != std::string::npos)
    return message.replace(at, e.description().size(), refused->cause());
  return message;
}

void warn(const std::string& text) {
  for (std::string_view line : vb::split(text, "\n")) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) std::cerr << "warning: " << line << "\n";
  }
}

}  // namespace tolvex::cli
