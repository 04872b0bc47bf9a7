// libFuzzer target for the table readers, the entry iterators and the
// host-command builder. Loop tables are unbounded by design (a table of a
// million entries is legitimate), so the harness walks at most
// kEntriesPerWalk entries of each table instead of applying functions to
// whole tables.
#include <libxml/parser.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/tables/function_definition.h"
#include "corvel/tables/host_command.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tables/table_entries_reader.h"
#include "corvel/tables/table_reader_context.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"
#include "pyx/simhost_api.h"

namespace {

using namespace corvel;

constexpr int kEntriesPerWalk = 512;

void drop(void*, const char*, int) {}
void dropCommand(void*, const char*) {}

class FuzzContext : public TableReaderContext {
 public:
  explicit FuzzContext(TcsDocument& document) : _document(document) {}
  int32_t status() const override { return _status; }
  void ReportParseError(std::string_view, std::optional<std::string_view>, std::string_view) override {
    _status = std::max(_status, 2);
  }
  void ReportParseException(std::string_view, std::string_view) override { _status = 3; }
  xmlNode* documentNode() const override { return _document.documentNode(); }
  const PrintUtility& printer() const override { return _printer; }
  TableMap& tables() override { return _tables; }

 private:
  TcsDocument& _document;
  PrintUtility _printer;
  TableMap _tables;
  int32_t _status = 0;
};

void walkTable(TableDefinition& table, const FunctionDefinition* function, HostCommandBuilder& builder) {
  try {
    TableEntriesGenerator* entries = table.createEntryIterator();
    if (entries == nullptr) return;
    const xmlNode* defaults = table.getDefaultsNode();
    for (int n = 0; n < kEntriesPerWalk; ++n) {
      const xmlNode* entry = entries->next();
      if (entry == nullptr) break;
      if (function != nullptr) {
        builder.BuildHostCommand(*function, defaults, entry);
      } else {
        (void)TableDefinition::fieldValue(entry, defaults, "id");
      }
    }
  } catch (const TextError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    simhost_set_console_sink(&drop, nullptr);
    simhost_set_command_sink(&dropCommand, nullptr);
    return true;
  }();
  (void)quiet;
  if (size > 64 * 1024) return 0;
  xmlDoc* parsed = xmlReadMemory(reinterpret_cast<const char*>(data), static_cast<int>(size), "fuzz.tcs", nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (parsed == nullptr) return 0;
  TcsDocument document;
  document.adopt(parsed, "fuzz.tcs");
  FuzzContext context(document);
  readTables(context);

  const PrintUtility printer;
  HostCommandBuilder builder(printer);
  for (auto& [id, table] : context.tables()) walkTable(*table, nullptr, builder);
  for (xmlNode* section : selectNodes(document.documentNode(), "//corvel/type_definitions")) {
    for (xmlNode* child : getChildNodes(section)) {
      if (GetAttribute(child, "_entry_type") != std::optional<std::string>("function")) continue;
      try {
        const FunctionDefinition function(child);
        const auto table = context.tables().find(function.tableId());
        if (table != context.tables().end()) walkTable(*table->second, &function, builder);
      } catch (const TextError&) {
      }
    }
  }
  return 0;
}
