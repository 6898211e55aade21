// What the schema import asks of the project object besides its own members: the
// extension operations (members that the extensions layer registers on the project;
// without them there is nothing to tell) and the site menu rebuild.
#pragma once

#include <string>
#include <vector>

#include "vb/variant.h"

namespace tolvex {

class AGP;

// Runs the project member `name` when a layer has registered it; Empty otherwise.
vb::Variant call_project_member_if_registered(AGP& project, const std::string& name, std::vector<vb::Variant> args);

// Makes the site menu follow the tables: entries (not custom URLs) that name no table of
// the database go, last first; every loaded table without an entry gets one at the top
// level, shown when the table is generated and listed. Nothing without a database.
void SyncMenus(AGP& project);

// The project settings that the loaders copy into the context before they read.
void refresh_load_settings(AGP& project, bool with_dynamic_load);

}  // namespace tolvex
