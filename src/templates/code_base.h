// Two small readers of template package files that the host uses directly: AGPCodeBase (a
// library of named code snippets, keyed by script type, code type and name) and AGPKeyword
// (a keyword file whose distinct values it counts).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/super_collection.h"
#include "platform/xml.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPCodeBase : public vb::AutoDispatch<AGPCodeBase> {
 public:
  static const vb::DispatchTable<AGPCodeBase>& dispatch_table();

  struct Snippet {
    std::string script_type;
    std::string code_type;
    std::string name;
    std::string source;
  };

  int32_t curIndex() const noexcept { return 0; }
  int32_t Count() const noexcept { return int32_t(snippets_.size()); }
  // True when a snippet has the three keys, each compared ignoring letter case.
  bool CodeExist(std::string_view script_type, std::string_view code_type, std::string_view name) const;
  // The source of the first matching snippet with every LF as CR LF; "" when none matches.
  std::string CodeSource(std::string_view script_type, std::string_view code_type, std::string_view name) const;
  // Loads a "<product>.codebase" file, replacing the table; keys listed twice keep the later
  // source. False for a file that does not load or has another root (the table stays).
  bool Load(std::string_view file);

  // Why the last load failed ("" after a successful one); not part of the object's members.
  const std::string& last_load_error() const noexcept { return last_error_; }
  const std::vector<Snippet>& snippets() const noexcept { return snippets_; }

 private:
  void AddCodeNode(const platform::XmlNode& code);
  const Snippet* find(std::string_view script_type, std::string_view code_type, std::string_view name) const;

  std::vector<Snippet> snippets_;
  // Position of each snippet by its three keys joined with NUL, letter case ignored.
  std::unordered_map<std::string, size_t, KeyHash, KeyEqual> index_{0, KeyHash{KeyCompare::Text},
                                                                    KeyEqual{KeyCompare::Text}};
  std::string last_error_;
};

class AGPKeyword : public vb::AutoDispatch<AGPKeyword> {
 public:
  static const vb::DispatchTable<AGPKeyword>& dispatch_table();

  struct Keyword {
    std::string name;  // never read from the file: stays ""
    std::string value;
  };

  int32_t curIndex() const noexcept { return 0; }
  int32_t Count() const noexcept { return int32_t(keywords_.size()); }
  // Adds the values of a "<product>.keyword" file that are not held yet (exact comparison).
  // A file that does not load shows one message box until a load succeeds.
  bool Load(std::string_view file);

  const std::string& last_load_error() const noexcept { return last_error_; }
  const std::vector<Keyword>& keywords() const noexcept { return keywords_; }

 private:
  void LoadKeywordNodes(const platform::XmlNode& keyword);

  std::vector<Keyword> keywords_;
  std::unordered_set<std::string> values_;  // the values held (every name is empty)
  std::string last_error_;
};

}  // namespace tolvex
