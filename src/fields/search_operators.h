// The search operators a field of an ADO data type may offer for FldSrchOpr.
#pragma once

#include <cstdint>
#include <string>

namespace tolvex {

// The operator lines of the type's class, joined by CR LF.
std::string GetSearchOperators(int16_t ftype);
// "USER SELECT", CR LF, then the operator lines (no CR LF after the last).
std::string FldSrchOprs(int16_t ftype);

}  // namespace tolvex
