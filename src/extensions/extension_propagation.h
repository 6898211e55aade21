// Keeping the extensions' attribute trees in step with the model: new tables, charts
// and fields are extended in every extension whose definition covers them, a copied
// chart takes over its source's attributes, and renames and deletions of tables,
// charts and fields (told by the model's collections through fields/extension_sync.h)
// reach every extension once.
#pragma once

#include <string>

#include "model/project.h"

namespace tolvex {

// After a table has been added to the model or its fields loaded: every extension
// with a definition file gets the table, its charts and its fields as the conditions
// allow (only what is missing; a table whose fields are not loaded gets nothing).
void ExtendTableInExtensions(AGP& proj, const std::string& table);
// After a chart has been added to a table.
void ExtendChartInExtensions(AGP& proj, const std::string& table, const std::string& chart);
// After a field has been added to a table.
void ExtendFieldInExtensions(AGP& proj, const std::string& table, const std::string& field);
// After the model has copied chart sOldChartName to sNewChartName: in every extension
// that has an item for the source, the new chart's item (when made now) takes the
// source item's settings that are marked Sync.
void CopyChartToExtensions(AGP& proj, const std::string& sTableName, const std::string& sOldChartName,
                           const std::string& sNewChartName);

// Installs the extensions' answer to the model's rename and delete notices (done at
// start-up; a test that installed another one puts this one back with it).
void install_extension_sync();

}  // namespace tolvex
