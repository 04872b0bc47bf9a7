// The manager's table-entries and function-definitions readers: the table
// readers of corvel/tables run on the manager's document, printer, status
// and table map.
#include "corvel/tables/function_definitions_reader.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tables/table_entries_reader.h"
#include "corvel/tables/table_reader_context.h"
#include "corvel/tcs/tcs_manager.h"

namespace corvel {
namespace {

class ManagerTableContext final : public TableReaderContext {
 public:
  explicit ManagerTableContext(TcsManager& manager) : _manager(manager) {}

  int32_t status() const override { return _manager.status(); }
  void ReportParseError(std::string_view fileTag, std::optional<std::string_view> elementName,
                        std::string_view message) override {
    _manager.ReportParseError(fileTag, elementName, message);
  }
  void ReportParseException(std::string_view fileTag, std::string_view methodName) override {
    _manager.ReportParseException(fileTag, methodName);
  }
  xmlNode* documentNode() const override { return _manager.documentNode(); }
  const PrintUtility& printer() const override { return _manager.printer(); }
  TableMap& tables() override { return _manager.tables(); }

 private:
  TcsManager& _manager;
};

}  // namespace

bool TcsManager::readTableEntries() {
  ManagerTableContext context(*this);
  return readTables(context);
}

bool TcsManager::readFunctionDefinitions() {
  ManagerTableContext context(*this);
  return readFunctions(context);
}

}  // namespace corvel
