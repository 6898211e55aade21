// tolvex extension list|add|remove|enable|disable: a project's extensions, as the designer
// manages them.
#include <iostream>
#include <memory>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "extensions/attribute_definitions.h"
#include "extensions/extensions.h"
#include "vb/strings.h"

namespace tolvex::cli {

namespace {

using vb::Variant;

AGPExtensions& extensions_of(Host& host) {
  auto* list = dynamic_cast<AGPExtensions*>(host.project().get("Extensions").object().get());
  if (!list) throw CommandError{"The project's extension list is not available in this build."};
  return *list;
}

vb::Ref<AGPExtension> listed(AGPExtensions& list, const std::string& name) {
  for (const auto& ext : list.items())
    if (vb::iequals(ext->Name(), name)) return ext;
  throw CommandError{"The project has no extension \"" + name + "\"."};
}

// The registered extension named `name`, as registered.
RegisteredExtension registered(const std::string& name) {
  std::string known;
  for (RegisteredExtension& ext : registered_extensions()) {
    if (vb::iequals(ext.name, name)) return std::move(ext);
    known += (known.empty() ? "" : ", ") + ext.name;
  }
  throw CommandError{"No extension \"" + name + "\" is registered" +
                     (known.empty() ? std::string(".") : " (registered: " + known + ").")};
}

}  // namespace

void add_extension_commands(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  auto* group = app.add_subcommand("extension", "List, add, remove, enable or disable a project's extensions");
  group->require_subcommand(1);
  example(*group, "tolvex extension list shop.tvp");

  auto file = std::make_shared<std::string>();
  auto name = std::make_shared<std::string>();
  // Opens the project, runs `change` on its list and saves it (when `save`).
  auto command = [&run, answers, file, name](CLI::App* cmd, bool with_name, bool save, auto change) {
    add_project_file(*cmd, *file);
    if (with_name) cmd->add_option("name", *name, "Extension name")->required();
    cmd->callback([&run, answers, file, name, save, change] {
      run = guarded([answers, file, name, save, change] {
        answers->quiet = true;
        answers->keep_definition = true;
        Host host(*answers);
        if (save) host.lock_project(*file);
        host.open(*file);
        change(host, extensions_of(host), *name);
        if (save) host.call("Save", {Variant(absolute_path(*file))});
        return 0;
      });
    });
  };

  auto* list = group->add_subcommand("list", "Print each extension: its name, enabled or disabled, and its package");
  example(*list, "tolvex extension list shop.tvp");
  command(list, false, false, [](Host&, AGPExtensions& exts, const std::string&) {
    for (const auto& ext : exts.items())
      std::cout << ext->Name() << "\t" << (ext->Enabled() ? "enabled" : "disabled") << "\t" << ext->Template() << "\n";
  });

  auto* add = group->add_subcommand("add", "Add one of the registered extensions to the project");
  example(*add, "tolvex extension add shop.tvp Charts");
  command(add, true, true, [](Host& host, AGPExtensions&, const std::string& n) {
    const RegisteredExtension r = registered(n);
    host.call("AddExtension", {Variant(r.name), Variant(r.package), Variant(r.definition)});
  });

  auto* remove = group->add_subcommand("remove", "Remove an extension from the project");
  example(*remove, "tolvex extension remove shop.tvp Charts");
  command(remove, true, true, [](Host& host, AGPExtensions& exts, const std::string& n) {
    host.call("DeleteExtension", {Variant(listed(exts, n)->Name())});
  });

  for (const bool enable : {true, false}) {
    auto* cmd = group->add_subcommand(enable ? "enable" : "disable",
                                      enable ? "Let generation use an extension" : "Keep generation from using an extension");
    example(*cmd, std::string("tolvex extension ") + (enable ? "enable" : "disable") + " shop.tvp Charts");
    command(cmd, true, true, [enable](Host&, AGPExtensions& exts, const std::string& n) { listed(exts, n)->Enabled(enable); });
  }
}

}  // namespace tolvex::cli
