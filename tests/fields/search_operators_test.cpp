#include "fields/search_operators.h"

#include <gtest/gtest.h>

namespace tolvex {
namespace {

TEST(SearchOperators, ByTypeClass) {
  const std::string numeric = "USER SELECT\r\n=\r\n<>\r\n<\r\n<=\r\n>\r\n>=\r\nBETWEEN";
  struct Case {
    int16_t ado_type;
    std::string lines;
  } cases[] = {
      {3, numeric},                                   // adInteger
      {11, "USER SELECT\r\n=\r\n<>"},                 // adBoolean
      {202, numeric + "\r\nLIKE\r\nNOT LIKE\r\nSTARTS WITH"},  // adVarWChar
      {129, numeric + "\r\nLIKE\r\nNOT LIKE\r\nSTARTS WITH"},  // adChar
      {135, numeric},                                 // a date and time
      {72, numeric},                                  // adGUID
      {8, numeric},                                   // adBSTR: no LIKE here
      {0, numeric},
      {205, numeric},
  };
  for (const Case& c : cases) EXPECT_EQ(FldSrchOprs(c.ado_type), c.lines) << c.ado_type;
}

}  // namespace
}  // namespace tolvex
