// AGPLanguage: the phrase table of a template package ("lang.xml"), overlaid by the phrase
// files of extensions; the script object LANG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/super_collection.h"
#include "platform/xml.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPLanguage : public vb::AutoDispatch<AGPLanguage> {
 public:
  static const vb::DispatchTable<AGPLanguage>& dispatch_table();

  struct Phrase {
    std::string id;
    std::string text;
  };

  int32_t curIndex() const noexcept { return 0; }
  int32_t Count() const noexcept { return int32_t(phrases_.size()); }
  // The text of the phrase whose id equals `id` ignoring letter case; "" when there is none.
  std::string GetPhrase(std::string_view id) const;
  // Appends the phrase; False, and nothing changed, when the id exists (ignoring case).
  bool AddPhrase(std::string_view id, std::string_view text);
  // Replaces the text of an existing phrase; False, and nothing added, when there is none.
  bool ReplacePhrase(std::string_view id, std::string_view text);
  // Empties the table, then loads the file. A file that does not load, or whose root is not
  // "<product>.language", gives False and leaves the table untouched.
  bool Load(std::string_view file);
  // Loads the file over the table: repeated ids get the file's text in their old place, new
  // ids are appended.
  bool LoadExtension(std::string_view file);

  const std::vector<Phrase>& phrases() const noexcept { return phrases_; }

 private:
  bool LoadLanguageXml(std::string_view file, bool reset);
  void AddPhraseNode(const platform::XmlNode& phrase);
  void AppendPhrase(std::string id, std::string text);
  const Phrase* find(std::string_view id) const;

  std::vector<Phrase> phrases_;
  // Position of each id, letter case ignored.
  std::unordered_map<std::string, size_t, KeyHash, KeyEqual> index_{0, KeyHash{KeyCompare::Text},
                                                                    KeyEqual{KeyCompare::Text}};
};

}  // namespace tolvex
