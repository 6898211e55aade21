// tolvex new: an empty project file.
#include <filesystem>

#include "cli/command_options.h"
#include "cli/commands.h"

namespace tolvex::cli {

void add_new_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  namespace fs = std::filesystem;
  using vb::Variant;
  auto* cmd = app.add_subcommand("new", "Create a new, empty project file");
  auto file = std::make_shared<std::string>();
  auto name = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  cmd->add_option("file", *file, "Project file to write (.tvp)")->required();
  cmd->add_option("--name", *name, "Project name (default: the file's name)");
  cmd->add_flag("--force", *force, "Replace an existing file");
  example(*cmd, "tolvex new shop.tvp");
  cmd->callback([=, &run] {
    run = guarded([=] {
      // Held from the look at the file until the save, so that two runs never both write it.
      const platform::FileLock lock(absolute_path(*file));
      if (fs::exists(*file) && !*force) throw CommandError{"The file exists already (use --force): " + *file};
      Host host(*answers);
      host.call("AddProj", {Variant(name->empty() ? fs::path(*file).stem().string() : *name)});
      host.call("Save", {Variant(absolute_path(*file))});
      return 0;
    });
  });
}

}  // namespace tolvex::cli
