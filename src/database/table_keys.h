// The two forms of a table's primary key: TblKey (the key field names, one per CR LF
// line, sorted) and the fields' FldIsPrimaryKey flags, each derived from the other.
#pragma once

#include <string>

namespace tolvex {

class AGP;
class AGPTable;

// TblKey of every table of the database := the sorted names of its key fields ("" for a
// table without key fields). Nothing without a database.
void BuildTableKeys(AGP& project);
// FldIsPrimaryKey of each field of the table := its name is a line of TblKey (after
// UnquoteName), compared exactly.
void ApplyTableKeys(AGPTable& table);
// A key name without the identifier quotes a database may report: outer double quotes
// (inner doubled ones become one), then outer square brackets. A name too short to hold
// both of a pair is returned as it is.
std::string UnquoteName(const std::string& name);

}  // namespace tolvex
