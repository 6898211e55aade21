// An extension's attribute definition file and the operations that build its
// attribute tree from it: adding an extension to the project, extending one table,
// chart or field, and the extensions registered for the current user.
//
// The file (in the extensions folder) has five level nodes, each read as the first
// match of an XPath query: "//Project", "//Project/Database", "//Project/Database/Table",
// ".../Table/Chart" and ".../Table/Field". A level node may carry a condition ("cond"
// attribute, the condition language of controls) and has one child element
// "attribute" (name, type, default) per setting that the extension adds at that level.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/properties.h"
#include "model/project.h"
#include "platform/xml.h"

namespace tolvex {

inline constexpr const char* kExtProjectNode = "//Project";
inline constexpr const char* kExtDatabaseNode = "//Project/Database";
inline constexpr const char* kExtTableNode = "//Project/Database/Table";
inline constexpr const char* kExtChartNode = "//Project/Database/Table/Chart";
inline constexpr const char* kExtFieldNode = "//Project/Database/Table/Field";

// A definition file read for one operation.
class ExtensionDefinition {
 public:
  enum class State {
    Loaded,
    Missing,  // no file name, or no such file
    Damaged,  // not well-formed XML, or a default that its type cannot hold
  };

  // Reads the extensions folder's file `xml_file` ("\" and "/" both separate; the
  // letter case of the name is ignored when the exact name does not exist).
  static ExtensionDefinition load(const std::string& xml_file);

  State state() const noexcept { return state_; }
  bool loaded() const noexcept { return state_ == State::Loaded; }
  const std::string& path() const noexcept { return path_; }
  // For a damaged file: the message for AGP.ProjErr, naming the file and the fault.
  const std::string& error() const noexcept { return error_; }
  // The first node that the query selects; null when none (or when not loaded).
  platform::XmlNode node(const std::string& xpath) const;
  // The document read; nullopt when not loaded.
  const std::optional<platform::XmlDocument>& document() const noexcept { return doc_; }

 private:
  State state_ = State::Missing;
  std::string path_;
  std::string error_;
  std::optional<platform::XmlDocument> doc_;
};

namespace common {

// Declares in `props` every setting that the direct "attribute" children of `node`
// name with a name and a type (RegSave False, RegFormat 0, FileSave True, Sync True),
// with its default converted by its type. A setting the store has already (its name
// in any letter case) keeps its type and value. Nothing for a null node.
void LoadAttributeDefs(AGProperties& props, const platform::XmlNode& node);
// The node's condition: the value of its first attribute named "cond" in any letter
// case; "" for a null node or none.
std::string GetCondAttr(const platform::XmlNode& node);

}  // namespace common

// Adds the extension (or takes the listed one of that name), sets its package,
// definition file and Enabled True, and declares the definition's attributes on the
// project, the database and every loaded table with its charts and fields whose
// condition holds. False for an empty name or one that a listed extension has in
// other letter case. A definition file that is missing leaves the extension without
// attributes (True); one that is damaged sets AGP.ProjErr, answers False and changes
// nothing. Should a condition raise an error, everything this call added is taken
// back before the error goes on.
bool AddExtension(AGP& proj, const std::string& sName, const std::string& sTemplate, const std::string& sXmlFile);

// One table item of extension sExtName, with the attributes of tblnode, when the model
// has the table, the node's condition holds for it and the item is missing. The
// project's current table is the table while the condition runs, and none afterwards.
bool AddExtendedTable(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                      const platform::XmlNode& tblnode);
// One chart item below the extension's table item, with the attributes of chartnode,
// when its condition holds (the current table and field as the caller left them) and
// the item is missing. A new item takes over the model chart's old display settings
// that the definition declares, and those settings of the chart are reset.
bool AddExtendedChart(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                      const std::string& sChartName, const platform::XmlNode& chartnode);
// One field item below the extension's table item, as AddExtendedTable does for
// tables; the current table and field are set for the condition and cleared after.
bool AddExtendedField(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                      const std::string& sFldName, const platform::XmlNode& fldnode);

// Removes the extension with its attribute tree.
bool DeleteExtension(AGP& proj, const std::string& sName);

// An extension registered for the current user: the values "Name", "Template" and "XmlFile"
// of its subkey below RegKeyExtensions.
struct RegisteredExtension {
  std::string name, package, definition;
};
// The registered extensions that have a name, in the order the registry lists them.
std::vector<RegisteredExtension> registered_extensions();

// Adds the extensions listed below the current user's RegKeyExtensions (values "Name",
// "Template", "XmlFile" of each subkey, in the order the registry lists them). An
// extension whose definition file is damaged is left out; AGP.ProjErr stays as it was.
void LoadRegisteredExtensions(AGP& proj);

}  // namespace tolvex
