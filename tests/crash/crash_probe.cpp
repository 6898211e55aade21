// The helper of the crash test (crash_test.sh): it makes and saves a large project, the run
// that the test kills, and checks what a kill leaves behind.
//
//   crash_probe make-project SCHEMA TABLES FIELDS FILE   a schema of TABLES x FIELDS columns, read
//                                                        into a new project saved as FILE
//   crash_probe save SCHEMA FILE NAME                    opens FILE, sets its name, saves it
//   crash_probe hive-complete [--if-marked] USER_HIVE MACHINE_HIVE
//                                                        the user hive reads, and holds every
//                                                        machine value; with --if-marked only
//                                                        once it has the first-run marker
//
// Exit status 0 on success, 1 with the reason on stderr otherwise.
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

#include "database/schema_connection.h"
#include "database/schema_import.h"
#include "model/project.h"
#include "platform/file_io.h"
#include "platform/registry.h"
#include "platform/schema/fixture_driver.h"
#include "projectfile/project_file.h"

namespace {

using namespace tolvex;

void use_schema(const std::string& schema) { set_schema_driver(vb::make_ref<platform::FixtureSchemaDriver>(schema)); }

ConnectionSettings connection() {
  ConnectionSettings c;
  c.database = "big";
  c.type = "mysql";
  c.host = "localhost";
  c.port = "3306";
  c.user = "crash";
  c.encoding = "utf8";
  return c;
}

int make_project(const std::string& schema, int tables, int fields, const std::string& file) {
  {
    std::ofstream out(schema, std::ios::binary);
    out << "database name=big\n";
    for (int t = 1; t <= tables; ++t) {
      out << "table name=table_" << t << " pk=id\nfield name=id type=int required autoincrement\n";
      for (int f = 1; f < fields; ++f)
        out << "field name=column_" << f << " type=\"" << (f % 3 == 0 ? "varchar(80)" : f % 3 == 1 ? "int" : "date")
            << "\"\n";
    }
  }
  use_schema(schema);
  auto project = vb::make_ref<AGP>();
  project->AddProj("big");
  LoadDB(*project, connection());
  if (!project->DB()) throw std::runtime_error("no database: " + project->ProjErr());
  Save(*project, file);
  return 0;
}

int save(const std::string& schema, const std::string& file, const std::string& name) {
  use_schema(schema);
  auto project = vb::make_ref<AGP>();
  Load(*project, file);
  if (!project->DB()) throw std::runtime_error("cannot load " + file + ": " + project->ProjErr());
  project->set_setting_value(ProjectSetting::ProjName, vb::Variant(name));
  Save(*project, file);
  return 0;
}

std::string shown(const platform::RegValue& v) {
  platform::RegistryTree t;
  t.set_value("k", "v", v);
  return t.to_hive_text();
}

int missing_values(const platform::RegistryTree& user, const platform::RegistryTree& machine, const std::string& key) {
  int missing = 0;
  for (const std::string& name : machine.value_names(key)) {
    const auto want = machine.query_value(key, name);
    const auto have = user.query_value(key, name);
    if (!have || !(*have == *want)) {
      std::cerr << "missing or different in the user hive: [" << key << "] \"" << name << "\""
                << (have ? " = " + shown(*have) : std::string()) << "\n";
      ++missing;
    }
  }
  for (const std::string& sub : machine.subkeys(key))
    missing += missing_values(user, machine, key.empty() ? sub : key + "\\" + sub);
  return missing;
}

int hive_complete(const std::string& user_file, const std::string& machine_file, bool if_marked) {
  const auto user = platform::RegistryTree::from_hive_text(platform::read_file(user_file), user_file);
  const auto machine = platform::RegistryTree::from_hive_text(platform::read_file(machine_file), machine_file);
  // The first-run copy is marked done by a Language that is not empty.
  const auto marker = user.query_value("Software\\Tolvex\\3.0\\Settings\\General", "Language");
  if (if_marked && (!marker || (marker->is_text_kind() && marker->text.empty()))) return 0;
  return missing_values(user, machine, "") == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  try {
    if (what == "make-project" && argc == 6) return make_project(argv[2], std::stoi(argv[3]), std::stoi(argv[4]), argv[5]);
    if (what == "save" && argc == 5) return save(argv[2], argv[3], argv[4]);
    if (what == "hive-complete" && argc == 4) return hive_complete(argv[2], argv[3], false);
    if (what == "hive-complete" && argc == 5 && std::string(argv[2]) == "--if-marked")
      return hive_complete(argv[3], argv[4], true);
  } catch (const std::exception& e) {
    std::cerr << "crash_probe " << what << ": " << e.what() << "\n";
    return 1;
  }
  std::cerr << "usage: crash_probe make-project SCHEMA TABLES FIELDS FILE | save SCHEMA FILE NAME |"
               " hive-complete [--if-marked] USER_HIVE MACHINE_HIVE\n";
  return 2;
}
