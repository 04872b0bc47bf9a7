// for_table_entries: one copy of a definition element per entry of a table,
// with the entry's values written into the copy's protocol elements by the
// loop's children. Stream sets and policy sets expand their loops alike.
#pragma once

#include <libxml/tree.h>

#include <functional>
#include <string_view>
#include <vector>

namespace corvel {

class TableDefinition;
class TcsManager;

// The element children of `parent` (comments and white space passed over).
std::vector<xmlNode*> childElements(const xmlNode* parent);

struct TableLoop {
  const xmlNode* definition = nullptr;  // the element copied per entry
  const xmlNode* loop = nullptr;        // the for_table_entries element
  std::string_view unit;                // reporting unit of the set
  const char* copyFailure = "";         // thrown when the copy cannot be made
  // A nested for_table_entries among the loop's children ends its list.
  bool stopAtNestedLoop = false;
  // A loop element that matches no protocol element ends the whole expansion
  // (otherwise only this entry's assignments, and the copy is still built).
  bool unmatchedEndsExpansion = false;
};

// Expands the loop over the table's entries, handing every finished copy to
// `build`. The first reported error (the manager's status) ends it.
void expandTableLoop(TcsManager& manager, const TableLoop& loop, TableDefinition& table,
                     const std::function<void(xmlNode* copy)>& build);

}  // namespace corvel
