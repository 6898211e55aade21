// The extension operations as members of the project object, for the host and scripts.
#include "extensions/attribute_access.h"
#include "extensions/attribute_definitions.h"
#include "extensions/extension_propagation.h"
#include "model/project_members.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using vb::Args;
using vb::Variant;

std::string text(const Variant& v) { return vb::to_string(vb::default_value(v)); }

const bool registered = [] {
  // Reached by name from the database loaders, which do not link this layer.
  register_project_member("LoadRegisteredExtensions", [](AGP& p, Args a) {
    vb::check_arg_count(a, 0, 0);
    LoadRegisteredExtensions(p);
    return Variant();
  });
  register_project_member("ExtendTableInExtensions", [](AGP& p, Args a) {
    vb::check_arg_count(a, 1, 1);
    ExtendTableInExtensions(p, text(a[0]));
    return Variant();
  });
  register_project_member("ExtendChartInExtensions", [](AGP& p, Args a) {
    vb::check_arg_count(a, 2, 2);
    ExtendChartInExtensions(p, text(a[0]), text(a[1]));
    return Variant();
  });
  register_project_member("ExtendFieldInExtensions", [](AGP& p, Args a) {
    vb::check_arg_count(a, 2, 2);
    ExtendFieldInExtensions(p, text(a[0]), text(a[1]));
    return Variant();
  });
  register_project_member("AddExtension", [](AGP& p, Args a) {
    vb::check_arg_count(a, 3, 3);
    return Variant(AddExtension(p, text(a[0]), text(a[1]), text(a[2])));
  });
  register_project_member("DeleteExtension", [](AGP& p, Args a) {
    vb::check_arg_count(a, 1, 1);
    return Variant(DeleteExtension(p, text(a[0])));
  });
  register_project_member("SetExtProjAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 3, 3);
    return Variant(SetExtProjAtt(p, text(a[0]), text(a[1]), a[2]));
  });
  register_project_member("GetExtProjAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 2, 2);
    return GetExtProjAtt(p, text(a[0]), text(a[1]));
  });
  register_project_member("SetExtDbAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 3, 3);
    return Variant(SetExtDbAtt(p, text(a[0]), text(a[1]), a[2]));
  });
  register_project_member("GetExtDbAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 2, 2);
    return GetExtDbAtt(p, text(a[0]), text(a[1]));
  });
  register_project_member("SetExtTblAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 4, 4);
    return Variant(SetExtTblAtt(p, text(a[0]), text(a[1]), text(a[2]), a[3]));
  });
  register_project_member("GetExtTblAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 3, 3);
    return GetExtTblAtt(p, text(a[0]), text(a[1]), text(a[2]));
  });
  register_project_member("SetExtChartAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 5, 5);
    return Variant(SetExtChartAtt(p, text(a[0]), text(a[1]), text(a[2]), text(a[3]), a[4]));
  });
  register_project_member("GetExtChartAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 4, 4);
    return GetExtChartAtt(p, text(a[0]), text(a[1]), text(a[2]), text(a[3]));
  });
  register_project_member("SetExtFldAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 5, 5);
    return Variant(SetExtFldAtt(p, text(a[0]), text(a[1]), text(a[2]), text(a[3]), a[4]));
  });
  register_project_member("GetExtFldAtt", [](AGP& p, Args a) {
    vb::check_arg_count(a, 4, 4);
    return GetExtFldAtt(p, text(a[0]), text(a[1]), text(a[2]), text(a[3]));
  });
  register_project_member("CopyChartToExtensions", [](AGP& p, Args a) {
    vb::check_arg_count(a, 3, 3);
    CopyChartToExtensions(p, text(a[0]), text(a[1]), text(a[2]));
    return Variant();
  });
  return true;
}();

}  // namespace
}  // namespace tolvex
