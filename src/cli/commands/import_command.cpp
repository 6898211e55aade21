// tolvex import: a database's schema read into a project that has none yet.
#include <filesystem>
#include <iostream>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "model/database.h"
#include "model/tables.h"

namespace tolvex::cli {

namespace {

int32_t table_count(AGP& proj) {
  const vb::Ref<AGPDatabase>& db = proj.DB();
  return db ? db->Tables()->Count() : 0;
}

}  // namespace

void add_import_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  namespace fs = std::filesystem;
  using vb::Variant;
  auto* cmd = app.add_subcommand("import", "Read a database's schema into a project without a database (created when missing)");
  auto database = std::make_shared<std::string>();
  auto conn = std::make_shared<Connection>();
  auto file = add_project_file(*cmd);
  cmd->add_option("--database", *database, "Database to read")->required();
  conn->add_options(*cmd);
  add_quiet(*cmd, *answers);
  example(*cmd, "TOLVEX_DB_PASSWORD=secret tolvex import shop.tvp --database shop --host localhost --user report");
  cmd->callback([=, &run] {
    run = guarded([=] {
      Host host(*answers);
      host.lock_project(*file);
      AGP& proj = project_of(host);
      if (fs::exists(*file)) {
        host.open(*file, /*need_database=*/false);
        if (const vb::Ref<AGPDatabase>& db = proj.DB(); db && (!db->DBName().empty() || table_count(proj) > 0))
          throw CommandError{"The project " + *file + " holds the database \"" + db->DBName() +
                             "\" already. To bring it in step with a changed database, use: tolvex sync " + *file +
                             " --update"};
      } else {
        host.call("AddProj", {Variant(fs::path(*file).stem().string())});
      }
      std::vector<Variant> args{Variant(*database)};
      for (Variant& v : conn->values()) args.push_back(std::move(v));
      host.call("LoadDB", std::move(args));
      host.call("Save", {Variant(absolute_path(*file))});
      const int32_t n = table_count(proj);
      std::cerr << "Read " << n << (n == 1 ? " table" : " tables") << " (with views, custom views and reports) from "
                << *database << " into " << *file << ". None is selected for generation yet; select them all with:\n"
                << "  tolvex set " << *file << " --table '*' TblGen=True\n";
      return 0;
    });
  });
}

}  // namespace tolvex::cli
