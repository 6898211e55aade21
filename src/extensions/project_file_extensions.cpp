// What the project file reader asks of the extensions: declaring a definition
// level's attributes, extending the tables, charts and fields that the file names,
// and the extensions registered for the user.
#include "extensions/attribute_definitions.h"
#include "extensions/extensions.h"
#include "projectfile/project_file_hooks.h"

namespace tolvex {
namespace {

vb::Ref<AGPExtTable> table_item(const std::string& ext, const std::string& table) {
  auto e = extension_list().find(ext);
  return e ? e->PROJ()->DB()->Tables()->find(table) : nullptr;
}

class ExtensionFileHooks : public ProjectExtensionHooks {
 public:
  void LoadAttributeDefs(AGProperties& props, const platform::XmlNode& node) override {
    common::LoadAttributeDefs(props, node);
  }
  vb::Ref<AGProperties> AddExtendedTable(AGP& project, const std::string& ext, const std::string& table,
                                         const platform::XmlNode& node) override {
    if (!tolvex::AddExtendedTable(project, ext, table, node)) return nullptr;
    auto item = table_item(ext, table);
    return item ? item->Properties() : nullptr;
  }
  vb::Ref<AGProperties> AddExtendedChart(AGP& project, const std::string& ext, const std::string& table,
                                         const std::string& chart, const platform::XmlNode& node) override {
    if (!tolvex::AddExtendedChart(project, ext, table, chart, node)) return nullptr;
    auto t = table_item(ext, table);
    auto item = t ? t->Charts()->find(chart) : nullptr;
    return item ? item->Properties() : nullptr;
  }
  vb::Ref<AGProperties> AddExtendedField(AGP& project, const std::string& ext, const std::string& table,
                                         const std::string& field, const platform::XmlNode& node) override {
    if (!tolvex::AddExtendedField(project, ext, table, field, node)) return nullptr;
    auto t = table_item(ext, table);
    auto item = t ? t->Fields()->find(field) : nullptr;
    return item ? item->Properties() : nullptr;
  }
  void LoadRegisteredExtensions(AGP& project) override { tolvex::LoadRegisteredExtensions(project); }
  // As every other reader of definitions: the name in any letter case, ANSI files decoded.
  std::optional<platform::XmlDocument> LoadDefinitionFile(const std::string& xml_file) override {
    ExtensionDefinition def = ExtensionDefinition::load(xml_file);
    if (!def.loaded()) return std::nullopt;
    return def.document();
  }
};

const bool registered = [] {
  register_project_extension_hooks(std::make_shared<ExtensionFileHooks>());
  return true;
}();

}  // namespace
}  // namespace tolvex
