#include "corvel/tables/table_entries_construct.h"

#include <optional>
#include <string>

#include "corvel/tables/table_nodes.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

bool TableEntriesConstruct::init(xmlNode* tableElement) {
  _current = nullptr;
  const std::optional<std::string> tableName = GetNodeName(tableElement);
  if (!tableName || tableElement->type != XML_ELEMENT_NODE) return false;
  xmlNode* defaults = elementFrom(tableElement->children);
  if (!isNodeNamed(defaults, *tableName + ".defaults")) return false;
  xmlNode* first = nextElement(defaults);
  const std::optional<std::string> firstName = GetNodeName(first);
  if (!firstName || !isEntryName(*firstName)) return false;
  _current = first;
  return true;
}

xmlNode* TableEntriesConstruct::next() {
  xmlNode* entry = _current;
  _current = nextElement(_current);
  return entry;
}

}  // namespace corvel
