#include "projectfile/project_file_hooks.h"

#include <utility>

#include "foundation/common.h"
#include "foundation/context.h"
#include "platform/folders.h"
#include "vb/strings.h"

namespace tolvex {

void ProjectConverter::ConvertProjectFile(const std::string& source, const std::string&, const std::string&,
                                          std::string& converted) {
  converted.clear();
  try {
    auto doc = platform::XmlDocument::parse_file(platform::normalize_separators(source));
    if (doc.root().name() == "Project") converted = source;
  } catch (const std::exception&) {
    // Not a project document: nothing to offer.
  }
}

std::optional<platform::XmlDocument> ProjectExtensionHooks::LoadDefinitionFile(const std::string& xml_file) {
  try {
    return platform::XmlDocument::parse_file(
        platform::normalize_separators(common::AddBackslash(context().ExtensionsFolder) + xml_file));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool ProjectDatabaseHooks::AskKeepOldDefinition(AGP&, const std::string& question) {
  return host_ui().ask_keep_or_update(question) == platform::SyncAnswer::Keep;
}

namespace {

// One registered implementation of an interface, with its default beside it.
template <class Interface>
struct Slot {
  static std::shared_ptr<Interface>& registered() {
    static std::shared_ptr<Interface> s;
    return s;
  }
  static std::shared_ptr<Interface> set(std::shared_ptr<Interface> s) { return std::exchange(registered(), std::move(s)); }
  static Interface& get() {
    static Interface fallback;
    auto& s = registered();
    return s ? *s : fallback;
  }
};

}  // namespace

std::shared_ptr<ProjectConverter> register_project_converter(std::shared_ptr<ProjectConverter> converter) {
  return Slot<ProjectConverter>::set(std::move(converter));
}
ProjectConverter& project_converter() { return Slot<ProjectConverter>::get(); }

std::shared_ptr<ProjectDatabaseHooks> register_project_database_hooks(std::shared_ptr<ProjectDatabaseHooks> hooks) {
  return Slot<ProjectDatabaseHooks>::set(std::move(hooks));
}
ProjectDatabaseHooks& project_database_hooks() { return Slot<ProjectDatabaseHooks>::get(); }

std::shared_ptr<ProjectExtensionHooks> register_project_extension_hooks(std::shared_ptr<ProjectExtensionHooks> hooks) {
  return Slot<ProjectExtensionHooks>::set(std::move(hooks));
}
ProjectExtensionHooks& project_extension_hooks() { return Slot<ProjectExtensionHooks>::get(); }

}  // namespace tolvex
