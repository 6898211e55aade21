#include "templates/package_xml.h"

#include <filesystem>
#include <system_error>

#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/super_collection.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "templates/template_run.h"
#include "vb/strings.h"

namespace fs = std::filesystem;

namespace tolvex {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when the text starts with a byte-order mark of any kind or an XML declaration that
// names an encoding: the parser then knows how to read it.
bool names_its_encoding(std::string_view bytes) {
  if (bytes.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if ((b0 == 0xFE && b1 == 0xFF) || (b0 == 0xFF && b1 == 0xFE)) return true;
  }
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return true;
  if (bytes.substr(0, 5) != "<?xml") return false;
  const size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return false;
  return bytes.substr(0, end).find("encoding") != std::string_view::npos;
}

}  // namespace

bool is_valid_utf8(std::string_view s) noexcept {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= s.size()) return false;
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += extra + 1;
  }
  return true;
}

std::optional<std::string> find_package_file(std::string_view path) { return existing_template_path(path); }

std::optional<platform::XmlDocument> load_package_xml(std::string_view path) {
  const auto file = find_package_file(path);
  if (!file) return std::nullopt;
  try {
    std::string bytes = platform::read_file(*file);
    if (!names_its_encoding(bytes) && !is_valid_utf8(bytes)) bytes = platform::ansi_to_utf8(bytes);
    return platform::XmlDocument::parse_memory(bytes, *file);
  } catch (const platform::XmlEntityError&) {
    throw;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string package_root_name(std::string_view suffix) {
  return vb::utf8_lower(common::CompactName(context().ProductKey)) + std::string(suffix);
}

bool same_text_nocase(std::string_view a, std::string_view b) noexcept {
  return compare_keys(a, b, KeyCompare::Text) == 0;
}

std::optional<std::string> attribute_nocase(const platform::XmlNode& element, std::string_view lower_name) {
  for (platform::XmlAttribute& a : element.attributes())
    if (vb::utf8_lower(a.name) == lower_name) return std::move(a.value);
  return std::nullopt;
}

bool is_element_named(const platform::XmlNode& node, std::string_view lower_name) {
  return node.is_element() && vb::utf8_lower(node.name()) == lower_name;
}

}  // namespace tolvex
