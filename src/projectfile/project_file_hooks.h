// What opening a project file needs of the layers built on top of the model: the
// converter of old project files, the database check and synchronization, and the
// extensions' attribute definitions. Each is an interface with a default answer
// (nothing to convert, nothing to check, nothing to declare); the layer that
// implements it registers its own at start-up, for example
//
//   const bool registered = [] {
//     register_project_database_hooks(std::make_shared<MyDatabaseHooks>());
//     return true;
//   }();
//
// Passing nullptr puts the default back (tests do this).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/properties.h"
#include "platform/xml.h"

namespace tolvex {

class AGP;

// Converts project files of older versions, and files in other formats, into the
// current format. Given the file to convert, the product code ("TVX") and the
// library's version text, it names the file that holds the result in `converted`
// ("" when it made none). An exception is a failed conversion call.
class ProjectConverter {
 public:
  virtual ~ProjectConverter() = default;
  // The stand-in: the current reader reads every earlier layout of the format, so a
  // file that is a project document is its own conversion; anything else gives "".
  virtual void ConvertProjectFile(const std::string& source, const std::string& product_code,
                                  const std::string& version, std::string& converted);
};

// The database operations that opening a project runs: rebuilding the tables' key
// lists and, when the project's AutoSync is on, checking the project against the
// live database and, when the user chooses to update, synchronizing it. Failures
// of the schema read are reported in ProjErr (as the schema reader does).
class ProjectDatabaseHooks {
 public:
  virtual ~ProjectDatabaseHooks() = default;
  virtual void BuildTableKeys(AGP& project) {}
  // Reads the live schema into the project's schema snapshot. `connection` holds
  // DBName, DBType, DBHost, DBPort, DBUID, DBPwd, DBSID, DBConnectionMethod, DBURL
  // and DBEncoding, in this order.
  virtual void LoadSchemaSnapshot(AGP& project, const std::vector<std::string>& connection) {}
  virtual void ReleaseSchemaSnapshot(AGP& project) {}
  // The numbers of differences between the project and the snapshot.
  virtual int32_t CheckTablesAndViews(AGP& project) { return 0; }
  virtual int32_t CheckCustomViews(AGP& project) { return 0; }
  virtual int32_t CheckReports(AGP& project) { return 0; }
  // The Keep/Update question: true keeps the old definition. The default asks the
  // host UI.
  virtual bool AskKeepOldDefinition(AGP& project, const std::string& question);
  virtual void MapRenamedTablesAndFields(AGP& project) {}
  virtual void SyncTablesAndViews(AGP& project) {}
  virtual void SyncCustomViews(AGP& project) {}
  virtual void SyncReports(AGP& project) {}
  virtual void SyncMenus(AGP& project) {}
};

// What the extensions layer does for the extension elements of a project file. The
// extension list and its nodes themselves are reached through their object-model
// members (AGP::Extensions: Add, Item, Count, Seq, Properties, IsExtended, PROJ,
// DBCnt, DB, Tables, Charts, Fields).
class ProjectExtensionHooks {
 public:
  virtual ~ProjectExtensionHooks() = default;
  // Declares the attributes of one level node of a definitions file in a store.
  virtual void LoadAttributeDefs(AGProperties& props, const platform::XmlNode& node) {}
  // Extends one table, chart or field of the project in the extension `ext` with the
  // definitions node of its level; the new node's store, or null when none was
  // added (condition false, already there, no such object).
  virtual vb::Ref<AGProperties> AddExtendedTable(AGP& project, const std::string& ext, const std::string& table,
                                                 const platform::XmlNode& node) {
    return nullptr;
  }
  virtual vb::Ref<AGProperties> AddExtendedChart(AGP& project, const std::string& ext, const std::string& table,
                                                 const std::string& chart, const platform::XmlNode& node) {
    return nullptr;
  }
  virtual vb::Ref<AGProperties> AddExtendedField(AGP& project, const std::string& ext, const std::string& table,
                                                 const std::string& field, const platform::XmlNode& node) {
    return nullptr;
  }
  // Adds the extensions registered for the current user.
  virtual void LoadRegisteredExtensions(AGP& project) {}
  // The extension's definition file `xml_file` (named relative to the extensions folder),
  // found and decoded as the extensions layer reads it; nullopt when it cannot be read.
  // The default parses the file of exactly that name.
  virtual std::optional<platform::XmlDocument> LoadDefinitionFile(const std::string& xml_file);
};

// Each returns the implementation it replaces (null for the default).
std::shared_ptr<ProjectConverter> register_project_converter(std::shared_ptr<ProjectConverter> converter);
ProjectConverter& project_converter();
std::shared_ptr<ProjectDatabaseHooks> register_project_database_hooks(std::shared_ptr<ProjectDatabaseHooks> hooks);
ProjectDatabaseHooks& project_database_hooks();
std::shared_ptr<ProjectExtensionHooks> register_project_extension_hooks(std::shared_ptr<ProjectExtensionHooks> hooks);
ProjectExtensionHooks& project_extension_hooks();

}  // namespace tolvex
