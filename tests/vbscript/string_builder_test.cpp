// The bundled system code's StringBuilder class, which every compiled template builds
// its output with, run as the generator runs it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "vb/convert.h"
#include "vbscript/engine.h"

using namespace tolvex;
using namespace tolvex::vbscript;

namespace {

// The class's code without the lines that mark it as a code block of the template.
std::string bundled_string_builder() {
  std::ifstream in(std::string(TOLVEX_SOURCE_DIR) + "/share/tolvex/code/stringbuilder.txt", std::ios::binary);
  EXPECT_TRUE(in) << "stringbuilder.txt";
  std::string code, line;
  while (std::getline(in, line))
    if (line.rfind("<!--##", 0) != 0 && line.rfind("##-->", 0) != 0) code += line + "\n";
  return code;
}

TEST(BundledStringBuilder, KeepsEveryPieceInOrderAcrossItsBlocks) {
  ScriptEngine e;
  e.add_code(bundled_string_builder());
  e.add_code(
      "Function Built(n)\n"
      "  Dim sb, i, want\n"
      "  Set sb = New StringBuilder\n"
      "  For i = 1 To n\n"
      "    sb.Append i Mod 10\n"
      "    want = want & (i Mod 10)\n"
      "  Next\n"
      "  Built = (sb.ToString() = want) And (sb.ToString() = want) And sb.Count = n\n"
      "End Function\n");
  // Around the size of a block (4096 pieces), and several blocks.
  for (int n : {0, 1, 4095, 4096, 4097, 8192, 3 * 4096 + 5, 40 * 4096 + 1}) {
    vb::Variant arg[1] = {vb::Variant(int32_t(n))};
    EXPECT_TRUE(vb::to_bool(e.run("Built", arg))) << n << " pieces";
  }
}

TEST(BundledStringBuilder, SkipsEmptyAndNullAndStartsAgainAfterClear) {
  ScriptEngine e;
  e.add_code(bundled_string_builder());
  e.add_code(
      "Set sb = New StringBuilder\n"
      "For i = 1 To 5000 : sb.Append \"\" : Next\n"
      "sb.Append Empty : sb.Append Null : sb.Append 1.5 : sb.AppendLine True\n"
      "before = sb.ToString() : n = sb.Count\n"
      "sb.Clear\n"
      "cleared = sb.ToString() : m = sb.Count\n"
      "sb.Append \"again\"\n");
  EXPECT_EQ(vb::to_string(e.eval("before")), "1.5True\r\n");
  EXPECT_EQ(vb::to_long(e.eval("n")), 5003);
  EXPECT_EQ(vb::to_string(e.eval("cleared")), "");
  EXPECT_EQ(vb::to_long(e.eval("m")), 0);
  EXPECT_EQ(vb::to_string(e.eval("sb.ToString()")), "again");
}

}  // namespace
