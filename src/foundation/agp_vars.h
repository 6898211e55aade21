// The shared procedures of module `AGPVars`: ADO type classes, identifiers made
// from names, script string literals, database kinds and SQL identifier quotes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vb/variant.h"

namespace tolvex::AGPVars {

// ADO type classes.
inline constexpr int16_t kAdoNumeric = 1;
inline constexpr int16_t kAdoDateTime = 2;
inline constexpr int16_t kAdoString = 3;
inline constexpr int16_t kAdoBoolean = 4;
inline constexpr int16_t kAdoGuid = 5;
inline constexpr int16_t kAdoOther = 6;

// Database kinds.
inline constexpr int16_t kDbAccess = 1;
inline constexpr int16_t kDbSqlServer = 2;
inline constexpr int16_t kDbMySql = 3;
inline constexpr int16_t kDbOracle = 4;
inline constexpr int16_t kDbOther = 5;

// The class (1..6 above) of an ADO data type code, compared as a number.
int16_t AdoTypeClass(const vb::Variant& ado_type);

// The variable name made from a name: A-Z, a-z, 0-9, blank and "_" stay, any other
// character becomes its ANSI code in upper-case hexadecimal without leading zeros,
// blanks become "_", "z" goes in front when the result does not start with a letter,
// and the prefix goes in front of the whole. A character that the ANSI code page lacks
// becomes "U" and four hexadecimal digits per UTF-16 code unit ("日" gives U65E5, "?"
// itself stays 3F), so that such names do not all meet in one identifier.
std::string MakeIdentifier(std::string_view name, std::string_view prefix);

// Trims and strips matching pairs of quotes. With a level above 0 the result becomes
// a quoted literal: inner double quotes doubled and `level` double quotes on each
// side. With level 1 the result is a valid script string expression also when the
// text holds line breaks: each CR LF, lone CR and lone LF stands outside the quotes
// as &vbCrLf&, &vbCr& or &vbLf&.
std::string UnquoteString(std::string_view value, int32_t level);

// One script expression for a multi-line text: the CR LF separated lines, each in
// double quotes with its double quotes doubled, joined by "&vbCrLf&" (followed by
// continuation & "&" when continuation is not empty). A lone CR or LF inside a line
// stands outside the quotes as &vbCr& or &vbLf&, so the literal never breaks.
// An empty text gives "".
std::string ToScriptStringExpr(std::string_view text, std::string_view continuation);

// 1 Access ("MS Jet", "ACCESS" exactly), 2 SQL Server ("Microsoft" and "SQL"),
// 3 MySQL, 4 Oracle ("ORA"), 5 other; the containment tests ignore letter case.
int16_t DbKindFromName(std::string_view name);

// The quote that encloses SQL identifiers: "NA" for the connection method "JDBC";
// else by the context's SqlQuoteSetting ("Backquote", "Double Quote", "None"); else
// "`" for a database type containing "MySQL" (any case), "" otherwise.
std::string IdentQuoteChar(std::string_view database_type, std::string_view connection_method);

}  // namespace tolvex::AGPVars
