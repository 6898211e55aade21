// The condition language of controls, sessions and extension attributes: a ","-list
// of terms that must all hold. A term is scope/name/operator/values (scope "ctrl",
// "proj", "db", "table" or "field") or function/name/type/operator/values, which
// calls a function of the generation script engine; values are a "|"-list of which
// one must satisfy the operator.
#pragma once

#include <string_view>

#include "foundation/properties.h"
#include "model/project.h"
#include "vb/variant.h"

namespace tolvex {

// True when the condition holds for the current control, the project, its database,
// the current table and the current field. Malformed terms, unknown scopes, unknown
// control field names, unknown operators and a missing control, table, field or database
// hold; a setting key the scope's settings lack makes the condition False. "in" holds
// when the actual value occurs in a listed value without regard to letter case, "ni"
// when it does not. A script function that fails, or that the engine refuses to run
// because an error is already pending, ends the run (RaiseGenError) with the message in
// AGP.ProjErr. Without a generation engine a function's value is "".
bool EvalCondition(AGP& proj, const vb::Variant& cond);

// The comparison value of one listed value of a setting term: trimmed, a value that
// starts with "%" names another setting of the same store, whose value is used (Null
// when the store has no such setting, which satisfies no operator); otherwise the
// value as written. The result is converted by `data_type`.
vb::Variant StripPercentPrefix(const AGProperties& settings, std::string_view value, std::string_view data_type);

}  // namespace tolvex
