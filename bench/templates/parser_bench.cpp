// Parsing a template set of about 5 MB into blocks, sessions and expanded includes.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/context.h"
#include "templates/ag_parser.h"
#include "templates/file_cache.h"

namespace {

// One template file in the usual shape: sessions of HTML/PHP text with every block kind.
std::string make_template_file(int sessions) {
  std::string s;
  for (int i = 0; i < sessions; ++i) {
    s += "<!--##session s" + std::to_string(i) + "##-->\r\n";
    for (int j = 0; j < 20; ++j) {
      s += "<tr>\r\n\t<td class=\"ewTableHeader\"><!--##@FieldCaption##--></td>\r\n";
      s += "\t<td><!--##=sFldVar##-->&nbsp;</td>\r\n";
      s += "<!--## If bShow Then ##-->\r\n\t\t<!--##~ RenderField(FIELD) ##-->\r\n<!--## End If ##-->\r\n";
      s += "\t<!--##$ sPhraseId ##--><?php echo $x_" + std::to_string(j) + "; ?>\r\n</tr>\r\n";
    }
    if (i > 0) s += "<!--##include list.php/s0##-->\r\n";
    s += "<!--##/session##-->\r\n";
  }
  return s;
}

const std::string& template_set() {
  static const std::string text = [] {
    std::string all;
    while (all.size() < 5 * 1024 * 1024) all += make_template_file(50);
    return all;
  }();
  return text;
}

void BM_ParseBlocks(benchmark::State& state) {
  tolvex::ContextScope ctx;
  const std::string& text = template_set();
  for (auto _ : state) {
    tolvex::AGParser p;
    p.Parse(text);
    benchmark::DoNotOptimize(p.Count());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ParseBlocks)->Unit(benchmark::kMillisecond);

void BM_SplitSessionsAndExpand(benchmark::State& state) {
  tolvex::ContextScope ctx;
  const std::string& text = template_set();
  for (auto _ : state) {
    tolvex::AGPFileCache cache;
    cache.AddText(text, "list.php");
    size_t pieces = 0;
    for (const auto& row : cache.rows()) pieces += cache.expand_includes(row.text).size();
    benchmark::DoNotOptimize(pieces);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_SplitSessionsAndExpand)->Unit(benchmark::kMillisecond);

}  // namespace
