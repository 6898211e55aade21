#include "large_project.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "model/project.h"
#include "projectfile/project_file.h"
#include "projectfile/project_file_hooks.h"

namespace tolvex::bench {

namespace fs = std::filesystem;

ProjectFileEnvironment::ProjectFileEnvironment()
    : docs_(fs::temp_directory_path() / ("tolvex-bench-projectfile-" + std::to_string(getpid()))),
      registry_(std::make_shared<platform::MemoryRegistry>()),
      scoped_registry_(registry_) {
  fs::create_directories(docs_);
  setenv("XDG_DOCUMENTS_DIR", docs_.c_str(), 1);
  const std::string general = "Software\\Tolvex\\3.0\\Settings\\General";
  registry_->set_value(platform::RegRoot::CurrentUser, general, "Language", platform::RegValue::make_text("english.xml"));
  registry_->set_value(platform::RegRoot::CurrentUser, general, "XMLEncodeCharSet",
                       platform::RegValue::make_text("utf-8"));
  // The package the large project names: a load that does not find it installed falls
  // back to the user's, which is the same, so that a save after the load gives the file back.
  registry_->set_value(platform::RegRoot::CurrentUser, "Software\\Tolvex\\3.0\\Settings\\Project", "Template",
                       platform::RegValue::make_text("templates\\sample.zip"));
}

ProjectFileEnvironment::~ProjectFileEnvironment() {
  std::error_code ec;
  fs::remove_all(docs_, ec);
}

std::string sample_project_file() { return TOLVEX_SOURCE_DIR "/share/tolvex/samples/sample.tvp"; }

namespace {

// The settings a project file holds; the others (the place in a collection) stay.
void copy_settings(const AGProperties& from, AGProperties& to) {
  for (size_t i = 0; i < from.size() && i < to.size(); ++i)
    if (from.desc_at(i).file_save) to.set_value_at(i, from.value_at(i));
}

std::string numbered(const std::string& prefix, int n, int width) {
  std::string digits = std::to_string(n);
  if (int(digits.size()) < width) digits.insert(0, size_t(width) - digits.size(), '0');
  return prefix + digits;
}

// The sample as a model. It names a live database and has AutoSync on: opening it
// here must not try to reach that database.
vb::Ref<AGP> open_sample(const std::string& file) {
  auto hooks = register_project_database_hooks(nullptr);
  auto sample = vb::make_ref<AGP>();
  Load(*sample, file);
  register_project_database_hooks(hooks);
  return sample;
}

}  // namespace

std::string make_large_project(int tables_wanted, int fields_wanted, const std::string& out,
                               const std::string& sample_file) {
  vb::Ref<AGP> sample = open_sample(sample_file);
  if (!context().ProjErr.empty() || !sample->DB())
    return "cannot read the sample project " + sample_file + ": " + context().ProjErr;
  AGPTables& sample_tables = *sample->DB()->Tables();
  vb::Ref<AGPTable> table_proto = sample_tables.Item(vb::Variant("customers"));
  vb::Ref<AGPField> key_proto = table_proto ? table_proto->Fields()->Item(vb::Variant("customer_id")) : nullptr;
  // The plain columns of the sample's tables: no keys, no lookups into other tables.
  std::vector<vb::Ref<AGPField>> column_protos;
  for (const char* t : {"customers", "orders", "products"}) {
    vb::Ref<AGPTable> table = sample_tables.Item(vb::Variant(t));
    if (!table) continue;
    for (int32_t k = 1; k <= table->Fields()->Count(); ++k) {
      vb::Ref<AGPField> f = table->Fields()->Seq(int16_t(k));
      if (f && !f->FldIsPrimaryKey() && f->FldTagLnkTbl().empty()) column_protos.push_back(f);
    }
  }
  if (!key_proto || column_protos.empty()) return "the sample project lacks the tables and fields to copy";

  // The sample's project and database settings; the site menu holds one entry per table.
  context().MenuList = nullptr;
  auto project = vb::make_ref<AGP>();
  project->AddProj("Large");
  copy_settings(*sample->Properties(), *project->Properties());
  project->set_setting_value(ProjectSetting::ProjName, vb::Variant("Large project " + std::to_string(tables_wanted) +
                                                                   " \xC3\x97 " + std::to_string(fields_wanted)));
  // The sample package, as the sample names it (relative to the installed data).
  project->set_setting_value(ProjectSetting::Template, vb::Variant("templates\\sample.zip"));
  // Opening the file must not need the sample's database.
  project->set_setting_value(ProjectSetting::AutoSync, vb::Variant(false));
  const std::string db_name = sample->DB()->DBName();
  project->databases().Add(db_name);
  project->set_current_database(project->databases().Item(vb::Variant(db_name)));
  copy_settings(*sample->DB()->Properties(), *project->DB()->Properties());

  AGPTables& tables = *project->DB()->Tables();
  AGPMenus& menus = *project->MenuList();
  for (int t = 1; t <= tables_wanted; ++t) {
    const std::string name = numbered("tbl_", t, 4);
    const std::string caption = t % 2 ? numbered("Table ", t, 4) : numbered("T\xC3\xA1" "bla \xC3\xBC" "ber ", t, 4);
    if (!tables.Add(name)) return "cannot add the table " + name;
    vb::Ref<AGPTable> table = tables.Item(vb::Variant(name));
    copy_settings(*table_proto->Properties(), *table->Properties());
    table->set_setting_value(TableSetting::TblName, vb::Variant(name));
    table->set_setting_value(TableSetting::TblVar, vb::Variant(name));
    table->set_setting_value(TableSetting::TblCaption, vb::Variant(caption));
    table->set_setting_value(TableSetting::TblRptSrc, vb::Variant(name));
    table->set_setting_value(TableSetting::TblKey, vb::Variant("id"));
    AGPFields& fields = *table->Fields();
    for (int f = 1; f <= fields_wanted; ++f) {
      const vb::Ref<AGPField>& proto = f == 1 ? key_proto : column_protos[size_t(f - 2) % column_protos.size()];
      const std::string field_name = f == 1 ? std::string("id") : numbered("col_", f, 2) + "_" + proto->FldName();
      if (!fields.Add(name, field_name)) return "cannot add the field " + field_name;
      vb::Ref<AGPField> field = fields.Item(vb::Variant(field_name));
      copy_settings(*proto->Properties(), *field->Properties());
      field->set_setting_value(FieldSetting::FldName, vb::Variant(field_name));
      field->set_setting_value(FieldSetting::FldVar, vb::Variant("x_" + field_name));
      field->set_setting_value(FieldSetting::FldCaption,
                               vb::Variant((f + t) % 2 ? "Spalte \xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e " + std::to_string(f)
                                                       : "Column " + std::to_string(f)));
    }
    menus.AddMenu(-1, caption, -1, name, false, 0, true, t);
  }
  Save(*project, out);
  if (!context().ProjErr.empty()) return context().ProjErr;
  // The extensions are the sample's, with the sample's tables in their trees; a load in a
  // fresh session keeps only the trees of tables the project has. The file is made the one
  // such a load gives back, so that a save after a load reproduces it byte for byte.
  project = nullptr;
  context().MenuList = nullptr;
  context().ExtensionList = nullptr;
  auto reopened = vb::make_ref<AGP>();
  Load(*reopened, out);
  if (!context().ProjErr.empty()) return context().ProjErr;
  Save(*reopened, out);
  return context().ProjErr;
}

}  // namespace tolvex::bench
