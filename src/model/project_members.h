// Members of the project object that later layers define (saving and opening
// project files, loading and synchronizing databases, generation, extensions).
// Each layer registers its members by name once; the project object's dispatch
// finds them after its own members, so scripts and the host call them as members
// of the project object.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"

namespace tolvex {

class AGP;

using ProjectMemberFn = std::function<vb::Variant(AGP&, vb::Args)>;

// Adds (or replaces) a method of the project object. Names compare without letter case.
void register_project_member(std::string name, ProjectMemberFn fn);
// The registered member's index, or -1.
int32_t find_project_member(std::string_view name);
const ProjectMemberFn& project_member(int32_t index);
std::vector<std::string> project_member_names();

}  // namespace tolvex
