#include "fields/search_operators.h"

#include "foundation/agp_vars.h"
#include "vb/variant.h"

namespace tolvex {

std::string GetSearchOperators(int16_t ftype) {
  const int16_t cls = AGPVars::AdoTypeClass(vb::Variant(ftype));
  if (cls == AGPVars::kAdoBoolean) return "=\r\n<>";
  const char* comparisons = "=\r\n<>\r\n<\r\n<=\r\n>\r\n>=\r\nBETWEEN";
  if (cls == AGPVars::kAdoString) return std::string(comparisons) + "\r\nLIKE\r\nNOT LIKE\r\nSTARTS WITH";
  return comparisons;
}

std::string FldSrchOprs(int16_t ftype) { return "USER SELECT\r\n" + GetSearchOperators(ftype); }

}  // namespace tolvex
