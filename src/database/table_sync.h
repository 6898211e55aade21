// Synchronization of the project's tables and views with the live database: names the
// user pairs are renamed, matched tables and fields take the schema's facts and keep the
// user's settings, new ones are added with defaults, and what the schema no longer has
// is deleted. Custom views, reports, the site menu and the table keys follow.
#pragma once

#include <string>

#include "database/schema_records.h"

namespace tolvex {

class AGP;
class AGPField;
class AGPSchema;
class AGPTable;

// Reads a fresh snapshot and synchronizes the project with it. A snapshot that cannot be
// read changes nothing and leaves the reader's text in ProjErr. Nothing without a database.
void SynchronizeDB(AGP& project);

// Offers the user to pair new schema tables, views and fields with the project's
// unmatched ones, and renames each old one the user paired. A pairing never merges: an
// old name is taken once, only from the names offered, and never onto a name that
// another table or field holds in any letter case.
void MapRenamedTablesAndFields(AGP& project, const AGPSchema& schema);
// The "TABLE" and "VIEW" tables and their fields brought in line with the snapshot.
void SyncTablesAndViews(AGP& project, const AGPSchema& schema);

// Matching: each schema field takes the first unmarked field of its name and native
// type, which keeps the user's settings and takes the schema's facts.
void match_schema_fields(AGP& project, AGPTable& table, const AGSchemaTable& schema_table);
// Adding: a field whose native type changed, and a field the table lacks, is (re)built
// from the schema record with defaults and marked; new fields, and with `notify_rebuilt`
// rebuilt ones, are passed to the extensions.
void add_schema_fields(AGP& project, AGPTable& table, const AGSchemaTable& schema_table, bool notify_rebuilt);

// The Keep/Update question; true keeps the old definition.
bool AskKeepOldDefinition(const std::string& prompt);

// Table facts from the schema record: a new table takes type, key and defaults; an old
// one only a key it lacks.
void InitSyncedTable(AGPTable& table, const AGSchemaTable& schema_table, bool is_new);
// Field facts from the schema record; a new field also takes its first settings
// (through the field default rules), an old enumeration or set field keeps the labels of
// the values that remain.
void CopySchemaField(AGP& project, AGPField& field, const AGSchemaField& schema_field, bool is_new);
// The new tag-value list with the labels of the old list's lines of the same values;
// each line ends in CR LF.
std::string MergeTagValues(const std::string& new_list, const std::string& old_list);
// FldTagValues of the field `field` of the loaded table `table` (exact names), or "".
std::string GetSourceFieldTagValues(AGP& project, const std::string& table, const std::string& field);

// The module-wide values that the default rules of new tables and fields read: the date
// format, the security value and the database's DBMS name.
void set_sync_defaults(AGP& project);

}  // namespace tolvex
