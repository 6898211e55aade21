#include "extensions/attribute_access.h"

#include "extensions/attribute_definitions.h"
#include "extensions/extensions.h"
#include "extensions/model_lookup.h"
#include "extensions/setting_lookup.h"
#include "model/database.h"
#include "model/tables.h"

namespace tolvex {
namespace {

using vb::Variant;

bool store_value(AGProperties& props, const std::string& name, const Variant& val) {
  auto slot = setting_slot_nocase(props, name);
  if (!slot) return false;
  props.set_value_at(*slot, val);
  return true;
}

Variant read_value(AGProperties& props, const std::string& name) {
  auto slot = setting_slot_nocase(props, name);
  return slot ? props.value_at(*slot) : Variant::null();
}

// The definition file of the extension for a setter; a damaged one also says why in
// AGP.ProjErr.
ExtensionDefinition definition_for(AGP& proj, AGPExtension& ext) {
  ExtensionDefinition def = ExtensionDefinition::load(ext.XmlFile());
  if (def.state() == ExtensionDefinition::State::Damaged) proj.ProjErr(def.error());
  return def;
}

// The extension's table item for a setter, made from the definition when missing.
vb::Ref<AGPExtTable> table_item_for_set(AGP& proj, AGPExtension& ext, const std::string& sTblName) {
  const auto tables = ext.PROJ()->DB()->Tables();
  if (auto item = tables->find(sTblName)) return item;
  const ExtensionDefinition def = definition_for(proj, ext);
  if (!def.loaded()) return nullptr;
  if (!AddExtendedTable(proj, ext.Name(), sTblName, def.node(kExtTableNode))) return nullptr;
  return tables->find(sTblName);
}

vb::Ref<AGPExtTable> table_item_for_get(const std::string& sExtName, const std::string& sTblName) {
  auto ext = extension_list().find(sExtName);
  if (!ext) return nullptr;
  return ext->PROJ()->DB()->Tables()->find(sTblName);
}

}  // namespace

bool SetExtProjAtt(AGP&, const std::string& sExtName, const std::string& sAttName, const Variant& val) {
  auto ext = extension_list().find(sExtName);
  return ext && store_value(*ext->PROJ()->Properties(), sAttName, val);
}

Variant GetExtProjAtt(AGP&, const std::string& sExtName, const std::string& sAttName) {
  auto ext = extension_list().find(sExtName);
  return ext ? read_value(*ext->PROJ()->Properties(), sAttName) : Variant::null();
}

bool SetExtDbAtt(AGP&, const std::string& sExtName, const std::string& sAttName, const Variant& val) {
  auto ext = extension_list().find(sExtName);
  return ext && store_value(*ext->PROJ()->DB()->Properties(), sAttName, val);
}

Variant GetExtDbAtt(AGP&, const std::string& sExtName, const std::string& sAttName) {
  auto ext = extension_list().find(sExtName);
  return ext ? read_value(*ext->PROJ()->DB()->Properties(), sAttName) : Variant::null();
}

bool SetExtTblAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName, const std::string& sAttName,
                  const Variant& val) {
  if (!model_table(proj, sTblName)) return false;
  auto ext = extension_list().find(sExtName);
  if (!ext) return false;
  auto item = table_item_for_set(proj, *ext, sTblName);
  return item && store_value(*item->Properties(), sAttName, val);
}

Variant GetExtTblAtt(AGP&, const std::string& sExtName, const std::string& sTblName, const std::string& sAttName) {
  auto item = table_item_for_get(sExtName, sTblName);
  return item ? read_value(*item->Properties(), sAttName) : Variant::null();
}

bool SetExtChartAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                    const std::string& sChartName, const std::string& sAttName, const Variant& val) {
  auto table = model_table(proj, sTblName);
  if (!table || !table->Charts()->ChartExist(Variant(sChartName))) return false;
  auto ext = extension_list().find(sExtName);
  if (!ext) return false;
  auto table_item = table_item_for_set(proj, *ext, sTblName);
  if (!table_item) return false;
  auto item = table_item->Charts()->find(sChartName);
  if (!item) {
    const ExtensionDefinition def = definition_for(proj, *ext);
    if (!def.loaded()) return false;
    if (!AddExtendedChart(proj, sExtName, sTblName, sChartName, def.node(kExtChartNode))) return false;
    item = table_item->Charts()->find(sChartName);
  }
  return item && store_value(*item->Properties(), sAttName, val);
}

Variant GetExtChartAtt(AGP&, const std::string& sExtName, const std::string& sTblName, const std::string& sChartName,
                       const std::string& sAttName) {
  auto table_item = table_item_for_get(sExtName, sTblName);
  if (!table_item) return Variant::null();
  auto item = table_item->Charts()->find(sChartName);
  return item ? read_value(*item->Properties(), sAttName) : Variant::null();
}

bool SetExtFldAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName, const std::string& sFldName,
                  const std::string& sAttName, const Variant& val) {
  auto table = model_table(proj, sTblName);
  if (!table || !table->Fields()->FieldExist(Variant(sFldName))) return false;
  auto ext = extension_list().find(sExtName);
  if (!ext) return false;
  auto table_item = table_item_for_set(proj, *ext, sTblName);
  if (!table_item) return false;
  auto item = table_item->Fields()->find(sFldName);
  if (!item) {
    const ExtensionDefinition def = definition_for(proj, *ext);
    if (!def.loaded()) return false;
    if (!AddExtendedField(proj, sExtName, sTblName, sFldName, def.node(kExtFieldNode))) return false;
    item = table_item->Fields()->find(sFldName);
  }
  return item && store_value(*item->Properties(), sAttName, val);
}

Variant GetExtFldAtt(AGP&, const std::string& sExtName, const std::string& sTblName, const std::string& sFldName,
                     const std::string& sAttName) {
  auto table_item = table_item_for_get(sExtName, sTblName);
  if (!table_item) return Variant::null();
  auto item = table_item->Fields()->find(sFldName);
  return item ? read_value(*item->Properties(), sAttName) : Variant::null();
}

}  // namespace tolvex
