#include "model/project_members.h"

#include "vb/strings.h"

namespace tolvex {
namespace {

struct Registry {
  std::vector<std::string> names;
  std::vector<ProjectMemberFn> fns;
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

void register_project_member(std::string name, ProjectMemberFn fn) {
  Registry& r = registry();
  for (size_t i = 0; i < r.names.size(); ++i) {
    if (vb::iequals(r.names[i], name)) {
      r.fns[i] = std::move(fn);
      return;
    }
  }
  r.names.push_back(std::move(name));
  r.fns.push_back(std::move(fn));
}

int32_t find_project_member(std::string_view name) {
  const Registry& r = registry();
  for (size_t i = 0; i < r.names.size(); ++i)
    if (vb::iequals(r.names[i], name)) return int32_t(i);
  return -1;
}

const ProjectMemberFn& project_member(int32_t index) { return registry().fns.at(size_t(index)); }

std::vector<std::string> project_member_names() { return registry().names; }

}  // namespace tolvex
