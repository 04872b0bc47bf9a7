#include "corvel/tables/table_definition.h"

#include "corvel/tables/table_entries_construct.h"
#include "corvel/tables/table_entries_loops.h"
#include "corvel/tables/table_nodes.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

TableDefinition::TableDefinition(xmlNode* tableElement, std::string id)
    : _name(GetNodeName(tableElement).value_or(std::string())),
      _id(std::move(id)),
      _forElement(findChildElement(tableElement, "for")),
      _tableElement(tableElement) {}

TableDefinition::~TableDefinition() = default;

TableEntriesGenerator* TableDefinition::createEntryIterator() {
  _entries.reset();
  std::unique_ptr<TableEntriesGenerator> entries = std::make_unique<TableEntriesLoops>();
  if (!entries->init(_tableElement)) {
    entries = std::make_unique<TableEntriesConstruct>();
    if (!entries->init(_tableElement)) return nullptr;
  }
  _entries = std::move(entries);
  return _entries.get();
}

xmlNode* TableDefinition::getDefaultsNode() const {
  return findChildElement(_tableElement, _name + ".defaults");
}

std::optional<std::string> TableDefinition::fieldValue(const xmlNode* entry, const xmlNode* defaults,
                                                       std::string_view field) {
  if (std::optional<std::string> value = GetAttribute(entry, field)) return value;
  return GetAttribute(defaults, field);
}

}  // namespace corvel
