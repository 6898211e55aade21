#include "foundation/text_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/folders.h"

namespace tolvex {

namespace fs = std::filesystem;
using vb::Variant;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

fs::path to_path(std::string_view name) { return fs::path(platform::normalize_separators(name)); }

// An existing read-only file keeps its content: one without any write permission,
// or one that this process may not write.
FileResult check_replaceable(const fs::path& p) {
  struct stat st {};
  // A link that the write replaces, rather than writes through, is no file to keep.
  if (platform::replacing_links() && ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return {};
  if (::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return {};
  int err = 0;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) err = EACCES;
  else if (::access(p.c_str(), W_OK) != 0) err = errno;
  if (err != 0) return {platform::PlatformError("Cannot replace", p, platform::replace_refusal(p, err)).what()};
  return {};
}

FileResult replace_file(const fs::path& p, std::string_view bytes) {
  if (FileResult r = check_replaceable(p); !r) return r;
  try {
    platform::write_file_atomic(p, bytes);
  } catch (const std::exception& e) {
    return {e.what()};
  }
  return {};
}

bool utf8_project_setting() {
  Variant v = common::ConvertByType(common::GetRegValue("HKCU", context().RegKeyGeneral, "UTF8Project"), "Boolean");
  return v.is_bool() && v.raw_bool();
}

}  // namespace

FileResult WriteTextFile(std::string_view file_name, std::string_view text, bool ansi) {
  // Only the named file is replaced: a file beside it whose name differs only in letter
  // case is another file (perhaps the user's) and stays as it is.
  std::string bytes;
  try {
    bytes = (utf8_project_setting() && !ansi) ? std::string(text) : platform::utf8_to_ansi(text);
  } catch (const std::exception& e) {
    return {e.what()};
  }
  return replace_file(to_path(file_name), bytes);
}

FileResult WriteUtf8File(std::string_view file_name, std::string_view text) {
  std::string bytes;
  bytes.reserve(kUtf8Bom.size() + text.size());
  bytes += kUtf8Bom;
  bytes += text;
  return replace_file(to_path(file_name), bytes);
}

std::string GetFileCharset(std::string_view file_path) {
  std::string head;
  try {
    head = platform::read_file(to_path(file_path)).substr(0, 3);
  } catch (const std::exception&) {
    return {};
  }
  if (head == kUtf8Bom) return "UTF-8";
  if (head.size() >= 2 && head[0] == '\xFE' && head[1] == '\xFF') return "UNICODE BIG";
  if (head.size() >= 2 && head[0] == '\xFF' && head[1] == '\xFE') return "UNICODE";
  return {};
}

std::string BinToHex(std::span<const uint8_t> bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    if (out.empty() && b == 0) continue;  // no leading zeros
    if (!out.empty() || b >= 16) out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out.empty() ? "0" : out;
}

std::string BinToHex(const Variant& bytes) {
  if (!bytes.is_array()) return "0";
  std::vector<uint8_t> raw;
  for (const Variant& v : bytes.raw_array().data()) {
    if (v.type() == vb::VarType::Byte) {
      raw.push_back(v.raw_byte());
    } else if (v.is_integral() && v.type() != vb::VarType::Byte) {
      int32_t n = v.type() == vb::VarType::Integer ? v.raw_integer() : v.raw_long();
      if (n < 0 || n > 255) return "0";
      raw.push_back(uint8_t(n));
    } else {
      return "0";
    }
  }
  return BinToHex(raw);
}

FileResult RemoveBOM(std::string_view file_path) {
  const fs::path p = to_path(file_path);
  std::string content;
  try {
    content = platform::read_file(p);
  } catch (const std::exception& e) {
    return {e.what()};
  }
  if (content.compare(0, kUtf8Bom.size(), kUtf8Bom) != 0) return {};
  return replace_file(p, std::string_view(content).substr(kUtf8Bom.size()));
}

}  // namespace tolvex
