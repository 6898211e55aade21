// Code pages: the configured "ANSI" code page of the system, the OEM code page, and conversion
// between them and the UTF-8 used everywhere inside the engine (through iconv).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvex::platform {

// The ANSI code page: set_ansi_code_page, else $TOLVEX_ANSI_CODEPAGE (a number such as 1252 or
// 932) when it names a code page that iconv knows, else 1252 (windows-1252).
int ansi_code_page();
// Throws PlatformError when iconv cannot convert to or from the code page. 0 goes back to the
// default above.
void set_ansi_code_page(int code_page);

// The OEM code page of the system's default locale. Locale 1033 (English, United States) is
// assumed, so 437 unless set_oem_code_page or $TOLVEX_OEM_CODEPAGE says otherwise.
int oem_code_page();
void set_oem_code_page(int code_page);  // 0 goes back to the default

// The charset name of a code page as iconv and XML parsers know it: 1252 "windows-1252",
// 437 "IBM437", 850 "IBM850", 932 "SHIFT_JIS", 65001 "UTF-8", 28591 "ISO-8859-1", ...; the empty
// text for a code page without a known name.
std::string code_page_charset_name(int code_page);

// UTF-8 to the code page's bytes. A character the code page lacks, and an invalid UTF-8 byte,
// become "?" (0x3F), as Windows' default replacement does. Throws PlatformError only when the code
// page is unknown.
std::string utf8_to_code_page(std::string_view utf8, int code_page);
// The code page's bytes to UTF-8. A byte (sequence) the code page does not define becomes U+FFFD.
std::string code_page_to_utf8(std::string_view bytes, int code_page);

// The same with the ANSI code page.
std::string utf8_to_ansi(std::string_view utf8);
std::string ansi_to_utf8(std::string_view bytes);

// The code of one character in the ANSI code page: the byte value for a single-byte character,
// the 16-bit value (lead byte * 256 + trail byte) of a double-byte character, and 0x3F (the
// code of "?") for a character the code page lacks.
uint32_t ansi_char_code(char32_t c);
// The same, but nothing for a character the code page lacks (so that "?" itself is told apart
// from a character written as "?").
std::optional<uint32_t> ansi_char_code_if_present(char32_t c);

}  // namespace tolvex::platform
