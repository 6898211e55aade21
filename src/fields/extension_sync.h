// How the model tells the extensions about renamed and deleted tables, fields and
// charts. The extension list lives in a later layer, which registers its
// implementation here; until then every notice is a no-op.
#pragma once

#include <memory>
#include <string>

namespace tolvex {

class ExtensionSync {
 public:
  virtual ~ExtensionSync() = default;
  virtual void rename_table(const std::string& old_name, const std::string& new_name) {}
  virtual void delete_table(const std::string& name) {}
  virtual void rename_field(const std::string& table, const std::string& old_name, const std::string& new_name) {}
  virtual void delete_field(const std::string& table, const std::string& field) {}
  virtual void rename_chart(const std::string& table, const std::string& old_name, const std::string& new_name) {}
  virtual void delete_chart(const std::string& table, const std::string& chart) {}
};

// Installs the implementation (nullptr puts the no-op back).
void register_extension_sync(std::shared_ptr<ExtensionSync> sync);
ExtensionSync& extension_sync();

namespace common {
inline void RenameTableInExtensions(const std::string& OldName, const std::string& NewName) {
  extension_sync().rename_table(OldName, NewName);
}
inline void DeleteTableFromExtensions(const std::string& Name) { extension_sync().delete_table(Name); }
inline void RenameFieldInExtensions(const std::string& TblName, const std::string& OldName, const std::string& NewName) {
  extension_sync().rename_field(TblName, OldName, NewName);
}
inline void DeleteFieldFromExtensions(const std::string& TblName, const std::string& FldName) {
  extension_sync().delete_field(TblName, FldName);
}
inline void RenameChartInExtensions(const std::string& TblName, const std::string& OldName, const std::string& NewName) {
  extension_sync().rename_chart(TblName, OldName, NewName);
}
inline void DeleteChartFromExtensions(const std::string& TblName, const std::string& Index) {
  extension_sync().delete_chart(TblName, Index);
}
}  // namespace common

}  // namespace tolvex
