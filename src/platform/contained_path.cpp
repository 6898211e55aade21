#include "platform/contained_path.h"

#include <vector>

namespace tolvex::platform {

std::optional<std::string> relative_inside(std::string_view name, bool rooted_is_relative) {
  if (name.size() >= 2 && name[1] == ':') return std::nullopt;
  if (!name.empty() && (name[0] == '/' || name[0] == '\\') && !rooted_is_relative) return std::nullopt;
  std::vector<std::string_view> pieces;
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t end = name.find_first_of("/\\", pos);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view piece = name.substr(pos, end - pos);
    pos = end + 1;
    if (piece.empty() || piece == ".") continue;
    if (piece == "..") {
      if (pieces.empty()) return std::nullopt;
      pieces.pop_back();
      continue;
    }
    pieces.push_back(piece);
  }
  std::string out;
  for (std::string_view piece : pieces) {
    if (!out.empty()) out += '/';
    out.append(piece);
  }
  return out;
}

std::optional<std::string> path_inside(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::nullopt;
  std::optional<std::string> relative = relative_inside(name);
  if (!relative) return std::nullopt;
  std::string out(folder);
  if (relative->empty()) return out;
  if (out.back() != '/' && out.back() != '\\') out += '/';
  return out + *relative;
}

bool is_plain_folder_name(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7f || c == '/' || c == '\\' || c == ':') return false;
  return true;
}

}  // namespace tolvex::platform
