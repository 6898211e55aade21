#include "cli/commands.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>

#include "cli/host.h"
#include "cli/settings_access.h"
#include "fields/field.h"
#include "fields/fields.h"
#include "foundation/context.h"
#include "model/database.h"
#include "model/project.h"
#include "model/table.h"
#include "model/tables.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex::cli {

namespace {

namespace fs = std::filesystem;
using vb::Variant;

// Connection values of a database server, in the order the engine takes them.
struct Connection {
  std::string type = "MySQL";
  std::string host = "localhost";
  std::string port = "3306";
  std::string user;
  std::string password;
  std::string sid;
  std::string method;
  std::string url;
  std::string encoding;

  void add_options(CLI::App& cmd) {
    cmd.add_option("--type", type, "Kind of database server: MySQL, MariaDB (served as MySQL) or Oracle")
        ->capture_default_str()
        ->transform(CLI::IsMember({"MySQL", "MariaDB", "Oracle"}, CLI::ignore_case));
    cmd.add_option("--host", host, "Server host, or a socket path")->capture_default_str();
    cmd.add_option("--port", port, "Server port")->capture_default_str();
    cmd.add_option("--sid", sid, "Oracle: the service name");
    cmd.add_option("--user", user, "User name")->required();
    cmd.add_option("--password", password,
                   "Password (default: the environment variable TOLVEX_DB_PASSWORD)");
    cmd.add_option("--encoding", encoding, "Character set of the connection");
  }
  // The values in the engine's order after the database name.
  std::vector<Variant> values() const {
    const std::string kind = vb::iequals(type, "MariaDB") ? "MySQL" : type;
    return {Variant(kind), Variant(host), Variant(port), Variant(user), Variant(password_or_env()),
            Variant(sid),  Variant(method), Variant(url), Variant(encoding)};
  }
  std::string password_or_env() const {
    if (!password.empty()) return password;
    const char* env = std::getenv("TOLVEX_DB_PASSWORD");
    return env ? env : "";
  }
};

void add_quiet(CLI::App& cmd, Answers& a) { cmd.add_flag("--quiet,-q", a.quiet, "Show no progress"); }

void add_keep_or_update(CLI::App& cmd, Answers& a) {
  auto* keep = cmd.add_flag_callback("--keep", [&a] { a.keep_definition = true; },
                                     "Keep the project's definitions where the engine asks");
  auto* update = cmd.add_flag_callback("--update", [&a] { a.keep_definition = false; },
                                       "Update the project's definitions from the database where the engine asks");
  keep->excludes(update);
}

// "OLD=NEW" (tables) or "TABLE.OLD=NEW" (fields) into a pair for the name-mapping dialog.
platform::ScopedNameMapping parse_mapping(const std::string& text, bool field) {
  const size_t eq = text.find('=');
  std::string old_name = eq == std::string::npos ? std::string() : text.substr(0, eq);
  const std::string new_name = eq == std::string::npos ? std::string() : text.substr(eq + 1);
  std::string scope;
  if (field) {
    const size_t dot = old_name.find('.');
    if (dot != std::string::npos) {
      scope = old_name.substr(0, dot);
      old_name.erase(0, dot + 1);
    }
    if (scope.empty()) old_name.clear();
  }
  if (old_name.empty() || new_name.empty())
    throw CLI::ValidationError(field ? "--map-field" : "--map-table",
                               "expected " + std::string(field ? "TABLE.OLD=NEW" : "OLD=NEW") + ", got " + text);
  return {scope, {new_name, old_name}};
}

void add_mappings(CLI::App& cmd, Answers& a) {
  cmd.add_option_function<std::vector<std::string>>(
      "--map-table",
      [&a](const std::vector<std::string>& v) {
        for (const auto& m : v) a.names.push_back(parse_mapping(m, false));
      },
      "OLD=NEW: the table OLD of the project is the table NEW of the database (repeatable)");
  cmd.add_option_function<std::vector<std::string>>(
      "--map-field",
      [&a](const std::vector<std::string>& v) {
        for (const auto& m : v) a.names.push_back(parse_mapping(m, true));
      },
      "TABLE.OLD=NEW: the field OLD of TABLE is the column NEW of the database (repeatable)");
}

void example(CLI::App& cmd, const std::string& text) { cmd.footer("Example:\n  " + text); }

int report(const CommandError& e) {
  std::cerr << e.message << "\n";
  return e.status;
}

template <class F>
std::function<int()> guarded(F body) {
  return [body]() -> int {
    try {
      return body();
    } catch (const CommandError& e) {
      return report(e);
    } catch (const vb::VBError& e) {
      return report(CommandError{e.description()});
    } catch (const std::exception& e) {
      return report(CommandError{e.what()});
    }
  };
}

AGP& project_of(Host& host) {
  auto* proj = dynamic_cast<AGP*>(&host.project());
  if (!proj) throw CommandError{"The project object is not available in this build."};
  return *proj;
}

int32_t table_count(AGP& proj) {
  const vb::Ref<AGPDatabase>& db = proj.DB();
  return db ? db->Tables()->Count() : 0;
}

// The tables and fields of a project, by object: a synchronisation keeps the objects of the
// tables and fields it keeps (renamed or not) and makes new ones for what it rebuilds.
struct ModelSnapshot {
  struct Table {
    std::string name;
    vb::Ref<AGPTable> object;  // held, so that no later object takes its address
  };
  struct Field {
    const AGPTable* table;
    std::string name;
    int32_t type;
    vb::Ref<AGPField> object;
  };
  std::map<const AGPTable*, Table> tables;
  std::map<const AGPField*, Field> fields;

  explicit ModelSnapshot(AGP& proj) {
    const vb::Ref<AGPDatabase>& db = proj.DB();
    if (!db) return;
    AGPTables& list = *db->Tables();
    for (size_t i = 0; i < list.size(); ++i) {
      vb::Ref<AGPTable> t = list.at(i);
      if (!t) continue;
      tables[t.get()] = {t->TblName(), t};
      AGPFields& fs = *t->Fields();
      for (size_t j = 0; j < fs.size(); ++j)
        if (vb::Ref<AGPField> f = fs.at(j)) fields[f.get()] = {t.get(), f->FldName(), f->NativeDataType(), f};
    }
  }
};

// Says on stderr which tables and fields a synchronisation added, renamed, rebuilt with their
// defaults or removed.
void report_sync_changes(const ModelSnapshot& before, const ModelSnapshot& after, const std::string& file) {
  bool lost = false;  // something removed: perhaps a rename that no mapping named
  for (const auto& [key, t] : after.tables) {
    auto was = before.tables.find(key);
    if (was == before.tables.end()) {
      std::cerr << "Table " << t.name << ": new, with its defaults\n";
    } else if (was->second.name != t.name) {
      std::cerr << "Table " << was->second.name << ": renamed to " << t.name << ", its settings kept\n";
    }
  }
  for (const auto& [key, t] : before.tables)
    if (!after.tables.count(key)) {
      std::cerr << "Table " << t.name << ": removed with its settings\n";
      lost = true;
    }
  const auto table_name = [&](const AGPTable* t) { return after.tables.at(t).name; };
  for (const auto& [key, f] : after.fields) {
    if (!before.tables.count(f.table)) continue;  // the fields of a new table are new
    auto was = before.fields.find(key);
    const std::string table = table_name(f.table);
    if (was == before.fields.end()) {
      std::cerr << "Field " << table << "." << f.name << ": new, with its defaults\n";
      continue;
    }
    if (was->second.name != f.name)
      std::cerr << "Field " << table << "." << was->second.name << ": renamed to " << f.name << ", its settings kept\n";
    if (was->second.type != f.type)
      std::cerr << "Field " << table << "." << f.name << ": rebuilt with its defaults (its type changed)\n";
  }
  for (const auto& [key, f] : before.fields)
    if (!after.fields.count(key) && after.tables.count(f.table)) {
      std::cerr << "Field " << table_name(f.table) << "." << f.name << ": removed with its settings\n";
      lost = true;
    }
  if (lost)
    std::cerr << "A renamed table or column keeps its settings when the sync is told the old name: restore the "
                 "project from its backup, then tolvex sync "
              << file << " --update --map-table OLD=NEW --map-field TABLE.OLD=NEW\n";
}

// --template and --destination: another package and another destination than the project's.
struct PackageChoice {
  std::string package;
  std::string destination;

  void add_options(CLI::App& cmd) {
    cmd.add_option("--template", package, "Template package (.zip) instead of the project's");
    cmd.add_option("--destination", destination, "Destination folder instead of the project's");
  }
  void apply(Host& host) const {
    if (!package.empty()) host.set_setting("Template", Variant(absolute_path(package)));
    if (!destination.empty()) host.set_setting("Destination", Variant(absolute_path(destination)));
  }
};

// The settings objects that --database, --table, --field and --extension select.
struct Selection {
  bool database = false;
  std::string table;
  std::string field;
  std::string extension;

  void add_options(CLI::App& cmd) {
    cmd.add_flag("--database", database, "The settings of the project's database");
    cmd.add_option("--table", table, "The settings of the table NAME, or of every table that the pattern matches (* ?)");
    cmd.add_option("--field", field, "The settings of the field TABLE.FIELD (patterns allowed in both parts)");
    cmd.add_option("--extension", extension,
                   "The attributes of the extension NAME (of the project, or of --database, --table or --field)");
  }
  std::vector<SettingsTarget> resolve(AGP& proj) const {
    return select_targets(proj, {database, table, field, extension});
  }
};

}  // namespace

void add_commands(CLI::App& app, std::function<int()>& run) {
  auto answers = std::make_shared<Answers>();

  // --- new ---
  {
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
        if (fs::exists(*file) && !*force) throw CommandError{"The file exists already (use --force): " + *file};
        Host host(*answers);
        host.call("AddProj", {Variant(name->empty() ? fs::path(*file).stem().string() : *name)});
        host.call("Save", {Variant(absolute_path(*file))});
        return 0;
      });
    });
  }

  // --- databases ---
  {
    auto* cmd = app.add_subcommand("databases", "List the databases of a server");
    auto conn = std::make_shared<Connection>();
    conn->add_options(*cmd);
    example(*cmd, "TOLVEX_DB_PASSWORD=secret tolvex databases --host db.example.org --user report");
    cmd->callback([=, &run] {
      run = guarded([=] {
        answers->quiet = true;
        Host host(*answers);
        const std::string names = vb::to_string(host.call("LoadDatabaseNames", conn->values()));
        for (std::string_view line : vb::split(names, "\r\n"))
          if (!line.empty()) std::cout << line << "\n";
        return 0;
      });
    });
  }

  // --- import ---
  {
    auto* cmd = app.add_subcommand("import", "Read a database's schema into a project without a database (created when missing)");
    auto file = std::make_shared<std::string>();
    auto database = std::make_shared<std::string>();
    auto conn = std::make_shared<Connection>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    cmd->add_option("--database", *database, "Database to read")->required();
    conn->add_options(*cmd);
    add_quiet(*cmd, *answers);
    example(*cmd, "TOLVEX_DB_PASSWORD=secret tolvex import shop.tvp --database shop --host localhost --user report");
    cmd->callback([=, &run] {
      run = guarded([=] {
        Host host(*answers);
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

  // --- check ---
  {
    auto* cmd = app.add_subcommand(
        "check", "Compare a project with its live database (exit status 3 when they differ)");
    auto file = std::make_shared<std::string>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    add_quiet(*cmd, *answers);
    example(*cmd, "tolvex check shop.tvp || tolvex sync shop.tvp --update");
    cmd->callback([=, &run] {
      run = guarded([=] {
        // Nothing is saved: opening keeps the project as the file has it.
        answers->keep_definition = true;
        Host host(*answers);
        host.open(*file);
        const int32_t n = vb::to_long(host.call("CheckDB"));
        if (n == 0) {
          std::cout << "The project is in step with its database.\n";
          return 0;
        }
        std::cout << "The project differs from its database in " << n << (n == 1 ? " place" : " places")
                  << "; tolvex sync " << *file << " --update brings it in step.\n";
        return kExitDifferences;
      });
    });
  }

  // --- sync ---
  {
    auto* cmd = app.add_subcommand("sync", "Bring a project in step with its changed database and save it");
    auto file = std::make_shared<std::string>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    add_keep_or_update(*cmd, *answers);
    add_mappings(*cmd, *answers);
    add_quiet(*cmd, *answers);
    example(*cmd, "tolvex sync shop.tvp --update --map-field orders.cust_id=customer_id");
    cmd->callback([=, &run] {
      run = guarded([=] {
        // The project is opened as saved, so that what the sync changes can be told.
        const std::optional<bool> keep = answers->keep_definition;
        answers->keep_definition = true;
        Host host(*answers);
        host.open(*file);
        host.answer_keep_or_update(keep);
        AGP& proj = project_of(host);
        const ModelSnapshot before(proj);
        host.call("SynchronizeDB");
        report_sync_changes(before, ModelSnapshot(proj), *file);
        host.call("Save", {Variant(absolute_path(*file))});
        return 0;
      });
    });
  }

  // --- get / set ---
  {
    auto* cmd = app.add_subcommand("get", "Print settings of the project, its database, tables, fields or extensions");
    auto file = std::make_shared<std::string>();
    auto keys = std::make_shared<std::vector<std::string>>();
    auto sel = std::make_shared<Selection>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    cmd->add_option("key", *keys, "Settings to print (all when none is given)");
    sel->add_options(*cmd);
    example(*cmd, "tolvex get shop.tvp --table orders TblGen TblCaption");
    cmd->callback([=, &run] {
      run = guarded([=] {
        answers->quiet = true;
        answers->keep_definition = true;
        Host host(*answers);
        host.open(*file);
        print_settings(sel->resolve(project_of(host)), *keys, std::cout);
        return 0;
      });
    });
  }
  {
    auto* cmd = app.add_subcommand("set", "Change settings of the project, its database, tables, fields or extensions and save it");
    auto file = std::make_shared<std::string>();
    auto pairs = std::make_shared<std::vector<std::string>>();
    auto sel = std::make_shared<Selection>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    cmd->add_option("setting", *pairs, "KEY=VALUE, converted by the setting's type")->required();
    sel->add_options(*cmd);
    example(*cmd, "tolvex set shop.tvp --table '*' TblGen=True");
    cmd->callback([=, &run] {
      run = guarded([=] {
        answers->quiet = true;
        answers->keep_definition = true;
        Host host(*answers);
        host.open(*file);
        apply_settings(sel->resolve(project_of(host)), *pairs);
        host.call("Save", {Variant(absolute_path(*file))});
        return 0;
      });
    });
  }

  // --- extension ---
  add_extension_commands(app, run, answers);

  // --- check-template ---
  {
    auto* cmd = app.add_subcommand("check-template",
                                   "Check a template package against a project: how many outputs exist already");
    auto file = std::make_shared<std::string>();
    auto choice = std::make_shared<PackageChoice>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    choice->add_options(*cmd);
    add_quiet(*cmd, *answers);
    example(*cmd, "tolvex check-template shop.tvp --destination site");
    cmd->callback([=, &run] {
      run = guarded([=] {
        answers->keep_definition = true;
        Host host(*answers);
        host.open(*file);
        choice->apply(host);
        Variant existing = host.call("GenCheck");
        std::cout << vb::to_string(existing) << "\n";
        return 0;
      });
    });
  }

  // --- generate ---
  {
    auto* cmd = app.add_subcommand("generate", "Generate the report site of a project");
    auto file = std::make_shared<std::string>();
    auto choice = std::make_shared<PackageChoice>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    choice->add_options(*cmd);
    cmd->add_option("--overwrite", answers->overwrite,
                    "Existing outputs: all (replace) or skip, whatever the project's PromptOnOverwrite says; "
                    "ask (the default): as the project says, asking on a terminal")
        ->check(CLI::IsMember({"ask", "all", "skip"}));
    cmd->add_flag("--yes,-y", answers->yes, "Answer yes to the engine's other questions");
    add_quiet(*cmd, *answers);
    example(*cmd, "tolvex generate shop.tvp --destination site --overwrite=all");
    cmd->callback([=, &run] {
      run = guarded([=] {
        if (answers->overwrite == "ask") answers->overwrite.clear();
        answers->keep_definition = true;
        answers->cancellable = true;
        Host host(*answers);
        host.open(*file);
        choice->apply(host);
        // The flag answers every overwrite question, so the question must come.
        if (!answers->overwrite.empty()) host.set_setting("PromptOnOverwrite", Variant(true));
        host.call("GenScript");
        const ModuleContext& ctx = context();
        std::cerr << "Generated into " << vb::to_string(host.setting("Destination")) << ": " << ctx.OutputsWritten
                  << " files written, " << ctx.OutputsSkipped << " skipped, " << ctx.OutputsBackedUp
                  << " backed up.\n";
        return 0;
      });
    });
  }
}

}  // namespace tolvex::cli
