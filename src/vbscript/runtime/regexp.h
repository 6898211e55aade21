// VBScript.RegExp over PCRE2: the script's pattern syntax, character-based positions in
// UTF-8 text and a bound on the work one match may take.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex::vbscript {

class CompiledPattern;

// One SubMatches collection: the groups of a match (Empty where a group took no part).
class SubMatches : public vb::AutoDispatch<SubMatches> {
 public:
  explicit SubMatches(std::vector<vb::Variant> items) : items_(std::move(items)) {}
  static const vb::DispatchTable<SubMatches>& dispatch_table();
  int32_t Count() const { return int32_t(items_.size()); }
  const vb::Variant& Item(int32_t i) const;  // error 5 out of range
  vb::Ref<vb::Enumerator> enumerate() override;

 private:
  std::vector<vb::Variant> items_;
};

class Match : public vb::AutoDispatch<Match> {
 public:
  Match(std::string value, int32_t first_index, int32_t length, std::vector<vb::Variant> groups)
      : value_(std::move(value)), first_index_(first_index), length_(length),
        groups_(vb::make_ref<SubMatches>(std::move(groups))) {}
  static const vb::DispatchTable<Match>& dispatch_table();
  const std::string& Value() const { return value_; }
  int32_t FirstIndex() const { return first_index_; }  // in characters, from 0
  int32_t Length() const { return length_; }           // in characters
  const vb::Ref<SubMatches>& Submatches() const { return groups_; }

 private:
  std::string value_;
  int32_t first_index_, length_;
  vb::Ref<SubMatches> groups_;
};

class MatchCollection : public vb::AutoDispatch<MatchCollection> {
 public:
  explicit MatchCollection(std::vector<vb::Ref<Match>> items) : items_(std::move(items)) {}
  static const vb::DispatchTable<MatchCollection>& dispatch_table();
  int32_t Count() const { return int32_t(items_.size()); }
  vb::Ref<Match> Item(int32_t i) const;  // error 5 out of range
  vb::Ref<vb::Enumerator> enumerate() override;

 private:
  std::vector<vb::Ref<Match>> items_;
};

class RegExp : public vb::AutoDispatch<RegExp> {
 public:
  RegExp();
  ~RegExp() override;
  static const vb::DispatchTable<RegExp>& dispatch_table();

  const std::string& Pattern() const { return pattern_; }
  void SetPattern(std::string p);
  bool Global = false;
  bool IgnoreCase = false;
  bool Multiline = false;

  // The text is read in place: nothing the search does runs script code that could change it.
  bool Test(std::string_view s);
  vb::Ref<MatchCollection> Execute(std::string_view s);
  std::string Replace(std::string_view s, std::string_view replacement);
  // Replacement by a function (a GetRef reference): it is called with the match, each
  // submatch, the match's character position and the whole text, and returns the new text.
  std::string Replace(const std::string& s, vb::Dispatch& function);

 private:
  const CompiledPattern& compiled();

  std::string pattern_;
  std::unique_ptr<CompiledPattern> compiled_;
  bool compiled_case_ = false, compiled_multiline_ = false;
};

}  // namespace tolvex::vbscript
