#include <algorithm>

#include "vb/strings.h"
#include "vbscript/ast.h"

namespace tolvex::vbscript {

ClassDef::ClassDef() {
  static uint64_t next = 0;
  serial = ++next;
}

void Chunk::index_lines() {
  line_starts.clear();
  line_starts.push_back(0);
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < n && text[i + 1] == '\n') ++i;
      line_starts.push_back(uint32_t(i + 1));
    } else if (c == '\n') {
      line_starts.push_back(uint32_t(i + 1));
    }
  }
}

void Chunk::position(uint32_t pos, int& line, int& column) const {
  if (line_starts.empty()) {
    line = 1;
    column = 0;
    return;
  }
  auto it = std::upper_bound(line_starts.begin(), line_starts.end(), pos);
  size_t index = size_t(it - line_starts.begin()) - 1;
  line = int(index + 1);
  uint32_t start = line_starts[index];
  uint32_t end = std::min<uint32_t>(pos, uint32_t(text.size()));
  column = end > start ? int(vb::utf8_length(std::string_view(text).substr(start, end - start))) : 0;
}

std::string Chunk::line_text(uint32_t pos) const {
  if (line_starts.empty()) return {};
  auto it = std::upper_bound(line_starts.begin(), line_starts.end(), pos);
  uint32_t start = *(it - 1);
  size_t end = start;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  const std::string_view line = std::string_view(text).substr(start, end - start);
  return vb::excerpt(line, std::min<size_t>(pos, end) - start, kShownLineBytes);
}

}  // namespace tolvex::vbscript
