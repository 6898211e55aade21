// AGPStringBuilder: collects many pieces of text and joins them once at the end.
// Appending never concatenates: each piece takes a slot, and the slots grow 1000 at
// a time, so a long text built from thousands of pieces costs one join.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex {

class AGPStringBuilder : public vb::AutoDispatch<AGPStringBuilder> {
 public:
  static constexpr size_t kChunkSize = 1000;

  AGPStringBuilder() { Clear(); }

  // Drops every piece; the builder starts again with 1001 free slots.
  void Clear();
  // Adds one piece at the end (a value as its text; Null adds nothing).
  void Append(std::string_view piece);
  void Append(const std::string& piece) { Append(std::string_view(piece)); }
  void Append(const char* piece) { Append(std::string_view(piece)); }
  void Append(const vb::Variant& piece);
  // All pieces joined with nothing between.
  std::string ToString() const;

  // Slots the builder holds (filled or not) and pieces appended.
  size_t slot_count() const noexcept { return slots_; }
  size_t size() const noexcept { return pieces_.size(); }

  static const vb::DispatchTable<AGPStringBuilder>& dispatch_table();

 private:
  std::vector<std::string> pieces_;
  size_t slots_ = 0;
};

}  // namespace tolvex
