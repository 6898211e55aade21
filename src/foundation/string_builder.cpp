#include "foundation/string_builder.h"
#include "foundation/class_registry.h"

#include "vb/convert.h"

namespace tolvex {

using vb::Variant;

void AGPStringBuilder::Clear() {
  pieces_.clear();
  pieces_.shrink_to_fit();
  slots_ = kChunkSize + 1;
  pieces_.reserve(slots_);
}

void AGPStringBuilder::Append(std::string_view piece) {
  if (pieces_.size() >= slots_) {
    slots_ += kChunkSize;
    pieces_.reserve(slots_);
  }
  pieces_.emplace_back(piece);
}

void AGPStringBuilder::Append(const Variant& piece) {
  Append(piece.is_null() ? std::string() : vb::to_string(piece));
}

std::string AGPStringBuilder::ToString() const {
  size_t total = 0;
  for (const std::string& p : pieces_) total += p.size();
  std::string out;
  out.reserve(total);
  for (const std::string& p : pieces_) out += p;
  return out;
}

const vb::DispatchTable<AGPStringBuilder>& AGPStringBuilder::dispatch_table() {
  using A = vb::Args;
  using S = AGPStringBuilder;
  static const vb::DispatchTable<AGPStringBuilder> table = [] {
    vb::DispatchTable<AGPStringBuilder> t("AGPStringBuilder");
    t.method("Clear",
             [](S& s, A) {
               s.Clear();
               return Variant();
             })
        .method("Append",
                [](S& s, A a) {
                  vb::check_arg_count(a, 1, 1);
                  s.Append(a[0]);
                  return Variant();
                })
        .method("ToString", [](S& s, A) { return Variant(s.ToString()); });
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGPStringBuilder);

}  // namespace tolvex
