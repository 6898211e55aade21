// The per-user defaults written back by the project object: the project's and the
// database's settings marked RegSave, and the general values kept on the project.
#include "foundation/context.h"
#include "foundation/registry.h"
#include "model/project.h"
#include "model/project_members.h"

namespace tolvex {
namespace {

// Every setting of the store marked RegSave, in store order, under its own name
// and as the value kind its RegFormat names.
void save_marked_settings(const AGProperties& props, const std::string& key) {
  const vb::Variant user("HKCU");
  const vb::Variant section(key);
  for (size_t i = 0; i < props.size(); ++i) {
    const PropertyDesc& d = props.desc_at(i);
    if (!d.reg_save) continue;
    int32_t kind = d.reg_format;
    common::SetRegValue(user, section, vb::Variant(d.name), kind, props.value_at(i));
  }
}

const bool registered = [] {
  register_project_member("SaveDefault", [](AGP& project, vb::Args args) {
    vb::check_arg_count(args, 0, 0);
    project.SaveDefault();
    return vb::Variant();
  });
  return true;
}();

}  // namespace

void AGP::SaveDefault() {
  ModuleContext& ctx = context();
  save_marked_settings(*Properties(), ctx.RegKeyProject);
  if (DB()) save_marked_settings(*DB()->Properties(), ctx.RegKeyDatabase);
  const vb::Variant user("HKCU");
  const vb::Variant general(ctx.RegKeyGeneral);
  int32_t text = 1;
  int32_t number = 4;
  common::SetRegValue(user, general, vb::Variant("Language"), text, vb::Variant(language()));
  common::SetRegValue(user, general, vb::Variant("BackupFile"), text, vb::Variant(backup_file()));
  common::SetRegValue(user, general, vb::Variant("USERCODE"), text, vb::Variant(user_code()));
  common::SetRegValue(user, general, vb::Variant("ScriptEngineTimeout"), number,
                      vb::Variant(script_engine_timeout()));
}

}  // namespace tolvex
