// AGPFileCache: the sessions of the template files read for a generation run, and the
// expansion of include blocks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex {

class AGPFileCache : public vb::AutoDispatch<AGPFileCache> {
 public:
  static const vb::DispatchTable<AGPFileCache>& dispatch_table();

  struct Row {
    std::string file;
    std::string session;
    std::string text;
  };

  void Clear();
  // Reads the file at `file_path` (in the ANSI code page; UTF-8 when it starts with a
  // UTF-8 byte-order mark) and stores each of its sessions under `file_name`. A missing
  // file is skipped.
  void AddFile(const std::string& file_path, const std::string& file_name);
  // Stores the sessions of a template text under `file_name`.
  void AddText(std::string_view text, const std::string& file_name);
  // The session's text; "" when there is none (names compare exactly).
  std::string GetSession(const std::string& file_name, const std::string& session_name) const;

  // The session's text cut into pieces with every include block expanded.
  // An include that leads back into a session being expanded, or nests more than 200 deep, is
  // dropped and reported in the last-error text; an expansion that grows past 64 MB or 2^20
  // pieces stops there with an error as well.
  std::vector<std::string> expanded_session(const std::string& file_name, const std::string& session_name) const;
  // The pieces of `text` with its include blocks expanded.
  std::vector<std::string> expand_includes(std::string_view text) const;

  const std::vector<Row>& rows() const noexcept { return rows_; }

 private:
  struct Expansion;
  void store(const std::string& file, std::string session, std::string text);
  const Row* find(std::string_view file, std::string_view session) const;
  void expand(std::string_view text, Expansion& ex) const;

  std::vector<Row> rows_;
  std::unordered_map<std::string, size_t> index_;  // file + '\0' + session -> row
};

// The whole text of a template file: UTF-8 when it starts with the UTF-8 byte-order mark
// (the mark dropped), else read in the ANSI code page. nullopt when it cannot be read.
std::optional<std::string> read_template_text(const std::string& file_path);

// The one file cache of the module (created on first use).
AGPFileCache& shared_file_cache();

// The file names of the include blocks of `text`, joined by ",", duplicates kept.
std::string ListTemplateIncludes(std::string_view text);

// Where the extensions of the project are, for ResolveTemplateFile. The extension
// subsystem installs the real list; without it there are no extensions.
class TemplateExtensionSource {
 public:
  virtual ~TemplateExtensionSource() = default;
  // The names of the project's extensions in their sequence order.
  virtual std::vector<std::string> extension_names() const = 0;
};
void set_template_extension_source(const TemplateExtensionSource* source);

// The full path of a template file named in an include: an extension's copy first when
// the control belongs to the template package itself, else the current template folder. ""
// when the name would leave the folder.
std::string ResolveTemplateFile(const std::string& name);

}  // namespace tolvex
