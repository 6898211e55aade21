#include "cli/commands.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/host.h"
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
    cmd.add_option("--type", type, "Kind of database server (MySQL)")->capture_default_str();
    cmd.add_option("--host", host, "Server host, or a socket path")->capture_default_str();
    cmd.add_option("--port", port, "Server port")->capture_default_str();
    cmd.add_option("--user", user, "User name")->required();
    cmd.add_option("--password", password,
                   "Password (default: the environment variable TOLVEX_DB_PASSWORD)");
    cmd.add_option("--encoding", encoding, "Character set of the connection");
  }
  std::string password_or_env() const {
    if (!password.empty()) return password;
    const char* env = std::getenv("TOLVEX_DB_PASSWORD");
    return env ? env : "";
  }
};

void add_answer_options(CLI::App& cmd, Answers& a) {
  cmd.add_flag("--yes,-y", a.yes, "Answer yes to the engine's questions");
  cmd.add_option("--overwrite", a.overwrite, "Existing outputs: ask, all (replace) or skip")
      ->check(CLI::IsMember({"ask", "all", "skip"}))
      ->capture_default_str();
  auto* keep = cmd.add_flag_callback("--keep", [&a] { a.keep_definition = true; },
                                     "After a database change, keep the project's definitions");
  auto* update = cmd.add_flag_callback("--update", [&a] { a.keep_definition = false; },
                                       "After a database change, update the project to the database");
  keep->excludes(update);
  cmd.add_flag("--quiet,-q", a.quiet, "Show no progress");
}

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
    add_answer_options(*cmd, *answers);
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
    add_answer_options(*cmd, *answers);
    cmd->callback([=, &run] {
      run = guarded([=] {
        Host host(*answers);
        Variant names = host.call("LoadDatabaseNames",
                                  {Variant(conn->type), Variant(conn->host), Variant(conn->port), Variant(conn->user),
                                   Variant(conn->password_or_env()), Variant(conn->sid), Variant(conn->method),
                                   Variant(conn->url), Variant(conn->encoding)});
        for (std::string_view line : vb::split(vb::to_string(names), "\r\n"))
          if (!line.empty()) std::cout << line << "\n";
        return 0;
      });
    });
  }

  // --- import ---
  {
    auto* cmd = app.add_subcommand("import", "Read a database's schema into a project file (created when missing)");
    auto file = std::make_shared<std::string>();
    auto database = std::make_shared<std::string>();
    auto conn = std::make_shared<Connection>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    cmd->add_option("--database", *database, "Database to read")->required();
    conn->add_options(*cmd);
    add_answer_options(*cmd, *answers);
    cmd->callback([=, &run] {
      run = guarded([=] {
        Host host(*answers);
        if (fs::exists(*file)) {
          host.open(*file);
        } else {
          host.call("AddProj", {Variant(fs::path(*file).stem().string())});
        }
        host.call("LoadDB", {Variant(*database), Variant(conn->type), Variant(conn->host), Variant(conn->port),
                             Variant(conn->user), Variant(conn->password_or_env()), Variant(conn->sid),
                             Variant(conn->method), Variant(conn->url), Variant(conn->encoding)});
        host.call("Save", {Variant(absolute_path(*file))});
        return 0;
      });
    });
  }

  // --- check ---
  {
    auto* cmd = app.add_subcommand("check", "Compare a project with its live database");
    auto file = std::make_shared<std::string>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    add_answer_options(*cmd, *answers);
    cmd->callback([=, &run] {
      run = guarded([=] {
        Host host(*answers);
        host.open(*file);
        Variant differences = host.call("CheckDB");
        std::cout << vb::to_string(differences) << "\n";
        return 0;
      });
    });
  }

  // --- sync ---
  {
    auto* cmd = app.add_subcommand("sync", "Bring a project in step with its changed database and save it");
    auto file = std::make_shared<std::string>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    add_answer_options(*cmd, *answers);
    cmd->callback([=, &run] {
      run = guarded([=] {
        Host host(*answers);
        host.open(*file);
        host.call("SynchronizeDB");
        host.call("Save", {Variant(absolute_path(*file))});
        return 0;
      });
    });
  }

  // --- check-template ---
  {
    auto* cmd = app.add_subcommand("check-template",
                                   "Check a template package against a project: how many outputs exist already");
    auto file = std::make_shared<std::string>();
    auto tpl = std::make_shared<std::string>();
    auto dest = std::make_shared<std::string>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    cmd->add_option("--template", *tpl, "Template package (.zip) instead of the project's");
    cmd->add_option("--destination", *dest, "Destination folder instead of the project's");
    add_answer_options(*cmd, *answers);
    cmd->callback([=, &run] {
      run = guarded([=] {
        Host host(*answers);
        host.open(*file);
        if (!tpl->empty()) host.set_setting("Template", Variant(absolute_path(*tpl)));
        if (!dest->empty()) host.set_setting("Destination", Variant(absolute_path(*dest)));
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
    auto tpl = std::make_shared<std::string>();
    auto dest = std::make_shared<std::string>();
    cmd->add_option("file", *file, "Project file (.tvp)")->required();
    cmd->add_option("--template", *tpl, "Template package (.zip) instead of the project's");
    cmd->add_option("--destination", *dest, "Destination folder instead of the project's");
    add_answer_options(*cmd, *answers);
    cmd->callback([=, &run] {
      run = guarded([=] {
        Host host(*answers);
        host.open(*file);
        if (!tpl->empty()) host.set_setting("Template", Variant(absolute_path(*tpl)));
        if (!dest->empty()) host.set_setting("Destination", Variant(absolute_path(*dest)));
        host.call("GenScript");
        std::cerr << "Generated into " << vb::to_string(host.setting("Destination")) << "\n";
        return 0;
      });
    });
  }
}

}  // namespace tolvex::cli
