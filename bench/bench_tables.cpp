// Host commands per second: a function applied to every entry of a table of
// 100,000 entries, written out (plain) or produced by a loop. The stand-in
// host only counts the command lines it is given.
#include <benchmark/benchmark.h>

#include <libxml/parser.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "corvel/base/print_utility.h"
#include "corvel/tables/function_definition.h"
#include "corvel/tables/function_definitions_reader.h"
#include "corvel/tables/host_command.h"
#include "corvel/tables/table_definition.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"

namespace {

using namespace corvel;

constexpr int kEntries = 100000;

const char* const kFunction =
    "<route_fn _entry_type=\"function\" _function_name=\"route_add\" _table_id=\"routes\" "
    "_element_type=\"route\" dest=\"int\" name=\"string\" mac=\"hi32_lo16\" port=\"int\" addr=\"string\"/>";

std::string loopTableText() {
  return std::string("<corvel><type_definitions>") + kFunction +
         "</type_definitions><table_entries><route id=\"routes\">"
         "<route.defaults dest=\"0\" name=\"none\" mac=\"0x0\" port=\"80\" addr=\"0.0.0.0\"/>"
         "<for id=\"i\" first=\"1\" last=\"100\" incr=\"1\" radix=\"10\">"
         "<for id=\"j\" first=\"0\" last=\"999\" incr=\"1\" radix=\"16\">"
         "<var-def-ip4-addr id=\"ip\" ip1=\"10\" ip2=\"0\" ip3=\"0\" ip4=\"0\"/>"
         "<var-opr id=\"ip\" opr=\"incr\"/>"
         "<route.entry dest=\"#i;\" name=\"r#3i;\" mac=\"0x0011#4i;#4j;\" addr=\"#ip;\"/>"
         "</for></for></route></table_entries></corvel>";
}

std::string plainTableText() {
  std::string text = std::string("<corvel><type_definitions>") + kFunction +
                     "</type_definitions><table_entries><route id=\"routes\">"
                     "<route.defaults dest=\"0\" name=\"none\" mac=\"0x0\" port=\"80\" addr=\"0.0.0.0\"/>";
  for (int i = 1; i <= kEntries; ++i) {
    const std::string n = std::to_string(i);
    text += "<route.entry dest=\"" + n + "\" name=\"r" + n + "\" mac=\"0x001122" + std::to_string(100000 + i) +
            "\" addr=\"10.0.0." + std::to_string(i % 256) + "\"/>";
  }
  return text + "</route></table_entries></corvel>";
}

void applyTable(benchmark::State& state, const std::string& text) {
  TcsDocument document;
  xmlDoc* parsed = xmlReadMemory(text.data(), static_cast<int>(text.size()), "bench.tcs", nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_HUGE);
  if (parsed == nullptr) throw std::runtime_error("benchmark document does not parse");
  document.adopt(parsed, "bench.tcs");
  xmlNode* tableElement = selectSingleNode(document.documentNode(), "//corvel/table_entries/route");
  TableDefinition table(tableElement, "routes");
  const FunctionDefinition function(selectSingleNode(document.documentNode(), "//corvel/type_definitions/route_fn"));
  const PrintUtility printer;
  HostCommandBuilder builder(printer);
  std::size_t executed = 0;
  for (auto _ : state) {
    executed = applyFunction(function, table, builder);
    benchmark::DoNotOptimize(executed);
  }
  if (executed != kEntries) state.SkipWithError("not every entry gave a command");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kEntries);
  state.counters["commands"] = static_cast<double>(executed);
}

void BM_LoopTable100k(benchmark::State& state) { applyTable(state, loopTableText()); }
void BM_PlainTable100k(benchmark::State& state) { applyTable(state, plainTableText()); }

BENCHMARK(BM_LoopTable100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTable100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
