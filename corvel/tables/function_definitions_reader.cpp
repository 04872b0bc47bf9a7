#include "corvel/tables/function_definitions_reader.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/tables/function_definition.h"
#include "corvel/tables/host_command.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tables/table_reader_context.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/xml/xml_access.h"

namespace corvel {
namespace {

constexpr std::string_view kUnit = "TcsFunctionProtocol";

bool isFunctionElement(const xmlNode* node) {
  const std::optional<std::string> entryType = GetAttribute(node, "_entry_type");
  return entryType && *entryType == "function";
}

}  // namespace

std::size_t applyFunction(const FunctionDefinition& function, TableDefinition& table,
                          HostCommandBuilder& builder) {
  TableEntriesGenerator* entries = table.createEntryIterator();
  if (entries == nullptr) return 0;
  const xmlNode* defaults = table.getDefaultsNode();
  std::size_t executed = 0;
  while (const xmlNode* entry = entries->next()) {
    if (builder.BuildHostCommand(function, defaults, entry)) ++executed;
  }
  return executed;
}

bool readFunctions(TableReaderContext& context) {
  if (context.status() != 0) return false;
  const std::vector<xmlNode*> sections = selectNodes(context.documentNode(), "//corvel/type_definitions");
  if (sections.empty()) {
    context.printer().print("Corvel> ERROR: Could not find stream node\n");
    return false;
  }
  context.printer().print("Corvel> ------ Retreiving Functions ------\n");
  HostCommandBuilder builder(context.printer());
  bool applied = false;
  for (xmlNode* section : sections) {
    const std::vector<xmlNode*> children = getChildNodes(section);
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
      if (context.status() != 0) return applied;
      if (!isFunctionElement(*child)) continue;
      const FunctionDefinition function(*child);
      const auto table = context.tables().find(function.tableId());
      if (table == context.tables().end()) continue;
      applied = true;
      try {
        const PlaceScope place(*child);
        applyFunction(function, *table->second, builder);
      } catch (const TextError& error) {
        context.ReportParseError(kUnit, GetNodeName(*child).value_or(std::string()), error.text());
      } catch (const std::exception&) {
        context.ReportParseException(kUnit, "TcsFunctionMgt");
      }
    }
  }
  return applied;
}

}  // namespace corvel
