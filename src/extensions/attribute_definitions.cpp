#include "extensions/attribute_definitions.h"

#include <functional>
#include <vector>

#include "extensions/extensions.h"
#include "extensions/model_lookup.h"
#include "extensions/setting_lookup.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "generator/condition.h"
#include "generator/generation_state.h"
#include "model/database.h"
#include "model/tables.h"
#include "platform/folders.h"
#include "templates/package_xml.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

using vb::Variant;

// What AddExtension has changed so far, as steps that take it back. The operations
// below record into the log of the AddExtension that is running (none otherwise).
class UndoLog {
 public:
  void add(std::function<void()> step) { steps_.push_back(std::move(step)); }
  void undo() noexcept {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
      try {
        (*it)();
      } catch (...) {
      }
    }
    steps_.clear();
  }

 private:
  std::vector<std::function<void()>> steps_;
};

thread_local UndoLog* active_log = nullptr;

void record(std::function<void()> step) {
  if (active_log) active_log->add(std::move(step));
}

// Clears the project's current table (and field) when the scope ends, however it ends.
struct CurrentObjectsReset {
  AGP& proj;
  bool field;
  ~CurrentObjectsReset() {
    set_current_table(proj, nullptr);
    if (field) set_current_field(proj, nullptr);
  }
};

bool condition_holds(AGP& proj, const platform::XmlNode& node) {
  return EvalCondition(proj, Variant(common::GetCondAttr(node)));
}

struct AttributeDecl {
  std::string name, type, default_value;
  int line = 0;
};

AttributeDecl read_attribute(const platform::XmlNode& child) {
  AttributeDecl d;
  d.line = child.line();
  for (const platform::XmlAttribute& a : child.attributes()) {
    const std::string key = vb::utf8_lower(a.name);
    if (key == "name") d.name = a.value;
    else if (key == "type") d.type = a.value;
    else if (key == "default") d.default_value = a.value;
  }
  return d;
}

template <class F>
void for_each_attribute(const platform::XmlNode& node, F&& f) {
  if (!node) return;
  for (const platform::XmlNode& child : node.children())
    if (is_element_named(child, "attribute")) f(read_attribute(child));
}

bool is_converted_type(const std::string& type) {
  const std::string t = vb::utf8_lower(type);
  return t == "boolean" || t == "integer" || t == "long" || t == "single" || t == "double";
}

// A default that its declared type cannot hold (the conversion would leave it empty).
bool default_unconvertible(const AttributeDecl& d) {
  if (d.name.empty() || d.type.empty() || d.default_value.empty() || !is_converted_type(d.type)) return false;
  return common::ConvertByTypeRaw(Variant(d.default_value), Variant(d.type)).is_empty();
}

// The moves of a new chart item: the model chart's old display settings that the
// definition now declares as attributes go over, and the chart's own are reset.
void move_old_chart_settings(const vb::Ref<AGPChart>& c, AGProperties& props) {
  auto move = [&](const char* attribute, bool set, Variant value, std::function<void(bool)> reset_or_restore) {
    if (!set) return;
    auto slot = setting_slot_nocase(props, attribute);
    if (!slot) return;
    props.set_value_at(*slot, std::move(value));
    reset_or_restore(true);
    record([reset_or_restore] { reset_or_restore(false); });
  };
  const std::string bg = c->ChartChartBgColor();
  move("canvasBgColor", !bg.empty(), Variant(bg), [c, bg](bool r) { c->ChartChartBgColor(r ? std::string() : bg); });
  const std::string border = c->ChartChartBorderColor();
  move("canvasBorderColor", !border.empty(), Variant(border),
       [c, border](bool r) { c->ChartChartBorderColor(r ? std::string() : border); });
  const int16_t lines = c->ChartNumGridLines();
  move("numDivLines", lines > 0, Variant(lines), [c, lines](bool r) { c->ChartNumGridLines(r ? int16_t(0) : lines); });
  const std::string grid = c->ChartGridColor();
  move("divLineColor", !grid.empty(), Variant(grid), [c, grid](bool r) { c->ChartGridColor(r ? std::string() : grid); });
  const int32_t min = c->ChartYAxisMinValue();
  move("yAxisMinValue", min != 0, Variant(min), [c, min](bool r) { c->ChartYAxisMinValue(r ? 0 : min); });
  const int32_t max = c->ChartYAxisMaxValue();
  move("yAxisMaxValue", max != 0, Variant(max), [c, max](bool r) { c->ChartYAxisMaxValue(r ? 0 : max); });
  const bool rotated = c->ChartXAxisNameRotated();
  move("rotateNames", rotated, Variant(true), [c](bool r) { c->ChartXAxisNameRotated(!r); });
}

std::string registry_text(const std::string& key, const char* name) {
  ModuleContext& ctx = context();
  ctx.RegValueName = name;
  const Variant v = common::GetRegValue(Variant("HKCU"), Variant(key), Variant(name));
  return common::text_if_any(v);
}

}  // namespace

// ---- the definition file -----------------------------------------------------

ExtensionDefinition ExtensionDefinition::load(const std::string& xml_file) {
  ExtensionDefinition def;
  if (xml_file.empty()) return def;
  def.path_ = platform::normalize_separators(common::AddBackslash(context().ExtensionsFolder) + xml_file);
  const auto found = find_package_file(def.path_);
  if (!found) return def;
  def.path_ = *found;
  const std::string damaged = context().ProductTitle + ": Extension definition file \"" + def.path_ + "\" is damaged: ";
  try {
    def.doc_ = load_package_xml(def.path_);
  } catch (const platform::XmlEntityError& e) {
    def.state_ = State::Damaged;
    def.error_ = damaged + e.what();
    return def;
  }
  if (!def.doc_) {
    std::string why = "not a well-formed XML file";
    try {
      (void)platform::XmlDocument::parse_file(def.path_);
    } catch (const std::exception& e) {
      why = e.what();
    }
    def.state_ = State::Damaged;
    def.error_ = damaged + why;
    return def;
  }
  for (const char* level : {kExtProjectNode, kExtDatabaseNode, kExtTableNode, kExtChartNode, kExtFieldNode}) {
    std::string fault;
    for_each_attribute(def.node(level), [&](const AttributeDecl& d) {
      if (fault.empty() && default_unconvertible(d))
        fault = "attribute \"" + d.name + "\" (line " + std::to_string(d.line) + "): default \"" + d.default_value +
                "\" is no " + d.type;
    });
    if (!fault.empty()) {
      def.doc_.reset();
      def.state_ = State::Damaged;
      def.error_ = damaged + fault;
      return def;
    }
  }
  def.state_ = State::Loaded;
  return def;
}

platform::XmlNode ExtensionDefinition::node(const std::string& xpath) const {
  if (!doc_) return {};
  try {
    return doc_->select_one(xpath);
  } catch (const platform::XmlError&) {
    return {};
  }
}

namespace common {

void LoadAttributeDefs(AGProperties& props, const platform::XmlNode& node) {
  for_each_attribute(node, [&](const AttributeDecl& d) {
    if (d.name.empty() || d.type.empty() || setting_slot_nocase(props, d.name)) return;
    try {
      if (!props.Add(d.name, d.type, false, 0, true, true)) return;
    } catch (const vb::VBError&) {
      return;  // the store has it in other letter case: it is that setting
    }
    record([p = vb::ref_from(&props), name = d.name] { p->Delete(std::string_view(name)); });
    if (!d.default_value.empty())
      props.Item(d.name)->setValue(ConvertByTypeRaw(Variant(d.default_value), Variant(d.type)));
  });
}

std::string GetCondAttr(const platform::XmlNode& node) {
  if (!node) return std::string();
  return attribute_nocase(node, "cond").value_or(std::string());
}

}  // namespace common

// ---- adding extensions -------------------------------------------------------

namespace {

// AddExtension with its definition read already: a definition that is not loaded (missing or
// damaged) adds the extension without attributes.
bool add_extension(AGP& proj, const std::string& sName, const std::string& sTemplate, const std::string& sXmlFile,
                   const ExtensionDefinition& def) {
  AGPExtensions& list = extension_list();
  const bool existed = list.ExtensionExist(Variant(sName));
  if (!list.Add(sName)) return false;
  auto ext = list.Item(Variant(sName));
  if (!ext) return false;

  UndoLog log;
  UndoLog* const outer = active_log;
  active_log = &log;
  try {
    if (existed) {
      record([ext, t = ext->Template(), x = ext->XmlFile(), e = ext->Enabled()] {
        ext->Template(t);
        ext->XmlFile(x);
        ext->Enabled(e);
      });
    } else {
      record([name = sName] {
        if (AGPExtensions* l = existing_extension_list()) l->Delete(Variant(name));
      });
    }
    ext->Template(sTemplate);
    ext->XmlFile(sXmlFile);
    ext->Enabled(true);
    if (def.loaded()) {
      const platform::XmlNode project_node = def.node(kExtProjectNode);
      if (condition_holds(proj, project_node)) common::LoadAttributeDefs(*ext->PROJ()->Properties(), project_node);
      if (proj.DB()) {
        const platform::XmlNode db_node = def.node(kExtDatabaseNode);
        if (condition_holds(proj, db_node)) common::LoadAttributeDefs(*ext->PROJ()->DB()->Properties(), db_node);
        const auto tables = proj.DB()->Tables();
        const platform::XmlNode table_node = def.node(kExtTableNode);
        const platform::XmlNode chart_node = def.node(kExtChartNode);
        const platform::XmlNode field_node = def.node(kExtFieldNode);
        const int32_t count = tables->Count();
        for (int32_t i = 1; i <= count; ++i) {
          auto table = tables->Seq(int16_t(i));
          if (!table || !table->TblLoaded()) continue;
          const std::string tname = table->TblName();
          AddExtendedTable(proj, sName, tname, table_node);
          const auto charts = table->Charts();
          for (int32_t j = 1, n = charts->Count(); j <= n; ++j)
            if (auto chart = charts->Seq(int16_t(j))) AddExtendedChart(proj, sName, tname, chart->ChartName(), chart_node);
          const auto fields = table->Fields();
          for (int32_t j = 1, n = fields->Count(); j <= n; ++j)
            if (auto field = fields->Seq(int16_t(j))) AddExtendedField(proj, sName, tname, field->FldName(), field_node);
        }
      }
    }
  } catch (...) {
    active_log = outer;
    log.undo();
    throw;
  }
  active_log = outer;
  return true;
}

}  // namespace

bool AddExtension(AGP& proj, const std::string& sName, const std::string& sTemplate, const std::string& sXmlFile) {
  if (sName.empty()) return false;
  const ExtensionDefinition def = ExtensionDefinition::load(sXmlFile);
  if (def.state() == ExtensionDefinition::State::Damaged) {
    proj.ProjErr(def.error());
    return false;
  }
  return add_extension(proj, sName, sTemplate, sXmlFile, def);
}

bool AddExtendedTable(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                      const platform::XmlNode& tblnode) {
  auto table = model_table(proj, sTblName);
  if (!table) return false;
  CurrentObjectsReset reset{proj, /*field=*/false};
  set_current_table(proj, table);
  auto ext = extension_list().find(sExtName);
  if (!ext) return false;
  const auto tables = ext->PROJ()->DB()->Tables();
  if (!tblnode || !condition_holds(proj, tblnode) || tables->TableExist(Variant(sTblName))) return false;
  const int32_t before = tables->Count();
  if (!tables->Add(sTblName)) return false;
  if (tables->Count() > before) record([tables, sTblName] { tables->Delete(sTblName); });
  if (auto item = tables->find(sTblName)) common::LoadAttributeDefs(*item->Properties(), tblnode);
  return true;
}

bool AddExtendedChart(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                      const std::string& sChartName, const platform::XmlNode& chartnode) {
  auto ext = extension_list().find(sExtName);
  if (!ext) return false;
  auto table_item = ext->PROJ()->DB()->Tables()->find(sTblName);
  if (!table_item || !chartnode || !condition_holds(proj, chartnode)) return false;
  const auto charts = table_item->Charts();
  if (charts->ChartExist(Variant(sChartName))) return false;
  const int32_t before = charts->Count();
  if (!charts->Add(sChartName)) return false;
  if (charts->Count() > before) record([charts, sChartName] { charts->Delete(Variant(sChartName)); });
  auto item = charts->find(sChartName);
  if (!item) return true;
  common::LoadAttributeDefs(*item->Properties(), chartnode);
  if (auto table = model_table(proj, sTblName))
    if (auto chart = model_item(*table->Charts(), sChartName)) move_old_chart_settings(chart, *item->Properties());
  return true;
}

bool AddExtendedField(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                      const std::string& sFldName, const platform::XmlNode& fldnode) {
  auto table = model_table(proj, sTblName);
  if (!table) return false;
  auto field = model_item(*table->Fields(), sFldName);
  if (!field) return false;
  CurrentObjectsReset reset{proj, /*field=*/true};
  set_current_table(proj, table);
  set_current_field(proj, field);
  auto ext = extension_list().find(sExtName);
  if (!ext) return false;
  auto table_item = ext->PROJ()->DB()->Tables()->find(sTblName);
  if (!table_item || !fldnode || !condition_holds(proj, fldnode)) return false;
  const auto fields = table_item->Fields();
  if (fields->FieldExist(Variant(sFldName))) return false;
  const int32_t before = fields->Count();
  if (!fields->Add(sFldName)) return false;
  if (fields->Count() > before) record([fields, sFldName] { fields->Delete(Variant(sFldName)); });
  if (auto item = fields->find(sFldName)) common::LoadAttributeDefs(*item->Properties(), fldnode);
  return true;
}

bool DeleteExtension(AGP&, const std::string& sName) { return extension_list().Delete(Variant(sName)); }

std::vector<RegisteredExtension> registered_extensions() {
  ModuleContext& ctx = context();
  cRegistry& reg = shared_registry();
  reg.ClassKey = cRegistry::HKEY_CURRENT_USER;
  reg.SectionKey = ctx.RegKeyExtensions;
  std::vector<std::string> subkeys;
  int32_t count = 0;
  std::vector<RegisteredExtension> out;
  if (!reg.EnumerateSections(subkeys, count)) return out;
  const std::string root = ctx.RegKeyExtensions;
  for (const std::string& sub : subkeys) {
    const std::string key = root + "\\" + sub;
    RegisteredExtension ext{registry_text(key, "Name"), registry_text(key, "Template"), registry_text(key, "XmlFile")};
    if (!ext.name.empty()) out.push_back(std::move(ext));
  }
  return out;
}

void LoadRegisteredExtensions(AGP& proj) {
  ModuleContext& ctx = context();
  for (const RegisteredExtension& ext : registered_extensions()) {
    // A damaged definition does not lose the registered extension: it is kept without
    // attributes, and the user is told why.
    const ExtensionDefinition def = ExtensionDefinition::load(ext.definition);
    if (def.state() == ExtensionDefinition::State::Damaged)
      host_ui().message_box(def.error(), ctx.ProductTitle, platform::msgbox::vbExclamation);
    const std::string before = ctx.ProjErr;
    (void)add_extension(proj, ext.name, ext.package, ext.definition, def);
    ctx.ProjErr = before;
  }
}

}  // namespace tolvex
