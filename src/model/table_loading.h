// What the schema loaders need besides AGPTable::Load_zvDB: the key list of a driver
// table in the form the project keeps, and the check that keeps two tables whose names
// differ only in letter case apart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvex {

class AGPTables;

// The key column names of a driver's PKField list, in key order: items separated by ",",
// each trimmed of blanks; an item written in double quotes (inner quotes doubled) is taken
// as it stands inside them, so that a name holding a comma or blanks survives. Empty items
// are dropped.
std::vector<std::string> split_driver_key(std::string_view pk_field);

// The TblKey of a driver's PKField list: the key names one per line (CR LF), sorted by
// common::SortLines, the form in which the key bookkeeping writes TblKey, so that an
// unchanged composite key compares equal. "" for a table without a key.
std::string table_key_from_driver(std::string_view pk_field);

// True when a table named `name` can join `tables` as a table of its own. The collection
// compares names without letter case and would take such a name as a rename of the table
// already there (whose columns the new one would then be merged into): for a name that
// differs from a present table's name only in letter case this sets ProjErr and returns
// false. A name present exactly, or absent, gives true (Add decides about those).
bool table_name_fits(AGPTables& tables, const std::string& name);

}  // namespace tolvex
