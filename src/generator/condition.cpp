#include "generator/condition.h"

#include <optional>
#include <string>
#include <vector>

#include "foundation/common.h"
#include "foundation/context.h"
#include "generator/generation_state.h"
#include "model/database.h"
#include "templates/ag_script.h"
#include "templates/template_run.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {
namespace {

using vb::Variant;

std::optional<std::string> text_of(const Variant& v) {
  try {
    return vb::to_string(v);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// A control field by its lower-cased condition name; nullopt for a name the language lacks.
std::optional<Variant> control_field(const AGPControl& c, const std::string& name) {
  struct Entry {
    const char* name;
    Variant (*get)(const AGPControl&);
  };
  static const Entry kFields[] = {
      {"ctrlid", [](const AGPControl& x) { return Variant(x.CtrlID); }},
      {"ctrltype", [](const AGPControl& x) { return Variant(x.CtrlType); }},
      {"ctrlofile", [](const AGPControl& x) { return Variant(x.CtrlOFile); }},
      {"ctrlofilecompat", [](const AGPControl& x) { return Variant(x.CtrlOFileCompat); }},
      {"ctrloext", [](const AGPControl& x) { return Variant(x.CtrlOExt); }},
      {"ctrlofolder", [](const AGPControl& x) { return Variant(x.CtrlOFolder); }},
      {"ctrlofolderid", [](const AGPControl& x) { return Variant(x.CtrlOFolderID); }},
      {"ctrlifiles", [](const AGPControl& x) { return Variant(x.CtrlIFiles); }},
      {"ctrlifolder", [](const AGPControl& x) { return Variant(x.CtrlIFolder); }},
      {"ctrlcond", [](const AGPControl& x) { return Variant(x.CtrlCond); }},
      {"ctrltagext", [](const AGPControl& x) { return Variant(x.CtrlTagExt); }},
      {"ctrlparm", [](const AGPControl& x) { return Variant(x.CtrlParm); }},
      {"ctrlspace", [](const AGPControl& x) { return Variant(x.CtrlSpace); }},
      {"ctrlgen", [](const AGPControl& x) { return Variant(x.CtrlGen); }},
      {"ctrlext", [](const AGPControl& x) { return Variant(x.CtrlExt); }},
      {"ctrlaction", [](const AGPControl& x) { return Variant(x.CtrlAction); }},
      {"ctrloverwrite", [](const AGPControl& x) { return Variant(x.CtrlOverwrite); }},
  };
  for (const Entry& e : kFields)
    if (name == e.name) return e.get(c);
  return std::nullopt;
}

// The slot of a setting: its exact key first, else a key that differs only in letter case.
std::optional<size_t> setting_slot(const AGProperties& settings, std::string_view key) {
  if (auto i = settings.index_of(key)) return i;
  for (size_t i = 0; i < settings.size(); ++i)
    if (vb::iequals(settings.name_at(i), key)) return i;
  return std::nullopt;
}

enum class Op { Eq, Ne, Gt, Ge, Lt, Le, In, Ni, Unknown };

Op op_of(const std::string& lowered) {
  static const std::pair<const char*, Op> kOps[] = {{"eq", Op::Eq}, {"ne", Op::Ne}, {"gt", Op::Gt},
                                                    {"ge", Op::Ge}, {"lt", Op::Lt}, {"le", Op::Le},
                                                    {"in", Op::In}, {"ni", Op::Ni}};
  for (const auto& [name, op] : kOps)
    if (lowered == name) return op;
  return Op::Unknown;
}

// Whether the actual value satisfies the operator against one comparison value. Null on
// either side, or values that cannot be compared, satisfy nothing.
bool satisfies(const Variant& actual, Op op, const Variant& wanted) {
  if (op == Op::In || op == Op::Ni) {
    // "in": the actual value occurs in the listed value, without regard to letter case.
    const auto a = text_of(actual);
    const auto w = text_of(wanted);
    if (!a || !w) return false;
    const bool found = vb::utf8_lower(*w).find(vb::utf8_lower(*a)) != std::string::npos;
    return op == Op::In ? found : !found;
  }
  std::optional<int> c;
  try {
    c = vb::compare(actual, wanted);
  } catch (const std::exception&) {
    return false;
  }
  if (!c) return false;
  switch (op) {
    case Op::Eq: return *c == 0;
    case Op::Ne: return *c != 0;
    case Op::Gt: return *c > 0;
    case Op::Ge: return *c >= 0;
    case Op::Lt: return *c < 0;
    case Op::Le: return *c <= 0;
    default: return false;
  }
}

// The settings a scope names; null when the scope is unknown or its object is missing.
const AGProperties* scope_settings(AGP& proj, const std::string& scope, vb::Ref<vb::Object>& keep) {
  if (scope == "proj") return proj.Properties().get();
  if (scope == "db") {
    const vb::Ref<AGPDatabase>& db = proj.DB();
    keep = db;
    return db ? db->Properties().get() : nullptr;
  }
  if (scope == "table") {
    vb::Ref<AGPTable> t = current_table(proj);
    keep = t;
    return t ? t->Properties().get() : nullptr;
  }
  if (scope == "field") {
    vb::Ref<AGPField> f = current_field(proj);
    keep = f;
    return f ? f->Properties().get() : nullptr;
  }
  return nullptr;
}

enum class TermResult { Holds, Fails };

TermResult eval_term(AGP& proj, std::string_view raw) {
  std::string term = common::trim_blanks(raw);
  bool is_function = false;
  if (term.size() >= 9 && vb::ascii_lower(std::string_view(term).substr(0, 9)) == "function/") {
    term = common::trim_blanks(std::string_view(term).substr(9));
    is_function = true;
  }
  const std::vector<std::string_view> parts = vb::split(term, "/");
  if (parts.size() != 4) return TermResult::Holds;
  const std::string part1(parts[0]);
  const std::string part2(parts[1]);
  const Op op = op_of(vb::ascii_lower(parts[2]));
  const std::vector<std::string_view> listed = vb::split(parts[3], "|");

  Variant actual;
  std::vector<Variant> wanted;
  if (is_function) {
    AGScript* engine = generation_engine();
    if (!engine) {
      actual = Variant(std::string());
    } else {
      Variant result = engine->RunModule(Variant(part1));
      if (!context().ProjErr.empty()) RaiseGenError();
      actual = common::ConvertByType(result, Variant(part2));
    }
    for (std::string_view v : listed) wanted.push_back(common::ConvertByType(Variant(std::string(v)), Variant(part2)));
  } else {
    const std::string scope = vb::ascii_lower(part1);
    if (scope == "ctrl") {
      vb::Ref<AGPControl> ctrl = current_control(proj);
      if (!ctrl) return TermResult::Holds;
      std::optional<Variant> value = control_field(*ctrl, vb::ascii_lower(part2));
      if (!value) return TermResult::Holds;
      actual = Variant(text_of(*value).value_or(std::string()));
      for (std::string_view v : listed) wanted.push_back(Variant(common::Unquote(v)));
    } else {
      vb::Ref<vb::Object> keep;
      const AGProperties* settings = scope_settings(proj, scope, keep);
      if (!settings) return TermResult::Holds;
      const std::optional<size_t> slot = setting_slot(*settings, part2);
      if (!slot) return TermResult::Fails;
      actual = settings->value_at(*slot);
      const std::string data_type = settings->desc_at(*slot).data_type;
      for (std::string_view v : listed) wanted.push_back(StripPercentPrefix(*settings, v, data_type));
    }
  }
  if (op == Op::Unknown) return TermResult::Holds;
  for (const Variant& w : wanted)
    if (satisfies(actual, op, w)) return TermResult::Holds;
  return TermResult::Fails;
}

// The template layer asks the condition language through its evaluator slot.
const bool kRegistered = [] {
  register_condition_evaluator([](AGP& proj, const std::string& cond) { return EvalCondition(proj, Variant(cond)); });
  return true;
}();

}  // namespace

Variant StripPercentPrefix(const AGProperties& settings, std::string_view value, std::string_view data_type) {
  const std::string trimmed = common::trim_blanks(value);
  Variant chosen;
  if (!trimmed.empty() && trimmed[0] == '%') {
    const std::optional<size_t> slot = setting_slot(settings, std::string_view(trimmed).substr(1));
    if (!slot) return Variant::null();
    chosen = settings.value_at(*slot);
  } else {
    chosen = Variant(std::string(value));
  }
  return common::ConvertByType(chosen, Variant(std::string(data_type)));
}

bool EvalCondition(AGP& proj, const Variant& cond) {
  if (cond.is_empty() || cond.is_null()) return true;
  const std::optional<std::string> text = text_of(cond);
  if (!text || text->empty()) return true;
  for (std::string_view term : vb::split(*text, ","))
    if (eval_term(proj, term) == TermResult::Fails) return false;
  return true;
}

}  // namespace tolvex
