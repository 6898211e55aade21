// tolvex sync: a project brought in step with its changed database, with a line on stderr for
// each table and field that the sync added, renamed, rebuilt or removed.
#include <iostream>
#include <map>
#include <set>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "fields/field.h"
#include "fields/fields.h"
#include "foundation/context.h"
#include "model/database.h"
#include "model/table.h"
#include "model/tables.h"

namespace tolvex::cli {

namespace {

// The tables and fields of a project, by object: a synchronisation keeps the objects of the
// tables and fields it keeps (renamed or not) and makes new ones for what it rebuilds.
struct ModelSnapshot {
  struct Table {
    std::string name;
    std::set<std::string> field_names;
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
      Table& entry = tables[t.get()] = {t->TblName(), {}, t};
      AGPFields& fs = *t->Fields();
      for (size_t j = 0; j < fs.size(); ++j)
        if (vb::Ref<AGPField> f = fs.at(j)) {
          fields[f.get()] = {t.get(), f->FldName(), f->NativeDataType(), f};
          entry.field_names.insert(f->FldName());
        }
    }
  }
};

// Says on stderr which tables and fields a synchronisation added, renamed, rebuilt with their
// defaults or removed. A removal that looks like a rename no mapping named (a table removed
// while a new one has the same field names; a field removed from a table that got a new field
// of the same type) gets the mapping that would have kept its settings.
void report_sync_changes(const ModelSnapshot& before, const ModelSnapshot& after, const std::string& file) {
  std::vector<const ModelSnapshot::Table*> new_tables, removed_tables;
  std::vector<const ModelSnapshot::Field*> new_fields, removed_fields;
  for (const auto& [key, t] : after.tables) {
    auto was = before.tables.find(key);
    if (was == before.tables.end()) {
      std::cerr << "Table " << t.name << ": new, with its defaults\n";
      new_tables.push_back(&t);
    } else if (was->second.name != t.name) {
      std::cerr << "Table " << was->second.name << ": renamed to " << t.name << ", its settings kept\n";
    }
  }
  for (const auto& [key, t] : before.tables)
    if (!after.tables.count(key)) {
      std::cerr << "Table " << t.name << ": removed with its settings\n";
      removed_tables.push_back(&t);
    }
  const auto table_name = [&](const AGPTable* t) { return after.tables.at(t).name; };
  for (const auto& [key, f] : after.fields) {
    if (!before.tables.count(f.table)) continue;  // the fields of a new table are new
    auto was = before.fields.find(key);
    const std::string table = table_name(f.table);
    if (was == before.fields.end()) {
      std::cerr << "Field " << table << "." << f.name << ": new, with its defaults\n";
      new_fields.push_back(&f);
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
      removed_fields.push_back(&f);
    }

  std::string mappings;
  for (const ModelSnapshot::Table* gone : removed_tables)
    for (const ModelSnapshot::Table* added : new_tables)
      if (!gone->field_names.empty() && gone->field_names == added->field_names)
        mappings += " --map-table " + gone->name + "=" + added->name;
  for (const ModelSnapshot::Field* gone : removed_fields)
    for (const ModelSnapshot::Field* added : new_fields)
      if (gone->table == added->table && gone->type == added->type)
        mappings += " --map-field " + table_name(gone->table) + "." + gone->name + "=" + added->name;
  if (!mappings.empty())
    std::cerr << "A renamed table or column keeps its settings when the sync is told the old name: if it was "
                 "renamed, restore the project from its backup, then tolvex sync "
              << file << " --update" << mappings << "\n";
}

}  // namespace

void add_sync_command(CLI::App& app, std::function<int()>& run, std::shared_ptr<Answers> answers) {
  using vb::Variant;
  auto* cmd = app.add_subcommand("sync", "Bring a project in step with its changed database and save it");
  auto file = add_project_file(*cmd);
  add_keep_or_update(*cmd, *answers);
  add_mappings(*cmd, *answers);
  add_quiet(*cmd, *answers);
  example(*cmd, "tolvex sync shop.tvp --update --map-field orders.cust_id=customer_id");
  cmd->callback([=, &run] {
    run = guarded([=] {
      // The project is opened as saved, so that what the sync changes can be told.
      const std::optional<bool> keep = answers->keep_definition;
      // The sync below compares the project with the database; the opening need not (AutoSync).
      answers->keep_definition = true;
      Host host(*answers);
      host.lock_project(*file);
      ModuleContext& ctx = context();
      ctx.SkipAutoSyncOnLoad = true;
      host.open(*file);
      ctx.SkipAutoSyncOnLoad = false;
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

}  // namespace tolvex::cli
