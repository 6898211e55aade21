#include "cli/command_options.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "vb/strings.h"

namespace tolvex::cli {

using vb::Variant;

void Connection::add_options(CLI::App& cmd) {
  cmd.add_option("--type", type, "Kind of database server: MySQL, MariaDB (served as MySQL) or Oracle")
      ->capture_default_str()
      ->transform(CLI::IsMember({"MySQL", "MariaDB", "Oracle"}, CLI::ignore_case));
  cmd.add_option("--host", host, "Server host, or a socket path")->capture_default_str();
  cmd.add_option("--port", port, "Server port")->capture_default_str();
  cmd.add_option("--sid", sid, "Oracle: the service name");
  cmd.add_option("--user", user, "User name")->required();
  cmd.add_option_function<std::vector<std::string>>(
         "--password",
         [this](const std::vector<std::string>& v) {
           ask_password = v.empty() || (v.size() == 1 && v.front().empty());
           if (!v.empty()) password = v.front();
         },
         "Password: best in the environment variable TOLVEX_DB_PASSWORD; --password alone asks for it on the "
         "terminal (a value given here shows in the process list)")
      ->expected(0, 1);
  cmd.add_option("--encoding", encoding, "Character set of the connection");
}

std::vector<Variant> Connection::values() const {
  const std::string kind = vb::iequals(type, "MariaDB") ? "MySQL" : type;
  return {Variant(kind), Variant(host), Variant(port), Variant(user), Variant(password_or_env()),
          Variant(sid),  Variant(method), Variant(url), Variant(encoding)};
}

namespace {

// Reads a line from the terminal without showing it.
std::string read_hidden_line(const std::string& prompt) {
  const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0 || !::isatty(STDIN_FILENO)) {
    if (fd >= 0) ::close(fd);
    throw CommandError{"--password without a value asks for the password on a terminal, and there is none: put it in "
                       "the environment variable TOLVEX_DB_PASSWORD instead.",
                       kExitUsage};
  }
  (void)!::write(fd, prompt.data(), prompt.size());
  termios old {};
  const bool quiet = ::tcgetattr(fd, &old) == 0;
  if (quiet) {
    termios hidden = old;
    hidden.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(fd, TCSAFLUSH, &hidden);
  }
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
  if (quiet) ::tcsetattr(fd, TCSAFLUSH, &old);
  (void)!::write(fd, "\n", 1);
  ::close(fd);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

std::string Connection::password_or_env() const {
  if (ask_password) return read_hidden_line("Password for " + user + ": ");
  if (!password.empty()) return password;
  const char* env = std::getenv("TOLVEX_DB_PASSWORD");
  return env ? env : "";
}

void PackageChoice::add_options(CLI::App& cmd) {
  cmd.add_option("--template", package, "Template package (.zip) instead of the project's");
  cmd.add_option("--destination", destination, "Destination folder instead of the project's");
}

void PackageChoice::apply(Host& host) const {
  if (!package.empty()) host.set_setting("Template", Variant(absolute_path(package)));
  if (!destination.empty()) host.set_setting("Destination", Variant(absolute_path(destination)));
}

void Selection::add_options(CLI::App& cmd) {
  cmd.add_flag("--database", database, "The settings of the project's database");
  cmd.add_option("--table", table, "The settings of the table NAME, or of every table that the pattern matches (* ?)");
  cmd.add_option("--field", field, "The settings of the field TABLE.FIELD (patterns allowed in both parts)");
  cmd.add_option("--extension", extension,
                 "The attributes of the extension NAME (of the project, or of --database, --table or --field)");
}

std::vector<SettingsTarget> Selection::resolve(AGP& proj) const { return select_targets(proj, *this); }

std::shared_ptr<std::string> add_project_file(CLI::App& cmd) {
  auto file = std::make_shared<std::string>();
  add_project_file(cmd, *file);
  return file;
}

void add_project_file(CLI::App& cmd, std::string& file) {
  cmd.add_option("file", file, "Project file (.tvp)")->required();
}

void add_quiet(CLI::App& cmd, Answers& a) { cmd.add_flag("--quiet,-q", a.quiet, "Show no progress"); }

void add_keep_or_update(CLI::App& cmd, Answers& a) {
  auto* keep = cmd.add_flag_callback("--keep", [&a] { a.keep_definition = true; },
                                     "Keep the project's definitions where the engine asks");
  auto* update = cmd.add_flag_callback("--update", [&a] { a.keep_definition = false; },
                                       "Update the project's definitions from the database where the engine asks");
  keep->excludes(update);
}

namespace {

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

}  // namespace

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

AGP& project_of(Host& host) {
  auto* proj = dynamic_cast<AGP*>(&host.project());
  if (!proj) throw CommandError{"The project object is not available in this build."};
  return *proj;
}

}  // namespace tolvex::cli
