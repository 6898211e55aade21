#include "cli/settings_access.h"

#include <algorithm>
#include <cctype>

#include <fnmatch.h>

#include <cstdio>
#include <ostream>

#include "cli/host.h"
#include "extensions/extension_tree.h"
#include "extensions/extensions.h"
#include "fields/field.h"
#include "fields/fields.h"
#include "foundation/common.h"
#include "foundation/properties.h"
#include "model/database.h"
#include "model/table.h"
#include "model/tables.h"
#include "templates/package_xml.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex::cli {

namespace {

using vb::Variant;

bool matches(const std::string& pattern, const std::string& name) {
  return vb::iequals(pattern, name) || ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

// The items of a model collection whose names match `pattern`, in collection order.
template <class Collection>
auto matching(Collection& items, const std::string& pattern) {
  std::vector<decltype(items.at(0))> out;
  for (size_t i = 0; i < items.size(); ++i) {
    auto item = items.at(i);
    if (item && matches(pattern, item->collection_name())) out.push_back(item);
  }
  return out;
}

// "TABLE.FIELD" split at its first dot.
std::pair<std::string, std::string> split_field(const std::string& text) {
  const size_t dot = text.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == text.size())
    throw CommandError{"--field wants TABLE.FIELD, not \"" + text + "\".", kExitUsage};
  return {text.substr(0, dot), text.substr(dot + 1)};
}

// Tables (or an extension's table items) and their fields (or field items) that the choice selects.
template <class Tables, class FieldsOf>
void select_in(Tables& tables, const TargetChoice& choice, FieldsOf fields_of, std::vector<SettingsTarget>& out) {
  const std::string table_pattern = choice.field.empty() ? choice.table : split_field(choice.field).first;
  const auto found = matching(tables, table_pattern);
  if (found.empty()) throw CommandError{"No table matches \"" + table_pattern + "\"."};
  for (const auto& t : found) {
    if (choice.field.empty()) {
      out.push_back({t->collection_name(), t});
      continue;
    }
    for (const auto& f : matching(*fields_of(*t), split_field(choice.field).second))
      out.push_back({t->collection_name() + "." + f->collection_name(), f});
  }
  if (out.empty()) throw CommandError{"No field matches \"" + choice.field + "\"."};
}

AGProperties& properties_of(vb::Dispatch& object) {
  auto* props = dynamic_cast<AGProperties*>(object.get("Properties").object().get());
  if (!props) throw CommandError{"This object has no settings."};
  return *props;
}

std::string shown_label(const SettingsTarget& t) { return t.label.empty() ? "The project" : t.label; }

// The slot of `key` in the store: the exact name, else the name in another letter case.
size_t slot_of(const AGProperties& props, const std::string& key, const SettingsTarget& target) {
  if (auto slot = props.index_of(key)) return *slot;
  for (size_t i = 0; i < props.size(); ++i)
    if (vb::iequals(props.name_at(i), key)) return i;
  throw CommandError{shown_label(target) + " has no setting \"" + key + "\"."};
}

std::string shown_value(const Variant& v) {
  if (v.is_empty() || v.is_null()) return {};
  std::string text;
  try {
    text = vb::to_string(v);
  } catch (const std::exception&) {
    return "(object)";
  }
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

bool is_number_or_boolean(const std::string& type) {
  const std::string t = vb::ascii_lower(type);
  return t == "boolean" || t == "integer" || t == "long" || t == "single" || t == "double";
}

// The project's CharSet is written into every page's charset declaration.
void check_charset(const std::string& text) {
  if (!common::IsCharsetName(text))
    throw CommandError{"\"" + text + "\" is not the name of a charset (CharSet takes a name such as utf-8)."};
}

// A value the project file cannot keep as typed: not UTF-8, or a control character other than
// tab, line feed and carriage return (which multi-line texts may hold); the file would store
// "?" in its place. Empty when the value can be kept.
std::string unkept_value(const std::string& key, const std::string& text) {
  if (!is_valid_utf8(text)) return "The value of " + key + " is not UTF-8 text.";
  for (unsigned char c : text)
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", c);
      return "The value of " + key + " holds the control character " + code + ", which a project cannot keep.";
    }
  return {};
}

}  // namespace

std::vector<SettingsTarget> select_targets(AGP& proj, const TargetChoice& choice) {
  std::vector<SettingsTarget> out;
  const bool below_project = choice.database || !choice.table.empty() || !choice.field.empty();
  if (choice.extension.empty()) {
    if (!below_project) return {{"", vb::ref_from(&proj)}};
    const vb::Ref<AGPDatabase>& db = proj.DB();
    if (!db) throw CommandError{"The project has no database."};
    if (choice.database) return {{"database", db}};
    select_in(*db->Tables(), choice, [](AGPTable& t) { return t.Fields(); }, out);
    return out;
  }
  auto* list = dynamic_cast<AGPExtensions*>(proj.Extensions().get());
  vb::Ref<AGPExtension> ext = list ? list->find(choice.extension) : nullptr;
  if (!ext)
    throw CommandError{"The project has no extension \"" + choice.extension + "\" (tolvex extension list shows them)."};
  const vb::Ref<AGPExtProj>& root = ext->PROJ();
  if (!below_project) return {{"", root}};
  vb::Ref<AGPExtDb> db = root->DB();
  if (choice.database) return {{"database", db}};
  select_in(*db->Tables(), choice, [](AGPExtTable& t) { return t.Fields(); }, out);
  return out;
}

void print_settings(const std::vector<SettingsTarget>& targets, const std::vector<std::string>& keys,
                    std::ostream& out) {
  std::string text;
  for (const SettingsTarget& t : targets) {
    AGProperties& props = properties_of(*t.object);
    const std::string prefix = targets.size() > 1 ? t.label + "." : std::string();
    std::vector<size_t> slots;
    if (keys.empty()) {
      for (size_t i = 0; i < props.size(); ++i) slots.push_back(i);
    } else {
      for (const std::string& key : keys) slots.push_back(slot_of(props, key, t));
    }
    for (size_t slot : slots) text += prefix + props.name_at(slot) + "=" + shown_value(props.value_at(slot)) + "\n";
  }
  out << text;
}

void apply_settings(const std::vector<SettingsTarget>& targets, const std::vector<std::string>& pairs) {
  struct Change {
    vb::Dispatch* object;
    AGProperties* props;
    size_t slot;
    Variant value;
  };
  std::vector<Change> changes;
  for (const std::string& pair : pairs) {
    const size_t eq = pair.find('=');
    if (eq == std::string::npos || eq == 0) throw CommandError{"Expected KEY=VALUE, not \"" + pair + "\".", kExitUsage};
    const std::string key = pair.substr(0, eq);
    const std::string text = pair.substr(eq + 1);
    if (const std::string why = unkept_value(key, text); !why.empty()) throw CommandError{why};
    for (const SettingsTarget& t : targets) {
      AGProperties& props = properties_of(*t.object);
      const size_t slot = slot_of(props, key, t);
      const std::string& type = props.desc_at(slot).data_type;
      if (t.label.empty() && vb::iequals(props.name_at(slot), "CharSet")) check_charset(text);
      Variant value = common::ConvertByType(Variant(text), Variant(type));
      if (value.is_empty() && is_number_or_boolean(type) && !common::trim_blanks(text).empty())
        throw CommandError{"\"" + text + "\" is not a " + type + " value for " + props.name_at(slot) + "."};
      changes.push_back({t.object.get(), &props, slot, std::move(value)});
    }
  }
  for (Change& c : changes) {
    const std::string& name = c.props->name_at(c.slot);
    if (c.object->has_member(name)) {
      c.object->let(name, c.value);
    } else {
      c.props->set_value_at(c.slot, std::move(c.value));
    }
  }
}

}  // namespace tolvex::cli
