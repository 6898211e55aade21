// AGParser: cuts one template text into its literal text and its template blocks
// ("<!--##" ... "##-->"), and hands out cached sessions with their includes expanded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex {

// The kinds of template blocks.
enum agc_Block_Type : int32_t {
  agc_Block_Script = 1,          // no sigil: script statements
  agc_Block_Function = 2,        // "=": an expression whose value is written
  agc_Block_FunctionIndent = 3,  // "~": as "=", every line indented like the block
  agc_Block_Language = 4,        // "@": a phrase id
  agc_Block_LanguageDynamic = 5, // "$": an expression that yields a phrase id
  agc_Block_Content = 6,         // literal text between blocks
};

struct TemplateBlock {
  agc_Block_Type kind;
  size_t start;   // byte offset of the block text in the source
  size_t length;  // bytes
  std::string name;
  std::string indent;
};

class AGParser : public vb::AutoDispatch<AGParser> {
 public:
  static const vb::DispatchTable<AGParser>& dispatch_table();

  // Replaces the block table with the blocks of `src`. A nested or unclosed block stops
  // the parse with a message in the last-error text; the blocks read before it stay.
  void Parse(std::string src);

  int32_t Count() const noexcept { return int32_t(blocks_.size()); }
  int32_t BlockID() const noexcept { return current_; }
  // Values outside 1..Count are ignored.
  void SetBlockID(int32_t id) noexcept;
  int32_t BlockType() const noexcept;
  std::string BlockName() const;
  std::string BlockValue() const;
  std::string BlockIndent() const;

  // The session's text from the shared file cache with every include expanded, as a
  // 0-based array of String pieces.
  vb::Variant GetSession(const std::string& file_id, const std::string& session_id) const;

  // Direct access for the compiler.
  const std::vector<TemplateBlock>& blocks() const noexcept { return blocks_; }
  std::string_view text_of(const TemplateBlock& b) const noexcept {
    return std::string_view(source_).substr(b.start, b.length);
  }
  const std::string& source() const noexcept { return source_; }

 private:
  const TemplateBlock* current() const noexcept;

  std::string source_;
  std::vector<TemplateBlock> blocks_;
  int32_t current_ = 0;
};

// The last-error text for a bad block whose opening marker is at byte `marker_pos` of `src`:
// the line and column of its "<" and up to 11 source lines ending just after it.
std::string block_error_message(std::string_view src, size_t marker_pos, bool nested);

}  // namespace tolvex
