// The large project files of the project file and generation benchmarks, and the
// context they are made and opened in.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "foundation/context.h"
#include "platform/registry.h"

namespace tolvex::bench {

// A context of its own: an in-memory registry of a user who has run the product,
// UTF-8 project files, and a temporary documents folder.
class ProjectFileEnvironment {
 public:
  ProjectFileEnvironment();
  ~ProjectFileEnvironment();
  ProjectFileEnvironment(const ProjectFileEnvironment&) = delete;
  ProjectFileEnvironment& operator=(const ProjectFileEnvironment&) = delete;

  const std::filesystem::path& folder() const noexcept { return docs_; }

 private:
  std::filesystem::path docs_;
  std::shared_ptr<platform::MemoryRegistry> registry_;
  platform::ScopedRegistry scoped_registry_;
  ContextScope context_;
};

// The bundled sample project of the source tree.
std::string sample_project_file();

// Writes a project of `tables` tables of `fields` fields each to `out` (in the current
// environment) and returns "" or the reason it could not. The tables and fields are
// copies of the sample project's (`sample`), so that every setting carries a realistic
// value and the sample template package can generate the project: each table has an
// auto-increment integer key followed by text, date, number, enum and memo fields taken
// in turn from the sample. Every other table and field has a caption outside ASCII.
// The file is written by Save (UTF-8): every saved setting is in it, and a save after
// a load gives the same bytes.
std::string make_large_project(int tables, int fields, const std::string& out, const std::string& sample);

}  // namespace tolvex::bench
