#include "foundation/agp_vars.h"

#include <cstdio>
#include <optional>

#include "foundation/common.h"
#include "foundation/context.h"
#include "platform/codepage.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex::AGPVars {

using vb::Variant;

namespace {

bool is_ascii_letter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }
bool is_ascii_digit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool icontains(std::string_view haystack, std::string_view needle) {
  if (needle.size() > haystack.size()) return false;
  for (size_t i = 0; i + needle.size() <= haystack.size(); ++i)
    if (vb::iequals(haystack.substr(i, needle.size()), needle)) return true;
  return false;
}

// A double-quoted script literal of `s` with its double quotes doubled. Line breaks
// cannot stand inside a literal: each CR LF, lone CR and lone LF is put between two
// literals as vbCrLf, vbCr or vbLf.
void append_literal(std::string& out, std::string_view s) {
  out += '"';
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      out += "\"&vbCrLf&\"";
      ++i;
    } else if (c == '\r') {
      out += "\"&vbCr&\"";
    } else if (c == '\n') {
      out += "\"&vbLf&\"";
    } else {
      out += c;
    }
  }
  out += '"';
}

// A character that the ANSI code page lacks: "U" and the four hexadecimal digits of each of its
// UTF-16 code units, so that names that differ there keep different identifiers (the code page
// would write every such character as "?").
void append_unicode_code(std::string& out, char32_t c) {
  auto unit = [&](uint32_t u) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "U%04X", unsigned(u));
    out += hex;
  };
  if (c >= 0x10000 && c <= 0x10FFFF) {
    unit(0xD800 + ((uint32_t(c) - 0x10000) >> 10));
    unit(0xDC00 + ((uint32_t(c) - 0x10000) & 0x3FF));
  } else {
    unit(uint32_t(c) & 0xFFFF);
  }
}

}  // namespace

int16_t AdoTypeClass(const Variant& ado_type) {
  double code = 0;
  try {
    code = vb::to_double(ado_type);
  } catch (const std::exception&) {
    return kAdoOther;
  }
  auto is = [&](std::initializer_list<int> codes) {
    for (int c : codes)
      if (code == double(c)) return true;
    return false;
  };
  if (is({20, 3, 2, 16, 4, 5, 131, 6})) return kAdoNumeric;
  if (is({7, 133, 134, 135})) return kAdoDateTime;
  if (is({201, 203, 129, 130, 200, 202})) return kAdoString;
  if (is({11})) return kAdoBoolean;
  if (is({72})) return kAdoGuid;
  return kAdoOther;
}

std::string MakeIdentifier(std::string_view name, std::string_view prefix) {
  std::string result;
  size_t pos = 0;
  while (pos < name.size()) {
    char32_t c = vb::utf8_decode(name, pos);
    if (is_ascii_letter(c) || is_ascii_digit(c) || c == U'_') {
      result += char(c);
    } else if (c == U' ') {
      result += '_';
    } else if (const std::optional<uint32_t> code = platform::ansi_char_code_if_present(c)) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%X", unsigned(*code));
      result += hex;
    } else {
      append_unicode_code(result, c);
    }
  }
  if (!result.empty() && !is_ascii_letter(char32_t(result[0]))) result.insert(result.begin(), 'z');
  return std::string(prefix) + result;
}

std::string UnquoteString(std::string_view value, int32_t level) {
  std::string s = common::trim_blanks(value);
  while (s.size() > 1 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
    s = common::trim_blanks(std::string_view(s).substr(1, s.size() - 2));
  if (level <= 0) return s;
  std::string out;
  if (level == 1) {
    append_literal(out, s);
    return out;
  }
  // Deeper levels quote a literal that is itself nested in another one.
  const std::string quotes(size_t(level), '"');
  out = quotes;
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  out += quotes;
  return out;
}

std::string ToScriptStringExpr(std::string_view text, std::string_view continuation) {
  std::string out;
  if (text.empty()) return out;
  size_t pos = 0;
  bool first = true;
  for (;;) {
    size_t at = text.find("\r\n", pos);
    std::string_view line = text.substr(pos, at == std::string_view::npos ? std::string_view::npos : at - pos);
    if (!first) out += '&';
    first = false;
    append_literal(out, line);
    if (at == std::string_view::npos) break;
    out += "&vbCrLf";
    if (!continuation.empty()) {
      out += '&';
      out += continuation;
    }
    pos = at + 2;
  }
  return out;
}

int16_t DbKindFromName(std::string_view name) {
  if (name == "MS Jet" || name == "ACCESS") return kDbAccess;
  if (icontains(name, "Microsoft") && icontains(name, "SQL")) return kDbSqlServer;
  if (icontains(name, "MySQL")) return kDbMySql;
  if (icontains(name, "ORA")) return kDbOracle;
  return kDbOther;
}

std::string IdentQuoteChar(std::string_view database_type, std::string_view connection_method) {
  if (connection_method == "JDBC") return "NA";
  const std::string& setting = context().SqlQuoteSetting;
  if (setting == "Backquote") return "`";
  if (setting == "Double Quote") return "\"";
  if (setting == "None") return "";
  return icontains(database_type, "MySQL") ? "`" : "";
}

}  // namespace tolvex::AGPVars
