// Reading the XML files of a template package (control, language, code base and keyword
// files): finding the file, decoding it, and the name rules their readers share.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/xml.h"

namespace tolvex {

// The file a path names: "\" and "/" both separate folders, and when the exact name does not
// exist the letter case of its parts is ignored. nullopt when there is no such file.
std::optional<std::string> find_package_file(std::string_view path);

// Parses a package XML file. The encoding that the file declares (or its byte-order mark)
// decides how it is read; a file that declares none and is not valid UTF-8 is read in the
// ANSI code page. nullopt when the file is missing, unreadable or not well-formed XML.
std::optional<platform::XmlDocument> load_package_xml(std::string_view path);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points
// above U+10FFFF).
bool is_valid_utf8(std::string_view s) noexcept;

// The root name a package file must have: the product key without "/" and blanks, in lower
// case, followed by `suffix` (".language", ".codebase", ...).
std::string package_root_name(std::string_view suffix);

// Letter case of names is ignored the way the model's keys ignore it (Unicode simple folding).
bool same_text_nocase(std::string_view a, std::string_view b) noexcept;

// The value of the element's first attribute whose name, lower-cased, is `lower_name`.
std::optional<std::string> attribute_nocase(const platform::XmlNode& element, std::string_view lower_name);

// True when `node` is an element whose qualified name, lower-cased, is `lower_name`.
bool is_element_named(const platform::XmlNode& node, std::string_view lower_name);

}  // namespace tolvex
