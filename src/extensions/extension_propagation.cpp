#include "extensions/extension_propagation.h"

#include <functional>

#include "extensions/attribute_definitions.h"
#include "extensions/extensions.h"
#include "extensions/model_lookup.h"
#include "fields/extension_sync.h"

namespace tolvex {
namespace {

using vb::Variant;

// Runs `step` for every extension of the list, each exactly once, in list order. An
// error in one extension's tree does not keep the others from hearing of the change.
void for_each_extension(const std::function<void(AGPExtension&)>& step) {
  AGPExtensions* list = existing_extension_list();
  if (!list) return;
  for (const auto& ext : list->items()) {
    try {
      step(*ext);
    } catch (const vb::VBError&) {
    }
  }
}

// The walk of the extend and copy operations: the extensions whose definition file
// loads, each with its definition read anew.
void for_each_defined_extension(const std::function<void(AGPExtension&, const ExtensionDefinition&)>& step) {
  for_each_extension([&](AGPExtension& ext) {
    const std::string xml = ext.XmlFile();
    if (xml.empty()) return;
    const ExtensionDefinition def = ExtensionDefinition::load(xml);
    if (def.loaded()) step(ext, def);
  });
}

vb::Ref<AGPExtTables> tree_tables(AGPExtension& ext) { return ext.PROJ()->DB()->Tables(); }

class TreeSync : public ExtensionSync {
 public:
  void rename_table(const std::string& old_name, const std::string& new_name) override {
    for_each_extension([&](AGPExtension& ext) {
      const auto tables = tree_tables(ext);
      if (tables->TableExist(Variant(old_name))) tables->Change(old_name, new_name);
    });
  }
  void delete_table(const std::string& name) override {
    for_each_extension([&](AGPExtension& ext) {
      const auto tables = tree_tables(ext);
      auto item = tables->find(name);
      if (!item) return;
      item->Charts()->delete_all();
      item->Fields()->delete_all();
      tables->Delete(name);
    });
  }
  void rename_field(const std::string& table, const std::string& old_name, const std::string& new_name) override {
    for_each_extension([&](AGPExtension& ext) {
      auto item = tree_tables(ext)->find(table);
      if (item && item->Fields()->FieldExist(Variant(old_name))) item->Fields()->Change(old_name, new_name);
    });
  }
  void delete_field(const std::string& table, const std::string& field) override {
    for_each_extension([&](AGPExtension& ext) {
      auto item = tree_tables(ext)->find(table);
      if (item && item->Fields()->FieldExist(Variant(field))) item->Fields()->Delete(Variant(field));
    });
  }
  void rename_chart(const std::string& table, const std::string& old_name, const std::string& new_name) override {
    for_each_extension([&](AGPExtension& ext) {
      auto item = tree_tables(ext)->find(table);
      if (item && item->Charts()->ChartExist(Variant(old_name))) item->Charts()->Change(old_name, new_name);
    });
  }
  void delete_chart(const std::string& table, const std::string& chart) override {
    for_each_extension([&](AGPExtension& ext) {
      auto item = tree_tables(ext)->find(table);
      if (item && item->Charts()->ChartExist(Variant(chart))) item->Charts()->Delete(Variant(chart));
    });
  }
};

const bool installed = [] {
  install_extension_sync();
  return true;
}();

}  // namespace

void install_extension_sync() { register_extension_sync(std::make_shared<TreeSync>()); }

void ExtendTableInExtensions(AGP& proj, const std::string& table) {
  auto model = model_table(proj, table);
  if (!model) return;
  for_each_defined_extension([&](AGPExtension& ext, const ExtensionDefinition& def) {
    if (!model->TblLoaded()) return;
    const std::string ext_name = ext.Name();
    const std::string tname = model->TblName();
    AddExtendedTable(proj, ext_name, tname, def.node(kExtTableNode));
    const auto charts = model->Charts();
    const platform::XmlNode chart_node = def.node(kExtChartNode);
    for (int32_t j = 1, n = charts->Count(); j <= n; ++j)
      if (auto chart = charts->Seq(int16_t(j))) AddExtendedChart(proj, ext_name, tname, chart->ChartName(), chart_node);
    const auto fields = model->Fields();
    const platform::XmlNode field_node = def.node(kExtFieldNode);
    for (int32_t j = 1, n = fields->Count(); j <= n; ++j)
      if (auto field = fields->Seq(int16_t(j))) AddExtendedField(proj, ext_name, tname, field->FldName(), field_node);
  });
}

void ExtendChartInExtensions(AGP& proj, const std::string& table, const std::string& chart) {
  auto model = model_table(proj, table);
  if (!model) return;
  auto model_chart = model_item(*model->Charts(), chart);
  if (!model_chart) return;
  for_each_defined_extension([&](AGPExtension& ext, const ExtensionDefinition& def) {
    if (model->TblLoaded())
      AddExtendedChart(proj, ext.Name(), model->TblName(), model_chart->ChartName(), def.node(kExtChartNode));
  });
}

void ExtendFieldInExtensions(AGP& proj, const std::string& table, const std::string& field) {
  auto model = model_table(proj, table);
  if (!model) return;
  auto model_field = model_item(*model->Fields(), field);
  if (!model_field) return;
  for_each_defined_extension([&](AGPExtension& ext, const ExtensionDefinition& def) {
    if (model->TblLoaded())
      AddExtendedField(proj, ext.Name(), model->TblName(), model_field->FldName(), def.node(kExtFieldNode));
  });
}

void CopyChartToExtensions(AGP& proj, const std::string& sTableName, const std::string& sOldChartName,
                           const std::string& sNewChartName) {
  auto model = model_table(proj, sTableName);
  if (!model) return;
  const auto charts = model->Charts();
  if (!charts->ChartExist(Variant(sOldChartName))) return;
  auto new_chart = model_item(*charts, sNewChartName);
  if (!new_chart) return;
  for_each_defined_extension([&](AGPExtension& ext, const ExtensionDefinition& def) {
    if (!model->TblLoaded()) return;
    auto table_item = tree_tables(ext)->find(sTableName);
    if (!table_item) return;
    auto source = table_item->Charts()->find(sOldChartName);
    if (!source) return;
    if (!AddExtendedChart(proj, ext.Name(), model->TblName(), new_chart->ChartName(), def.node(kExtChartNode))) return;
    auto target = table_item->Charts()->find(new_chart->ChartName());
    if (!target) return;
    const AGProperties& from = *source->Properties();
    AGProperties& to = *target->Properties();
    for (size_t i = 0; i < from.size(); ++i) {
      if (!from.desc_at(i).sync) continue;
      if (auto slot = to.index_of(from.name_at(i))) to.set_value_at(*slot, from.value_at(i));
    }
  });
}

}  // namespace tolvex
